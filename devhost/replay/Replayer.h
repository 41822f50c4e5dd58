// One recorded /cheat decision decided again under another configuration, by
// the plugin's own decision function (core/gate/Decision.h), with the permissions
// plugin's answers taken from the record and the cooldowns replayed over the
// record's own times.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "core/audit/AuditEntry.h"
#include "core/gate/Decision.h"
#include "core/history/Cooldowns.h"
#include "core/settings/Settings.h"

namespace DevHost {

// The outcome of a decision the record can't tell.
inline constexpr const char* kUnknown = "unknown";

// The record's time on the cooldown table's clock; none for a time the clock
// can't hold with the longest cooldown after it (about 260 years either side
// of 1970: 1710 to 2230).
std::optional<Corvane::Cooldowns::Clock::time_point> ReplayTime(std::chrono::sys_seconds time);

// One of the outcomes a /cheat decision is recorded with.
bool IsDecisionOutcome(const std::string& outcome);

struct Replayed {
    // An audit line's outcome, or "unknown" when the record can't tell.
    std::string outcome;
    // Why, in a few words: the decision's reason, or what the record lacks.
    std::string reason;
    // The argument rule that decided, when one did.
    std::string rule;
    // Unknown: the permission whose answer the record does not hold.
    std::string permission;
    // Granted: who would see the announcement ("all", "admins", "none").
    std::optional<std::string> announce;
};

// The record's times are to the second, so a use's time and a cooldown's
// start are each known within a second. A replayed cooldown starts at the end
// of its use's second; when less than two seconds of it are left, the record
// can't tell whether it had ended, and a use recorded as granted stands.
//
// Nothing is guessed: a use that can't be told may have started a cooldown,
// so later uses it could have held back can't be told either; and a use held
// back by a cooldown that started before the record, by no use the record
// holds or carries, can't be told.
class Replayer {
public:
    explicit Replayer(const Corvane::Settings& settings)
        : settings_(settings), failures_(FailuresAtUse(settings)) {}

    // Entries are given oldest first, each at its ReplayTime: a granted one
    // starts its cooldown.
    Replayed Replay(const Corvane::AuditEntry& entry, Corvane::Cooldowns::Clock::time_point now);
    // A granted use of name (the innermost) the record holds only as a line
    // carried over at a rotation, at its ReplayTime: it starts its cooldown
    // with the new length, as a use from before the record.
    void Carried(std::uint64_t steamId, const std::string& name, Corvane::Cooldowns::Clock::time_point at);

private:
    using Clock = Corvane::Cooldowns::Clock;
    using Key = std::pair<std::uint64_t, std::string>;
    // What the configuration makes fail at every granted use: a LogMsg or a
    // PrintToChat that can't be read, or a LogMsg the formatting library rejects.
    struct UseFailures {
        std::optional<std::string> logMsg;
        std::optional<std::string> printToChat;
    };
    static UseFailures FailuresAtUse(const Corvane::Settings& settings);

    // name: the innermost command's, whose cooldown the use starts.
    Replayed Decided(const Corvane::AuditEntry& entry, Clock::time_point now, const std::string& name);
    // Why the decision depends on text past the part of the command the record
    // holds (held), when it does.
    std::optional<std::string> ReadsPastTheRecord(WideStringView held,
                                                  const Corvane::Decision& decision) const;
    // The use replay can't decide, and the cooldown it might have started.
    Replayed Unknown(const Corvane::AuditEntry& entry, Clock::time_point now, const std::string& name,
                     std::string reason, std::string permission);
    Clock::duration CooldownOf(const std::string& name) const;

    const Corvane::Settings& settings_;
    const UseFailures failures_;
    Corvane::Cooldowns cooldowns_;
    // Until when an undecided use may have held the player back.
    std::map<Key, Clock::time_point> mayHoldUntil_;
    // The player's uses of the name that the record shows granted.
    std::set<Key> recordedGrant_;
};

}  // namespace DevHost
