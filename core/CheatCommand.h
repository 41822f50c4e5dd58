// The chat command /cheat: a player runs a console command when the
// permissions plugin grants "Cheat." followed by the command's first word.
#pragma once

#include "engine/FString.h"
#include "host/EngineObjects.h"

namespace Corvane {

void RegisterCheatCommand();
void UnregisterCheatCommand();

// The framework calls this with the whole chat line, command word included;
// it may change the line in place. Errors of the configuration lookups, the
// formatting library and the engine pass to the caller.
void HandleCheatCommand(AShooterPlayerController* player, FString* message, EChatSendMode::Type mode);

}  // namespace Corvane
