// The plugin's chat commands, /cheat (CheatGate.h) and /corvane
// (CorvaneCommand.h), registered with the framework at load and removed at
// unload, and their handlers' boundary: nothing leaves a handler. An error is
// written to the plugin's log, in one line, at error level, since an
// exception unwinding through the host's frames could take the server down.
#pragma once

#include "engine/FString.h"
#include "host/EngineObjects.h"

namespace Corvane {

// /cheat, then /corvane; when the second can't be registered, the first is
// removed again before the error passes on.
void RegisterChatCommands();
// Both, whatever the first answers; the first error passes on.
void UnregisterChatCommands();

// The registered handlers. The framework calls them with the whole chat line,
// command word included; they may change the line in place. They do nothing
// while the plugin is not loaded.
void HandleCheatCommand(AShooterPlayerController* player, FString* message,
                        EChatSendMode::Type mode) noexcept;
void HandleCorvaneCommand(AShooterPlayerController* player, FString* message,
                          EChatSendMode::Type mode) noexcept;

}  // namespace Corvane
