#include "core/CheatUse.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <string>
#include <string_view>

#include "core/AuditLog.h"
#include "core/CommandText.h"
#include "core/Config.h"
#include "core/Controls.h"
#include "core/Cooldowns.h"
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
constexpr std::size_t kWarningExcerpt = 200;
// Longer cooldowns are held for this long; a duration of more would overflow the clock.
constexpr double kLongestCooldownSeconds = 1e9;
constexpr const char* kCooldownText = "You can use {1} again in {0} seconds.";

// Texts handed to the messaging operations are format texts; doubling the
// braces of an already formatted text makes players see it as it stands.
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

WideString Decimal(std::uint64_t value) {
    const std::string digits = std::to_string(value);
    return WideString(digits.begin(), digits.end());
}

// What a granted use needs before its command may run: whatever could fail
// afterwards and leave it unrecorded is resolved and checked here, anew for
// every use.
struct Prepared {
    EngineFunctions::ConsoleCommand consoleCommand = nullptr;
    FString characterName;
    FString logText;
    Announce announce = Announce::None;
    AShooterGameMode* gameMode = nullptr;
    EngineFunctions::PrintToGameplayLog printToGameplayLog = nullptr;
};

Announce DecideAnnounce(const CommandSettings* settings) {
    if (settings != nullptr && settings->announce) {
        return *settings->announce;
    }
    return Config::PrintToChat() ? Announce::All : Announce::None;
}

// The announcement reaches players through the world's list, the weak
// references in it and the chat function: all must be there.
void CheckAnnouncementCanBeSent(const IApiUtils& api) {
    UWorld* world = api.CurrentWorld();
    if (world == nullptr) {
        throw std::runtime_error("No current world");
    }
    Engine::ResolveField<TEngineArray<FWeakObjectPtr>>(world, "UWorld.PlayerControllerList");
    Engine::ResolveFunction<EngineFunctions::ClientServerChatDirectMessage>(
        "AShooterPlayerController.ClientServerChatDirectMessage");
    Engine::ResolveFunction<EngineFunctions::WeakObjectPtrGet>("FWeakObjectPtr.Get");
}

class Use {
public:
    Use(const IApiUtils& api, AShooterPlayerController* player) : api_(api), player_(player) {}

    void Run(FString& message);

private:
    void Decide(FString& message, const FString& permissionWord);
    void Reject(WideStringView command);
    void RunGranted(FString& command, const std::string& name, const CommandSettings* settings);
    Prepared Prepare(const FString& command, const CommandSettings* settings) const;
    void SendAnnouncement(const Prepared& prepared) const;
    void ReplyCooldown(const std::string& name, Cooldowns::Clock::duration left) const;
    void Refuse() const;
    // Appends the audit line when the audit file is on; false when it can't
    // be written (the error is then in the log).
    bool Audit(AuditOutcome outcome, WideStringView command, const std::string& error = {});

    const IApiUtils& api_;
    AShooterPlayerController* player_;
    std::optional<std::uint64_t> steamId_;
    // The text after the prefix, as the line came (the line itself loses its
    // prefix when the use is granted).
    WideString command_;
    std::optional<FString> permission_;
    std::optional<FString> characterName_;
    bool audited_ = false;
    bool ran_ = false;
};

void Use::Run(FString& message) {
    const WideStringView line = WholeText(message);
    command_ = line.substr(std::min(kPrefix.size(), line.size()));
    try {
        TEngineArray<FString> words;
        if (SplitOnBlank(message, words) < 2) {
            return;
        }
        steamId_ = api_.GetSteamIdFromController(player_);
        Decide(message, words.Data[1]);
    } catch (const std::exception& error) {
        if (!audited_ && !ran_) {
            Audit(AuditOutcome::Failed, command_, error.what());
        }
        throw;
    } catch (...) {
        if (!audited_ && !ran_) {
            Audit(AuditOutcome::Failed, command_, kUnknownFailure);
        }
        throw;
    }
}

void Use::Decide(FString& message, const FString& permissionWord) {
    const WideStringView command = command_;
    if (!IsOnePrintableLine(command)) {
        Reject(command);
        return;
    }
    const std::string name = ConsoleName(command);
    if (LoadedControls().Denies(name)) {
        Audit(AuditOutcome::Denied, command);
        Refuse();
        return;
    }
    permission_ = Concat(FString::FromNarrow("Cheat."), permissionWord);
    if (!PermissionsPlugin::IsPlayerHasPermission(*steamId_, *permission_)) {
        Audit(AuditOutcome::Refused, command);
        Refuse();
        return;
    }
    if (!StripPrefixNoCase(message, FString::FromNarrow(kPrefix))) {
        // A framework that routes lines its own way may hand over one without
        // the prefix: nothing to run, as ever, but the decision is recorded.
        Audit(AuditOutcome::Failed, command, "the line does not start with \"/cheat \"");
        return;
    }
    const CommandSettings* settings = LoadedControls().SettingsFor(name);
    const Cooldowns::Clock::duration left =
        TheCooldowns().Remaining(*steamId_, name, Cooldowns::Clock::now());
    if (left > Cooldowns::Clock::duration::zero() &&
        !PermissionsPlugin::IsPlayerHasPermission(*steamId_, FString::FromNarrow("Corvane.NoCooldown"))) {
        Audit(AuditOutcome::Cooldown, message.View());
        ReplyCooldown(name, left);
        return;
    }
    RunGranted(message, name, settings);
}

void Use::Reject(WideStringView command) {
    PluginLog()->warn("Refused {} command from {}: {}", IsChained(command) ? "chained" : "unprintable",
                      *steamId_, LogExcerpt(command, kWarningExcerpt));
    Audit(AuditOutcome::Rejected, command);
    Refuse();
}

void Use::RunGranted(FString& command, const std::string& name, const CommandSettings* settings) {
    Prepared prepared = Prepare(command, settings);
    characterName_ = prepared.characterName;
    if (!Audit(AuditOutcome::Granted, command.View())) {
        Refuse();
        return;
    }
    FString output;
    ran_ = true;
    prepared.consoleCommand(player_, &output, &command, true);
    if (settings != nullptr && settings->cooldownSeconds > 0) {
        const std::chrono::duration<double> length(
            std::min(settings->cooldownSeconds, kLongestCooldownSeconds));
        TheCooldowns().Start(*steamId_, name, std::chrono::duration_cast<Cooldowns::Clock::duration>(length),
                             Cooldowns::Clock::now());
    }
    // The command has run: its gameplay-log entry is written even when the
    // announcement fails, and the announcement's error is passed on after it.
    std::exception_ptr announcementError;
    try {
        SendAnnouncement(prepared);
    } catch (...) {
        announcementError = std::current_exception();
    }
    prepared.printToGameplayLog(prepared.gameMode, &prepared.logText);
    if (announcementError) {
        std::rethrow_exception(announcementError);
    }
}

Prepared Use::Prepare(const FString& command, const CommandSettings* settings) const {
    Prepared prepared;
    prepared.characterName = api_.GetCharacterName(player_);
    const FString logFormat = Config::GetMessageText("LogMsg");
    prepared.logText = FromFormat(logFormat.CStr(), prepared.characterName.View(), command.View(),
                                  WideStringView(Decimal(*steamId_)));
    prepared.announce = DecideAnnounce(settings);
    prepared.consoleCommand =
        Engine::ResolveFunction<EngineFunctions::ConsoleCommand>("AShooterPlayerController.ConsoleCommand");
    prepared.gameMode = api_.CurrentGameMode();
    if (prepared.gameMode == nullptr) {
        throw std::runtime_error("No current game mode");
    }
    prepared.printToGameplayLog =
        Engine::ResolveFunction<EngineFunctions::PrintToGameplayLog>("AShooterGameMode.PrintToGameplayLog");
    if (prepared.announce != Announce::None) {
        CheckAnnouncementCanBeSent(api_);
    }
    return prepared;
}

void Use::SendAnnouncement(const Prepared& prepared) const {
    const WideString text = DoubleBraces(prepared.logText.View());
    const FLinearRGBA yellow = ToLinear(kAnnouncementColour);
    if (prepared.announce == Announce::All) {
        BroadcastToAll(api_, yellow, text.c_str());
    } else if (prepared.announce == Announce::Admins) {
        const FString seeAnnouncements = FString::FromNarrow("Corvane.SeeAnnouncements");
        BroadcastTo(api_, yellow, text.c_str(), [&](AShooterPlayerController* player) {
            return PermissionsPlugin::IsPlayerHasPermission(api_.GetSteamIdFromController(player),
                                                            seeAnnouncements);
        });
    }
}

void Use::ReplyCooldown(const std::string& name, Cooldowns::Clock::duration left) const {
    const auto seconds = static_cast<std::uint64_t>(std::ceil(std::chrono::duration<double>(left).count()));
    const FString sender = FString::FromWide(Config::GetMessageText("Sender").CStr());
    const FString format = Config::GetMessageText("Cooldown", kCooldownText);
    const FString text = FromFormat(format.CStr(), WideStringView(Decimal(seconds)),
                                    WideStringView(WideString(name.begin(), name.end())));
    ChatToPlayer(api_, player_, sender, DoubleBraces(text.View()).c_str());
}

void Use::Refuse() const {
    const FString sender = FString::FromWide(Config::GetMessageText("Sender").CStr());
    const FString refusal = Config::GetMessageText("NoPermissions");
    ChatToPlayer(api_, player_, sender, refusal.CStr());
}

bool Use::Audit(AuditOutcome outcome, WideStringView command, const std::string& error) {
    audited_ = true;
    const std::string& configured = LoadedControls().AuditLog();
    if (configured.empty()) {
        return true;
    }
    // Never throws: a failure here must not take the place of the one being recorded.
    try {
        AuditRecord record;
        record.steamId = steamId_ ? *steamId_ : api_.GetSteamIdFromController(player_);
        if (!characterName_) {
            characterName_ = api_.GetCharacterName(player_);
        }
        record.character = Engine::ToUtf8(characterName_->View());
        record.command = WideString(command);
        if (permission_) {
            record.permission = WideString(permission_->View());
        }
        record.outcome = outcome;
        record.error = error;
        AppendAuditLine(AuditFilePath(configured), record);
    } catch (const std::exception& failure) {
        PluginLog()->error(std::string_view(Engine::EscapeForLog(failure.what())));
        return false;
    }
    return true;
}

}  // namespace

void HandleCheatLine(AShooterPlayerController* player, FString& message) {
    Use(Velkor::GetApiUtils(), player).Run(message);
}

}  // namespace Corvane
