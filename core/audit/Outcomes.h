// The outcomes a /cheat line's audit line is recorded with, named once: the
// gate writes them, and every reader of the record (the restore, replay, the
// report) knows a line by them.
#pragma once

#include <algorithm>
#include <array>
#include <string_view>

namespace Corvane {

// The decision's outcomes, in the order of the gate's Outcome (Decision.h).
// "failed" is also what stopped a use the decision let through.
inline constexpr std::array<std::string_view, 7> kDecisionOutcomes = {
    "rejected", "denied", "refused", "failed", "cooldown", "limit", "granted"};

// A /cheat line's outcome this version writes.
inline bool IsDecisionOutcome(std::string_view outcome) {
    return std::find(kDecisionOutcomes.begin(), kDecisionOutcomes.end(), outcome) != kDecisionOutcomes.end();
}

// The outcomes that turn the player away, flood control's (FloodControl.h).
inline bool IsTurnAway(std::string_view outcome) {
    return outcome == "refused" || outcome == "rejected" || outcome == "denied" || outcome == "cooldown" ||
           outcome == "limit";
}

// The outcomes of a line the history held back.
inline bool IsHeldBack(std::string_view outcome) {
    return outcome == "cooldown" || outcome == "limit";
}

}  // namespace Corvane
