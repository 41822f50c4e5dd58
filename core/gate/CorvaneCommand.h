// The chat command /corvane, the operators' own:
//
//   /corvane reload           needs Corvane.Reload: reads config.json again, as a
//                             load does; good settings replace the running ones at
//                             once (cooldowns are kept), a file with an error
//                             changes nothing
//   /corvane check <command>  needs Corvane.Check: tells the player, privately,
//                             what /cheat <command> would do for them now, step
//                             by step, without doing any of it
//
// A player without the permission gets the usual refusal; anything else after
// /corvane gets a usage line. Every use but a check is audited, with "action"
// in place of "command".
#pragma once

#include "core/gate/PluginState.h"
#include "engine/FString.h"
#include "host/EngineObjects.h"

namespace Corvane {

void HandleCorvaneLine(PluginState& state, AShooterPlayerController* player, const FString& message);

}  // namespace Corvane
