#include "core/audit/RecordReading.h"

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string_view>

#include "core/audit/AuditEntry.h"
#include "core/audit/BackwardLines.h"
#include "core/text/CommandText.h"

namespace Corvane {
namespace {

constexpr std::array<std::string_view, 6> kCheatOutcomes = {"granted", "refused",  "rejected",
                                                            "denied",  "cooldown", "failed"};

bool Among(std::string_view name, std::initializer_list<std::string_view> names) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The outcome or action of the entry that this version does not know; empty
// when it knows both.
std::string Unknown(const AuditEntry& entry) {
    const std::string& outcome = entry.outcome;
    if (entry.action.empty()) {
        return std::find(kCheatOutcomes.begin(), kCheatOutcomes.end(), outcome) != kCheatOutcomes.end()
                   ? ""
                   : outcome;
    }
    const std::string& action = entry.action;
    const bool known = (action == "reload" && Among(outcome, {"reloaded", "failed", "refused"})) ||
                       (action == "check" && outcome == "refused") ||
                       (action == "summary" && outcome == "omitted") ||
                       (action == "carried" && outcome == "granted");
    if (known) {
        return "";
    }
    return Among(action, {"reload", "check", "summary", "carried"}) ? outcome : action;
}

}  // namespace

bool RecordReading::ReadBack(const std::filesystem::path& file) {
    const std::size_t number = files_++;
    BackwardLines lines(file);
    while (const auto line = lines.Previous()) {
        ++lines_;
        auto entry = ParseAuditEntry(*line);
        if (!entry) {
            ++skipped_;
            continue;
        }
        if (const std::string unknown = Unknown(*entry); !unknown.empty()) {
            ++passedOver_[unknown];
            continue;
        }
        if (entry->time < stopBefore_) {
            return false;
        }
        if (entry->action == "reload" && entry->previousAuditLog) {
            previousFiles_.push_back(std::move(*entry->previousAuditLog));
        }
        const bool original = entry->action.empty() && entry->outcome == "granted";
        const auto carries =
            entry->action == "carried" && entry->carries ? ParseHash(*entry->carries) : std::nullopt;
        if (entry->action == "carried" && (!carries || !entry->names)) {
            ++skipped_;  // a carried line names its use and the line it stands for
            continue;
        }
        if ((!original && !carries) || entry->time < since_) {
            continue;
        }
        RecordedUse use{entry->time, entry->steamId,
                        entry->names ? std::move(*entry->names) : ReadChain(entry->command, wrappers_).names,
                        std::move(entry->server)};
        if (carries) {
            uses_.AddCarried(number, *carries, use);
        } else {
            uses_.AddLine(LineHash(*line), use);
        }
    }
    return true;
}

}  // namespace Corvane
