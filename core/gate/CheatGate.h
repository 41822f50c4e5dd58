// The /cheat gate: one chat line, from the decision (Decision.h) to its
// effects. The steps and their order are those of the README's "What happens
// to a /cheat line", the one place they are written: a line turned away (by
// the line rule, the deny list, the permission, an argument rule, a cooldown
// or a use limit) gets its private reply and an audit line, and nothing
// after; a granted one is checked whole, recorded, run, announced and logged,
// in that order.
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
