#include "core/ConfigSchema.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <array>
#include <vector>

namespace Corvane {
namespace {

struct Level {
    ConfigLevel level;
    // Where members of this level are, for suggestions across levels.
    const char* where;
    std::vector<std::string_view> keys;
};

const std::array<Level, 5>& Levels() {
    static const std::array<Level, 5> levels{{
        {ConfigLevel::Top,
         "",
         {"PrintToChat", "Messages", "AuditLog", "AuditRotate", "Deny", "Commands", "Wrappers"}},
        {ConfigLevel::Messages, "/Messages", {"LogMsg", "NoPermissions", "Sender", "Cooldown", "Denied"}},
        {ConfigLevel::AuditRotate, "/AuditRotate", {"MaxBytes", "Keep"}},
        {ConfigLevel::Command, "/Commands/<name>", {"Cooldown", "Announce", "MaxArguments", "Arguments"}},
        {ConfigLevel::ArgumentRule,
         "/Commands/<name>/Arguments/<n>",
         {"Min", "Max", "Whole", "Allow", "Permission"}},
    }};
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

}  // namespace

bool IsKnownMember(ConfigLevel level, std::string_view key) {
    const auto& keys = LevelOf(level).keys;
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

std::string KnownMembers(ConfigLevel level) {
    return fmt::format("{}", fmt::join(LevelOf(level).keys, ", "));
}

std::optional<std::string> Suggestion(ConfigLevel level, const std::string& parent, std::string_view key) {
    for (const std::string_view known : LevelOf(level).keys) {
        if (IsClose(key, known)) {
            return "(did you mean " + parent + "/" + std::string(known) + "?)";
        }
    }
    for (const Level& other : Levels()) {
        if (other.level == level) {
            continue;
        }
        for (const std::string_view known : other.keys) {
            if (SameIgnoringCase(key, known)) {
                return "(it belongs at " + std::string(other.where) + "/" + std::string(known) + ")";
            }
        }
    }
    return std::nullopt;
}

}  // namespace Corvane
