// The report's counts over a record given line by line: a use carried forward
// at a rotation counts once, a line's server, the time range, the flood
// control's summaries, the runs of refusals and the caps on raw lines.
#include <gtest/gtest.h>

#include <fmt/format.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/audit/AuditEntry.h"
#include "core/audit/RecordedUses.h"
#include "devhost/report/ReportBuilder.h"
#include "devhost/report/ReportLine.h"

namespace {

using DevHost::Report::KeptLineCaps;
using DevHost::Report::ReportBuilder;
using DevHost::Report::TimeRange;
using nlohmann::json;

// A /cheat line of player 7656119800000000<player> at 2026-12-07T<clock>Z.
std::string Cheat(const std::string& clock, int player, const std::string& command,
                  const std::string& outcome, const std::string& more = "") {
    return fmt::format(R"({{"time":"2026-12-07T{}Z","steamId":"7656119800000000{}","character":"p{}",)"
                       R"("command":"{}","outcome":"{}"{}}})",
                       clock, player, player, command, outcome, more);
}

std::string Carried(const std::string& original) {
    const auto line = DevHost::Report::ParseReportLine(original);
    return fmt::format(
        R"({{"time":"{}","steamId":"{}","action":"carried","outcome":"granted","names":["{}"],)"
        R"("carries":"{:016x}"}})",
        Corvane::UtcText(line->time), line->steamId, line->name, Corvane::LineHash(original));
}

// Each file's lines, the files read in turn, each file its own server "s<n>".
json Report(const std::vector<std::vector<std::string>>& files, TimeRange range = {},
            KeptLineCaps caps = {}) {
    ReportBuilder builder(range, caps);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::size_t file = builder.AddFile("f" + std::to_string(i), "s" + std::to_string(i));
        for (const std::string& line : files[i]) {
            builder.Add(file, line);
        }
    }
    return json::parse(std::move(builder).Finish(std::chrono::sys_seconds{}).first);
}

// Lines (or, with omitted, turn-aways counted by summaries) of an outcome.
std::uint64_t OutcomeCount(const json& data, const std::string& word, bool omitted = false) {
    for (const json& entry : data["outcomeCounts"]) {
        if (data["outcomes"][entry[0].get<std::size_t>()] == word) {
            return entry[omitted ? 2 : 1];
        }
    }
    return 0;
}

TEST(ReportBuilder, AUseCarriedForwardAtARotationCountsOnce) {
    const std::string use = Cheat("10:00:00", 1, "fly", "granted");
    const std::string other = Cheat("10:00:05", 2, "god", "granted");
    const struct {
        const char* name;
        std::vector<std::vector<std::string>> files;
        std::uint64_t granted, fromCarried;
    } cases[] = {
        {"original, then carried", {{use}, {Carried(use)}}, 1, 0},
        {"carried, its original gone", {{Carried(use)}}, 1, 1},
        {"carried twice over, its original gone", {{Carried(use)}, {Carried(use), other}}, 2, 1},
        {"carried again after its original", {{use}, {Carried(use)}, {Carried(use)}}, 1, 0},
        {"two same lines, both carried", {{use, use}, {Carried(use), Carried(use)}}, 2, 0},
        {"one of two same lines left", {{use}, {Carried(use), Carried(use)}}, 2, 1},
        {"carried in the same file as its original", {{use, Carried(use)}}, 1, 0},
        {"a carried forgive line, its original gone",
         {{R"({"time":"2026-12-07T10:00:00Z","steamId":"1","action":"carried","outcome":"forgiven","carries":"00000000000000ff"})"}},
         0,
         0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const json data = Report(c.files);
        EXPECT_EQ(OutcomeCount(data, "granted"), c.granted);
        EXPECT_EQ(data["carried"][1], c.fromCarried);
    }
}

TEST(ReportBuilder, ALinesServerIsItsMemberElseItsFiles) {
    const json data = Report({{Cheat("10:00:00", 1, "fly", "granted"),
                               Cheat("10:00:01", 1, "fly", "granted", R"(,"server":"cave")")},
                              {Cheat("10:00:02", 2, "god", "refused")}});
    EXPECT_EQ(data["servers"], json({"s0", "cave", "s1"}));
    std::map<std::string, std::uint64_t> byServer;
    for (const json& cell : data["uses"]) {
        byServer[data["servers"][cell[1].get<std::size_t>()]] += cell[4].get<std::uint64_t>();
    }
    EXPECT_EQ(byServer, (std::map<std::string, std::uint64_t>{{"s0", 1}, {"s1", 1}, {"cave", 1}}));
    EXPECT_EQ(data["files"][0], json({"f0", 0, 2, 0}));
}

TEST(ReportBuilder, TheTimeRangeHoldsBothEndsAndInvalidLinesAreCounted) {
    const auto at = [](const char* text) { return *Corvane::ParseUtcTime(text); };
    const json data = Report(
        {{Cheat("09:59:59", 1, "fly", "granted"), Cheat("10:00:00", 1, "fly", "granted"), "not JSON",
          Cheat("11:00:00", 1, "fly", "refused"), Cheat("11:00:01", 1, "fly", "granted"), R"({"time":"x"})"}},
        {at("2026-12-07T10:00:00Z"), at("2026-12-07T11:00:00Z")});
    EXPECT_EQ(OutcomeCount(data, "granted"), 1U);
    EXPECT_EQ(OutcomeCount(data, "refused"), 1U);
    EXPECT_EQ(data["figures"]["outside"], 2);
    EXPECT_EQ(data["figures"]["invalid"], 2);
    EXPECT_EQ(data["files"][0][3], 2);
    EXPECT_EQ(data["first"], at("2026-12-07T10:00:00Z").time_since_epoch().count());
}

TEST(ReportBuilder, SummariesCountTheirTurnAwaysApartAndUnknownWordsUnderTheirNames) {
    const json data = Report({{
        Cheat("10:00:00", 1, "fly", "refused"),
        R"({"time":"2026-12-07T10:02:00Z","steamId":"76561198000000001","action":"summary","outcome":"omitted",)"
        R"("from":"2026-12-07T10:00:10Z","to":"2026-12-07T10:00:50Z","omitted":{"refused":3890,"limit":2}})",
        Cheat("10:03:00", 1, "fly", "exploded"),
        R"({"time":"2026-12-07T10:04:00Z","steamId":"76561198000000001","action":"dance","outcome":"done"})",
    }});
    EXPECT_EQ(OutcomeCount(data, "refused"), 1U);
    EXPECT_EQ(OutcomeCount(data, "refused", true), 3890U);
    EXPECT_EQ(OutcomeCount(data, "limit", true), 2U);
    EXPECT_EQ(OutcomeCount(data, "exploded"), 1U);
    const json& player = data["players"][0];
    EXPECT_EQ(player[4], 3892);  // counted by summaries
    EXPECT_EQ(player[5], 1);     // the line of an action the report does not know
    EXPECT_EQ(player[6], 4);
    std::set<std::string> actions;
    for (const json& action : data["actions"]) {
        actions.insert(action[0].get<std::string>() + "/" +
                       data["outcomes"][action[1].get<std::size_t>()].get<std::string>());
    }
    EXPECT_EQ(actions, (std::set<std::string>{"dance/done", "summary/omitted"}));
    // The summary's counts stand under a command of their own in the charts' counts.
    std::uint64_t summaryCommand = 0;
    for (const json& cell : data["uses"]) {
        if (cell[2] == data["chartCommands"].get<std::uint64_t>() + 1) {
            summaryCommand += cell[4].get<std::uint64_t>();
        }
    }
    EXPECT_EQ(summaryCommand, 3892U);
}

TEST(ReportBuilder, RunsOfRefusalsFromOnePlayerOnOneServer) {
    const auto refusals = [](std::initializer_list<const char*> clocks, int player = 1) {
        std::vector<std::string> lines;
        for (const char* clock : clocks) {
            lines.push_back(Cheat(clock, player, "god", "refused"));
        }
        return lines;
    };
    const struct {
        const char* name;
        std::vector<std::vector<std::string>> files;
        std::vector<std::uint64_t> runs;  // lines of each run, the most recent first
    } cases[] = {
        {"five within a minute of each other",
         {refusals({"10:00:00", "10:01:00", "10:02:00", "10:03:00", "10:04:00"})},
         {5}},
        {"four are no run", {refusals({"10:00:00", "10:00:01", "10:00:02", "10:00:03"})}, {}},
        {"a gap over a minute ends a run",
         {refusals({"10:00:00", "10:00:01", "10:00:02", "10:00:03", "10:01:04", "10:01:05"})},
         {}},
        {"two runs",
         {refusals({"10:00:00", "10:00:01", "10:00:02", "10:00:03", "10:00:04", "11:00:00", "11:00:01",
                    "11:00:02", "11:00:03", "11:00:04", "11:00:05"})},
         {6, 5}},
        {"two servers make no run",
         {refusals({"10:00:00", "10:00:01", "10:00:02"}), refusals({"10:00:03", "10:00:04"})},
         {}},
        {"two players make no run",
         {[&] {
             auto lines = refusals({"10:00:00", "10:00:01", "10:00:02"});
             auto more = refusals({"10:00:03", "10:00:04"}, 2);
             lines.insert(lines.end(), more.begin(), more.end());
             return lines;
         }()},
         {}},
        {"a granted use does not end a run",
         {[&] {
             auto lines = refusals({"10:00:00", "10:00:01", "10:00:02"});
             lines.push_back(Cheat("10:00:03", 1, "fly", "granted"));
             auto more = refusals({"10:00:04", "10:00:05"});
             lines.insert(lines.end(), more.begin(), more.end());
             return lines;
         }()},
         {5}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint64_t> runs;
        const json data = Report(c.files);
        for (const json& run : data["runs"]) {
            runs.push_back(run[4]);
        }
        EXPECT_EQ(runs, c.runs);
    }
}

TEST(ReportBuilder, RawLinesAreCappedKeepingTheRecentThenTheTurnAwaysThenTheRecordsOwn) {
    const std::vector<std::string> lines = {
        Cheat("10:00:00", 1, "fly", "granted"),  // left out
        Cheat("10:00:01", 1, "fly", "refused"),  // left out: two more recent turn-aways
        R"({"time":"2026-12-07T10:00:02Z","steamId":"76561198000000002","action":"reload","outcome":"reloaded"})",
        Cheat("10:00:03", 1, "fly", "denied"),
        Cheat("10:00:04", 2, "god", "granted"),  // left out
        Cheat("10:00:05", 1, "fly", "rejected"),
        Cheat("10:00:07", 2, "god", "granted"),
        Cheat("10:00:06", 1, "god", "granted"),  // read after a newer line: kept by its time
    };
    const json data = Report({lines}, {}, {.recent = 2, .notGranted = 2, .record = 1});
    std::vector<std::int64_t> kept;
    for (const json& line : data["lines"]) {
        kept.push_back(line[0].get<std::int64_t>() % 60);
    }
    EXPECT_EQ(kept, (std::vector<std::int64_t>{2, 3, 5, 6, 7}));
    EXPECT_EQ(data["figures"]["leftOut"], 3);
    EXPECT_EQ(data["figures"]["shown"], 5);
    // Every line still counts, and each player's row says how many of theirs are shown.
    EXPECT_EQ(OutcomeCount(data, "granted"), 4U);
    EXPECT_EQ(data["players"][0][6], 5);
    EXPECT_EQ(data["players"][0][7], 3);
}

TEST(ReportBuilder, AReloadWrittenToBothAuditFilesCountsOnce) {
    const std::string reload =
        R"({"time":"2026-12-07T10:00:02Z","steamId":"76561198000000002","action":"reload","outcome":"reloaded",)"
        R"("auditLog":"/srv/b.jsonl","previousAuditLog":"/srv/a.jsonl"})";
    const std::string other = Cheat("10:00:03", 1, "fly", "granted");
    const struct {
        const char* name;
        std::vector<std::vector<std::string>> files;
        std::uint64_t reloads, shown;
    } cases[] = {
        {"in the file it left and the one it moved to", {{reload}, {other, reload}}, 1, 2},
        {"twice in one file: two reloads within a second", {{reload, reload}}, 2, 2},
        {"twice in each of two files", {{reload, reload}, {reload, reload}}, 2, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const json data = Report(c.files);
        // The reload line is each record's first: its outcome's id is 0.
        EXPECT_EQ(data["actions"], json::parse(R"([["reload", 0, )" + std::to_string(c.reloads) + "]]"));
        EXPECT_EQ(data["figures"]["shown"], c.shown);
    }
}

TEST(ReportBuilder, UsesAreCountedByHourForUpToThreeDaysElseByDay) {
    const std::string first = Cheat("10:00:00", 1, "fly", "granted");
    const auto later = [](const char* time) {
        return fmt::format(R"({{"time":"{}","steamId":"1","command":"fly","outcome":"granted"}})", time);
    };
    const json hours = Report({{first, later("2026-12-10T10:00:00Z")}});
    EXPECT_EQ(hours["bucket"], 3600);
    EXPECT_EQ(hours["uses"].back()[0], 72);
    const json days = Report({{first, later("2026-12-10T10:00:01Z")}});
    EXPECT_EQ(days["bucket"], 86400);
    EXPECT_EQ(days["uses"].back()[0], 3);
}

TEST(ReportBuilder, NoTextOfTheRecordCanEndTheScriptElementThatHoldsTheData) {
    const std::string hostile = "<\\/script></script><!-- <img src=x onerror=alert(1)> \xE2\x80\xA8 &amp;";
    ReportBuilder builder({});
    builder.Add(
        builder.AddFile("</script>", "<b>"),
        Cheat("10:00:00", 1, json(hostile).dump().substr(1, json(hostile).dump().size() - 2), "refused"));
    const std::string data = std::move(builder).Finish(std::chrono::sys_seconds{}).first;
    for (const char* forbidden : {"<", ">", "&", "\xE2\x80\xA8"}) {
        EXPECT_EQ(data.find(forbidden), std::string::npos) << forbidden;
    }
    const json parsed = json::parse(data);
    EXPECT_EQ(parsed["lines"][0][6], hostile);
    EXPECT_EQ(parsed["servers"][0], "<b>");
}

}  // namespace
