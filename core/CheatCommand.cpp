#include "core/CheatCommand.h"

#include <exception>
#include <string_view>

#include "core/Config.h"
#include "core/PermissionsPlugin.h"
#include "core/PluginLog.h"
#include "engine/Colour.h"
#include "engine/FromFormat.h"
#include "engine/Messaging.h"
#include "engine/Resolve.h"
#include "engine/WideText.h"
#include "host/EngineFunctions.h"
#include "host/Velkor.h"

namespace Corvane {

namespace {

constexpr std::string_view kPrefix = "/cheat ";

// The engine console runs one line as several commands, split at '|' and at
// line breaks, but only the first word is checked: such a text could run
// commands the player was never granted.
bool IsChained(WideStringView command) {
    return command.find_first_of(WIDE("|\r\n")) != WideStringView::npos;
}

// The log text is shown to players through a format text; doubling its braces
// makes them see exactly what the gameplay log gets.
WideString DoubleBraces(WideStringView text) {
    WideString escaped;
    escaped.reserve(text.size());
    for (const WideChar c : text) {
        escaped += c;
        if (c == '{' || c == '}') {
            escaped += c;
        }
    }
    return escaped;
}

void Refuse(const IApiUtils& api, AShooterPlayerController* player) {
    const FString sender = FString::FromWide(Config::GetMessageText("Sender").CStr());
    const FString refusal = Config::GetMessageText("NoPermissions");
    ChatToPlayer(api, player, sender, refusal.CStr());
}

void RunGranted(const IApiUtils& api, AShooterPlayerController* player, FString& command) {
    // Everything that can fail comes before the command runs, so that no
    // command ever runs without its gameplay-log entry.
    const FString characterName = api.GetCharacterName(player);
    const FString logFormat = Config::GetMessageText("LogMsg");
    FString logText = FromFormat(logFormat.CStr(), characterName.View(), command.View());
    const bool printToChat = Config::PrintToChat();

    FString output;
    Engine::ResolveFunction<EngineFunctions::ConsoleCommand>("AShooterPlayerController.ConsoleCommand")(
        player, &output, &command, true);
    // The command has run: its gameplay-log entry is written even when the
    // announcement fails, and the announcement's error is passed on after it.
    std::exception_ptr announcementError;
    if (printToChat) {
        try {
            BroadcastToAll(api, ToLinear(kAnnouncementColour), DoubleBraces(logText.View()).c_str());
        } catch (...) {
            announcementError = std::current_exception();
        }
    }
    Engine::ResolveFunction<EngineFunctions::PrintToGameplayLog>("AShooterGameMode.PrintToGameplayLog")(
        api.CurrentGameMode(), &logText);
    if (announcementError) {
        std::rethrow_exception(announcementError);
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

void HandleCheatCommand(AShooterPlayerController* player, FString* message, EChatSendMode::Type) {
    TEngineArray<FString> words;
    if (SplitOnBlank(*message, words) < 2) {
        return;
    }
    const IApiUtils& api = Velkor::GetApiUtils();
    const std::uint64_t steamId = api.GetSteamIdFromController(player);

    const WideStringView line = message->View();
    const WideStringView command = line.substr(std::min(kPrefix.size(), line.size()));
    if (IsChained(command)) {
        PluginLog()->warn("Refused chained command from {}: {}", steamId, Engine::ToPrintableUtf8(command));
        Refuse(api, player);
        return;
    }

    const bool granted = PermissionsPlugin::IsPlayerHasPermission(
        steamId, Concat(FString::FromNarrow("Cheat."), words.Data[1]));
    if (!granted) {
        Refuse(api, player);
        return;
    }
    if (!StripPrefixNoCase(*message, FString::FromNarrow(kPrefix))) {
        return;
    }
    RunGranted(api, player, *message);
}

}  // namespace Corvane
