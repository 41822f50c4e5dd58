#include "core/plugin/ChatCommands.h"

#include <exception>
#include <string_view>

#include "core/gate/CheatGate.h"
#include "core/gate/CorvaneCommand.h"
#include "core/gate/PluginState.h"
#include "core/text/ExceptionText.h"
#include "core/text/PluginLog.h"
#include "engine/WideText.h"
#include "host/Velkor.h"

namespace Corvane {
namespace {

constexpr std::string_view kCheat = "/cheat";
constexpr std::string_view kCorvane = "/corvane";

void LogCurrentError() noexcept {
    try {
        PluginLog()->error(std::string_view(Engine::EscapeForLog(CurrentExceptionText())));
    } catch (...) {
        // Nowhere left to say it; the server goes on.
    }
}

void Register(std::string_view command,
              void (*handler)(AShooterPlayerController*, FString*, EChatSendMode::Type)) {
    const FString text = FString::FromNarrow(command);
    Velkor::GetCommands().RegisterChatCommand(text, ChatCommandCallback(handler));
}

void Unregister(std::string_view command) {
    const FString text = FString::FromNarrow(command);
    Velkor::GetCommands().UnregisterChatCommand(text);
}

}  // namespace

void RegisterChatCommands() {
    Register(kCheat, &HandleCheatCommand);
    try {
        Register(kCorvane, &HandleCorvaneCommand);
    } catch (...) {
        Unregister(kCheat);
        throw;
    }
}

void UnregisterChatCommands() {
    std::exception_ptr failure;
    for (const std::string_view command : {kCheat, kCorvane}) {
        try {
            Unregister(command);
        } catch (...) {
            if (!failure) {
                failure = std::current_exception();
            }
        }
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void HandleCheatCommand(AShooterPlayerController* player, FString* message, EChatSendMode::Type) noexcept {
    try {
        if (PluginState* state = CurrentState()) {
            HandleCheatLine(*state, player, *message);
        }
    } catch (...) {
        LogCurrentError();
    }
}

void HandleCorvaneCommand(AShooterPlayerController* player, FString* message, EChatSendMode::Type) noexcept {
    try {
        if (PluginState* state = CurrentState()) {
            HandleCorvaneLine(*state, player, *message);
        }
    } catch (...) {
        LogCurrentError();
    }
}

}  // namespace Corvane
