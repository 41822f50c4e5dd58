#include "core/audit/RecordReading.h"

#include <algorithm>
#include <initializer_list>
#include <string_view>

#include "core/audit/AuditEntry.h"
#include "core/audit/BackwardLines.h"
#include "core/audit/Outcomes.h"
#include "core/text/CommandText.h"

namespace Corvane {
namespace {

bool Among(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The outcome or action of the entry that this version does not know; empty
// when it knows both.
std::string Unknown(const AuditEntry& entry) {
    const std::string& outcome = entry.outcome;
    if (entry.action.empty()) {
        return IsDecisionOutcome(outcome) ? "" : outcome;
    }
    const std::string& action = entry.action;
    const bool known = (action == "reload" && Among(outcome, {"reloaded", "failed", "refused"})) ||
                       (Among(action, {"check", "uses"}) && outcome == "refused") ||
                       (action == "forgive" && Among(outcome, {"forgiven", "refused"})) ||
                       (action == "summary" && outcome == "omitted") ||
                       (action == "carried" && Among(outcome, {"granted", "forgiven"}));
    if (known) {
        return "";
    }
    return Among(action, {"reload", "check", "uses", "forgive", "summary", "carried"}) ? outcome : action;
}

}  // namespace

bool RecordReading::ReadBack(const std::filesystem::path& file) {
    const std::size_t number = files_++;
    BackwardLines lines(file);
    std::size_t fromEnd = 0;
    while (const auto line = lines.Previous()) {
        ++lines_;
        const LineAge age{number, fromEnd++};
        auto entry = ParseAuditEntry(*line);
        if (!entry) {
            ++skipped_;
            continue;
        }
        if (const std::string unknown = Unknown(*entry); !unknown.empty()) {
            ++passedOver_[unknown];
            continue;
        }
        const bool forgive = entry->outcome == "forgiven";
        const bool original =
            forgive ? entry->action == "forgive" : entry->action.empty() && entry->outcome == "granted";
        const auto carries =
            entry->action == "carried" && entry->carries ? ParseHash(*entry->carries) : std::nullopt;
        // A carried line names the line it stands for, and a use's its names;
        // a forgive line (and its carried line) names whom it forgave. One
        // that doesn't is skipped as broken, and its time, like an unreadable
        // line's, ends nothing.
        if ((entry->action == "carried" && (!carries || (!forgive && !entry->names))) ||
            (forgive && !entry->forgiven)) {
            ++skipped_;
            continue;
        }
        if (entry->time < stopBefore_) {
            return false;
        }
        if (entry->action == "reload" && entry->previousAuditLog) {
            previousFiles_.push_back(std::move(*entry->previousAuditLog));
        }
        if ((!original && !carries) || entry->time < since_) {
            continue;
        }
        const std::uint64_t hash = carries ? *carries : LineHash(*line);
        if (forgive) {
            Forgive(*entry, hash, age);
            continue;
        }
        RecordedUse use{entry->time, entry->steamId,
                        entry->names ? std::move(*entry->names) : ReadChain(entry->command, wrappers_).names,
                        std::move(entry->server)};
        if (carries) {
            uses_.AddCarried(hash, use, age);
        } else {
            uses_.AddLine(hash, use, age);
        }
    }
    return true;
}

void RecordReading::Forgive(const AuditEntry& entry, std::uint64_t hash, LineAge age) {
    const auto [found, added] =
        forgives_.try_emplace(hash, RecordedForgive{entry.time, entry.steamId, *entry.forgiven,
                                                    entry.forgivenName, entry.server, hash, age});
    found->second.age = std::max(found->second.age, age);
}

std::vector<RecordedUses::Counted> RecordReading::Unforgiven() const {
    const std::vector<RecordedForgive> forgives = Forgives();
    std::vector<RecordedUses::Counted> uses = uses_.Each();
    forgiven_ = 0;
    std::erase_if(uses, [&](const RecordedUses::Counted& counted) {
        const bool forgiven = std::any_of(
            forgives.begin(), forgives.end(),
            [&](const RecordedForgive& forgive) { return forgive.Forgives(counted.said[0], counted.age); });
        forgiven_ += forgiven ? counted.times : 0;
        return forgiven;
    });
    return uses;
}

std::vector<RecordedForgive> RecordReading::Forgives() const {
    std::vector<RecordedForgive> forgives;
    for (const auto& [hash, forgive] : forgives_) {
        forgives.push_back(forgive);
    }
    std::sort(forgives.begin(), forgives.end(),
              [](const RecordedForgive& a, const RecordedForgive& b) { return a.age > b.age; });
    return forgives;
}

}  // namespace Corvane
