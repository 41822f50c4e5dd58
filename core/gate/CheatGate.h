// The /cheat gate: one chat line, from the decision (Decision.h) to its
// effects, in this order. A line turned away gets its private reply and an
// audit line, and nothing after:
//
//   1. the decision: line rule, deny list, permission, cooldown
//                           (rejected also writes a warning to the log)
//   2. everything the use's record needs, resolved and checked
//                           failed: the error, in the log
//   3. audit line           (when it can't be written: the refusal, and the error)
//   4. the command runs, and its cooldown starts
//   5. the announcement, as configured
//   6. the gameplay-log entry
#pragma once

#include "core/gate/PluginState.h"
#include "engine/FString.h"
#include "host/EngineObjects.h"

namespace Corvane {

// An error of the settings, the formatting library, the engine or the
// permissions plugin ends the use: it is recorded in the audit line as
// "failed" when it stopped the use before it ran, and logged in one line
// naming the member of config.json that failed, the player and the command.
void HandleCheatLine(PluginState& state, AShooterPlayerController* player, FString& message);

}  // namespace Corvane
