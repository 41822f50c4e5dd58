// fuzz_chat: configurations, grants, time and chat lines through the stand-in
// framework and the plugin. The plugin's code is linked in and its own Load
// registers /cheat with the framework's registry, so every line takes the
// framework's real routing to the real handler.
//
// After each line: the engine's live blocks are as before; a command ran only
// with its player's permission, after its audit line and always with its
// gameplay-log entry; a refusal or a cooldown gave exactly one private reply;
// a use failed only with a documented configuration or formatting error, in
// the log; with an audit file, every decision wrote exactly one audit line
// of at most 16 KiB, before anything else it did; and everything matches
// what the oracle works out on its own.
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <set>

#include <nlohmann/json.hpp>

#include "core/plugin/Lifecycle.h"
#include "devhost/engine/Allocator.h"
#include "devhost/platform/Clocks.h"
#include "devhost/server/EventLog.h"
#include "devhost/server/StandInServer.h"
#include "fuzz/ChatOracle.h"
#include "fuzz/ChatScript.h"
#include "fuzz/FloodModel.h"
#include "fuzz/Require.h"
#include "host/Velkor.h"

namespace {

using Fuzz::Decision;
using Fuzz::Require;

// No audit line is longer, its line break included; and none that turned
// the player away is longer than the second.
constexpr std::size_t kAuditLineBound = 16384;
constexpr std::size_t kTurnAwayLineBound = 4096;

// The plugin's code is linked in; the stand-in server delivers its entry
// notifications as a loader would.
int PluginEntry(void*, std::uint32_t reason, void*) {
    return Corvane::HandleEntryNotification(reason);
}

// One stand-in server for the whole run, started afresh for each input.
DevHost::StandInServer& TheStandIn() {
    static DevHost::StandInServer server(DevHost::ServerDirectory::Temporary("corvane-fuzz-chat-"),
                                         DevHost::PluginHost::Linked(&PluginEntry));
    return server;
}

// The server's monotonic clock never goes back, so it carries the waits of
// every input so far; real time is its reading less all of them.
std::int64_t& ClockShift() {
    static std::int64_t shift = 0;
    return shift;
}

std::int64_t ClockNow() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(now).count();
}

std::int64_t RealNow() {
    return ClockNow() - ClockShift();
}

// The stand-in lets a century pass in all, which keeps the clock far from
// overflowing when the plugin adds a cooldown to it.
bool ClockHasRoomFor(std::int64_t nanoseconds) {
    if (std::chrono::nanoseconds(nanoseconds) <= DevHost::TimeLeftToPass()) {
        return true;
    }
    static bool told = false;
    if (!told) {
        std::fprintf(stderr, "fuzz_chat: the clock has no room left; inputs that wait are passed over\n");
        told = true;
    }
    return false;
}

// An earlier input's audit file could stand where this input's must go.
void ClearPluginFolder() {
    const std::filesystem::path folder = TheStandIn().Directory().PluginFolder();
    std::vector<std::filesystem::path> left;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename() != "config.json") {
            left.push_back(entry.path());
        }
    }
    for (const auto& path : left) {
        std::filesystem::remove_all(path);
    }
}

struct Server {
    bool loaded = false;
    bool auditing = false;  // the plugin writes an audit file
    std::vector<Fuzz::ChatPlayer> players;
    std::vector<AShooterPlayerController*> controllers;
    DevHost::EventLog events;
    Fuzz::FloodModel flood;
    std::int64_t waited = 0;  // the script's waits so far, in nanoseconds
};

bool IsTurnAway(const std::string& outcome) {
    return outcome == "refused" || outcome == "rejected" || outcome == "denied" || outcome == "cooldown";
}

// What flood control does with one expected decision: whether its line is
// written, and the summaries written before it; none where the model can't tell.
struct FloodCall {
    std::optional<bool> written;
    std::optional<std::vector<Fuzz::FloodSummary>> before;
};

// What the engine, the plugin's log and the audit file got since a mark in the event log.
struct Effects {
    std::vector<DevHost::ConsoleCommandRun> console;
    std::vector<DevHost::GameplayLogEntry> gameplayLog;
    std::vector<DevHost::Broadcast> broadcasts;
    std::vector<DevHost::PrivateMessage> replies;
    std::vector<std::string> audit;
    std::vector<std::string> errors;  // the plugin's error lines, after "[Corvane][error] "
    std::size_t warnings = 0;
    bool auditFirst = true;  // no audit line came after something players or the engine got
};

Effects EffectsSince(const DevHost::EventLog& events, std::size_t mark) {
    static const std::string kErrorLead = "[Corvane][error] ";
    Effects effects;
    effects.console = events.Of<DevHost::ConsoleCommandRun>(mark);
    effects.gameplayLog = events.Of<DevHost::GameplayLogEntry>(mark);
    effects.broadcasts = events.Of<DevHost::Broadcast>(mark);
    effects.replies = events.Of<DevHost::PrivateMessage>(mark);
    bool acted = false;
    for (std::size_t i = mark; i < events.Size(); ++i) {
        const DevHost::Event& event = events.All()[i];
        if (const auto* audit = std::get_if<DevHost::AuditLine>(&event)) {
            effects.audit.push_back(audit->text);
            effects.auditFirst = effects.auditFirst && !acted;
        } else if (const auto* line = std::get_if<DevHost::LogLine>(&event)) {
            effects.warnings += line->level == spdlog::level::warn;
            const std::size_t lead = line->text.find(kErrorLead);
            if (line->level == spdlog::level::err && lead != std::string::npos) {
                effects.errors.push_back(line->text.substr(lead + kErrorLead.size()));
            }
        } else if (!std::holds_alternative<DevHost::HandlerError>(event)) {
            acted = true;  // something reached the engine or a player
        }
    }
    return effects;
}

bool NoEffects(const Effects& effects) {
    return effects.console.empty() && effects.gameplayLog.empty() && effects.broadcasts.empty() &&
           effects.replies.empty() && effects.audit.empty() && effects.errors.empty() &&
           effects.warnings == 0;
}

// Holds whatever the oracle says: no command without its permission, its
// audit line or its log entry, and every broadcast is the log entry.
void CheckSafety(const Server& server, const Fuzz::ChatPlayer& player, const Effects& effects) {
    for (const auto& record : effects.console) {
        const auto words = Fuzz::BlankSeparatedWords(record.command);
        Require(!words.empty() && player.grants.contains(WIDE("Cheat.") + words[0]),
                "a command ran whose permission the player lacks");
    }
    Require(effects.console.empty() == effects.gameplayLog.empty(),
            "a command ran without its gameplay-log entry, or an entry without a command");
    Require(effects.console.size() <= 1 && effects.gameplayLog.size() <= 1, "one line ran several commands");
    for (const std::string& line : effects.audit) {
        Require(line.size() + 1 <= kAuditLineBound, "an audit line is longer than 16 KiB");
    }
    Require(!server.auditing || effects.console.empty() || (effects.audit.size() == 1 && effects.auditFirst),
            "a command ran without its audit line before it");
    for (const auto& broadcast : effects.broadcasts) {
        Require(effects.gameplayLog.size() == 1 && broadcast.text == effects.gameplayLog[0].text,
                "a broadcast differs from the gameplay log");
    }
}

// The library's text in the plugin's one error line, when the line is one
// the oracle allows.
std::optional<std::string> ErrorText(const std::vector<Fuzz::ErrorMatch>& errors, const Effects& effects,
                                     std::uint64_t steamId) {
    if (effects.errors.size() != 1) {
        return std::nullopt;
    }
    for (const auto& match : errors) {
        if (auto text = match.TextIn(effects.errors[0], steamId)) {
            return text;
        }
    }
    return std::nullopt;
}

// Text as UTF-8 shows it: a surrogate without its pair is U+FFFD.
WideString ShownInUtf8(WideStringView text) {
    WideString shown(text);
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const bool high = shown[i] >= 0xD800 && shown[i] <= 0xDBFF;
        const bool low = shown[i] >= 0xDC00 && shown[i] <= 0xDFFF;
        if (high && i + 1 < shown.size() && shown[i + 1] >= 0xDC00 && shown[i + 1] <= 0xDFFF) {
            ++i;
        } else if (high || low) {
            shown[i] = 0xFFFD;
        }
    }
    return shown;
}

// "2026-12-07T20:15:00Z"
bool IsUtcTime(const nlohmann::json& value) {
    constexpr std::string_view kShape = "0000-00-00T00:00:00Z";
    if (!value.is_string() || value.get_ref<const std::string&>().size() != kShape.size()) {
        return false;
    }
    const std::string& time = value.get_ref<const std::string&>();
    for (std::size_t i = 0; i < kShape.size(); ++i) {
        if (kShape[i] == '0' ? (time[i] < '0' || time[i] > '9') : time[i] != kShape[i]) {
            return false;
        }
    }
    return true;
}

std::string CountOf(const std::string& member) {
    return member == "command" ? "cut" : member + "Cut";
}

// The member of object is expected as UTF-8 shows it, or a start of that
// with the count of the UTF-16 units left out beside it; cut adds the count.
bool Shows(const nlohmann::json& object, const std::string& member, WideStringView expected,
           std::size_t& cut) {
    const auto text = object.find(member);
    const auto count = object.find(CountOf(member));
    if (text == object.end() || !text->is_string() ||
        (count != object.end() && (!count->is_number_unsigned() || *count == 0))) {
        return false;
    }
    const WideString kept = Velkor::Tools::Utf8Decode(text->get<std::string>());
    const std::size_t left = count == object.end() ? 0 : count->get<std::size_t>();
    const WideString shown = ShownInUtf8(expected);
    cut += left;
    return kept.size() + left == shown.size() && shown.starts_with(kept);
}

// More bytes than the line could take with nothing cut: six for each UTF-16
// unit of text, at most what one escaped takes, and room for the rest.
std::size_t MostBytesUncut(const std::vector<WideStringView>& texts, std::size_t askedCount) {
    std::size_t units = 0;
    for (const WideStringView text : texts) {
        units += text.size();
    }
    return 6 * units + 300 + 60 * askedCount;
}

// Where a text a player supplies is cut to keep at most limit UTF-16 units,
// a surrogate pair kept whole.
std::size_t KeptOf(WideStringView text, std::size_t limit) {
    if (text.size() <= limit) {
        return text.size();
    }
    const WideChar last = text[limit - 1];
    return limit - (last >= 0xD800 && last <= 0xDBFF ? 1 : 0);
}

// The names as the line must list them: the first fifteen and the innermost
// of more than sixteen, each at most 100 units.
nlohmann::json ListedNames(const std::vector<std::string>& names) {
    nlohmann::json listed = nlohmann::json::array();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i < 15 || i + 1 == names.size()) {
            listed.push_back(names[i].substr(0, 100));
        }
    }
    return listed;
}

const char* AuditMismatch(const Server& server, const Fuzz::ChatPlayer& player,
                          const Fuzz::ChatExpectation& expected, const Effects& effects,
                          std::optional<bool> written) {
    constexpr std::size_t kKeptOfCommand = 1000;
    constexpr std::size_t kKeptOfSupplied = 100;
    const bool decides = server.auditing && expected.decision != Decision::Ignored;
    if (written && effects.audit.size() != (decides && *written ? 1u : 0u)) {
        return "a decision did not write exactly one audit line (or flood control held it back), or a line "
               "with "
               "no decision wrote one";
    }
    if (effects.audit.size() > 1 || (!decides && !effects.audit.empty())) {
        return "a line wrote more than its own audit line";
    }
    if (effects.audit.empty()) {
        return nullptr;
    }
    if (!effects.auditFirst) {
        return "an audit line came after what it records";
    }
    const nlohmann::json record = nlohmann::json::parse(effects.audit[0], nullptr, false);
    if (!record.is_object()) {
        return "an audit line is not a JSON object";
    }
    const bool turnedAway = IsTurnAway(expected.Outcome());
    if (turnedAway && effects.audit[0].size() + 1 > kTurnAwayLineBound) {
        return "a line that turned the player away is longer than 4 KiB";
    }
    // A command that did not run keeps its first 1,000 units, and on a
    // turn-away every other text a player supplies its first 100, less the
    // first half of a surrogate pair the cut would split.
    const std::size_t keep =
        expected.Runs() ? expected.command.size() : KeptOf(expected.command, kKeptOfCommand);
    const auto supplied = [&](WideStringView text) {
        return turnedAway ? KeptOf(text, kKeptOfSupplied) : text.size();
    };
    const std::size_t mostAsked = turnedAway ? 16 : 64;
    std::vector<std::pair<WideString, bool>> asked = expected.asked;
    if (asked.size() > mostAsked) {
        asked.erase(asked.begin() + static_cast<std::ptrdiff_t>(mostAsked) - 1, asked.end() - 1);
    }
    std::set<std::string> members = {"time", "steamId", "character", "command", "outcome"};
    const std::optional<std::string> error = ErrorText(expected.errors, effects, player.steamId);
    const WideString character = Fuzz::CutAtNul(Velkor::Tools::Utf8Decode(player.name));
    const WideString rule(expected.rule.begin(), expected.rule.end());
    const WideString errorText = Velkor::Tools::Utf8Decode(error.value_or(""));
    std::size_t mustCut = expected.command.size() - keep + character.size() - supplied(character);
    std::vector<WideStringView> texts = {WideStringView(character).substr(0, supplied(character)),
                                         WideStringView(expected.command).substr(0, keep)};
    const auto include = [&](bool present, const char* member, WideStringView text) {
        if (present) {
            members.insert(member);
            texts.push_back(text);
        }
    };
    include(expected.AsksPermission(), "permission",
            WideStringView(expected.permission).substr(0, supplied(expected.permission)));
    mustCut += expected.AsksPermission() ? expected.permission.size() - supplied(expected.permission) : 0;
    include(std::string(expected.Outcome()) == "failed", "error", errorText);
    include(!asked.empty(), "asked", {});
    include(expected.asked.size() > asked.size(), "askedCut", {});
    include(!expected.rule.empty(), "rule", rule);
    if (!expected.reading.empty()) {
        members.insert("reading");
    }
    for (const auto& [permission, held] : asked) {
        texts.push_back(WideStringView(permission).substr(0, supplied(permission)));
        mustCut += permission.size() - supplied(permission);
    }
    const nlohmann::json names = ListedNames(expected.names);
    include(expected.decision != Decision::Rejected, "names", {});
    include(expected.decision != Decision::Rejected && expected.names.size() > 16, "namesCut", {});
    std::set<std::string> present;
    for (const auto& [key, value] : record.items()) {
        present.insert(key);
    }
    for (const char* member : {"character", "command", "permission", "error", "rule"}) {
        if (members.contains(member)) {
            present.erase(CountOf(member));
        }
    }
    if (present != members) {
        return "an audit line does not have the members its decision calls for";
    }
    if (record["outcome"] != expected.Outcome()) {
        return "an audit line's outcome is not the decision";
    }
    if (members.contains("names") &&
        (record["names"] != names ||
         (expected.names.size() > 16 && record["namesCut"] != expected.names.size() - names.size()))) {
        return "an audit line's names are not those the console runs, as far as the line keeps them";
    }
    std::size_t cut = 0;
    if (record["steamId"] != std::to_string(player.steamId) || !IsUtcTime(record["time"]) ||
        !Shows(record, "character", character, cut)) {
        return "an audit line's player or time is wrong";
    }
    std::size_t commandCut = 0;
    if (!Shows(record, "command", expected.command, commandCut) ||
        expected.command.size() - commandCut > keep) {
        return "an audit line's command is not the text after the prefix, cut at 1000 when it did not run";
    }
    if (expected.AsksPermission() && !Shows(record, "permission", expected.permission, cut)) {
        return "an audit line's permission is not the one asked";
    }
    if (record.contains("error") && (!error || !Shows(record, "error", errorText, cut))) {
        return "an audit line's error is not the one logged";
    }
    if (!expected.rule.empty() && !Shows(record, "rule", rule, cut)) {
        return "an audit line's rule is not the pointer of the rule that failed";
    }
    if (!expected.reading.empty() && record["reading"] != expected.reading) {
        return "an audit line's reading is not why the line could be read otherwise";
    }
    if (!asked.empty()) {
        const nlohmann::json& recorded = record["asked"];
        if (!recorded.is_array() || recorded.size() != asked.size() ||
            (expected.asked.size() > asked.size() &&
             record["askedCut"] != expected.asked.size() - asked.size())) {
            return "an audit line does not list each question asked after the permission";
        }
        for (std::size_t i = 0; i < recorded.size(); ++i) {
            const nlohmann::json& question = recorded[i];
            const std::size_t size = question.is_object() ? question.size() : 0;
            if (size != (question.contains("permissionCut") ? 3u : 2u) || !question.contains("held") ||
                question["held"] != asked[i].second || !Shows(question, "permission", asked[i].first, cut)) {
                return "an audit line's question is not the one asked, or not with its answer";
            }
        }
    }
    const std::size_t bound = turnedAway ? kTurnAwayLineBound : kAuditLineBound;
    const bool fits = MostBytesUncut(texts, asked.size()) + names.dump().size() <= bound;
    if ((turnedAway && cut + commandCut < mustCut) ||
        (fits && (cut + commandCut != mustCut || expected.command.size() - commandCut != keep))) {
        return "an audit line that fits whole was cut, or a turn-away's text kept more than its bound";
    }
    return nullptr;
}

// Where the summary lines differ from those the flood model expects (any, in
// the right shape, when it can't tell).
const char* SummaryMismatch(const std::vector<std::string>& lines,
                            const std::optional<std::vector<Fuzz::FloodSummary>>& expected) {
    std::vector<Fuzz::FloodSummary> found;
    for (const std::string& line : lines) {
        const nlohmann::json summary = nlohmann::json::parse(line);
        if (summary.size() != 7 || summary["outcome"] != "omitted" || !IsUtcTime(summary["time"]) ||
            !IsUtcTime(summary["from"]) || !IsUtcTime(summary["to"]) || summary["from"] > summary["to"] ||
            !summary["steamId"].is_string() || !summary["omitted"].is_object()) {
            return "a summary line does not have the documented members";
        }
        Fuzz::FloodSummary counts{std::stoull(summary["steamId"].get<std::string>()), {}};
        for (const auto& [outcome, count] : summary["omitted"].items()) {
            counts.second[outcome] = count.get<std::size_t>();
        }
        found.push_back(std::move(counts));
    }
    std::sort(found.begin(), found.end());
    return !expected || found == *expected ? nullptr
                                           : "the summary lines are not the counts of the periods that ended";
}

// Where the effects differ from one thing the oracle allows; null when they match it.
const char* Mismatch(const Server& server, const Fuzz::ChatPlayer& player,
                     const Fuzz::ChatExpectation& expected, const Effects& effects,
                     std::optional<bool> written) {
    if (effects.warnings != (expected.decision == Decision::Rejected ? 1u : 0u)) {
        return "a rejected line did not log one warning, or another line logged one";
    }
    if (expected.errors.empty() ? !effects.errors.empty()
                                : !ErrorText(expected.errors, effects, player.steamId)) {
        return "a use failed that had to succeed, or not with one of the documented errors";
    }
    const bool replies = expected.errors.empty() && expected.decision != Decision::Granted &&
                         expected.decision != Decision::Ignored;
    if (effects.replies.size() != (replies ? 1u : 0u)) {
        return "a refusal or a cooldown did not give exactly one private reply, or another line gave one";
    }
    if (replies) {
        const auto& reply = effects.replies[0];
        if (reply.player != player.name) {
            return "the reply went to someone else";
        }
        if (reply.fromName.text != expected.sender ||
            std::find(expected.replies.begin(), expected.replies.end(), reply.text.text) ==
                expected.replies.end()) {
            return "the reply is not the configured sender and text";
        }
    }
    if (expected.Runs()) {
        if (effects.console.size() != 1 || effects.console[0].command != expected.command) {
            return "a granted line did not run exactly its command";
        }
        if (effects.gameplayLog.size() != 1 || effects.gameplayLog[0].text != expected.logText) {
            return "the gameplay-log entry is not the configured text";
        }
        std::vector<std::string> recipients;
        for (const auto& broadcast : effects.broadcasts) {
            recipients.push_back(broadcast.player);
        }
        if (recipients != expected.recipients) {
            return "the announcement did not reach exactly the players its mode names, in order";
        }
    } else if (!effects.console.empty() || !effects.gameplayLog.empty() || !effects.broadcasts.empty()) {
        return "a line that did not run a command had effects";
    }
    return AuditMismatch(server, player, expected, effects, written);
}

// The summary lines among the audit lines, taken out of them.
std::vector<std::string> TakeSummaries(std::vector<std::string>& audit) {
    std::vector<std::string> summaries;
    std::erase_if(audit, [&](const std::string& line) {
        const nlohmann::json record = nlohmann::json::parse(line, nullptr, false);
        if (record.is_object() && record.contains("action") && record["action"] == "summary") {
            summaries.push_back(line);
            return true;
        }
        return false;
    });
    return summaries;
}

FloodCall Flood(const Server& server, Fuzz::FloodModel& flood, const Fuzz::ChatPlayer& player,
                const Fuzz::ChatExpectation& expected, Fuzz::FloodModel::Span now) {
    if (!server.auditing || expected.decision == Decision::Ignored) {
        return {false, std::vector<Fuzz::FloodSummary>{}};
    }
    const std::string outcome = expected.Outcome();
    const std::optional<bool> written =
        IsTurnAway(outcome) ? flood.TurnAway(player.steamId, outcome, now) : true;
    if (written == false) {
        return {false, std::vector<Fuzz::FloodSummary>{}};
    }
    return {written, written ? flood.WrittenBefore(now) : std::nullopt};
}

void Say(Server& server, Fuzz::ChatOracle& oracle, std::int64_t start, std::size_t speaker,
         const std::string& utf8) {
    const WideString text = DevHost::DecodeChatLine(utf8);
    const std::size_t blocks = DevEngine::TheAllocator().LiveBlocks();
    const std::uint64_t queries = TheStandIn().PermissionQueries();
    const std::size_t mark = server.events.Size();
    const std::int64_t from = RealNow() - start;
    const DevHost::RouteResult result = TheStandIn().Say(server.controllers[speaker], utf8);
    const std::int64_t to = RealNow() - start;
    Effects effects = EffectsSince(server.events, mark);
    const std::vector<std::string> summaries = TakeSummaries(effects.audit);
    const Fuzz::ChatLine line{server.loaded, &server.players, speaker, text, from, to};
    const std::vector<Fuzz::ChatExpectation> allowed = oracle.Expect(line);
    const Fuzz::ChatPlayer& player = server.players[speaker];

    Require(DevEngine::TheAllocator().LiveBlocks() == blocks, "a chat line changed the engine's live blocks");
    CheckSafety(server, player, effects);
    using Outcome = DevHost::RouteResult::Outcome;
    if (!allowed[0].routed) {
        Require(result.outcome == Outcome::Unrouted && NoEffects(effects), "an unrouted line had effects");
        return;
    }
    Require(result.outcome == Outcome::Handled, "a line for /cheat was not handled");
    if (!allowed[0].AsksPermission()) {
        Require(TheStandIn().PermissionQueries() == queries,
                "the permissions plugin was asked about a line turned away before its permission");
    }
    const char* first = nullptr;
    for (const Fuzz::ChatExpectation& expected : allowed) {
        Fuzz::FloodModel flood = server.flood;
        const FloodCall call =
            Flood(server, flood, player, expected, {server.waited + from, server.waited + to});
        const char* mismatch = Mismatch(server, player, expected, effects, call.written);
        mismatch = mismatch != nullptr ? mismatch : SummaryMismatch(summaries, call.before);
        if (mismatch == nullptr) {
            oracle.Settle(line, expected);
            server.flood = std::move(flood);
            return;
        }
        first = first != nullptr ? first : mismatch;
    }
    Fuzz::Violation(first);
}

bool Connected(const Server& server, const std::string& name) {
    for (const auto& player : server.players) {
        if (player.connected && player.name == name) {
            return true;
        }
    }
    return false;
}

bool IsCorvaneLine(const std::string& utf8) {
    const std::string word = utf8.substr(0, utf8.find(' '));
    return word.size() == 8 && std::equal(word.begin(), word.end(), "/corvane", [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

void Run(Server& server, Fuzz::ChatOracle& oracle, std::int64_t start, const Fuzz::ChatStep& step) {
    auto& players = server.players;
    const bool present = step.player < players.size() && players[step.player].connected;
    switch (step.kind) {
        case Fuzz::ChatStep::Kind::Join:
            // The stand-in server names players uniquely, as the dev host does.
            if (players.size() < Fuzz::kMaxPlayers && !Connected(server, step.argument)) {
                const std::uint64_t steamId = 1000 + players.size();
                server.controllers.push_back(TheStandIn().Join(step.argument, steamId));
                players.push_back({step.argument, steamId, true, {}});
            }
            return;
        case Fuzz::ChatStep::Kind::Grant:
            if (step.player < players.size()) {
                TheStandIn().Grant(players[step.player].steamId, step.argument);
                players[step.player].grants.insert(Velkor::Tools::Utf8Decode(step.argument));
            }
            return;
        case Fuzz::ChatStep::Kind::Leave:
            if (present) {
                TheStandIn().Leave(players[step.player].name);
                players[step.player].connected = false;
            }
            return;
        case Fuzz::ChatStep::Kind::Say:
            // /corvane reloads and checks the configuration: not what this oracle follows.
            if (present && !IsCorvaneLine(step.argument)) {
                Say(server, oracle, start, step.player, step.argument);
            }
            return;
        case Fuzz::ChatStep::Kind::Wait:
            TheStandIn().LetTimePass(std::chrono::nanoseconds(step.nanoseconds));
            ClockShift() += step.nanoseconds;
            server.waited += step.nanoseconds;
            oracle.LetTimePass(step.nanoseconds);
            return;
    }
}

// The log writes a backslash, a control and some characters beyond ASCII as
// escapes: a member holding one is known by what comes before it.
bool NamedInLog(std::string_view shown, std::string_view member) {
    const auto escaped = std::find_if(member.begin(), member.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte == '\\' || byte < 0x20 || byte >= 0x7F;
    });
    if (escaped != member.end()) {
        return shown.starts_with(member.substr(0, static_cast<std::size_t>(escaped - member.begin())));
    }
    return shown.starts_with(std::string(member) + ": ");
}

// A failed load must be one the model expects, with one error line (the
// library's error, or one naming a malformed control), and must register nothing.
void CheckFailedLoad(const Server& server, const Fuzz::ConfigModel& config) {
    Require(!config.Loads(), "the plugin failed to load a good file");
    const std::vector<std::string> lines = server.events.LogLines();
    Require(lines.size() == 1, "a failed load did not log exactly one line");
    const std::string& line = lines[0];
    if (!config.Parses()) {
        const std::string ending = "[Corvane][error] " + config.ParseError();
        Require(line.size() >= ending.size() &&
                    line.compare(line.size() - ending.size(), ending.size(), ending) == 0,
                "a failed load did not log the library's error");
    } else {
        const std::string lead = "[Corvane][error] config.json: ";
        const std::size_t at = line.find(lead);
        bool named = false;
        for (const std::string& member : config.Malformed()) {
            named = named || (at != std::string::npos && NamedInLog(line.substr(at + lead.size()), member));
        }
        Require(named, "a failed load did not name one of the malformed controls");
    }
    Require(!DevHost::IsCommandRegistered(WIDE("/cheat")), "a failed load registered /cheat");
}

bool LoadPlugin(const Server& server, const Fuzz::ConfigModel& config) {
    if (!TheStandIn().Load()) {
        CheckFailedLoad(server, config);
        return false;
    }
    Require(config.Loads(), "the plugin loaded a file it had to refuse");
    return true;
}

}  // namespace

// The inputs' waits move the server's clock; libFuzzer's time budget and
// timeouts, read on the wall clock, must count only real time.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    DevHost::Platform::LeaveWallClockAlone();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Fuzz::ChatScript script = Fuzz::ParseChatScript(data, size);
    const Fuzz::ConfigModel config(script.config);
    // Passed over: formatting that would allocate gigabytes, an audit file
    // that could lie outside the plugin's folder, and waits the clock has no
    // room for.
    if (config.HasHugeWidth() || !config.AuditLogStaysInPluginFolder() ||
        !ClockHasRoomFor(script.WaitedNanoseconds())) {
        return -1;
    }
    DevHost::StandInServer& standIn = TheStandIn();
    standIn.Restart();
    ClearPluginFolder();
    standIn.WriteConfig(script.config);
    standIn.FollowAuditFile();
    Server server;
    const std::size_t blocks = DevEngine::TheAllocator().LiveBlocks();

    server.loaded = LoadPlugin(server, config);
    server.auditing = server.loaded && config.AuditLog().has_value();
    Fuzz::ChatOracle oracle(config);
    const std::int64_t start = RealNow();
    for (const Fuzz::ChatStep& step : script.steps) {
        Run(server, oracle, start, step);
    }
    const std::size_t mark = server.events.Size();
    standIn.Restart();
    if (server.auditing) {
        std::vector<std::string> audit = EffectsSince(server.events, mark).audit;
        const std::vector<std::string> summaries = TakeSummaries(audit);
        Require(audit.empty(), "an audit line other than a summary was written at unload");
        if (const char* mismatch = SummaryMismatch(summaries, server.flood.AtUnload())) {
            Fuzz::Violation(mismatch);
        }
    }
    Require(DevEngine::TheAllocator().LiveBlocks() == blocks, "engine blocks outlived the plugin");
    return 0;
}
