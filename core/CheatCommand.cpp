#include "core/CheatCommand.h"

#include <exception>
#include <string_view>

#include "core/CheatUse.h"
#include "core/PluginLog.h"
#include "engine/WideText.h"
#include "host/Velkor.h"

namespace Corvane {
namespace {

void LogError(std::string_view what) {
    try {
        PluginLog()->error(std::string_view(Engine::EscapeForLog(what)));
    } catch (...) {
        // Nowhere left to say it; the server goes on.
    }
}

}  // namespace

void RegisterCheatCommand() {
    const FString command = FString::FromNarrow("/cheat");
    Velkor::GetCommands().RegisterChatCommand(command, ChatCommandCallback(&HandleCheatCommand));
}

void UnregisterCheatCommand() {
    const FString command = FString::FromNarrow("/cheat");
    Velkor::GetCommands().UnregisterChatCommand(command);
}

void HandleCheatCommand(AShooterPlayerController* player, FString* message, EChatSendMode::Type) noexcept {
    try {
        HandleCheatLine(player, *message);
    } catch (const std::exception& error) {
        LogError(error.what());
    } catch (...) {
        LogError(kUnknownFailure);
    }
}

}  // namespace Corvane
