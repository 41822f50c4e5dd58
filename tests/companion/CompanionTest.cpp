// The companion run as an operator runs it, against a real MariaDB server:
// every line copied exactly once through kills, rotations and a lost audit
// folder; other servers' uses brought into the feed without skipping a row
// or letting a broken one through; and what the check names when the
// database can't be used.
#include <gtest/gtest.h>
#include <mysql.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <random>
#include <sstream>
#include <thread>

#include <fmt/format.h>

#include "tests/companion/ClusterFixture.h"
#include "tests/companion/Processes.h"

namespace CompanionTests {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::vector<std::string> Numbered(const std::string& server, int from, int count) {
    std::vector<std::string> lines;
    for (int i = from; i < from + count; ++i) {
        lines.push_back(AuditLine(server, "76561198000000001", fmt::format("giveitem {}", i)));
    }
    return lines;
}

class CompanionTest : public ClusterTest {
protected:
    // The server's lines in the table, in the order of their sequence numbers;
    // fails unless they are numbered 1, 2, 3... within each instance.
    std::vector<std::string> Copied(const std::string& server) {
        const auto gaps =
            Sql(fmt::format("SELECT COUNT(*) FROM (SELECT instance, COUNT(*) c, MAX(seq) m FROM {} WHERE "
                            "server = '{}' GROUP BY "
                            "instance) s WHERE c <> m",
                            Table(), server));
        EXPECT_EQ(gaps.at(0), "0") << "sequence numbers with gaps or repeats";
        return Sql(fmt::format("SELECT line FROM {} WHERE server = '{}' ORDER BY id", Table(), server));
    }
    // Rows of other servers, as planted by a writer of the test.
    void Insert(MYSQL* mysql, const std::string& server, int seq, const std::string& line) {
        const std::string sql = fmt::format(
            "INSERT INTO {} (server, instance, seq, time, outcome, line) VALUES ('{}', '{}', {}, "
            "UTC_TIMESTAMP(), "
            "'granted', '{}')",
            Table(), server, std::string(32, 'f'), seq, line);
        ASSERT_EQ(mysql_query(mysql, sql.c_str()), 0) << mysql_error(mysql);
    }
    MYSQL* Connect() {
        MYSQL* mysql = mysql_init(nullptr);
        EXPECT_NE(mysql_real_connect(mysql, nullptr, "root", nullptr, db_.c_str(), 0,
                                     Database().Socket().c_str(), 0),
                  nullptr);
        return mysql;
    }
    // The feed's lines other than heartbeats.
    static std::vector<std::string> FeedLines(const GameServer& server) {
        std::vector<std::string> lines;
        for (const std::string& line : Lines(server.Feed())) {
            if (line.find(R"("action":"heartbeat")") == std::string::npos) {
                lines.push_back(line);
            }
        }
        return lines;
    }
    static std::string Log(const GameServer& server) { return ReadText(server.Output()); }
};

TEST_F(CompanionTest, EveryLineOnceInOrderThroughKillsOfTheCompanionAndRotations) {
    const GameServer server = AddServer("a", {}, 50);
    std::vector<std::string> written;
    std::mt19937 random(7);
    for (int round = 0; round < 6; ++round) {
        const pid_t companion = StartCompanion(server);
        for (int chunk = 0; chunk < 10; ++chunk) {
            const auto lines = Numbered("a", static_cast<int>(written.size()), 300);
            Append(server.Audit(), lines);
            written.insert(written.end(), lines.begin(), lines.end());
            if (chunk % 4 == 3) {
                Rotate(server.Audit(), 50);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(random() % 40));
        }
        ::kill(companion, SIGKILL);  // mid-copy, as often as not
        WaitFor(companion, 5s);
        std::erase(companions_, companion);
    }
    ASSERT_EQ(RunUntilIdle(server), 0) << Log(server);
    EXPECT_EQ(Copied("a"), written);
    EXPECT_EQ(Rows(), written.size());
}

TEST_F(CompanionTest, ARotatedFileDeletedBeforeItWasCopiedIsLoggedAsNotCopied) {
    const GameServer server = AddServer("a", {}, 1);
    std::vector<std::vector<std::string>> parts;
    for (int part = 0; part < 4; ++part) {
        parts.push_back(Numbered("a", part * 5, 5));
    }
    Append(server.Audit(), parts[0]);
    ASSERT_EQ(RunUntilIdle(server), 0);
    Append(server.Audit(), parts[1]);
    Rotate(server.Audit(), 1);
    Append(server.Audit(), parts[2]);
    Rotate(server.Audit(), 1);  // the file with lines 5 to 9 is deleted
    Append(server.Audit(), parts[3]);
    ASSERT_EQ(RunUntilIdle(server), 0);
    EXPECT_NE(Log(server).find("Not copied"), std::string::npos) << Log(server);
    std::vector<std::string> expected = parts[0];
    expected.insert(expected.end(), parts[2].begin(), parts[2].end());
    expected.insert(expected.end(), parts[3].begin(), parts[3].end());
    EXPECT_EQ(Copied("a"), expected);
}

TEST_F(CompanionTest, ALostAuditFolderStartsANewInstanceAndGetsItsOwnUsesBack) {
    const GameServer server = AddServer("a");
    const GameServer other = AddServer("b");
    Append(other.Audit(), Numbered("b", 0, 2));
    ASSERT_EQ(RunUntilIdle(other), 0);
    Append(server.Audit(), Numbered("", 0, 4));  // written before Cluster was configured
    ASSERT_EQ(RunUntilIdle(server), 0);
    // A new instance's own uses are in its audit file: only b's reach the feed.
    EXPECT_EQ(FeedLines(server).size(), 2U);
    for (const auto& entry : fs::directory_iterator(server.folder)) {
        if (entry.path().filename() != "config.json" && entry.path().filename() != "companion.log") {
            fs::remove(entry.path());
        }
    }
    Append(server.Audit(), Numbered("a", 4, 3));
    ASSERT_EQ(RunUntilIdle(server), 0) << Log(server);
    EXPECT_EQ(Copied("a").size(), 7U);
    EXPECT_EQ(Sql(fmt::format("SELECT COUNT(DISTINCT instance) FROM {} WHERE server = 'a'", Table())).at(0),
              "2");
    // The uses of the instance whose folder was lost come back; the new one's
    // are in its audit file.
    const auto feed = FeedLines(server);
    EXPECT_EQ(feed.size(), 4U + 2U);
    for (const std::string& line : feed) {
        EXPECT_NE(line.find(R"("server":)"), std::string::npos) << line;
    }
    // A restart with the feed in place adds nothing twice.
    ASSERT_EQ(RunUntilIdle(server), 0);
    EXPECT_EQ(FeedLines(server), feed);
}

TEST_F(CompanionTest, TwoServersSharingAFileEachCopyTheirOwnLines) {
    const fs::path shared = folder_ / "shared.jsonl";
    const GameServer a = AddServer("a", shared);
    const GameServer b = AddServer("b", shared);
    Append(shared, {AuditLine("a", "1", "fly"), AuditLine("b", "2", "fly"), AuditLine("", "3", "fly"),
                    AuditLine("b", "4", "god"), AuditLine("a", "5", "god")});
    ASSERT_EQ(RunUntilIdle(a), 0);
    ASSERT_EQ(RunUntilIdle(b), 0);
    EXPECT_EQ(Sql(fmt::format("SELECT steam_id FROM {} WHERE server = 'a' ORDER BY seq", Table())),
              (std::vector<std::string>{"1", "3", "5"}));
    EXPECT_EQ(Sql(fmt::format("SELECT steam_id FROM {} WHERE server = 'b' ORDER BY seq", Table())),
              (std::vector<std::string>{"2", "3", "4"}));
    // The server-less line reaches the other server's feed named for its copier.
    ASSERT_EQ(RunUntilIdle(a), 0);
    std::vector<std::string> fromB;
    for (const std::string& line : FeedLines(a)) {
        if (line.find(R"("server":"b")") != std::string::npos) {
            fromB.push_back(line.substr(line.find("steamId") + 10, 1));
        }
    }
    EXPECT_EQ(fromB, (std::vector<std::string>{"2", "3", "4"}));
}

TEST_F(CompanionTest, PollingSkipsNoRowMadeVisibleOutOfOrder) {
    const GameServer server = AddServer("a");
    ASSERT_EQ(RunUntilIdle(server), 0);  // makes the table
    StartCompanion(server);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(server.Feed()); }, 10s));
    // A transaction takes a lower id and commits after a higher one is seen.
    MYSQL* slow = Connect();
    MYSQL* fast = Connect();
    ASSERT_EQ(mysql_query(slow, "START TRANSACTION"), 0);
    Insert(slow, "b", 1, AuditLine("b", "11", "giveitem slow"));
    Insert(fast, "c", 1, AuditLine("c", "12", "giveitem fast"));
    ASSERT_TRUE(WaitUntil([&] { return FeedLines(server).size() == 1; }, 5s));
    std::this_thread::sleep_for(1s);  // several polls see the higher id alone
    ASSERT_EQ(mysql_query(slow, "COMMIT"), 0);
    ASSERT_TRUE(WaitUntil([&] { return FeedLines(server).size() == 2; }, 5s)) << Log(server);
    mysql_close(slow);
    mysql_close(fast);

    // Writers at once, in transactions of every size.
    std::atomic<int> written{0};
    std::vector<std::thread> writers;
    for (int writer = 0; writer < 4; ++writer) {
        writers.emplace_back([&, writer] {
            MYSQL* mysql = Connect();
            std::mt19937 random(static_cast<unsigned>(writer));
            const std::string name = fmt::format("w{}", writer);
            for (int seq = 1; seq <= 150;) {
                mysql_query(mysql, "START TRANSACTION");
                for (unsigned n = random() % 8 + 1; n > 0 && seq <= 150; --n, ++seq) {
                    Insert(mysql, name, seq, AuditLine(name, "13", fmt::format("giveitem {}", seq)));
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(random() % 30));
                mysql_query(mysql, "COMMIT");
            }
            written += 150;
            mysql_close(mysql);
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    ASSERT_TRUE(WaitUntil([&] { return FeedLines(server).size() == 2U + 600U; }, 10s))
        << FeedLines(server).size();
    std::this_thread::sleep_for(1s);
    auto lines = FeedLines(server);
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(std::adjacent_find(lines.begin(), lines.end()), lines.end()) << "a row twice in the feed";
    EXPECT_EQ(lines.size(), 602U);
}

TEST_F(CompanionTest, BrokenRowsOfOtherServersAreCountedAndKeptOut) {
    const GameServer server = AddServer("a");
    ASSERT_EQ(RunUntilIdle(server), 0);
    StartCompanion(server);
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(server.Feed()); }, 10s));
    MYSQL* mysql = Connect();
    const std::string time = AuditLine("", "1", "x").substr(0, 30);
    ASSERT_EQ(mysql_query(mysql, "START TRANSACTION"), 0);
    Insert(mysql, "b", 1, "{not json");
    Insert(mysql, "b", 2,
           time + R"(,"server":"b","steamId":"7","command":")" + std::string(16500, 'x') +
               R"(","outcome":"granted"})");
    Insert(mysql, "b", 3,
           time + R"(,"server":"b","steamId":"123456789012345678901","command":"fly","outcome":"granted"})");
    Insert(mysql, "b", 4, time + R"(,"server":"b","steamId":"7","command":"fly","outcome":"teleported"})");
    Insert(mysql, "b", 5, time + R"(,"server":"c","steamId":"7","command":"fly","outcome":"granted"})");
    Insert(mysql, "b", 6, time + R"(,"steamId":"7","command":"fly","outcome":"granted"})");
    ASSERT_EQ(mysql_query(mysql, "COMMIT"), 0);
    mysql_close(mysql);
    ASSERT_TRUE(WaitUntil([&] { return Log(server).find("Kept out of the feed") != std::string::npos; }, 5s));
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(FeedLines(server),
              std::vector<std::string>{
                  time + R"(,"server":"b","steamId":"7","command":"fly","outcome":"granted"})"});
    EXPECT_NE(
        Log(server).find("1 not an audit line, 1 too long, 1 Steam id out of range, 1 not a granted use or "
                         "forgive line, 1 naming another server"),
        std::string::npos)
        << Log(server);
}

TEST_F(CompanionTest, AFeedThatCantBeWrittenHoldsBackNeitherTheCopyNorTheFeedAfter) {
    const GameServer server = AddServer("a");
    ASSERT_EQ(RunUntilIdle(server), 0);
    fs::remove(server.Feed());
    fs::create_directory(server.Feed());  // no file can be written there
    MYSQL* mysql = Connect();
    Insert(mysql, "b", 1, AuditLine("b", "7", "fly"));
    mysql_close(mysql);
    StartCompanion(server);
    Append(server.Audit(), Numbered("a", 0, 3));
    ASSERT_TRUE(WaitUntil([&] { return Rows("server = 'a'") == 3; }, 10s)) << Log(server);
    ASSERT_TRUE(
        WaitUntil([&] { return Log(server).find("Can't write the feed") != std::string::npos; }, 10s));
    fs::remove(server.Feed());
    // b's line; a's own are in its audit file.
    ASSERT_TRUE(WaitUntil([&] { return FeedLines(server).size() == 1; }, 10s)) << Log(server);
    EXPECT_EQ(Log(server).find("connection"), std::string::npos) << Log(server);
}

// Between its attempts to reach a database that is not there, it sleeps.
TEST_F(CompanionTest, ADatabaseThatCantBeReachedCostsNoProcessorTime) {
    const GameServer server = AddServer("a");
    WriteConfig(server, DatabaseMembers(FreePort()));
    const pid_t companion = StartCompanion(server);
    ASSERT_TRUE(WaitUntil([&] { return Log(server).find("retrying") != std::string::npos; }, 10s))
        << Log(server);
    // Its user and system time so far, the 14th and 15th fields, in clock ticks.
    const auto ticks = [&] {
        std::istringstream stat(ReadText(fmt::format("/proc/{}/stat", companion)));
        std::string field;
        long sum = 0;
        for (int number = 1; number <= 15 && stat >> field; ++number) {
            sum += number >= 14 ? std::stol(field) : 0;
        }
        return sum;
    };
    const long before = ticks();
    std::this_thread::sleep_for(3s);
    EXPECT_LT(static_cast<double>(ticks() - before) / static_cast<double>(::sysconf(_SC_CLK_TCK)), 0.1)
        << "seconds of processor time in 3 s";
}

TEST_F(CompanionTest, TwoServersWithOneNameGetAWarning) {
    const GameServer first = AddServer("a");
    GameServer second = AddServer("twin");
    second.name = "a";
    WriteConfig(second, DatabaseMembers());
    ASSERT_EQ(RunUntilIdle(first), 0);
    StartCompanion(first);
    ASSERT_TRUE(WaitUntil(
        [&] { return Log(first).find("Feed filled: 0 lines of the last 900 s, in") != std::string::npos; },
        10s));
    StartCompanion(second);
    Append(second.Audit(), Numbered("a", 0, 2));
    ASSERT_TRUE(
        WaitUntil([&] { return Log(first).find("two servers have one name") != std::string::npos; }, 10s))
        << Log(first);
    EXPECT_EQ(Log(second).find("two servers have one name"), std::string::npos);
}

TEST_F(CompanionTest, CheckNamesWhatIsMissingAndNeverShowsThePassword) {
    const GameServer server = AddServer("a");
    Sql(
        fmt::format("CREATE USER reader@'%' IDENTIFIED BY '{0}'; GRANT SELECT ON {1}.* TO reader@'%';"
                    "CREATE USER stranger@'%' IDENTIFIED BY '{0}'",
                    kPassword, db_));
    const std::string reader = fmt::format(
        R"("Host": "127.0.0.1", "Port": {}, "User": "reader", "Name": "{}", "PasswordEnv": "TEST_DB_PASSWORD")",
        Database().Port(), db_);
    struct Case {
        std::string name;
        std::string database;
        bool tablesMade;
        std::string says;
    } cases[] = {
        {"table missing", DatabaseMembers(), false, "The table corvane_audit is missing in the database"},
        {"wrong password",
         R"("Host": "127.0.0.1", "Port": )" + std::to_string(Database().Port()) +
             R"(, "User": "corvane", "Name": "x", "Password": "wrong-pw-31337")",
         false, "refused user corvane: check User and the password"},
        {"no server there", DatabaseMembers(FreePort()), false,
         "Can't reach the database server at 127.0.0.1:"},
        {"no database",
         R"("Host": "127.0.0.1", "Port": )" + std::to_string(Database().Port()) +
             R"(, "User": "stranger", "Name": "nowhere", "PasswordEnv": "TEST_DB_PASSWORD")",
         false, "may not use the database nowhere"},
        {"all there", DatabaseMembers(), true, "SELECT and INSERT allowed"},
        {"no INSERT", reader, true, "User reader may not INSERT on"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        if (test.tablesMade) {
            WriteConfig(server, DatabaseMembers());
            ASSERT_EQ(RunUntilIdle(server), 0);
        }
        WriteConfig(server, test.database);
        std::string output;
        EXPECT_EQ(Check(server, output), test.says == "SELECT and INSERT allowed" ? 0 : 1) << output;
        EXPECT_NE(output.find(test.says), std::string::npos) << output;
        EXPECT_EQ(output.find(kPassword), std::string::npos);
        EXPECT_EQ(output.find("wrong-pw-31337"), std::string::npos);
    }
    // Nor does the run's log, whatever it met.
    EXPECT_EQ(Log(server).find(kPassword), std::string::npos);
}

TEST_F(CompanionTest, ARunWithoutCreatePrivilegeSaysSo) {
    const GameServer server = AddServer("a");
    Sql(fmt::format("CREATE USER writer@'%' IDENTIFIED BY '{}'; GRANT SELECT, INSERT ON {}.* TO writer@'%'",
                    kPassword, db_));
    WriteConfig(
        server,
        fmt::format(
            R"("Host": "127.0.0.1", "Port": {}, "User": "writer", "Name": "{}", "PasswordEnv": "TEST_DB_PASSWORD")",
            Database().Port(), db_));
    StartCompanion(server);
    ASSERT_TRUE(WaitUntil([&] { return Log(server).find("may not create it") != std::string::npos; }, 10s))
        << Log(server);
    // Once an administrator makes the tables, it goes on by itself.
    Sql(fmt::format("USE {}; {}", db_, ReadText(fs::path(SCHEMA_FILE))));
    Append(server.Audit(), Numbered("a", 0, 3));
    EXPECT_TRUE(WaitUntil([&] { return Rows() == 3; }, 10s)) << Log(server);
}

TEST_F(CompanionTest, TablesWhoseCreationWasCutShortAreFinished) {
    const GameServer server = AddServer("a");
    // As a companion killed between the version table and its row leaves them.
    const std::string schema = ReadText(fs::path(SCHEMA_FILE));
    Sql(fmt::format("USE {}; {}", db_, schema.substr(0, schema.find("INSERT IGNORE"))));
    Append(server.Audit(), Numbered("a", 0, 3));
    StartCompanion(server);
    EXPECT_TRUE(WaitUntil([&] { return Rows() == 3; }, 10s)) << Log(server);
    EXPECT_EQ(Sql(fmt::format("SELECT version FROM {}_schema", Table())), std::vector<std::string>{"1"});
}

}  // namespace
}  // namespace CompanionTests
