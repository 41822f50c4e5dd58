// One use of /cheat, from the chat line to its effects. The decisions come in
// this order, and a line turned away at one of them gets that step's private
// reply, an audit line, and nothing after:
//
//   1. one printable line   rejected: the refusal, and a warning in the log
//   2. deny list            denied: the refusal
//   3. permission           refused: the refusal
//   4. cooldown             cooldown: the cooldown message
//   5. everything the use's record needs, resolved and checked
//                           failed: the error, in the log
//   6. audit line           (when it can't be written: the refusal, and the error)
//   7. the command runs
//   8. the announcement, as configured
//   9. the gameplay-log entry
#pragma once

#include "engine/FString.h"
#include "host/EngineObjects.h"

namespace Corvane {

// Errors of the configuration lookups, the formatting library, the engine
// and the permissions plugin pass to the caller, recorded in the audit line
// as "failed" when they stopped the use before it ran.
void HandleCheatLine(AShooterPlayerController* player, FString& message);

// What is said of an exception that is not a standard one, which has no text.
inline constexpr const char* kUnknownFailure = "/cheat failed with an exception that is not a standard one";

}  // namespace Corvane
