// The chat command /corvane, the operators' own:
//
//   /corvane reload           needs Corvane.Reload: reads config.json again, as a
//                             load does; good settings replace the running ones at
//                             once (the history is kept), a file with an error
//                             changes nothing
//   /corvane check <command>  needs Corvane.Check: tells the player, privately,
//                             what /cheat <command> would do for them now, step
//                             by step, without doing any of it
//   /corvane uses <player>    needs Corvane.Uses: tells the player, privately, the
//                             cooldowns and use limits running for that player
//   /corvane forgive <player> [command]
//                             needs Corvane.Forgive: clears that player's uses of
//                             the command, or of every command, from the history
//
// The player is a Steam id or the exact character name of one connected
// player (PlayerUses.h); any other name changes nothing, and the reply lists
// the players it matches. A player without the permission gets the usual
// refusal; anything else after /corvane gets a usage line. Every use but a
// check and a granted uses is audited, with "action" in place of "command".
#pragma once

#include "core/gate/PluginState.h"
#include "engine/FString.h"
#include "host/EngineObjects.h"

namespace Corvane {

void HandleCorvaneLine(PluginState& state, AShooterPlayerController* player, const FString& message);

}  // namespace Corvane
