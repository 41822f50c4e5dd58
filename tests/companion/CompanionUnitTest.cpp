// The companion's parts called directly, with no database: its reading of
// config.json, the lines it lets into the feed, following the audit files
// through rotation, and the feed's renaming.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

#include <fmt/format.h>

#include "companion/AuditChain.h"
#include "companion/AuditFields.h"
#include "companion/ClusterConfig.h"
#include "companion/Feed.h"
#include "companion/LineHash.h"
#include "companion/Session.h"
#include "core/platform/FollowedFile.h"
#include "core/platform/MappedCounter.h"
#include "core/settings/AuditPath.h"
#include "tests/companion/AuditFiles.h"

namespace {

namespace fs = std::filesystem;
using namespace Companion;
using CompanionTests::Append;
using CompanionTests::AuditLine;
using CompanionTests::Rotate;

class TempFolder : public testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  fmt::format("corvane-companion-unit-{}-{}", std::random_device{}(),
                              testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path folder_;
};

using ClusterConfigTest = TempFolder;

TEST_F(ClusterConfigTest, NamesTheMemberThatIsWrong) {
    const std::string database = R"("Database": {"User": "u", "Name": "n")";
    struct Case {
        std::string json;
        std::string problem;
    } cases[] = {
        {R"({"AuditLog": "a.jsonl"})", "/Cluster: missing"},
        {R"({"Cluster": {"Server": "s", )" + database + "}}}", "/AuditLog: missing"},
        {R"({"AuditLog": "a.jsonl", "Cluster": {"Server": "two words", )" + database + "}}}",
         "/Cluster/Server"},
        {R"({"AuditLog": "a.jsonl", "Cluster": {"Server": ")" + std::string(65, 'x') + "\", " + database +
             "}}}",
         "/Cluster/Server"},
        {R"({"AuditLog": "a.jsonl", "Cluster": {"Server": "s"}})", "/Cluster/Database: missing"},
        {R"({"AuditLog": "a.jsonl", "Cluster": {"Server": "s", "Database": {"Name": "n"}}})",
         "/Cluster/Database/User: missing"},
        {R"({"AuditLog": "a.jsonl", "Cluster": {"Server": "s", "PollSeconds": 0.05, )" + database + "}}}",
         "/Cluster/PollSeconds"},
        {R"({"AuditLog": "a.jsonl", "Cluster": {"Server": "s", )" + database + R"(, "Port": 70000}}})",
         "/Cluster/Database/Port"},
        {R"({"AuditLog": "a.jsonl", "Cluster": {"Server": "s", )" + database + R"(, "Table": "a;b"}}})",
         "/Cluster/Database/Table"},
        {R"({"AuditLog": "a.jsonl", "Cluster": {"Server": "s", )" + database +
             R"(, "Password": "p", "PasswordEnv": "X"}}})",
         "at most one of"},
        {R"({"AuditLog": "a.jsonl", "Cluster": {"Server": "s", )" + database +
             R"(, "PasswordEnv": "CORVANE_TEST_UNSET"}}})",
         "CORVANE_TEST_UNSET is not set"},
        {R"({"AuditLog": "a.jsonl", "Cluster": {"Server": "s", )" + database +
             R"(, "PasswordFile": "missing.txt"}}})",
         "/Cluster/Database/PasswordFile: can't read"},
        {R"({"AuditLog": "\\a.jsonl", "Cluster": {"Server": "s", )" + database + "}}}", "/AuditLog"},
        {R"({"AuditLog": "a.jsonl", "Cluster": )", "not valid JSON"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.json);
        std::ofstream(folder_ / "config.json") << test.json;
        const ConfigResult read = ReadClusterConfig(folder_ / "config.json");
        EXPECT_FALSE(read.config);
        EXPECT_NE(read.problem.find(test.problem), std::string::npos) << read.problem;
    }
}

TEST_F(ClusterConfigTest, ReadsPathsPasswordAndLongestWindow) {
    std::ofstream(folder_ / "secret.txt") << "from-file\r\n";
    std::ofstream(folder_ / "config.json")
        << R"({"AuditLog": "logs/a.jsonl", "AuditRotate": {"MaxBytes": 65536, "Keep": 4},
      "Commands": {"fly": {"Cooldown": 90.5}, "giveitem": {"Cooldown": 10, "MaxUses": {"Count": 5, "Per": 86400}},
                   "*": {"Cooldown": 1e12}, "bad": 3},
      "Cluster": {"Server": "island-1.a", "PollSeconds": 0.5,
        "Database": {"User": "u", "Name": "n", "PasswordFile": "secret.txt", "Tls": {"CA": "ca.pem"}}}})";
    const ConfigResult read = ReadClusterConfig(folder_ / "config.json");
    ASSERT_TRUE(read.config) << read.problem;
    const ClusterConfig& config = *read.config;
    EXPECT_EQ(config.auditFile, folder_ / "logs/a.jsonl");
    EXPECT_EQ(config.feedFile, folder_ / "logs/CheatFeed.jsonl");  // beside the audit file
    EXPECT_EQ(config.keep, 4U);
    EXPECT_EQ(config.poll, std::chrono::milliseconds(500));
    EXPECT_EQ(config.longestWindow, std::chrono::seconds(1'000'000'000));  // held as the plugin holds it
    EXPECT_EQ(config.database.password, "from-file");
    EXPECT_EQ(config.database.tlsCa, folder_ / "ca.pem");
    EXPECT_EQ(config.database.port, 3306U);
    EXPECT_EQ(config.database.table, "corvane_audit");

#ifdef _WIN32
    _putenv_s("CORVANE_TEST_PASSWORD", "from-env");
#else
    ::setenv("CORVANE_TEST_PASSWORD", "from-env", 1);
#endif
    std::ofstream(folder_ / "config.json") << R"({"AuditLog": "a.jsonl",
      "Commands": {"fly": {"Cooldown": 90.5}, "giveitem": {"MaxUses": {"Count": 5, "Per": 120}}},
      "Cluster": {"Server": "s", "Feed": "feeds/f.jsonl",
        "Database": {"User": "u", "Name": "n", "PasswordEnv": "CORVANE_TEST_PASSWORD"}}})";
    const ConfigResult second = ReadClusterConfig(folder_ / "config.json");
    ASSERT_TRUE(second.config) << second.problem;
    EXPECT_EQ(second.config->longestWindow, std::chrono::seconds(120));
    EXPECT_EQ(second.config->feedFile, folder_ / "feeds/f.jsonl");
    EXPECT_EQ(second.config->database.password, "from-env");
}

TEST(FeedLineTest, OnlyValidGrantedUsesAndForgiveLinesReachTheFeed) {
    const std::string granted = AuditLine("b", "76561198000000001", "giveitem 1");
    struct Case {
        std::string line;
        RowFault fault;
    } cases[] = {
        {granted, RowFault::None},
        {R"({"time":"2026-12-07T21:57:03Z","server":"b","steamId":"7","action":"carried","outcome":"granted","names":["fly"],"carries":"0123456789abcdef"})",
         RowFault::None},
        {R"({"time":"2026-12-07T21:57:03Z","server":"b","steamId":"7","action":"forgive","forgiven":"8","outcome":"forgiven"})",
         RowFault::None},
        {"{not json", RowFault::Json},
        {R"({"steamId":"7","time":"2026-12-07T21:57:03Z","outcome":"granted"})", RowFault::Json},
        {R"({"time":"2026-12-07T21:57:03Z","server":"b","steamId":"7",
"command":"fly","outcome":"granted"})",
         RowFault::Json},
        {R"({"time":"2026-13-07T21:57:03Z","server":"b","steamId":"7","command":"fly","outcome":"granted"})",
         RowFault::Json},
        {R"({"time":"2026-12-07T21:57:03Z","server":"b","steamId":"7","command":")" +
             std::string(17000, 'x') + R"(","outcome":"granted"})",
         RowFault::Huge},
        {R"({"time":"2026-12-07T21:57:03Z","server":"b","steamId":"99999999999999999999","command":"fly","outcome":"granted"})",
         RowFault::SteamId},
        {R"({"time":"2026-12-07T21:57:03Z","server":"b","steamId":"-7","command":"fly","outcome":"granted"})",
         RowFault::SteamId},
        {R"({"time":"2026-12-07T21:57:03Z","server":"b","steamId":"7","command":"fly","outcome":"refused"})",
         RowFault::Outcome},
        {R"({"time":"2026-12-07T21:57:03Z","server":"b","steamId":"7","action":"reload","outcome":"granted"})",
         RowFault::Outcome},
        {R"({"time":"2026-12-07T21:57:03Z","server":"b","steamId":"7","action":"forgive","outcome":"refused"})",
         RowFault::Outcome},
        {R"({"time":"2026-12-07T21:57:03Z","server":"c","steamId":"7","command":"fly","outcome":"granted"})",
         RowFault::Server},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.line.substr(0, 200));
        const FeedLine line = ToFeedLine(test.line, "b");
        EXPECT_EQ(line.fault, test.fault) << RowFaultName(line.fault);
        EXPECT_EQ(line.text.empty(), test.fault != RowFault::None);
    }
}

TEST(FeedLineTest, ALineWithoutServerNamesItsServerAfterItsTime) {
    const std::string line = AuditLine("", "7", "fly");
    const FeedLine feed = ToFeedLine(line, "island-2");
    ASSERT_EQ(feed.fault, RowFault::None);
    EXPECT_EQ(feed.text.substr(0, 50), line.substr(0, 30) + R"(,"server":"island-2")");
    EXPECT_EQ(feed.text.substr(50), line.substr(30));
    EXPECT_EQ(ReadAuditFields(feed.text)->server, "island-2");
}

TEST(AuditFieldsTest, InnermostNameFromNamesThenCommand) {
    struct Case {
        std::string members;
        std::optional<std::string> name;
    } cases[] = {
        {R"("command":"  GiveItem 1 2")", "giveitem"},
        {R"("command":"wrap giveitem","names":["wrap","giveitem"])", "giveitem"},
        {R"("command":"x","names":["wrap","Not A Name"])", std::nullopt},
        {R"("action":"forgive","forgivenName":"fly")", "fly"},
        {R"("action":"reload")", std::nullopt},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.members);
        const auto fields = ReadAuditFields(R"({"time":"2026-12-07T21:57:03Z",)" + test.members + "}");
        ASSERT_TRUE(fields);
        EXPECT_EQ(fields->name, test.name);
    }
}

TEST(SchemaTest, StatementsNameTheConfiguredTable) {
    const std::vector<std::string> statements = SchemaStatements("cluster_a");
    ASSERT_EQ(statements.size(), 3U);
    EXPECT_EQ(statements[0].find("CREATE TABLE IF NOT EXISTS cluster_a ("), 0U);
    EXPECT_EQ(statements[1].find("CREATE TABLE IF NOT EXISTS cluster_a_schema ("), 0U);
    EXPECT_EQ(statements[2],
              fmt::format("INSERT IGNORE INTO cluster_a_schema (version) VALUES ({})", kSchemaVersion));
    for (const std::string& statement : statements) {
        EXPECT_EQ(statement.find("corvane_audit"), std::string::npos);
        EXPECT_EQ(statement.find("--"), std::string::npos);
    }
}

using AuditChainTest = TempFolder;

std::vector<std::string> Texts(const std::vector<ChainLine>& lines) {
    std::vector<std::string> texts;
    for (const ChainLine& line : lines) {
        texts.push_back(line.tooLong      ? "<too long>"
                        : line.unfinished ? "<unfinished>" + line.text
                                          : line.text);
    }
    return texts;
}

// Reads everything there is, moving on as a copier does.
std::vector<std::string> ReadAll(AuditChain& chain) {
    chain.Look();
    const std::vector<ChainLine> lines = chain.Read(1 << 20);
    if (!lines.empty()) {
        chain.MoveTo(lines.back().after);
    }
    return Texts(lines);
}

TEST_F(AuditChainTest, ANewFileGrownPastTheOffsetIsReadFromItsStart) {
    const fs::path file = folder_ / "a.jsonl";
    Append(file, {"one", "two"});
    AuditChain chain(file, 2);
    ASSERT_TRUE(chain.Start(std::nullopt));
    EXPECT_EQ(ReadAll(chain), (std::vector<std::string>{"one", "two"}));
    Append(file, {"three"});
    Rotate(file, 2);
    Append(file, {"a longer first line of the new file", "and more"});
    EXPECT_EQ(ReadAll(chain),
              (std::vector<std::string>{"three", "a longer first line of the new file", "and more"}));
    // The same from a saved place, as after a restart.
    const ChainPosition saved = chain.Current();
    Append(file, {"four"});
    Rotate(file, 2);
    Append(file, {"five, in a file longer than the saved offset by far"});
    AuditChain restarted(file, 2);
    ASSERT_TRUE(restarted.Start(saved));
    EXPECT_EQ(ReadAll(restarted),
              (std::vector<std::string>{"four", "five, in a file longer than the saved offset by far"}));
}

TEST_F(AuditChainTest, AFileDeletedWhileHeldIsStillReadWhole) {
    const fs::path file = folder_ / "a.jsonl";
    AuditChain chain(file, 0);
    ASSERT_TRUE(chain.Start(std::nullopt));
    Append(file, {"one"});
    chain.Look();
    Append(file, {"two"});
    Rotate(file, 0);  // Keep 0: the full file is deleted
    Append(file, {"three"});
    EXPECT_EQ(ReadAll(chain), (std::vector<std::string>{"one", "two", "three"}));
}

TEST_F(AuditChainTest, LinesReadButNotKeptAreReadAgainAcrossARotation) {
    const fs::path file = folder_ / "a.jsonl";
    Append(file, {"one"});
    AuditChain chain(file, 2);
    ASSERT_TRUE(chain.Start(std::nullopt));
    Rotate(file, 2);
    Append(file, {"two"});
    chain.Look();
    // A batch whose copy failed: the lines are not moved past.
    EXPECT_EQ(Texts(chain.Read(1 << 20)), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(ReadAll(chain), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(ReadAll(chain), std::vector<std::string>{});
}

TEST_F(AuditChainTest, ASavedPlaceWhoseFileIsGoneStartsAtTheOldestFile) {
    const fs::path file = folder_ / "a.jsonl";
    Append(file, {"one"});
    AuditChain chain(file, 1);
    ASSERT_TRUE(chain.Start(std::nullopt));
    ReadAll(chain);
    ChainPosition saved = chain.Current();
    saved.headHash ^= 1;  // another file that got the same identity
    AuditChain restarted(file, 1);
    EXPECT_FALSE(restarted.Start(saved));
    EXPECT_EQ(ReadAll(restarted), (std::vector<std::string>{"one"}));
}

TEST_F(AuditChainTest, OverlongLinesAndUnfinishedEndsArePassedOverAsSuch) {
    const fs::path file = folder_ / "a.jsonl";
    Append(file, {"one", std::string(AuditChain::kLongestLine + 10, 'x'), "two"});
    std::ofstream(file, std::ios::app) << "half a li";
    AuditChain chain(file, 1);
    ASSERT_TRUE(chain.Start(std::nullopt));
    // The newest file's unfinished line waits for its line break...
    EXPECT_EQ(ReadAll(chain), (std::vector<std::string>{"one", "<too long>", "two"}));
    Rotate(file, 1);
    Append(file, {"three"});
    // ...but a rotated file's is all there will be.
    EXPECT_EQ(ReadAll(chain), (std::vector<std::string>{"<unfinished>half a li", "three"}));
}

using FeedTest = TempFolder;

TEST_F(FeedTest, RenamedWhenItsSpanIsOverAndCountedAtARestart) {
    const fs::path file = folder_ / "CheatFeed.jsonl";
    const auto start = std::chrono::sys_seconds(std::chrono::sys_days(std::chrono::year(2026) / 12 / 7));
    {
        Feed feed(file, "a", std::chrono::seconds(100));
        ASSERT_TRUE(feed.Append({"x"}, start));
        ASSERT_TRUE(feed.Append({"y"}, start + std::chrono::seconds(99)));
        EXPECT_FALSE(fs::exists(folder_ / "CheatFeed.1.jsonl"));
    }
    // A restart takes the feed's age from its first heartbeat.
    Feed feed(file, "a", std::chrono::seconds(100));
    ASSERT_TRUE(feed.Append({"z"}, start + std::chrono::seconds(100)));
    const auto renamed = CompanionTests::Lines(folder_ / "CheatFeed.1.jsonl");
    const auto current = CompanionTests::Lines(file);
    ASSERT_EQ(renamed.size(), 5U);  // heartbeat, x, heartbeat, y, heartbeat
    EXPECT_EQ(renamed[1], "x");
    ASSERT_EQ(current.size(), 3U);
    EXPECT_EQ(current[0], feed.Heartbeat(start + std::chrono::seconds(100)));
    EXPECT_EQ(current[1], "z");
    const auto held = feed.Held();
    EXPECT_EQ(held.at(Fnv1a("x")), 1U);
    EXPECT_EQ(held.at(Fnv1a("z")), 1U);
    EXPECT_TRUE(feed.Intact());
    fs::remove(file);
    EXPECT_FALSE(feed.Intact());
}

// Each write to the feed, renames too, bumps the counter the plugin maps,
// in the file the plugin mapped: a counter file made anew would go unseen.
TEST_F(FeedTest, EveryAppendBumpsTheCounterThePluginMapped) {
    const fs::path file = folder_ / "CheatFeed.jsonl";
    const auto start = std::chrono::sys_seconds(std::chrono::sys_days(std::chrono::year(2026) / 12 / 7));
    Feed feed(file, "a", std::chrono::seconds(100));
    ASSERT_TRUE(feed.Append({}, start));
    Corvane::Platform::MappedCounter counter;
    ASSERT_TRUE(counter.Map(Corvane::FeedChangesFile(file)));
    EXPECT_EQ(counter.Value(), 1U);
    const std::pair<const char*, int> appends[] = {{"x", 1}, {"y", 100}, {"z", 250}};
    for (const auto& [line, at] : appends) {
        SCOPED_TRACE(line);
        const std::uint64_t before = counter.Value();
        ASSERT_TRUE(feed.Append({line}, start + std::chrono::seconds(at)));
        EXPECT_EQ(counter.Value(), before + 1);
    }
    EXPECT_EQ(CompanionTests::Lines(file).at(1), "z");
    const auto now = Corvane::Platform::StatusOf(Corvane::FeedChangesFile(file));
    ASSERT_TRUE(now);
    EXPECT_TRUE(now->SameFile(counter.Identity()));
}

// A plugin that read nothing since the last rename holds <name>.1 open. The
// next rename goes through all the same (on Windows too, where a file held
// open can't be replaced), and the reader still reads its file to the end.
TEST_F(FeedTest, ARenameGoesThroughWhileAReaderHoldsTheOldFeed) {
    const fs::path file = folder_ / "CheatFeed.jsonl";
    const auto start = std::chrono::sys_seconds(std::chrono::sys_days(std::chrono::year(2026) / 12 / 7));
    Feed feed(file, "a", std::chrono::seconds(100));
    ASSERT_TRUE(feed.Append({"x"}, start));
    ASSERT_TRUE(feed.Append({"y"}, start + std::chrono::seconds(100)));
    Corvane::Platform::FollowedFile reader;
    ASSERT_TRUE(reader.Open(folder_ / "CheatFeed.1.jsonl"));
    ASSERT_TRUE(feed.Append({"z"}, start + std::chrono::seconds(200)));
    EXPECT_EQ(CompanionTests::Lines(folder_ / "CheatFeed.1.jsonl").at(1), "y");
    EXPECT_EQ(CompanionTests::Lines(file).at(1), "z");
    std::string held(reader.Opened().size, '\0');
    EXPECT_EQ(reader.ReadAt(0, held.data(), held.size()), held.size());
    EXPECT_NE(held.find("\nx\n"), std::string::npos) << held;
}

// On Windows a reader that still holds <name>.1 keeps the feed from being
// renamed onto it; here a folder in its place does. The rename is tried again
// at the next append, not a span later.
TEST_F(FeedTest, ARenameThatFailsIsTriedAgainAtTheNextAppend) {
    const fs::path file = folder_ / "CheatFeed.jsonl";
    const fs::path renamed = folder_ / "CheatFeed.1.jsonl";
    const auto start = std::chrono::sys_seconds(std::chrono::sys_days(std::chrono::year(2026) / 12 / 7));
    Feed feed(file, "a", std::chrono::seconds(100));
    ASSERT_TRUE(feed.Append({"x"}, start));
    fs::create_directories(renamed / "held");
    ASSERT_TRUE(feed.Append({"y"}, start + std::chrono::seconds(100)));
    EXPECT_TRUE(fs::is_directory(renamed));
    fs::remove_all(renamed);
    ASSERT_TRUE(feed.Append({"z"}, start + std::chrono::seconds(101)));
    const auto old = CompanionTests::Lines(renamed);
    const auto current = CompanionTests::Lines(file);
    EXPECT_EQ(std::count(old.begin(), old.end(), "y"), 1);
    ASSERT_EQ(current.size(), 3U);  // heartbeat, z, heartbeat
    EXPECT_EQ(current[1], "z");
}

// The lines the plugin's reader takes: those ended by a line break.
std::vector<std::string> WholeLines(const fs::path& file) {
    std::ifstream stream(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    for (std::size_t start = 0, end = 0; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1) {
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

TEST_F(FeedTest, AnAppendCutShortLosesNoLineAndTheRefillDoublesNone) {
    const auto start = std::chrono::sys_seconds(std::chrono::sys_days(std::chrono::year(2026) / 12 / 7));
    const std::vector<std::string> table = {AuditLine("b", "76561198000000001", "fly", "granted", start),
                                            AuditLine("b", "76561198000000002", "god", "granted", start),
                                            AuditLine("b", "76561198000000003", "wrap", "granted", start)};
    constexpr std::size_t kAllButItsBreak = std::string::npos;
    // The second append (the table's last two lines and a heartbeat) killed
    // after this many bytes of one of its lines.
    struct Case {
        const char* name;
        std::size_t line;  // of the cut append
        std::size_t bytes;
        bool spanOver;  // the refill renames the feed first
    } cases[] = {
        {"before it started", 0, 0, false},
        {"in a line", 1, 10, false},
        {"in a line", 1, 10, true},
        {"just before a line break", 1, kAllButItsBreak, false},
        {"just before a line break", 1, kAllButItsBreak, true},
        {"in the heartbeat", 2, 5, false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(fmt::format("cut {}, span over: {}", test.name, test.spanOver));
        const fs::path file = folder_ / fmt::format("{}", &test - cases) / "Feed.jsonl";
        fs::create_directories(file.parent_path());
        Feed first(file, "a", std::chrono::seconds(100));
        ASSERT_TRUE(first.Append({table[0]}, start));
        const std::vector<std::string> cut = {table[1], table[2], first.Heartbeat(start)};
        std::string written;
        for (std::size_t line = 0; line < test.line; ++line) {
            written += cut[line] + '\n';
        }
        written += cut[test.line].substr(0, test.bytes);
        std::ofstream(file, std::ios::binary | std::ios::app) << written;

        // The restart's fill: the table's lines the feed lacks.
        Feed feed(file, "a", std::chrono::seconds(100));
        auto held = feed.Held();
        std::vector<std::string> lacking;
        for (const std::string& line : table) {
            if (std::uint32_t& count = held[Fnv1a(line)]; count > 0) {
                --count;
            } else {
                lacking.push_back(line);
            }
        }
        const auto refill = start + std::chrono::seconds(test.spanOver ? 100 : 1);
        ASSERT_TRUE(feed.Append(lacking, refill));

        std::vector<std::string> read = WholeLines(Corvane::RotatedAuditFile(file, 1));
        const std::vector<std::string> current = WholeLines(file);
        read.insert(read.end(), current.begin(), current.end());
        for (const std::string& line : table) {
            EXPECT_EQ(std::count(read.begin(), read.end(), line), 1) << line;
        }
        // The part, if any, stands alone; the refill's lines are whole to its last.
        EXPECT_LE(std::count_if(read.begin(), read.end(),
                                [&](const std::string& line) {
                                    return std::find(table.begin(), table.end(), line) == table.end() &&
                                           line.find(R"("action":"heartbeat")") == std::string::npos;
                                }),
                  1);
        ASSERT_FALSE(current.empty());
        EXPECT_EQ(current.back(), feed.Heartbeat(refill));
    }
}

}  // namespace
