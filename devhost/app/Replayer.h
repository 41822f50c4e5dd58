// One recorded /cheat decision decided again under another configuration, by
// the plugin's own decision function (core/Decision.h), with the permissions
// plugin's answers taken from the record and the cooldowns replayed over the
// record's own times.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "core/AuditEntry.h"
#include "core/Cooldowns.h"
#include "core/Settings.h"

namespace DevHost {

// The outcome of a decision the record can't tell.
inline constexpr const char* kUnknown = "unknown";

// The record's time on the cooldown table's clock; none for a time beyond
// what that clock holds (about 292 years either side of 1970).
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
    // Granted: who would see the announcement ("all", "admins", "none");
    // unset when PrintToChat decides and can't be read.
    std::optional<std::string> announce;
};

class Replayer {
public:
    explicit Replayer(const Corvane::Settings& settings) : settings_(settings) {}

    // Entries are given oldest first, each at its ReplayTime: a granted one
    // starts its cooldown.
    Replayed Replay(const Corvane::AuditEntry& entry, Corvane::Cooldowns::Clock::time_point now);

private:
    const Corvane::Settings& settings_;
    Corvane::Cooldowns cooldowns_;
};

}  // namespace DevHost
