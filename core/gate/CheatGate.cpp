#include "core/gate/CheatGate.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "core/gate/Decision.h"
#include "core/gate/Replies.h"
#include "core/gate/UseFailure.h"
#include "core/text/CommandText.h"
#include "core/text/ExceptionText.h"
#include "core/text/PluginLog.h"
#include "core/text/TimeInWords.h"
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
    PreparedBroadcast broadcast;
};

class Use {
public:
    Use(PluginState& state, const IApiUtils& api, AShooterPlayerController* player)
        : state_(state), settings_(state.settings), api_(api), player_(player) {}

    void Run(FString& message);

private:
    void Apply(FString& message, const Decision& decision);
    bool Ask(WideStringView permission);
    void RunGranted(FString& command, const Decision& decision);
    Prepared Prepare(const FString& command, const Decision& decision);
    void SendAnnouncement(const Prepared& prepared);
    void Reply(const Decision& decision);
    void SendHeldBack(const LookedUp<WideString>& message, const Decision& decision);
    // Appends the audit line when the audit file is on; false when it can't
    // be written (the error is then in the log). A line turned away records
    // the decision's rule and reading.
    bool Audit(std::string_view outcome, WideStringView command, const std::string& error = {},
               const Decision* denial = nullptr);

    PluginState& state_;
    const std::shared_ptr<const Settings> settings_;
    const IApiUtils& api_;
    AShooterPlayerController* player_;
    UseFailure failure_;
    std::optional<std::uint64_t> steamId_;
    // The text after the prefix, as the line came (the line itself loses its
    // prefix when the use is granted).
    WideString command_;
    // The first permission asked: the command's own.
    std::optional<WideString> permission_;
    // The questions asked after it, with their answers.
    std::vector<PermissionAnswer> asked_;
    // The names the console runs, once read.
    std::optional<std::vector<std::string>> names_;
    std::optional<FString> characterName_;
    bool audited_ = false;
    bool ran_ = false;
};

void Use::Run(FString& message) {
    const WideStringView line = WholeText(message);
    command_ = line.substr(std::min(kPrefix.size(), line.size()));
    try {
        // The line rule looks at the whole text first: a word hidden behind a
        // NUL ("/cheat \0quit|fly") is no reason to pass over a line in silence.
        TEngineArray<FString> words;
        const std::int32_t count = SplitOnBlank(message, words);
        if (count < 2 && IsOnePrintableLine(command_)) {
            return;
        }
        steamId_ = api_.GetSteamIdFromController(player_);
        // The other servers' uses first, as far as they have come.
        state_.CheckFeed();
        const GateLine gateLine{command_, count >= 2 ? words.Data[1].View() : WideStringView(),
                                StartsWithNoCase(line, kPrefix), *steamId_, UseHistory::Clock::now()};
        const AskPermission ask = [this](WideStringView permission) { return Ask(permission); };
        const Decision decision = Decide({gateLine, *settings_, state_.history, ask});
        if (decision.outcome != Outcome::Rejected) {
            names_ = decision.chain;
        }
        Apply(message, decision);
    } catch (...) {
        const std::string what = CurrentExceptionText();
        if (!names_ && IsOnePrintableLine(command_)) {
            names_ = ReadChain(command_, settings_->wrappers).names;
        }
        if (!audited_ && !ran_) {
            Audit("failed", command_, what);
        }
        PluginLog()->error(std::string_view(
            failure_.Describe(what, steamId_.value_or(0), "command " + QuotedExcerpt(command_))));
    }
}

bool Use::Ask(WideStringView permission) {
    WideString text(permission);
    const bool first = !permission_;
    if (first) {
        permission_ = text;
    }
    const bool held = state_.permissions.IsPlayerHasPermission(*steamId_, FString::FromWide(text.c_str()));
    if (!first) {
        asked_.push_back({std::move(text), held});
    }
    return held;
}

void Use::Apply(FString& message, const Decision& decision) {
    if (decision.outcome == Outcome::Rejected) {
        PluginLog()->warn("Refused {} command from {}: {}", decision.chained ? "chained" : "unprintable",
                          *steamId_, LogExcerpt(command_, kWarningExcerpt));
    }
    if (decision.outcome != Outcome::Granted) {
        Audit(OutcomeName(decision.outcome), command_,
              decision.outcome == Outcome::NoPrefix ? decision.reason : "", &decision);
        Reply(decision);
        return;
    }
    StripPrefixNoCase(message, FString::FromNarrow(kPrefix));
    RunGranted(message, decision);
}

void Use::Reply(const Decision& decision) {
    const Messages& messages = settings_->messages;
    switch (decision.reply) {
        case Reply::None: return;
        case Reply::Refusal:
            SendConfiguredReply(api_, player_, *settings_, messages.noPermissions, failure_);
            return;
        case Reply::Denial: SendConfiguredReply(api_, player_, *settings_, messages.denied, failure_); return;
        case Reply::Cooldown: SendHeldBack(messages.cooldown, decision); return;
        case Reply::Limit: SendHeldBack(messages.limit, decision); return;
    }
}

// The fields of Messages.Cooldown and Messages.Limit: the seconds left, the
// command, the time left in words, and the limit's count and window in words.
void Use::SendHeldBack(const LookedUp<WideString>& message, const Decision& decision) {
    // Looked up first, as the refusal looks up its sender first.
    const FString sender = Sender(*settings_, failure_);
    const FString text = failure_.At(message.Member(), [&] {
        const FString format = MessageText(message);
        const auto wide = [](const std::string& ascii) { return WideString(ascii.begin(), ascii.end()); };
        const UseLimit* limit = decision.settings != nullptr && decision.settings->maxUses
                                    ? &*decision.settings->maxUses
                                    : nullptr;
        return FromFormat(
            format.CStr(), WideStringView(Decimal(static_cast<std::uint64_t>(SecondsLeft(decision.left)))),
            WideStringView(wide(decision.name)), WideStringView(wide(TimeInWords(decision.left))),
            WideStringView(limit != nullptr ? Decimal(limit->count) : WideString()),
            WideStringView(limit != nullptr ? wide(TimeInWords(limit->per)) : WideString()));
    });
    ChatToPlayer(api_, player_, sender, Engine::AsFormatText(text.View()).c_str());
}

void Use::RunGranted(FString& command, const Decision& decision) {
    Prepared prepared = Prepare(command, decision);
    characterName_ = std::move(prepared.characterName);
    if (!Audit("granted", command.View())) {
        SendConfiguredReply(api_, player_, *settings_, settings_->messages.noPermissions, failure_);
        return;
    }
    FString output;
    ran_ = true;
    prepared.consoleCommand(player_, &output, &command, true);
    state_.history.Add(*steamId_, decision.name, UseHistory::Clock::now());
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

Prepared Use::Prepare(const FString& command, const Decision& decision) {
    Prepared prepared;
    prepared.characterName = api_.GetCharacterName(player_);
    const LookedUp<WideString>& logMsg = settings_->messages.logMsg;
    prepared.logText = failure_.At(logMsg.Member(), [&] {
        const FString logFormat = MessageText(logMsg);
        return FromFormat(logFormat.CStr(), prepared.characterName.View(), command.View(),
                          WideStringView(Decimal(*steamId_)));
    });
    prepared.announce =
        failure_.At(settings_->printToChat.Member(), [&] { return AnnounceOf(decision, *settings_); });
    prepared.consoleCommand =
        Engine::ResolveFunction<EngineFunctions::ConsoleCommand>("AShooterPlayerController.ConsoleCommand");
    prepared.gameMode = api_.CurrentGameMode();
    if (prepared.gameMode == nullptr) {
        throw std::runtime_error("No current game mode");
    }
    prepared.printToGameplayLog =
        Engine::ResolveFunction<EngineFunctions::PrintToGameplayLog>("AShooterGameMode.PrintToGameplayLog");
    if (prepared.announce != Announce::None) {
        prepared.broadcast = PrepareBroadcast(api_);
    }
    return prepared;
}

void Use::SendAnnouncement(const Prepared& prepared) {
    if (prepared.announce == Announce::None) {
        return;
    }
    const WideString text = Engine::AsFormatText(prepared.logText.View());
    BroadcastFilter admins;
    if (prepared.announce == Announce::Admins) {
        admins = [this, seeAnnouncements = FString::FromNarrow("Corvane.SeeAnnouncements")](
                     AShooterPlayerController* player) {
            return state_.permissions.IsPlayerHasPermission(api_.GetSteamIdFromController(player),
                                                            seeAnnouncements);
        };
    }
    Broadcast(prepared.broadcast, ToLinear(kAnnouncementColour), text.c_str(), admins);
}

bool Use::Audit(std::string_view outcome, WideStringView command, const std::string& error,
                const Decision* denial) {
    audited_ = true;
    if (!state_.audit.File()) {
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
        record.names = names_;
        record.permission = permission_;
        record.asked = asked_;
        if (denial != nullptr) {
            record.rule = denial->rule;
            record.reading = denial->reading;
        }
        record.outcome = outcome;
        record.error = error;
        state_.Audit(state_.audit, record);
    } catch (const std::exception& failure) {
        PluginLog()->error(std::string_view(Engine::EscapeForLog(failure.what())));
        return false;
    }
    return true;
}

}  // namespace

void HandleCheatLine(PluginState& state, AShooterPlayerController* player, FString& message) {
    Use(state, Velkor::GetApiUtils(), player).Run(message);
}

}  // namespace Corvane
