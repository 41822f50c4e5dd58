// The chat command /cheat: a player runs a console command when the
// permissions plugin grants "Cheat." followed by the command's first word
// (the decisions are in CheatUse.h).
#pragma once

#include "engine/FString.h"
#include "host/EngineObjects.h"

namespace Corvane {

void RegisterCheatCommand();
void UnregisterCheatCommand();

// The registered handler. The framework calls it with the whole chat line,
// command word included; it may change the line in place. Nothing leaves it:
// an error is written to the plugin's log, in one line, at error level, since
// an exception unwinding through the host's frames could take the server down.
void HandleCheatCommand(AShooterPlayerController* player, FString* message,
                        EChatSendMode::Type mode) noexcept;

}  // namespace Corvane
