// Replay's parts on their own: recorded decisions decided again with the
// record's answers, the cooldowns over the record's times, and the reading of
// a file whose lines cross its buffer. End to end, on a record the dev host
// makes, in tests/devhost/replay/.
#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/AuditEntry.h"
#include "core/SettingsReader.h"
#include "devhost/app/ForwardLines.h"
#include "devhost/app/ReplayReport.h"
#include "devhost/app/Replayer.h"
#include "devhost/server/ServerDirectory.h"

namespace {

using ::testing::ElementsAreArray;

Corvane::Settings Read(const nlohmann::json& document) {
    return Corvane::ReadSettings({document, {}, {}}, "plugin").settings;
}

// The plugin's base members (PrintToChat, Messages) with these controls merged over them.
Corvane::Settings SettingsOf(const char* controls) {
    nlohmann::json document = {
        {"PrintToChat", false},
        {"Messages", {{"LogMsg", "{0} ran {1}"}, {"NoPermissions", "No."}, {"Sender", "S"}}}};
    document.merge_patch(nlohmann::json::parse(controls));
    return Read(document);
}

// An audit line at second `at` (under an hour) of the record, its members after the time and the Steam id.
Corvane::AuditEntry Entry(int at, const std::string& members) {
    const auto entry = Corvane::ParseAuditEntry(
        fmt::format(R"({{"time":"2026-12-07T21:{:02}:{:02}Z","steamId":"76561198000000001",{}}})", at / 60,
                    at % 60, members));
    EXPECT_TRUE(entry) << members;
    return entry.value_or(Corvane::AuditEntry{});
}

struct Case {
    const char* members;
    const char* outcome;
    const char* detail;  // the unknown permission, or the rule that decides
};

void ExpectReplayed(DevHost::Replayer& replayer, int at, const Case& c) {
    SCOPED_TRACE(c.members);
    const Corvane::AuditEntry entry = Entry(at, c.members);
    const DevHost::Replayed replayed = replayer.Replay(entry, *DevHost::ReplayTime(entry.time));
    EXPECT_EQ(replayed.outcome, c.outcome) << replayed.reason;
    EXPECT_EQ(replayed.outcome == DevHost::kUnknown ? replayed.permission : replayed.rule, c.detail);
}

TEST(Replayer, AnswersComeFromTheRecordAndNothingElse) {
    const Corvane::Settings settings = SettingsOf(
        R"({"Deny": ["quit"], "Commands": {"giveitem": {"Arguments": [{"Permission": true}]},
            "spawn": {"Arguments": [null, {"Max": 5}]}}})");
    const Case cases[] = {
        {R"("command":"fly","permission":"Cheat.fly","outcome":"granted")", "granted", ""},
        {R"("command":"fly","permission":"Cheat.fly","outcome":"refused")", "refused", ""},
        {R"("command":"fly | god","outcome":"rejected")", "rejected", ""},
        // A lone surrogate is recorded as U+FFFD: the line rule's answer stands.
        {R"("command":"fly \uFFFD","outcome":"rejected")", "rejected", ""},
        {R"("command":"quit","outcome":"denied")", "denied", ""},
        // Turned away before its permission was asked: the answer was never given.
        {R"("command":"god","outcome":"denied")", "unknown", "Cheat.god"},
        {R"("command":"giveitem Rope","permission":"Cheat.giveitem","asked":[{"permission":"Cheat.giveitem.Rope","held":true}],"outcome":"granted")",
         "granted", ""},
        {R"("command":"giveitem Rope","permission":"Cheat.giveitem","outcome":"granted")", "unknown",
         "Cheat.giveitem.Rope"},
        {R"("command":"spawn wolf 9","permission":"Cheat.spawn","outcome":"granted")", "denied",
         "/Commands/spawn/Arguments/1/Max"},
        // A rule decides after the permission: the line that met one held it.
        {R"("command":"spawn wolf 2","permission":"Cheat.spawn","outcome":"denied","rule":"/Commands/spawn/Arguments/0/Allow")",
         "granted", ""},
        // A failure may have been the permissions plugin's own.
        {R"("command":"fly","permission":"Cheat.fly","outcome":"failed","error":"x")", "unknown",
         "Cheat.fly"},
        {R"("command":"fly","permission":"Cheat.fly","asked":[{"permission":"Corvane.NoCooldown","held":true}],"outcome":"failed","error":"x")",
         "failed", ""},
        {R"("command":"quit","outcome":"failed","error":"x")", "denied", ""},
        {R"("command":"fly","cut":3,"permission":"Cheat.fly","outcome":"refused")", "unknown", ""},
    };
    DevHost::Replayer replayer(settings);
    for (const Case& c : cases) {
        ExpectReplayed(replayer, 0, c);
    }
}

TEST(Replayer, CooldownsRunOverTheRecordsTimesWithTheNewLengthsAndNothingIsGuessed) {
    const Corvane::Settings settings = SettingsOf(R"({"Commands": {"fly": {"Cooldown": 60}}})");
    constexpr const char* kGranted = R"("command":"fly","permission":"Cheat.fly","outcome":"granted")";
    constexpr const char* kHeldBack =
        R"("command":"fly","permission":"Cheat.fly","asked":[{"permission":"Corvane.NoCooldown","held":false}],"outcome":"cooldown")";
    constexpr const char* kNoCooldownHeld =
        R"("command":" FLY now","permission":"Cheat.FLY","asked":[{"permission":"Corvane.NoCooldown","held":true}],"outcome":"granted")";
    constexpr const char* kFailed =
        R"("command":"fly","permission":"Cheat.fly","asked":[{"permission":"Corvane.NoCooldown","held":true}],"outcome":"failed","error":"x")";
    struct Use {
        int at;
        Case expected;
    };
    const struct {
        const char* story;
        std::vector<Use> uses;
    } stories[] = {
        {"the new length over the record's times",
         {{0, {kGranted, "granted", ""}},
          {30, {kHeldBack, "cooldown", ""}},
          {62, {kGranted, "granted", ""}}}},
        {"held back by the new length alone: whether the player holds Corvane.NoCooldown is unknown",
         {{0, {kGranted, "granted", ""}}, {58, {kGranted, "unknown", "Corvane.NoCooldown"}}}},
        {"a use that can't be told may have started a cooldown",
         {{0, {kGranted, "granted", ""}},
          {30, {kGranted, "unknown", "Corvane.NoCooldown"}},
          {80, {kGranted, "unknown", ""}},
          {80, {kNoCooldownHeld, "granted", ""}}}},
        {"within the seconds the times can't separate, the recorded answer stands",
         {{0, {kGranted, "granted", ""}},
          {60, {kGranted, "granted", ""}},
          {120, {kHeldBack, "cooldown", ""}}}},
        {"held back by a cooldown that started before the record", {{0, {kHeldBack, "unknown", ""}}}},
        {"a use that failed started no cooldown",
         {{0, {kFailed, "failed", ""}}, {1, {kGranted, "granted", ""}}}},
        {"a command cut short may have started the cooldown of the last of its names",
         {{0,
           {R"("command":"wrap   ","cut":17000,"names":["wrap","fly"],"permission":"Cheat.wrap","outcome":"granted")",
            "unknown", ""}},
          {30, {kGranted, "unknown", ""}}}},
    };
    for (const auto& story : stories) {
        SCOPED_TRACE(story.story);
        DevHost::Replayer replayer(settings);
        for (const Use& use : story.uses) {
            SCOPED_TRACE(use.at);
            ExpectReplayed(replayer, use.at, use.expected);
        }
    }
}

TEST(Replayer, AUseTheNewConfigurationWouldFailIsFailed) {
    constexpr const char* kGranted = R"("command":"fly","permission":"Cheat.fly","outcome":"granted")";
    const struct {
        nlohmann::json document;
        const char* reason;  // empty: granted
    } cases[] = {
        // The gate reads a message up to its first NUL.
        {{{"Messages", {{"LogMsg", std::string("{0} ran {1}\0{", 13)}}}, {"PrintToChat", false}}, ""},
        {nlohmann::json::array(), "Messages/LogMsg: [json.exception.type_error.305]"},
        {{{"Messages", {{"LogMsg", "{0} ran {3}"}}}, {"PrintToChat", false}},
         "Messages/LogMsg: argument not found"},
        {{{"Messages", {{"LogMsg", "{0} ran {1}"}}}}, "PrintToChat: [json.exception.type_error.302]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.document.dump());
        const Corvane::Settings settings = Read(c.document);
        DevHost::Replayer replayer(settings);
        const Corvane::AuditEntry entry = Entry(0, kGranted);
        const DevHost::Replayed replayed = replayer.Replay(entry, *DevHost::ReplayTime(entry.time));
        EXPECT_EQ(replayed.outcome, *c.reason == 0 ? "granted" : "failed");
        EXPECT_THAT(replayed.reason, ::testing::StartsWith(c.reason));
    }
}

TEST(ReplayReport, TheCommandAndTheReasonShowAnArgumentAlike) {
    const Corvane::Settings settings =
        SettingsOf(R"({"Commands": {"giveitem": {"Arguments": [{"Allow": ["x"]}]}}})");
    const Corvane::AuditEntry entry = Entry(
        0, R"("command":"giveitem \u200Fa\\b\u202E","permission":"Cheat.giveitem","outcome":"granted")");
    DevHost::Replayer replayer(settings);
    std::ostringstream out;
    DevHost::ReplayReport report(out, false);
    report.Add(entry, replayer.Replay(entry, *DevHost::ReplayTime(entry.time)));
    EXPECT_THAT(out.str(),
                ::testing::EndsWith("\tgiveitem \\u200Fa\\\\b\\u202E\targument 1 (\\u200Fa\\\\b\\u202E) "
                                    "matches no pattern (/Commands/giveitem/Arguments/0/Allow)\n"));
}

TEST(Replayer, ATimeBeyondTheClockCantBeReplayed) {
    EXPECT_TRUE(DevHost::ReplayTime(*Corvane::ParseUtcTime("2229-12-31T23:59:59Z")));
    EXPECT_FALSE(DevHost::ReplayTime(*Corvane::ParseUtcTime("2231-01-01T00:00:00Z")));
    EXPECT_TRUE(DevHost::ReplayTime(*Corvane::ParseUtcTime("1711-01-01T00:00:00Z")));
    EXPECT_FALSE(DevHost::ReplayTime(*Corvane::ParseUtcTime("1709-01-01T00:00:00Z")));
}

TEST(ForwardLines, LinesCrossTheBufferAndOverlongOnesComeBackEmpty) {
    const DevHost::ServerDirectory directory = DevHost::ServerDirectory::Temporary("corvane-forward-lines-");
    const std::filesystem::path file = directory.PluginFolder() / "lines.jsonl";
    std::vector<std::string> written = {"first", std::string(70'000, 'x'), ""};
    // Past the buffer's megabyte, so that lines are cut by it.
    for (int i = 0; i < 20'000; ++i) {
        written.push_back(std::string(static_cast<std::size_t>(i % 97), 'a') + std::to_string(i));
    }
    written.push_back(std::string(200'000, 'y'));
    written.push_back("last, with no line break");
    std::ofstream out(file, std::ios::binary);
    for (std::size_t i = 0; i < written.size(); ++i) {
        out << (i == 0 ? "" : "\n") << written[i];
    }
    out.close();
    written[1].clear();
    written[written.size() - 2].clear();

    DevHost::ForwardLines lines(file);
    std::vector<std::string> read;
    while (const auto line = lines.Next()) {
        read.emplace_back(*line);
    }
    EXPECT_THAT(read, ElementsAreArray(written));
}

}  // namespace
