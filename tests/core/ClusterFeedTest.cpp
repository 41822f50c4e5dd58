// The cluster's feed read into the history: at load as far back as the
// reach, then a little before each decision; each use once, whatever else
// holds it; forgive lines, heartbeats, rotations and broken lines.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string_view>

#include <fmt/format.h>

#include "core/audit/AuditEntry.h"
#include "core/audit/RecordedUses.h"
#include "core/history/ClusterFeed.h"
#include "core/settings/AuditPath.h"

namespace {

using Corvane::ClusterFeed;
using Corvane::UseHistory;
using std::chrono::seconds;
namespace fs = std::filesystem;

// Under Wine a file deleted while a reader holds it open keeps its name, and
// is opened and appended to again by it, until the reader lets go; Windows
// frees the name at once (or refuses it while the deletion is pending).
#ifdef _WIN32
constexpr bool kDeletedNamesLinger = true;
#else
constexpr bool kDeletedNamesLinger = false;
#endif

constexpr std::uint64_t kAlice = 1;
constexpr std::uint64_t kBob = 2;

// Made first and removed last, once every reader in it is closed: Windows
// keeps a file that is still open from leaving its folder.
struct TemporaryFolder {
    explicit TemporaryFolder(fs::path made) : path(std::move(made)) { fs::create_directories(path); }
    ~TemporaryFolder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
    const fs::path path;
};

class ClusterFeedTest : public ::testing::Test {
protected:
    static std::string Time(int secondsAgo) {
        return Corvane::UtcText(std::chrono::floor<seconds>(kNow) - seconds(secondsAgo));
    }
    static std::string Use(int secondsAgo, const char* server, std::uint64_t steamId, const char* name) {
        return fmt::format(
            R"({{"time":"{}","server":"{}","steamId":"{}","character":"x","command":"{}","names":["{}"],)"
            R"("outcome":"granted"}})",
            Time(secondsAgo), server, steamId, name, name);
    }
    static std::string Forgive(int secondsAgo, const char* server, std::uint64_t forgiven) {
        return fmt::format(
            R"({{"time":"{}","server":"{}","steamId":"9","character":"op","action":"forgive","forgiven":"{}",)"
            R"("permission":"Corvane.Forgive","outcome":"forgiven"}})",
            Time(secondsAgo), server, forgiven);
    }
    static std::string Heartbeat(int secondsAgo) {
        return Corvane::HeartbeatLine(std::chrono::floor<seconds>(kNow) - seconds(secondsAgo), "a");
    }
    static std::string Carried(const std::string& original, std::uint64_t steamId, const char* name) {
        return fmt::format(
            R"({{"time":"{}","server":"b","steamId":"{}","action":"carried","outcome":"granted","names":["{}"],)"
            R"("carries":"{}"}})",
            original.substr(9, 20), steamId, name, Corvane::HashText(Corvane::LineHash(original)));
    }

    void Append(const fs::path& file, const std::vector<std::string>& lines, const char* end = "\n") {
        std::ofstream stream(file, std::ios::binary | std::ios::app);
        for (const std::string& line : lines) {
            stream << line << end;
        }
    }
    void Append(const std::vector<std::string>& lines) { Append(settings_.feedFile, lines); }
    // As the companion does after each write: in place, made when missing.
    void Bump() {
        const fs::path file = Corvane::FeedChangesFile(settings_.feedFile);
        std::uint64_t counter = 0;
        std::ifstream(file, std::ios::binary).read(reinterpret_cast<char*>(&counter), sizeof counter);
        ++counter;
        std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
        if (!stream.is_open()) {
            stream.open(file, std::ios::out | std::ios::binary);
        }
        stream.write(reinterpret_cast<const char*>(&counter), sizeof counter);
    }
    // As the companion renames it: the old <feed>.1 moved aside and deleted
    // first, since on Windows a file a reader holds open can't be replaced.
    void RotateFeed() {
        const fs::path rotated = Corvane::RotatedAuditFile(settings_.feedFile, 1);
        if (fs::exists(rotated)) {
            fs::rename(rotated, folder_ / "aside");
            fs::remove(folder_ / "aside");
        }
        fs::rename(settings_.feedFile, rotated);
    }

    // later: how long after the load a check is made, on the steady clock.
    Corvane::FeedTarget Target(std::chrono::milliseconds later = {}) {
        return {history_, merged_, kNow, kSteadyNow + later};
    }
    std::size_t UsesOf(std::uint64_t steamId, const std::string& name) const {
        return history_.Uses(steamId, name).size();
    }

    static inline const auto kNow = std::chrono::system_clock::now();
    static inline const auto kSteadyNow = UseHistory::Clock::now();
    const TemporaryFolder temporary_{
        fs::temp_directory_path() /
        ("corvane-feed-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()))};
    const fs::path& folder_ = temporary_.path;
    Corvane::ClusterSettings settings_{"a", folder_ / "CheatFeed.jsonl"};
    UseHistory history_{{seconds(600), 5}};
    Corvane::MergedUses merged_;
    ClusterFeed feed_{settings_, {"wrap"}};
};

TEST_F(ClusterFeedTest, LoadTakesEachKindOfLineAsItShould) {
    const struct {
        std::string line;
        std::size_t alicesFly;  // Alice's uses of fly after it
        const char* counted;    // the count it adds to
    } cases[] = {
        {Use(30, "b", kAlice, "fly"), 1, "added"},
        {Use(31, "a", kAlice, "fly"), 2, "added"},  // this server's own, after a lost audit folder
        {Use(700, "b", kAlice, "fly"), 2, "old"},   // before the reach
        {Heartbeat(3), 2, "heartbeat"},
        {R"({"time":"x"})", 2, "skipped"},
        {"not json at all", 2, "skipped"},
        {Use(20, "b", kAlice, "fly").replace(10, 0, "x"), 2, "skipped"},
        // No server: no line of the feed.
        {fmt::format(R"({{"time":"{}","steamId":"1","command":"fly","names":["fly"],"outcome":"granted"}})",
                     Time(5)),
         2, "skipped"},
        {fmt::format(R"({{"time":"{}","server":"b","steamId":"1","command":"fly","outcome":"refused"}})",
                     Time(5)),
         2, "skipped"},
        {fmt::format(R"({{"time":"{}","server":"b","steamId":"1","action":"carried","outcome":"granted"}})",
                     Time(5)),
         2, "skipped"},
        {Corvane::HeartbeatLine(std::chrono::floor<seconds>(kNow), "another"), 2, "skipped"},
        {std::string(100'000, 'x'), 2, "skipped"},
        {Forgive(2, "b", kAlice), 0, "forgives"},
    };
    for (const auto& c : cases) {
        Append({c.line});
    }
    feed_.Load(Target());
    EXPECT_EQ(UsesOf(kAlice, "fly"), 0u);
    const Corvane::FeedCounts& counts = feed_.Counts();
    std::map<std::string, std::size_t> expected;
    for (const auto& c : cases) {
        ++expected[c.counted];
    }
    EXPECT_EQ(counts.added, expected["added"]);
    EXPECT_EQ(counts.old, expected["old"]);
    EXPECT_EQ(counts.skipped, expected["skipped"]);
    EXPECT_EQ(counts.forgives, expected["forgives"]);
    EXPECT_EQ(counts.lines, std::size(cases));
    EXPECT_EQ(feed_.Heartbeat(), std::chrono::floor<seconds>(kNow) - seconds(3));

    // Line by line, each case leaves the history as it says.
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].line.substr(0, 200));
        history_ = UseHistory({seconds(600), 5});
        merged_ = {};
        std::vector<std::string> upTo;
        for (std::size_t j = 0; j <= i; ++j) {
            upTo.push_back(cases[j].line);
        }
        Corvane::ClusterSettings settings = settings_;
        settings.feedFile = folder_ / std::to_string(i) / "CheatFeed.jsonl";
        fs::create_directories(settings.feedFile.parent_path());
        Append(settings.feedFile, upTo);
        ClusterFeed fresh{settings, {}};
        fresh.Load(Target());
        EXPECT_EQ(UsesOf(kAlice, "fly"), cases[i].alicesFly);
    }
}

TEST_F(ClusterFeedTest, AUseTheRecordHoldsCountsOnceAndTwoLikeItTwice) {
    const std::string own = Use(10, "a", kAlice, "fly");
    merged_.Local(Corvane::LineHash(own), std::chrono::floor<seconds>(kNow) - seconds(10));
    history_.Add(kAlice, "fly", kSteadyNow - seconds(10));
    const std::string twice = Use(12, "b", kBob, "god");
    Append({own, twice, twice, Carried(twice, kBob, "god")});
    feed_.Load(Target());
    EXPECT_EQ(UsesOf(kAlice, "fly"), 1u);
    EXPECT_EQ(UsesOf(kBob, "god"), 2u);
    EXPECT_EQ(feed_.Counts().held, 2u);
}

TEST_F(ClusterFeedTest, ACarriedLineStandsForAUseWhoseLineIsOlderThanTheReading) {
    const std::string original = Use(700, "b", kBob, "god");
    Append({Carried(original, kBob, "god").replace(9, 20, Time(5))});
    feed_.Load(Target());
    EXPECT_EQ(UsesOf(kBob, "god"), 1u);
}

TEST_F(ClusterFeedTest, AForgiveLineForgivesWhatCameBeforeItNotAfter) {
    history_.Add(kAlice, "fly", kSteadyNow - seconds(20));  // a local use before it
    Append({Use(30, "b", kAlice, "fly"), Forgive(10, "b", kAlice)});
    feed_.Load(Target());
    EXPECT_EQ(UsesOf(kAlice, "fly"), 0u);
    // Later: a use of the forgiving server's own is newer; another server's
    // of before the forgive line is forgiven as it comes.
    history_.Add(kAlice, "fly", kSteadyNow);
    Append({Use(12, "c", kAlice, "fly"), Use(5, "b", kAlice, "fly")});
    feed_.Check(Target());
    EXPECT_EQ(UsesOf(kAlice, "fly"), 2u);
    EXPECT_EQ(feed_.Counts().forgiven, 1u);
}

TEST_F(ClusterFeedTest, AChecksReadsOnlyWhatIsNewAndAtMostItsBound) {
    feed_.Load(Target());
    EXPECT_EQ(feed_.Counts().lines, 0u);
    std::vector<std::string> lines;
    for (int i = 0; i < 2000; ++i) {
        lines.push_back(Use(100, "b", 1000 + i, "fly"));  // about 130 bytes each
    }
    Append(lines);
    feed_.Check(Target());
    const std::size_t first = feed_.Counts().lines;
    EXPECT_GT(first, 0u);
    EXPECT_LE(first * lines[0].size(), Corvane::kMostCheckBytes);
    for (int i = 0; i < 10; ++i) {
        feed_.Check(Target());
    }
    EXPECT_EQ(feed_.Counts().lines, 2000u);
    EXPECT_EQ(feed_.Counts().added, 2000u);
}

TEST_F(ClusterFeedTest, APartOfALineWaitsForItsEnd) {
    feed_.Load(Target());
    const std::string line = Use(5, "b", kBob, "fly");
    Append(settings_.feedFile, {line.substr(0, 40)}, "");
    feed_.Check(Target());
    EXPECT_EQ(feed_.Counts().lines, 0u);
    Append({line.substr(40)});
    feed_.Check(Target());
    EXPECT_EQ(feed_.Counts().added, 1u);
}

// The companion renames the feed and starts a new one, which has grown past
// the old one's offset by the next check: the old one's rest at once, the
// new one from its start once the paths are looked at again.
TEST_F(ClusterFeedTest, ARenamedFeedIsReadToItsEndThenTheNewOneFromItsStart) {
    Append({Use(50, "b", kBob, "fly")});
    feed_.Load(Target());
    Append({Use(40, "b", kBob, "fly"), Use(40, "b", kBob, "god")});
    fs::rename(settings_.feedFile, Corvane::RotatedAuditFile(settings_.feedFile, 1));
    std::vector<std::string> grown;
    for (int i = 0; i < 5; ++i) {
        grown.push_back(Use(30 - i, "c", kAlice, "fly"));
    }
    Append(grown);
    const auto soon = Corvane::kFeedLookInterval / 2;
    feed_.Check(Target(soon));
    EXPECT_EQ(UsesOf(kBob, "fly"), 2u);
    EXPECT_EQ(UsesOf(kBob, "god"), 1u);
    EXPECT_EQ(UsesOf(kAlice, "fly"), 0u);
    feed_.Check(Target(soon + Corvane::kFeedLookInterval));
    EXPECT_EQ(UsesOf(kAlice, "fly"), 5u);
}

// What the companion (or an operator) does to the feed between two looks,
// and what the reader makes of it: every use once, and a part of a line that
// no write will finish skipped. A feed missing at the 20th look is begun
// then (on Windows, a deleted file's name is free once its reader lets go).
TEST_F(ClusterFeedTest, EachChangeOfTheFeedBetweenTwoLooksLosesAndDoublesNothing) {
    const fs::path feed = settings_.feedFile;
    const fs::path rotated = Corvane::RotatedAuditFile(feed, 1);
    const auto bob = [](int secondsAgo) { return Use(secondsAgo, "b", kBob, "fly"); };
    const struct {
        const char* name;
        std::function<void()> change;
        std::size_t bobsUses;  // the one read at load among them
        std::size_t skipped;
    } cases[] = {
        {"renamed, its last line cut short",
         [&] {
             Append({bob(40)});
             Append(feed, {bob(39).substr(0, 30)}, "");
             RotateFeed();
             Append({bob(38)});
         },
         3, 1},
        {"renamed twice",
         [&] {
             Append({bob(40)});
             RotateFeed();
             Append({bob(39)});
             RotateFeed();
             Append({bob(38)});
         },
         4, 0},
        {"deleted with a line unread",
         [&] {
             Append({bob(40)});
             fs::remove(feed);
         },
         3, 0},
        {"renamed, the new feed begun late",
         [&] {
             Append({bob(40)});
             RotateFeed();
         },
         3, 0},
        {"renamed with more than a check reads unread",
         [&] {
             Append(std::vector<std::string>(1000, bob(100)));
             RotateFeed();
             Append({bob(39)});
         },
         1002, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (kDeletedNamesLinger && std::string_view(c.name).starts_with("deleted")) {
            continue;
        }
        fs::remove(feed);
        fs::remove(rotated);
        history_ = UseHistory({seconds(600), 5000});
        merged_ = {};
        Append({bob(50)});
        ClusterFeed reader{settings_, {}};
        reader.Load(Target());
        c.change();
        for (int look = 1; look <= 40; ++look) {
            reader.Check(Target(look * Corvane::kFeedLookInterval));
            if (look == 20 && !fs::exists(feed)) {
                Append({bob(30)});
            }
        }
        EXPECT_EQ(UsesOf(kBob, "fly"), c.bobsUses);
        EXPECT_EQ(reader.Counts().skipped, c.skipped);
    }
}

// Lost (deleted) and filled again by the companion with what it had: only
// what is new reaches the history.
TEST_F(ClusterFeedTest, AFeedFilledAgainAddsOnlyWhatIsNew) {
    if (kDeletedNamesLinger) {
        GTEST_SKIP() << "a deleted file the reader holds keeps its name under Wine";
    }
    const std::vector<std::string> lines{Use(50, "b", kBob, "fly"), Use(40, "c", kAlice, "god")};
    Append(lines);
    feed_.Load(Target());
    fs::remove(settings_.feedFile);
    feed_.Check(Target(Corvane::kFeedLookInterval));
    Append({lines[1], lines[0], Use(5, "b", kBob, "fly")});
    feed_.Check(Target(2 * Corvane::kFeedLookInterval));
    EXPECT_EQ(UsesOf(kBob, "fly"), 2u);
    EXPECT_EQ(UsesOf(kAlice, "god"), 1u);
    EXPECT_EQ(feed_.Counts().held, 2u);
}

// The counter the companion bumps after each write: between two looks, a
// check reads only when it moved; a line written by anything else waits for
// the next look; without the counter file, every check reads.
TEST_F(ClusterFeedTest, BetweenTwoLooksTheChangeCounterSaysWhenToRead) {
    const auto soon = Corvane::kFeedLookInterval / 2;
    const struct {
        const char* what;
        bool counter;
        bool bumped;
        std::chrono::milliseconds later;
        std::size_t read;
    } cases[] = {
        {"no counter file", false, false, soon, 1},
        {"counter still", true, false, soon, 0},
        {"counter bumped", true, true, soon, 1},
        {"counter still, at the next look", true, false, Corvane::kFeedLookInterval, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::error_code ignored;
        fs::remove(Corvane::FeedChangesFile(settings_.feedFile), ignored);
        Append({Heartbeat(1)});
        if (c.counter) {
            Bump();
        }
        ClusterFeed feed{settings_, {}};
        UseHistory history{{seconds(600), 5}};
        Corvane::MergedUses merged;
        feed.Load({history, merged, kNow, kSteadyNow});
        Append({Use(1, "b", kBob, c.what)});
        if (c.bumped) {
            Bump();
        }
        feed.Check({history, merged, kNow, kSteadyNow + c.later});
        EXPECT_EQ(history.Uses(kBob, c.what).size(), c.read);
    }
}

// A burst longer than one check reads goes on at the next checks, with no
// bump in between; a counter file made anew is mapped at the next look.
TEST_F(ClusterFeedTest, TheCounterNeitherStallsABurstNorIsLostWhenMadeAnew) {
    Bump();
    feed_.Load(Target());
    std::vector<std::string> lines;
    for (int i = 0; i < 2000; ++i) {
        lines.push_back(Use(100, "b", 1000 + i, "fly"));
    }
    Append(lines);
    Bump();
    for (int i = 0; i < 10; ++i) {
        feed_.Check(Target(std::chrono::milliseconds(i)));
    }
    EXPECT_EQ(feed_.Counts().added, 2000u);

    // The companion's counter lost and made again: another file.
    fs::rename(Corvane::FeedChangesFile(settings_.feedFile), folder_ / "old-counter");
    Bump();
    Append({Use(5, "b", kBob, "fly")});
    feed_.Check(Target(Corvane::kFeedLookInterval));
    EXPECT_EQ(UsesOf(kBob, "fly"), 1u);
    Append({Use(5, "b", kBob, "god")});
    Bump();
    feed_.Check(Target(Corvane::kFeedLookInterval + std::chrono::milliseconds(1)));
    EXPECT_EQ(UsesOf(kBob, "god"), 1u);
}

// The plugin hashes the lines it writes only in the first second it writes
// under a name; the feed's lines of that name after that second are its own,
// which the history holds. A fill after a lost audit folder brings them.
TEST_F(ClusterFeedTest, ThisServersLinesAfterItsFirstWrittenSecondAreHeld) {
    const std::string first = Use(20, "a", kAlice, "fly");
    ASSERT_TRUE(merged_.NoteByHash("a", std::chrono::floor<seconds>(kNow) - seconds(20)));
    merged_.Local(Corvane::LineHash(first), std::chrono::floor<seconds>(kNow) - seconds(20));
    EXPECT_TRUE(merged_.NoteByHash("a", std::chrono::floor<seconds>(kNow) - seconds(20)));
    EXPECT_FALSE(merged_.NoteByHash("a", std::chrono::floor<seconds>(kNow) - seconds(10)));
    // Renamed by a reload: "a" may be another server's name from then on.
    EXPECT_TRUE(merged_.NoteByHash("z", std::chrono::floor<seconds>(kNow) - seconds(8)));
    EXPECT_FALSE(merged_.NoteByHash("z", std::chrono::floor<seconds>(kNow) - seconds(5)));
    const struct {
        std::string line;
        std::uint64_t steamId;
        const char* name;
        bool added;
    } cases[] = {
        {first, kAlice, "fly", false},                        // noted by its hash
        {Use(10, "a", kAlice, "god"), kAlice, "god", false},  // written since, not hashed
        {Use(20, "a", kBob, "fly"), kBob, "fly", true},       // the first second, not this load's
        {Use(30, "a", kBob, "god"), kBob, "god", true},       // before it: an earlier load's
        {Use(10, "b", kBob, "up"), kBob, "up", true},         // another server's
        {Use(5, "a", kAlice, "up"), kAlice, "up", true},      // "a" after this server left the name
        {Use(5, "z", kBob, "down"), kBob, "down", false},     // its new name's, written since
    };
    for (const auto& c : cases) {
        Append({c.line});
    }
    feed_.Load(Target());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(UsesOf(c.steamId, c.name), c.added ? 1u : 0u);
    }
    EXPECT_EQ(feed_.Counts().held, 3u);
}

TEST_F(ClusterFeedTest, TheFeedsAgeIsItsNewestHeartbeats) {
    settings_.staleAfter = seconds(10);
    const struct {
        std::vector<std::string> lines;
        std::optional<seconds> age;
        bool stale;
    } cases[] = {
        {{}, std::nullopt, true},
        {{Heartbeat(3)}, seconds(3), false},
        {{Heartbeat(3), Heartbeat(30)}, seconds(3), false},
        {{Heartbeat(11)}, seconds(11), true},
        {{Heartbeat(10)}, seconds(10), false},
        {{Heartbeat(-60)}, seconds(0), false},  // a clock ahead: taken as now
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.empty() ? "none" : c.lines[0]);
        fs::remove(settings_.feedFile);
        Append(c.lines);
        ClusterFeed feed{settings_, {}};
        feed.Load(Target());
        const ClusterFeed::Age age = feed.AgeAt(kNow);
        EXPECT_EQ(age.age, c.age);
        EXPECT_EQ(age.stale, c.stale);
    }
}

}  // namespace
