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

#include "core/audit/AuditEntry.h"
#include "core/audit/ForwardLines.h"
#include "core/audit/RecordedUses.h"
#include "core/settings/ConfigReader.h"
#include "devhost/replay/ReplayCommand.h"
#include "devhost/replay/ReplayReport.h"
#include "devhost/replay/Replayer.h"
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
        // Cut short, the recorded answer to the command's own permission stands, unless the
        // decision would read past what the record holds: a name the deny list or the rules may
        // lengthen, or the arguments the rules read.
        {R"("command":"fly","cut":3,"permission":"Cheat.fly","outcome":"refused")", "refused", ""},
        {R"("command":"fly now","cut":900,"permission":"Cheat.fly","outcome":"granted")", "granted", ""},
        {R"("command":"qu","cut":9,"permission":"Cheat.qu","outcome":"refused")", "unknown", ""},
        {R"("command":"giveitem Ro","cut":9,"permission":"Cheat.giveitem","asked":[{"permission":"Cheat.giveitem.Ro","held":false}],"outcome":"denied","rule":"/Commands/giveitem/Arguments/0/Permission")",
         "unknown", ""},
    };
    DevHost::Replayer replayer(settings);
    for (const Case& c : cases) {
        ExpectReplayed(replayer, 0, c);
    }
    // A first word past the permission's bound of 100 characters.
    const std::string word(150, 'f');
    const std::string cutPermission =
        fmt::format(R"("command":"{}","permission":"Cheat.{}","permissionCut":56,"outcome":"refused")", word,
                    word.substr(0, 94));
    ExpectReplayed(replayer, 0, {cutPermission.c_str(), "refused", ""});
}

TEST(Replayer, CooldownsRunOverTheRecordsTimesWithTheNewLengthsAndNothingIsGuessed) {
    const Corvane::Settings settings =
        SettingsOf(R"({"Wrappers": ["wrap"], "Commands": {"fly": {"Cooldown": 60}}})");
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

TEST(Replayer, UseLimitsAndTiersAreReplayedFromTheRecordedAnswers) {
    const Corvane::Settings settings = SettingsOf(
        R"({"Commands": {"giveitem": {"MaxUses": {"Count": 2, "Per": 100},
            "Tiers": [{"Permission": "Group.Donor", "MaxUses": {"Count": 3}}]}}})");
    const std::string use = R"("command":"giveitem 1","permission":"Cheat.giveitem",)";
    const std::string granted = use + R"("outcome":"granted")";
    const std::string noLimit = use + R"("asked":[{"permission":"Corvane.NoLimit","held":false})";
    struct Use {
        int at;
        std::string members;
        const char* outcome;
        const char* detail;
    };
    const struct {
        const char* story;
        std::vector<Use> uses;
    } stories[] = {
        {"the third use asks the bypass, which the record does not tell",
         {{0, granted, "granted", ""},
          {10, granted, "granted", ""},
          {20, granted, "unknown", "Corvane.NoLimit"}}},
        {"the tier's recorded answer lets it through",
         {{0, granted, "granted", ""},
          {10, granted, "granted", ""},
          {20, noLimit + R"(,{"permission":"Group.Donor","held":true}],"outcome":"granted")", "granted", ""},
          {30, noLimit + R"(,{"permission":"Group.Donor","held":true}],"outcome":"granted")", "limit",
           "/Commands/giveitem/MaxUses"}}},
        {"a tier the record holds no answer to",
         {{0, granted, "granted", ""},
          {10, granted, "granted", ""},
          {20, noLimit + R"(],"outcome":"limit")", "unknown", "Group.Donor"}}},
        {"the window's uses leave it",
         {{0, granted, "granted", ""}, {10, granted, "granted", ""}, {102, granted, "granted", ""}}},
        {"held back by uses before the record", {{0, use + R"("outcome":"limit")", "unknown", ""}}},
    };
    for (const auto& story : stories) {
        SCOPED_TRACE(story.story);
        DevHost::Replayer replayer(settings);
        for (const Use& each : story.uses) {
            SCOPED_TRACE(each.at);
            ExpectReplayed(replayer, each.at, {each.members.c_str(), each.outcome, each.detail});
        }
    }
}

TEST(Replayer, AForgiveLineForgivesTheUsesBeforeIt) {
    const Corvane::Settings settings = SettingsOf(
        R"({"Commands": {"fly": {"Cooldown": 60}, "giveitem": {"MaxUses": {"Count": 1, "Per": 100}}}})");
    constexpr const char* kFly = R"("command":"fly","permission":"Cheat.fly","outcome":"granted")";
    constexpr const char* kGiveitem =
        R"("command":"giveitem","permission":"Cheat.giveitem","outcome":"granted")";
    DevHost::Replayer replayer(settings);
    ExpectReplayed(replayer, 0, {kFly, "granted", ""});
    ExpectReplayed(replayer, 0, {kGiveitem, "granted", ""});
    replayer.Forgive(76561198000000001, "fly");
    ExpectReplayed(replayer, 10, {kFly, "granted", ""});
    ExpectReplayed(replayer, 10, {kGiveitem, "unknown", "Corvane.NoLimit"});  // only the name forgiven
    replayer.Forgive(76561198000000001, "");
    ExpectReplayed(replayer, 20, {kGiveitem, "granted", ""});
}

TEST(Replayer, AUseTheNewConfigurationWouldFailIsFailed) {
    constexpr const char* kFly = R"("command":"fly","permission":"Cheat.fly","outcome":"granted")";
    constexpr const char* kGod = R"("command":"god","permission":"Cheat.god","outcome":"granted")";
    const nlohmann::json godAnnouncesNothing = {{"god", {{"Announce", "none"}}}};
    const struct {
        nlohmann::json document;
        const char* members;
        const char* reason;  // empty: granted
    } cases[] = {
        // The gate reads a message up to its first NUL.
        {{{"Messages", {{"LogMsg", std::string("{0} ran {1}\0{", 13)}}}, {"PrintToChat", false}}, kFly, ""},
        {nlohmann::json::array(), kFly, "Messages/LogMsg: [json.exception.type_error.305]"},
        {{{"Messages", {{"LogMsg", "{0} ran {3}"}}}, {"PrintToChat", false}},
         kFly,
         "Messages/LogMsg: argument not found"},
        {{{"Messages", {{"LogMsg", "{0} ran {1}"}}}}, kFly, "PrintToChat: [json.exception.type_error.302]"},
        // An entry's Announce decides instead of PrintToChat, which is then never read.
        {{{"Messages", {{"LogMsg", "{0} ran {1}"}}}, {"Commands", godAnnouncesNothing}}, kGod, ""},
        {{{"Messages", {{"LogMsg", "{0} ran {1}"}}},
          {"PrintToChat", "yes"},
          {"Commands", godAnnouncesNothing}},
         kGod,
         ""},
        {{{"Messages", {{"LogMsg", "{0} ran {1}"}}},
          {"PrintToChat", "yes"},
          {"Commands", godAnnouncesNothing}},
         kFly,
         "PrintToChat: [json.exception.type_error.302]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.document.dump() + c.members);
        const Corvane::Settings settings = Read(c.document);
        DevHost::Replayer replayer(settings);
        const Corvane::AuditEntry entry = Entry(0, c.members);
        const DevHost::Replayed replayed = replayer.Replay(entry, *DevHost::ReplayTime(entry.time));
        EXPECT_EQ(replayed.outcome, *c.reason == 0 ? "granted" : "failed");
        EXPECT_THAT(replayed.reason, ::testing::StartsWith(c.reason));
    }
}

TEST(CarriedUses, ALineIsNamedByItsFnv1aHash) {
    // The published 64-bit FNV-1a values.
    EXPECT_EQ(Corvane::LineHash(""), 0xcbf29ce484222325u);
    EXPECT_EQ(Corvane::LineHash("a"), 0xaf63dc4c8601ec8cu);
    EXPECT_EQ(Corvane::LineHash("foobar"), 0x85944171f73967e8u);
    EXPECT_EQ(Corvane::ParseHash("85944171f73967e8"), 0x85944171f73967e8u);
    for (const char* text : {"85944171F73967E8", "85944171f73967e", "0", "85944171f73967e8 "}) {
        EXPECT_FALSE(Corvane::ParseHash(text)) << text;
    }
}

// Lines replay does not decide again are passed over and counted by name, and
// a use carried over at a rotation counts once: with the line it carries
// when that line is read, else as a use from before the record.
TEST(Replay, ACarriedUseCountsOnceAndLinesOfLaterVersionsArePassedOverByName) {
    const DevHost::ServerDirectory folder = DevHost::ServerDirectory::Temporary("corvane-replay-carried-");
    const auto file = [&](const char* name) { return folder.PluginFolder() / name; };
    std::ofstream(file("new.json")) << R"({"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1}"},
        "Commands": {"fly": {"Cooldown": 60, "MaxArguments": 0}}})";
    const std::string prefix = R"({"time":"2026-12-07T21:00:)";
    const std::string alice = R"(Z","steamId":"76561198000000001",)";
    const std::string original =
        prefix + "00" + alice + R"("command":"fly 1","permission":"Cheat.fly","outcome":"granted"})";
    const std::string current[] = {
        prefix + "00" + alice +
            fmt::format(R"("action":"carried","outcome":"granted","names":["fly"],"carries":"{:016x}"}})",
                        Corvane::LineHash(original)),
        prefix + "10" + alice + R"("action":"summary","outcome":"omitted","omitted":{"refused":3}})",
        prefix + "20" + alice + R"("command":"fly","permission":"Cheat.fly","outcome":"postponed"})",
        prefix + "30" + alice + R"("command":"fly","permission":"Cheat.fly","outcome":"granted"})",
    };
    // Binary, as the plugin writes it: a line's hash covers its bytes.
    std::ofstream out(file("CheatAudit.jsonl"), std::ios::binary);
    for (const std::string& line : current) {
        out << line << '\n';
    }
    out.close();
    const struct {
        const char* story;
        bool rotatedKept;
        std::vector<std::string> changes;  // command: old -> new
        int replayed;
    } stories[] = {
        // Denied now, the use starts no cooldown, and its carried copy none either.
        {"the line it carries is read", true, {"fly 1: granted -> denied"}, 2},
        {"the line it carries is gone", false, {"fly: granted -> unknown"}, 1},
    };
    for (const auto& story : stories) {
        SCOPED_TRACE(story.story);
        std::filesystem::remove(file("CheatAudit.1.jsonl"));
        if (story.rotatedKept) {
            std::ofstream(file("CheatAudit.1.jsonl"), std::ios::binary) << original << '\n';
        }
        std::ostringstream printed;
        std::ostringstream errors;
        const int status =
            DevHost::Replay({{file("CheatAudit.jsonl")}, file("new.json"), true}, printed, errors);
        EXPECT_EQ(status, 1) << errors.str();
        std::vector<nlohmann::json> lines;
        std::istringstream in(printed.str());
        for (std::string line; std::getline(in, line);) {
            lines.push_back(nlohmann::json::parse(line));
        }
        ASSERT_FALSE(lines.empty());
        const nlohmann::json summary = lines.back();
        lines.pop_back();
        std::vector<std::string> changes;
        for (const nlohmann::json& change : lines) {
            changes.push_back(change["command"].get<std::string>() + ": " + change["old"].get<std::string>() +
                              " -> " + change["new"].get<std::string>());
        }
        EXPECT_EQ(changes, story.changes);
        EXPECT_EQ(summary["replayed"], story.replayed);
        EXPECT_EQ(summary["passedOver"], 3);
        EXPECT_EQ(summary["passedOverByName"],
                  nlohmann::json({{"carried", 1}, {"postponed", 1}, {"summary", 1}}));
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

TEST(ReplayReport, TheJsonOutputEscapesWhatTheTextDoes) {
    const Corvane::AuditEntry entry =
        Entry(0, R"("command":"god \u009B\u202Ex","permission":"Cheat.god","outcome":"granted")");
    const Corvane::Settings settings = SettingsOf("{}");
    DevHost::Replayer replayer(settings);
    std::ostringstream out;
    DevHost::ReplayReport report(out, true);
    report.Add(entry, replayer.Replay(entry, *DevHost::ReplayTime(entry.time)));
    EXPECT_THAT(out.str(), ::testing::HasSubstr(R"("command":"god \u009B\u202Ex","old":"granted")"));
    EXPECT_EQ(nlohmann::json::parse(out.str())["command"], "god \u009B\u202Ex");
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

    Corvane::ForwardLines lines(file);
    std::vector<std::string> read;
    while (const auto line = lines.Next()) {
        read.emplace_back(*line);
    }
    EXPECT_THAT(read, ElementsAreArray(written));
}

}  // namespace
