#include "core/settings/ConfigSchema.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "core/settings/ArgumentRuleMembers.h"
#include "core/settings/AuditMembers.h"
#include "core/settings/ClusterMembers.h"
#include "core/settings/CommandMembers.h"
#include "core/settings/HistoryMembers.h"
#include "core/settings/MemberTable.h"
#include "core/settings/MessageMembers.h"
#include "core/settings/TopMembers.h"

namespace Corvane {
namespace {

struct Known {
    std::string_view name;
    bool control;
};

constexpr bool kControl = true;
constexpr bool kMessageOrSwitch = false;

struct Level {
    ConfigLevel level;
    // Where members of this level are, for suggestions across levels.
    const char* where;
    std::vector<Known> keys;
};

template <class Row>
Level Describe(const MemberLevel<Row>& table) {
    Level level{table.level, table.where, {}};
    for (const Row& member : table.members) {
        level.keys.push_back({member.name, member.kind == MemberKind::Control});
    }
    return level;
}

// In this order a member written at the wrong level is told where it belongs.
const std::vector<Level>& Levels() {
    static const std::vector<Level> levels{
        Describe(TopLevel()),     Describe(MessagesLevel()),     Describe(AuditRotateLevel()),
        Describe(CommandLevel()), Describe(ArgumentRuleLevel()), Describe(UseLimitLevel()),
        Describe(TierLevel()),    Describe(ClusterLevel()),      Describe(DatabaseLevel()),
        Describe(TlsLevel()),
    };
    return levels;
}

const Level& LevelOf(ConfigLevel level) {
    return *std::find_if(Levels().begin(), Levels().end(), [&](const Level& l) { return l.level == level; });
}

char Fold(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Edits (insertions, deletions, substitutions, swaps of neighbours) between
// a and b, ASCII case ignored; stops counting at limit + 1.
std::size_t EditDistance(std::string_view a, std::string_view b, std::size_t limit) {
    const std::size_t longer = std::max(a.size(), b.size());
    if (longer - std::min(a.size(), b.size()) > limit) {
        return limit + 1;
    }
    // Optimal string alignment over three rows.
    std::vector<std::size_t> before(b.size() + 1), previous(b.size() + 1), current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        previous[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = Fold(a[i - 1]) == Fold(b[j - 1]) ? 0 : 1;
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + cost});
            if (i > 1 && j > 1 && Fold(a[i - 1]) == Fold(b[j - 2]) && Fold(a[i - 2]) == Fold(b[j - 1])) {
                current[j] = std::min(current[j], before[j - 2] + 1);
            }
        }
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return std::min(previous[b.size()], limit + 1);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return EditDistance(a, b, 0) == 0;
}

// Close: the case differs, or one or two edits apart (a name of three
// letters or fewer, one edit).
bool IsClose(std::string_view key, std::string_view known) {
    const std::size_t limit = known.size() <= 3 ? 1 : 2;
    return EditDistance(key, known, limit) <= limit;
}

const Known* Find(ConfigLevel level, std::string_view key) {
    const auto& keys = LevelOf(level).keys;
    const auto found =
        std::find_if(keys.begin(), keys.end(), [&](const Known& known) { return known.name == key; });
    return found == keys.end() ? nullptr : &*found;
}

// The first member of level that matches key, controls first.
const Known* FirstMatch(ConfigLevel level, const std::function<bool(std::string_view)>& matches) {
    for (const bool control : {kControl, kMessageOrSwitch}) {
        for (const Known& known : LevelOf(level).keys) {
            if (known.control == control && matches(known.name)) {
                return &known;
            }
        }
    }
    return nullptr;
}

Hint DidYouMean(const std::string& parent, const Known& known) {
    return {"(did you mean " + parent + "/" + std::string(known.name) + "?)", known.control};
}

// Every place of another level where key is known, its case aside.
std::optional<Hint> Elsewhere(ConfigLevel level, std::string_view key) {
    std::vector<std::string> places;
    bool control = false;
    for (const Level& other : Levels()) {
        for (const Known& known : other.keys) {
            if (other.level != level && SameIgnoringCase(key, known.name)) {
                places.push_back(std::string(other.where) + "/" + std::string(known.name));
                control = control || known.control;
            }
        }
    }
    if (places.empty()) {
        return std::nullopt;
    }
    return Hint{fmt::format("(it belongs at {})", fmt::join(places, " or ")), control};
}

}  // namespace

bool IsKnownMember(ConfigLevel level, std::string_view key) {
    return Find(level, key) != nullptr;
}

bool IsControl(ConfigLevel level, std::string_view key) {
    const Known* known = Find(level, key);
    return known != nullptr && known->control;
}

std::string KnownMembers(ConfigLevel level) {
    std::vector<std::string_view> names;
    for (const Known& known : LevelOf(level).keys) {
        names.push_back(known.name);
    }
    return fmt::format("{}", fmt::join(names, ", "));
}

std::optional<Hint> Suggestion(ConfigLevel level, const std::string& parent, std::string_view key) {
    if (const Known* known =
            FirstMatch(level, [&](std::string_view name) { return SameIgnoringCase(key, name); })) {
        return DidYouMean(parent, *known);
    }
    if (auto elsewhere = Elsewhere(level, key)) {
        return elsewhere;
    }
    if (const Known* known = FirstMatch(level, [&](std::string_view name) { return IsClose(key, name); })) {
        return DidYouMean(parent, *known);
    }
    return std::nullopt;
}

}  // namespace Corvane
