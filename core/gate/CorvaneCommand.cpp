#include "core/gate/CorvaneCommand.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/gate/Decision.h"
#include "core/gate/PlayerUses.h"
#include "core/gate/Replies.h"
#include "core/gate/UseFailure.h"
#include "core/settings/AuditPath.h"
#include "core/settings/ConfigReader.h"
#include "core/text/CommandText.h"
#include "core/text/ExceptionText.h"
#include "core/text/PluginLog.h"
#include "core/text/TimeInWords.h"
#include "engine/WideText.h"
#include "host/Velkor.h"

namespace Corvane {
namespace {

constexpr std::string_view kUsage =
    "Usage: /corvane reload, /corvane check <command>, /corvane uses <player>, or /corvane forgive <player> "
    "[command]";

// A reload's audit files, after it and before it; none for one that is off.
struct ReloadFiles {
    const std::optional<std::filesystem::path>& after;
    const std::optional<std::filesystem::path>& before;

    bool Moved() const { return before && (!after || FileIdentity(*before) != FileIdentity(*after)); }
};
constexpr std::size_t kShownCharacters = 200;
// A permission or a name a player typed, as a reply shows it.
constexpr std::size_t kShownName = 100;
// A check's reply is at most this long in all, as a turn-away's audit line is.
constexpr std::size_t kMostReplyBytes = 4096;

WideString Wide(std::string_view utf8) {
    return Velkor::Tools::Utf8Decode(std::string(utf8));
}

std::string Plural(std::size_t count, const char* noun) {
    return count == 0 ? fmt::format("no {}s", noun)
                      : fmt::format("{} {}{}", count, noun, count == 1 ? "" : "s");
}

// The problems of a reading, each as the log names it, joined into one text.
std::string Listed(const SettingsReading& reading, ConfigProblem::Severity severity) {
    std::string listed;
    for (const ConfigProblem& problem : reading.problems) {
        if (problem.severity == severity) {
            listed += (listed.empty() ? "" : "; ") + DescribeForLog(problem);
        }
    }
    return listed;
}

std::string DescribeAnnouncement(const Decision& decision, const Settings& settings) {
    const auto who = [](Announce announce) {
        switch (announce) {
            case Announce::All: return "everyone";
            case Announce::None: return "nobody";
            case Announce::Admins: return "the players holding Corvane.SeeAnnouncements";
        }
        return "nobody";
    };
    try {
        return std::string("announcement: ") + who(AnnounceOf(decision, settings)) +
               (decision.announce ? ", as its entry in Commands says" : ", as PrintToChat says");
    } catch (const std::exception& error) {
        return std::string("announcement: PrintToChat can't be read, so the use would fail: ") + error.what();
    }
}

// The controls that remember, as the decision found them.
void DescribeHistory(const Decision& decision, std::vector<std::string>& lines) {
    if (decision.outcome == Outcome::Cooldown) {
        lines.push_back(fmt::format("cooldown: {} s left", SecondsLeft(decision.left)));
        return;
    }
    if (decision.outcome != Outcome::Limit && decision.outcome != Outcome::Granted) {
        return;
    }
    const CommandSettings* command = decision.settings;
    if (decision.outcome == Outcome::Granted) {
        const bool cools = command != nullptr && command->cooldown.count() > 0;
        lines.push_back(cools ? fmt::format("cooldown: none running; {} s after this use",
                                            std::chrono::duration<double>(command->cooldown).count())
                              : std::string("cooldown: none"));
    }
    if (command == nullptr || !command->maxUses || !decision.limit) {
        return;
    }
    const UseLimit& limit = *command->maxUses;
    const LimitAnswer& answer = *decision.limit;
    const std::string frees =
        answer.used == 0 ? "" : fmt::format("; the next frees up in {} s", SecondsLeft(answer.frees));
    lines.push_back(fmt::format("use limit: {} of {} uses left in {} s{}",
                                limit.count - std::min<std::size_t>(limit.count, answer.used), limit.count,
                                SecondsLeft(limit.per), frees));
}

const char* Verdict(Outcome outcome) {
    switch (outcome) {
        case Outcome::Rejected: return "be rejected";
        case Outcome::Denied: return "be denied";
        case Outcome::Refused: return "be refused";
        case Outcome::NoPrefix: return "run nothing";
        case Outcome::Cooldown: return "be held back";
        case Outcome::Limit: return "be held back by its use limit";
        case Outcome::Granted: return "run";
    }
    return "run nothing";
}

// A console name a player typed, as a reply shows it.
std::string Shown(const std::string& name) {
    return name.size() > kShownName ? name.substr(0, kShownName) + "..." : name;
}

// The names a wrapped line runs: the first few and the innermost.
std::string NamesRun(const std::vector<std::string>& chain) {
    constexpr std::size_t kMostNames = 16;
    std::vector<std::string> shown;
    for (std::size_t i = 0; i < chain.size(); ++i) {
        if (i + 1 < kMostNames || i + 1 == chain.size()) {
            shown.push_back(Shown(chain[i]));
        } else if (i + 1 == kMostNames) {
            shown.push_back(fmt::format("({} more)", chain.size() - kMostNames));
        }
    }
    return fmt::format("names run: {}", fmt::join(shown, ", then "));
}

// Each step the decision went through, with its answer, one line each.
std::vector<std::string> DescribeCheck(WideStringView command, const Decision& decision,
                                       const Settings& settings) {
    std::vector<std::string> lines{
        fmt::format("/cheat {} would {}: {}", LogExcerpt(command, kShownCharacters),
                    Verdict(decision.outcome), Engine::EscapeForLog(decision.reason))};
    if (decision.outcome == Outcome::Rejected) {
        return lines;
    }
    lines.push_back("line: one printable line");
    if (decision.chain.size() > 1) {
        lines.push_back(NamesRun(decision.chain));
    }
    if (!decision.deniedName.empty()) {
        lines.push_back("deny list: " + decision.deniedName + " is on it");
    } else {
        lines.push_back(decision.name.empty()
                            ? std::string("deny list: the console reads no command name here")
                        : decision.chain.size() > 1 ? std::string("deny list: none of them is on it")
                                                    : "deny list: " + Shown(decision.name) + " is not on it");
    }
    if (decision.rule == "/Wrappers") {
        lines.push_back("reading: " + Engine::EscapeForLog(decision.reason) + ": /Wrappers");
    }
    for (const PermissionAnswer& answer : decision.asked) {
        lines.push_back(fmt::format("permission {}: {}", LogExcerpt(answer.permission, kShownName),
                                    answer.held ? "held" : "not held"));
    }
    for (const RuleAnswer& answer : decision.ruleAnswers) {
        lines.push_back("argument rule: " + Engine::EscapeForLog(answer.what) + ": " +
                        (answer.rule.empty() ? std::string("passes") : Engine::EscapeForLog(answer.rule)));
    }
    DescribeHistory(decision, lines);
    if (decision.outcome == Outcome::Granted) {
        lines.push_back(DescribeAnnouncement(decision, settings));
    }
    return lines;
}

// The feed's age, and what that means for the decision above it.
std::string DescribeFeed(const ClusterFeed& feed, std::chrono::system_clock::time_point wallNow) {
    const ClusterFeed::Age age = feed.AgeAt(wallNow);
    const std::string heartbeat =
        age.age ? fmt::format("last heartbeat {} s ago", age.age->count()) : std::string("no heartbeat yet");
    const FeedCounts& counts = feed.Counts();
    return fmt::format("cluster feed: {}, {} (stale after {} s){}; {} read from it, {} skipped", heartbeat,
                       age.stale ? "stale" : "fresh", feed.Settings().staleAfter.count(),
                       age.stale ? ": this decision counts only the uses read before" : "",
                       counts.added == 1 ? std::string("1 use") : fmt::format("{} uses", counts.added),
                       counts.skipped == 1 ? std::string("1 line") : fmt::format("{} lines", counts.skipped));
}

// The lines that fit in kMostReplyBytes, and then one that says how many did not.
std::vector<std::string> Bounded(std::vector<std::string> lines) {
    std::size_t bytes = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string more = fmt::format("... and {} more lines", lines.size() - i);
        if (bytes + lines[i].size() + (i + 1 < lines.size() ? more.size() : 0) > kMostReplyBytes) {
            lines.resize(i);
            lines.push_back(more);
            break;
        }
        bytes += lines[i].size();
    }
    return lines;
}

class CorvaneUse {
public:
    CorvaneUse(PluginState& state, const IApiUtils& api, AShooterPlayerController* player)
        : state_(state), settings_(state.settings), api_(api), player_(player) {}

    void Run(const FString& message) {
        try {
            Dispatch(message);
        } catch (...) {
            PluginLog()->error(std::string_view(failure_.Describe(CurrentExceptionText(), steamId_,
                                                                  "line " + QuotedExcerpt(message.View()))));
        }
    }

private:
    void Dispatch(const FString& message) {
        steamId_ = api_.GetSteamIdFromController(player_);
        TEngineArray<FString> words;
        const std::int32_t count = SplitOnBlank(message, words);
        const WideStringView action = count >= 2 ? words.Data[1].View() : WideStringView();
        if (count == 2 && StartsWithNoCase(action, "reload") && action.size() == 6) {
            Reload();
        } else if (count >= 3 && Is(action, "check")) {
            Check(AfterAction(WholeText(message), action.size()));
        } else if (count >= 3 && Is(action, "uses")) {
            Uses(Trimmed(AfterAction(WholeText(message), action.size())));
        } else if (count >= 3 && Is(action, "forgive")) {
            Forgive(Trimmed(AfterAction(WholeText(message), action.size())));
        } else {
            SendTextReply(api_, player_, *settings_, Wide(kUsage), failure_);
        }
    }

    static bool Is(WideStringView action, std::string_view name) {
        return action.size() == name.size() && StartsWithNoCase(action, name);
    }

    // The text after the action and its one blank: for "check", as /cheat
    // would take it after its prefix.
    static WideStringView AfterAction(WideStringView line, std::size_t actionSize) {
        const std::size_t action = line.find_first_not_of(WIDE(' '), line.find(WIDE(' ')));
        return line.substr(std::min(line.size(), action + actionSize + 1));
    }

    static WideStringView Trimmed(WideStringView text) {
        return text.substr(0, text.find_last_not_of(WIDE(' ')) + 1);
    }

    bool Allowed(const char* action, const char* permission) {
        const FString name = FString::FromNarrow(permission);
        if (state_.permissions.IsPlayerHasPermission(steamId_, name)) {
            return true;
        }
        Audit(state_.audit, action, permission, "refused");
        SendConfiguredReply(api_, player_, *settings_, settings_->messages.noPermissions, failure_);
        return false;
    }

    void Reload() {
        constexpr const char* kPermission = "Corvane.Reload";
        if (!Allowed("reload", kPermission)) {
            return;
        }
        SettingsReading reading;
        std::string error;
        try {
            reading = ReadConfiguration();
            if (const ConfigProblem* first = reading.FirstError()) {
                error = DescribeForLog(*first);
            }
            CheckAuditFileWritable(reading);
        } catch (const std::exception& failure) {
            error = failure.what();
        }
        if (!error.empty()) {
            RefuseReload(reading, error);
            return;
        }
        const std::size_t warnings = reading.Count(ConfigProblem::Severity::Warning);
        // The restore finds the uses recorded before a move through the line
        // in the new file; the old one says where the record went on. That
        // one may be on the full disk the file is moved away from: its line
        // can't stop the reload.
        const ReloadFiles files{reading.settings.auditFile, settings_->auditFile};
        AuditWriter audit = WriterFor(reading.settings);
        if (!Audit(audit, "reload", kPermission, "reloaded", {}, &files)) {
            SendTextReply(
                api_, player_, *settings_,
                Wide("config.json was not reloaded: its audit file can't be written (see the server log)."),
                failure_);
            return;
        }
        if (files.Moved()) {
            Audit(state_.audit, "reload", kPermission, "reloaded", {}, &files);
        }
        if (const auto restored = state_.Replace(std::move(reading.settings));
            restored && !restored->unreadable.empty()) {
            PluginLog()->warn("{}: uses from before this reload are not read again",
                              Engine::EscapeForLog(restored->unreadable));
        }
        const std::string listed = Listed(reading, ConfigProblem::Severity::Warning);
        PluginLog()->log(
            warnings == 0 ? spdlog::level::info : spdlog::level::warn, "Reloaded config.json for {}, {}{}",
            steamId_, warnings == 0 ? std::string("with no warnings") : "with " + Plural(warnings, "warning"),
            listed.empty() ? "" : ": " + Engine::EscapeForLog(listed));
        SendTextReply(api_, player_, *state_.settings,
                      Wide(fmt::format("config.json reloaded, with {}{}.", Plural(warnings, "warning"),
                                       warnings == 0 ? "" : " (see the server log)")),
                      failure_);
    }

    void RefuseReload(const SettingsReading& reading, const std::string& error) {
        const ReloadFiles files{settings_->auditFile, settings_->auditFile};
        Audit(state_.audit, "reload", "Corvane.Reload", "failed", error, &files);
        const std::size_t errors = reading.Count(ConfigProblem::Severity::Error);
        PluginLog()->error("Did not reload config.json for {}: {}; the running settings stay", steamId_,
                           errors <= 1
                               ? Engine::EscapeForLog(error)
                               : Plural(errors, "error") + ": " +
                                     Engine::EscapeForLog(Listed(reading, ConfigProblem::Severity::Error)));
        SendTextReply(api_, player_, *settings_,
                      Wide("config.json was not reloaded, the running settings stay: " + error), failure_);
    }

    void Check(WideStringView command) {
        if (!Allowed("check", "Corvane.Check")) {
            return;
        }
        state_.CheckFeed();
        const GateLine line{command, FirstWord(command), true, steamId_, UseHistory::Clock::now(), true};
        const AskPermission ask = [this](WideStringView permission) {
            return state_.permissions.IsPlayerHasPermission(
                steamId_, FString::FromWide(WideString(permission).c_str()));
        };
        const Decision decision = Decide({line, *settings_, state_.history, ask});
        std::vector<std::string> lines = DescribeCheck(command, decision, *settings_);
        if (state_.feed) {
            lines.push_back(DescribeFeed(*state_.feed, std::chrono::system_clock::now()));
        }
        for (const std::string& text : Bounded(std::move(lines))) {
            SendTextReply(api_, player_, *settings_, Wide(text), failure_);
        }
    }

    void Uses(WideStringView named) {
        if (!Allowed("uses", "Corvane.Uses")) {
            return;
        }
        const PlayerSearch search = FindPlayer(api_, named);
        if (!search.found) {
            SendTextReply(api_, player_, *settings_, Wide(DescribeMatches(named, search.matches)), failure_);
            return;
        }
        state_.CheckFeed();
        std::vector<std::string> lines =
            DescribeUses(state_.history, *settings_, search.found->steamId, UseHistory::Clock::now());
        lines.insert(lines.begin(), lines.empty()
                                        ? Described(*search.found) + " has no cooldown or use limit running"
                                        : "Uses of " + Described(*search.found) + ":");
        for (const std::string& text : Bounded(std::move(lines))) {
            SendTextReply(api_, player_, *settings_, Wide(text), failure_);
        }
    }

    // The player is the whole text, or else all of it but its last word,
    // which names the command.
    void Forgive(WideStringView text) {
        if (!Allowed("forgive", "Corvane.Forgive")) {
            return;
        }
        PlayerSearch search = FindPlayer(api_, text);
        WideStringView named = text;
        std::string command;
        const std::size_t lastBlank = text.find_last_of(WIDE(' '));
        if (!search.found && search.matches.size() < 2 && lastBlank != WideStringView::npos) {
            named = Trimmed(text.substr(0, lastBlank));
            search = FindPlayer(api_, named);
            command = ConsoleName(text.substr(lastBlank + 1));
        }
        if (!search.found) {
            SendTextReply(api_, player_, *settings_, Wide(DescribeMatches(named, search.matches)), failure_);
            return;
        }
        AuditRecord record;
        record.action = "forgive";
        record.forgiven = search.found->steamId;
        if (!command.empty()) {
            record.forgivenName = command;
        }
        record.outcome = "forgiven";
        // Recorded first, as every change is: the restore honours it after a restart.
        if (!Write(state_.audit, std::move(record))) {
            SendTextReply(api_, player_, *settings_,
                          Wide("Nothing was forgiven: the audit file can't be written (see the server log)."),
                          failure_);
            return;
        }
        state_.history.Forgive(search.found->steamId, command);
        SendTextReply(api_, player_, *settings_,
                      Wide(fmt::format("{} is forgiven their uses of {}.", Described(*search.found),
                                       command.empty() ? "every command" : command)),
                      failure_);
    }

    // False when the line can't be written; the error is then in the log.
    bool Audit(AuditWriter& audit, const char* action, const char* permission, const char* outcome,
               const std::string& error = {}, const ReloadFiles* files = nullptr) {
        AuditRecord record;
        record.action = action;
        record.permission = Wide(permission);
        record.outcome = outcome;
        record.error = error;
        if (files != nullptr) {
            for (const auto& [path, text] : {std::pair{&files->after, &record.auditLog},
                                             std::pair{&files->before, &record.previousAuditLog}}) {
                if (*path) {
                    *text = AbsolutePathText(**path);
                }
            }
        }
        return Write(audit, std::move(record));
    }

    // The record of this player's line, with who they are.
    bool Write(AuditWriter& audit, AuditRecord record) {
        if (!audit.File()) {
            return true;
        }
        try {
            record.steamId = steamId_;
            record.character = Engine::ToUtf8(api_.GetCharacterName(player_).View());
            state_.Audit(audit, record);
        } catch (const std::exception& failure) {
            PluginLog()->error(std::string_view(Engine::EscapeForLog(failure.what())));
            return false;
        }
        return true;
    }

    PluginState& state_;
    const std::shared_ptr<const Settings> settings_;
    const IApiUtils& api_;
    AShooterPlayerController* player_;
    UseFailure failure_;
    std::uint64_t steamId_ = 0;
};

}  // namespace

void HandleCorvaneLine(PluginState& state, AShooterPlayerController* player, const FString& message) {
    CorvaneUse(state, Velkor::GetApiUtils(), player).Run(message);
}

}  // namespace Corvane
