// One recorded /cheat decision decided again under another configuration, by
// the plugin's own decision function (core/gate/Decision.h), with the
// permissions plugin's answers taken from the record and the history of
// granted uses (cooldowns, use limits) replayed over the record's own times.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "core/audit/AuditEntry.h"
#include "core/gate/Decision.h"
#include "core/history/UseHistory.h"
#include "core/settings/Settings.h"

namespace DevHost {

// The outcome of a decision the record can't tell.
inline constexpr const char* kUnknown = "unknown";

// The record's time on the history's clock; none for a time the clock
// can't hold with the longest window after it (about 260 years either side
// of 1970: 1710 to 2230).
std::optional<Corvane::UseHistory::Clock::time_point> ReplayTime(std::chrono::sys_seconds time);

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

// The record's times are to the second, so a use's time and the start of
// what it holds back are each known within a second. A replayed use counts
// from the end of its second (Corvane::CountsFrom); when less than two
// seconds of a cooldown or a use limit's wait are left, the record can't tell
// whether it had ended, and a use recorded as granted stands.
//
// Nothing is guessed: a use that can't be told may have been granted, so
// later uses it could have held back can't be told either; and a use held
// back by uses before the record, which the record neither holds nor
// carries, can't be told.
class Replayer {
public:
    explicit Replayer(const Corvane::Settings& settings);

    // Entries are given oldest first, each at its ReplayTime: a granted one
    // goes into the history.
    Replayed Replay(const Corvane::AuditEntry& entry, Corvane::UseHistory::Clock::time_point now);
    // A granted use of name (the innermost) the record holds only as a line
    // carried over at a rotation, of a time ReplayTime holds: a use from
    // before the record.
    void Carried(std::uint64_t steamId, const std::string& name, std::chrono::sys_seconds time);
    // A forgive line: the player's uses of name (every name when empty) so far are forgiven.
    void Forgive(std::uint64_t steamId, const std::string& name);

private:
    using Clock = Corvane::UseHistory::Clock;
    using Key = std::pair<std::uint64_t, std::string>;
    // What the configuration makes fail at every granted use: a LogMsg or a
    // PrintToChat that can't be read, or a LogMsg the formatting library rejects.
    struct UseFailures {
        std::optional<std::string> logMsg;
        std::optional<std::string> printToChat;
    };
    static UseFailures FailuresAtUse(const Corvane::Settings& settings);

    // name: the innermost command's, under which the history keeps the use.
    Replayed Decided(const Corvane::AuditEntry& entry, Clock::time_point now, const std::string& name);
    Corvane::Decision Decide(const Corvane::AuditEntry& entry, Clock::time_point at,
                             const Corvane::UseHistory& history) const;
    // How long the entry's own values hold the player back at now.
    Clock::duration HeldFor(const Corvane::AuditEntry& entry, const std::string& name,
                            Clock::time_point now) const;
    // Why the decision depends on text past the part of the command the record
    // holds (held), when it does.
    std::optional<std::string> ReadsPastTheRecord(WideStringView held,
                                                  const Corvane::Decision& decision) const;
    // The use replay can't decide, and the use it might have been.
    Replayed Unknown(const Corvane::AuditEntry& entry, Clock::time_point now, const std::string& name,
                     std::string reason, std::string permission);
    // The granted uses the record shows that a use held back needs, under the new settings.
    std::size_t UsesNeeded(const std::string& recordedOutcome, const std::string& name) const;

    const Corvane::Settings& settings_;
    const UseFailures failures_;
    // The uses replayed as granted; and those with the uses replay can't
    // tell, as if each had been granted.
    Corvane::UseHistory history_;
    Corvane::UseHistory possible_;
    // Until when an undecided use may hold the player back.
    std::map<Key, Clock::time_point> mayHoldUntil_;
    // How many of the player's uses of the name the record shows granted.
    std::map<Key, std::size_t> recordedGrants_;
};

}  // namespace DevHost
