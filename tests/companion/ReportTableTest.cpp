// corvane-devhost report read from the cluster's table, run as an operator
// runs it against a real MariaDB server: dev hosts with the real plugin write
// and rotate their audit files (carried lines and the flood control's
// summaries among them) while their companions copy them to the table, and
// the page of the table holds the data of the page of the files, over the
// whole record and within a time range that cuts through runs of carried
// lines; broken rows are counted as invalid lines; what keeps the table from
// being read is named, and the password never is.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include <fmt/chrono.h>
#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "core/settings/AuditPath.h"
#include "tests/companion/ClusterFixture.h"
#include "tests/companion/Processes.h"

namespace CompanionTests {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using namespace std::chrono_literals;

// Uses within the longest window are carried at a rotation: an hour's
// cooldown and a file every half hour or so of the record carry a use twice.
constexpr const char* kPluginConfig =
    R"(config {"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.", )"
    R"("Sender": "Server"}, "AuditLog": "CheatAudit.jsonl", "AuditRotate": {"MaxBytes": 65536, "Keep": 100}, )"
    R"("Deny": ["quit"], "Commands": {"fly": {"Cooldown": 3600}}})";

// A dev host script: three players, who play on every server, in rounds of
// ten lines a minute apart; now and then a burst of refusals the flood
// control counts, and a reload.
std::string Script(int server, int rounds) {
    std::string script = std::string(kPluginConfig) + "\nreload\n";
    for (const char* name : {"alice", "bob", "carol"}) {
        script += fmt::format("join {} 7656119800000000{}\n", name,
                              name[0] == 'a'   ? 1
                              : name[0] == 'b' ? 2
                                               : 3);
    }
    script += "grant alice Cheat.fly\ngrant alice Cheat.giveitem\ngrant alice Corvane.Reload\n";
    script += "grant carol Cheat.giveitem\n";
    for (int round = 0; round < rounds; ++round) {
        script += fmt::format(
            "say alice /cheat fly\nsay alice /cheat giveitem Pick {0}\nsay carol /cheat giveitem Rope {1}\n"
            "say bob /cheat fly\nsay carol /cheat quit\nsay alice /cheat giveitem Axe {2}\n"
            "say carol /cheat giveitem Axe {0}\nsay bob /cheat giveitem Pick 1\nsay alice /cheat fly | god\n",
            round % 97, round % 13, server);
        if (round % 23 == 5) {
            for (int burst = 0; burst < 14; ++burst) {
                script += "say bob /cheat spawn Wolf\n";
            }
        }
        script += round % 31 == 30 ? "say alice /corvane reload\n" : "say carol /cheat fly\n";
        script += "wait 60\n";
    }
    return script + "quit\n";
}

class ReportTableTest : public ClusterTest {
protected:
    // Runs the report with arguments; its exit status, its output in output.
    int Report(const std::vector<std::string>& arguments, std::string& output,
               const std::string& password = kPassword) {
        std::vector<std::string> command = {fs::path(DEVHOST_PROGRAM).string(), "report"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const fs::path file = folder_ / "report.log";
        fs::remove(file);
        const int status = RunToEnd(command, file, {"TEST_DB_PASSWORD=" + password});
        output = ReadText(file);
        return status;
    }
    // The data a page holds, without what names the sources and the time it was made.
    static json PageData(const fs::path& page) {
        const std::string text = ReadText(page);
        const std::string start = R"(<script type="application/json" id="report-data">)";
        const std::size_t from = text.find(start);
        const std::size_t to = text.find("</script>", from);
        if (from == std::string::npos || to == std::string::npos) {
            ADD_FAILURE() << "no data in " << Corvane::PathText(page);
            return {};
        }
        json data = json::parse(text.substr(from + start.size(), to - from - start.size()));
        data.erase("files");
        data.erase("generated");
        return data;
    }
    void MakeTables() {
        std::ifstream schema(SCHEMA_FILE);
        std::stringstream text;
        text << schema.rdbuf();
        Sql(fmt::format("USE {}; {}", db_, text.str()));
    }
    std::string PageOf(const std::string& name) const { return Corvane::PathText(folder_ / name); }
};

std::string UtcText(std::chrono::sys_seconds time) {
    return fmt::format("{:%Y-%m-%dT%H:%M:%S}Z", time);
}

TEST_F(ReportTableTest, TheTableGivesThePageOfTheServersFiles) {
    std::vector<GameServer> servers;
    std::vector<pid_t> hosts, companions;
    for (int i = 0; i < 3; ++i) {
        const std::string name(1, static_cast<char>('a' + i));
        const fs::path dir = folder_ / name / "server";
        servers.push_back(AddServer(name, dir / "Velkor/Plugins/Corvane/CheatAudit.jsonl", 100));
        companions.push_back(StartCompanion(servers.back()));
        const fs::path script = folder_ / name / "record.script";
        std::ofstream(script) << Script(i, 160);
        hosts.push_back(
            Spawn({fs::path(DEVHOST_PROGRAM).string(), "--server-dir", dir.string(), script.string()}, {},
                  folder_ / name / "devhost.log"));
    }
    std::size_t lines = 0;
    std::vector<std::string> named;
    for (std::size_t i = 0; i < servers.size(); ++i) {
        ASSERT_EQ(WaitFor(hosts[i], 300s), 0) << ReadText(folder_ / servers[i].name / "devhost.log");
        StopCompanion(companions[i]);
        ASSERT_EQ(RunUntilIdle(servers[i]), 0) << ReadText(servers[i].Output());
        ASSERT_TRUE(fs::exists(Corvane::RotatedAuditFile(servers[i].Audit(), 3)));
        for (unsigned file = 0; fs::exists(Corvane::RotatedAuditFile(servers[i].Audit(), file)); ++file) {
            lines += Lines(Corvane::RotatedAuditFile(servers[i].Audit(), file)).size();
        }
        named.insert(named.end(), {"--name", servers[i].name + "=" + Corvane::PathText(servers[i].Audit())});
    }
    ASSERT_EQ(Rows(), lines);
    ASSERT_GT(Rows("action = 'carried'"), 0U);

    // The whole record, and a range from its first half hour to two thirds of
    // its span: uses carried past the range's end stand in files whose own
    // lines lie beyond it.
    const auto timeOf = [this](const char* which) {
        return std::chrono::sys_seconds(std::chrono::seconds(std::stoll(
            Sql(fmt::format("SELECT TIMESTAMPDIFF(SECOND, '1970-01-01', {}(time)) FROM {}", which, Table()))
                .at(0))));
    };
    const std::chrono::sys_seconds first = timeOf("MIN"), last = timeOf("MAX");
    const std::vector<std::vector<std::string>> ranges = {
        {}, {"--from", UtcText(first + 30min), "--to", UtcText(first + (last - first) * 2 / 3)}};
    for (const auto& range : ranges) {
        SCOPED_TRACE(range.empty() ? "the whole record" : range[1] + " to " + range[3]);
        std::vector<std::string> fromFiles = named;
        fromFiles.insert(fromFiles.end(), range.begin(), range.end());
        fromFiles.insert(fromFiles.end(), {"-o", PageOf("files.html")});
        std::vector<std::string> fromTable = {"--cluster", Corvane::PathText(servers[0].Config())};
        fromTable.insert(fromTable.end(), range.begin(), range.end());
        fromTable.insert(fromTable.end(), {"-o", PageOf("table.html")});
        std::string filesSaid, tableSaid;
        ASSERT_EQ(Report(fromFiles, filesSaid), 0) << filesSaid;
        ASSERT_EQ(Report(fromTable, tableSaid), 0) << tableSaid;
        EXPECT_EQ(tableSaid.substr(tableSaid.find(':')), filesSaid.substr(filesSaid.find(':')));
        EXPECT_EQ(tableSaid.find(kPassword), std::string::npos);

        const json files = PageData(folder_ / "files.html");
        const json table = PageData(folder_ / "table.html");
        EXPECT_EQ(table, files) << json::diff(files, table).dump().substr(0, 2000);
        EXPECT_EQ(table["servers"], json::array({"a", "b", "c"}));
        EXPECT_GT(table["carried"][0], 0);
        EXPECT_EQ(table["carried"][1], 0) << "every carried use has its original in the table";
        EXPECT_NE(table["actions"].dump().find(R"("summary")"), std::string::npos);
    }
}

TEST_F(ReportTableTest, BrokenRowsAreCountedAsInvalidLinesAndRowsOutsideTheRangeAsOutside) {
    MakeTables();
    const std::string good =
        R"({"time":"2026-02-01T10:00:00Z","steamId":"76561198000000001","character":"c","command":"fly",)"
        R"("permission":"Cheat.fly","outcome":"granted"})";
    const std::string early =
        R"({"time":"2026-01-01T10:00:00Z","steamId":"76561198000000001","character":"c","command":"fly",)"
        R"("permission":"Cheat.fly","outcome":"refused"})";
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"2026-02-01 10:00:00", good},
        {"2026-01-01 10:00:00", early},
        {"2026-02-01 10:00:00", "not JSON"},
        {"2026-02-01 10:00:00", ""},
        {"2026-02-01 10:00:00", R"({"time":"2026-02-01T10:00:00Z","steamId":"1","outcome":"granted"})"},
        {"2026-02-01 10:00:00", R"(["a list"])"},
    };
    for (std::size_t seq = 0; seq < rows.size(); ++seq) {
        Sql(fmt::format(
            "INSERT INTO {} (server, instance, seq, time, line) VALUES ('a', '{}', {}, '{}', '{}')", Table(),
            std::string(32, 'e'), seq + 1, rows[seq].first, rows[seq].second));
    }
    const fs::path config = folder_ / "config.json";
    std::ofstream(config) << fmt::format(R"({{"Cluster": {{"Database": {{{}}}}}}})", DatabaseMembers());
    std::string said;
    ASSERT_EQ(Report({"--cluster", Corvane::PathText(config), "-o", PageOf("page.html")}, said), 0) << said;
    EXPECT_NE(said.find("6 lines read (4 invalid, 0 outside the time range), 1 server; 2 lines"),
              std::string::npos)
        << said;
    ASSERT_EQ(
        Report({"--cluster", Corvane::PathText(config), "--from", "2026-01-15", "-o", PageOf("page.html")},
               said),
        0)
        << said;
    EXPECT_NE(said.find("6 lines read (4 invalid, 1 outside the time range), 1 server; 1 lines"),
              std::string::npos)
        << said;
    const json data = PageData(folder_ / "page.html");
    EXPECT_EQ(data["figures"]["invalid"], 4);
    EXPECT_EQ(data["outcomeCounts"], json::parse("[[0, 1, 0]]"));
}

TEST_F(ReportTableTest, WhatKeepsTheTableFromBeingReadIsNamedAndThePasswordNever) {
    MakeTables();
    Sql(fmt::format("CREATE USER reader@'%' IDENTIFIED BY '{0}'; GRANT SELECT ON {1}.* TO reader@'%'",
                    kPassword, db_));
    const std::string port = std::to_string(Database().Port());
    struct Case {
        std::string name;
        std::string cluster;   // the Cluster member's text
        std::string password;  // in TEST_DB_PASSWORD
        std::string says;      // empty: the page is written
    } cases[] = {
        {"a reader that may only SELECT",
         fmt::format(
             R"({{"Database": {{"Port": {}, "User": "reader", "Name": "{}", "PasswordEnv": "TEST_DB_PASSWORD"}}}})",
             port, db_),
         kPassword, ""},
        {"wrong password", fmt::format(R"({{"Database": {{{}}}}})", DatabaseMembers()), "wrong-pw-31337",
         "refused user corvane: check User and the password"},
        {"no table", fmt::format(R"({{"Database": {{{}, "Table": "nothere"}}}})", DatabaseMembers()),
         kPassword, "The table nothere is missing in the database"},
        {"no server there", fmt::format(R"({{"Database": {{{}}}}})", DatabaseMembers(FreePort())), kPassword,
         "Can't reach the database server at 127.0.0.1:"},
        {"no database member", R"({"Server": "a"})", kPassword, "/Cluster/Database: missing"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        const fs::path config = folder_ / "config.json";
        std::ofstream(config) << R"({"Cluster": )" << test.cluster << "}";
        fs::remove(folder_ / "page.html");
        std::string said;
        const int status =
            Report({"--cluster", Corvane::PathText(config), "-o", PageOf("page.html")}, said, test.password);
        EXPECT_EQ(status, test.says.empty() ? 0 : 2) << said;
        EXPECT_EQ(fs::exists(folder_ / "page.html"), test.says.empty());
        EXPECT_NE(said.find(test.says), std::string::npos) << said;
        EXPECT_EQ(said.find(kPassword), std::string::npos);
        EXPECT_EQ(said.find("wrong-pw-31337"), std::string::npos);
    }
    Sql(fmt::format("INSERT INTO {}_schema (version) VALUES (2)", Table()));
    std::ofstream(folder_ / "config.json")
        << fmt::format(R"({{"Cluster": {{"Database": {{{}}}}}}})", DatabaseMembers());
    std::string said;
    EXPECT_EQ(
        Report({"--cluster", Corvane::PathText(folder_ / "config.json"), "-o", PageOf("page.html")}, said),
        2);
    EXPECT_NE(said.find("The table corvane_audit has schema version 2; this report reads version 1"),
              std::string::npos)
        << said;
}

}  // namespace
}  // namespace CompanionTests
