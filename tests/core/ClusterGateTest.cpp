// A server of a cluster, end to end through the loaded plugin: its lines name
// it, and before each decision the other servers' uses and forgive lines that
// reached its feed hold; the log tells when the feed turns stale and fresh.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include <fmt/format.h>

#include "core/audit/AuditEntry.h"
#include "core/history/ClusterFeed.h"
#include "tests/support/AuditedGateFixture.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using json = nlohmann::json;

class ClusterGate : public AuditedGateFixture {
protected:
    void LoadInCluster() {
        LoadWith({{"AuditLog", "CheatAudit.jsonl"},
                  {"Cluster", {{"Server", "island-1"}, {"Database", {{"User", "u"}, {"Name", "n"}}}}},
                  {"Commands", {{"fly", {{"Cooldown", 600}}}, {"god", {{"Cooldown", 600}}}}}});
    }
    std::filesystem::path Feed() { return Server().Directory().PluginFolder() / "CheatFeed.jsonl"; }
    static std::string Now(int secondsAgo = 0) {
        return Corvane::UtcText(std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()) -
                                std::chrono::seconds(secondsAgo));
    }
    // Binary, as the companion writes it.
    void AppendToFeed(const std::string& line) {
        std::ofstream(Feed(), std::ios::app | std::ios::binary) << line << '\n';
    }
    void FeedUse(std::uint64_t steamId, const char* name) {
        AppendToFeed(fmt::format(R"({{"time":"{}","server":"island-2","steamId":"{}","character":"x",)"
                                 R"("command":"{}","names":["{}"],"outcome":"granted"}})",
                                 Now(5), steamId, name, name));
    }
    void FeedHeartbeat() {
        AppendToFeed(Corvane::HeartbeatLine(
            std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()), "island-1"));
    }
    bool Ran(const std::string& line) {
        Events().Clear();
        SayChecked(rex_, line);
        return !Commands().empty();
    }
};

TEST_F(ClusterGate, EveryLineNamesTheServerRightAfterItsTime) {
    LoadInCluster();
    SayChecked(rex_, "/cheat fly");
    SayChecked(ann_, "/cheat fly");
    const auto lines = AuditLines();
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string& line : lines) {
        EXPECT_EQ(line.substr(29, 22), R"(","server":"island-1",)") << line;
    }
}

TEST_F(ClusterGate, AUseOnAnotherServerHoldsHere) {
    Grant(kRexId, "Cheat.god");
    FeedUse(kRexId, "fly");
    LoadInCluster();
    EXPECT_FALSE(Ran("/cheat fly"));
    // Read before each decision: a use that arrives after the load holds too.
    FeedUse(kRexId, "god");
    EXPECT_FALSE(Ran("/cheat god"));
}

TEST_F(ClusterGate, AForgiveOnAnotherServerHoldsHere) {
    LoadInCluster();
    EXPECT_TRUE(Ran("/cheat fly"));
    EXPECT_FALSE(Ran("/cheat fly"));
    AppendToFeed(
        fmt::format(R"({{"time":"{}","server":"island-2","steamId":"9","character":"op","action":"forgive",)"
                    R"("forgiven":"{}","permission":"Corvane.Forgive","outcome":"forgiven"}})",
                    Now(), kRexId));
    EXPECT_TRUE(Ran("/cheat fly"));
}

TEST_F(ClusterGate, TheLogTellsWhenTheFeedTurnsStaleAndFresh) {
    FeedHeartbeat();
    LoadInCluster();
    SayChecked(ann_, "/cheat fly");
    EXPECT_EQ(WarningLogged(), "");
    Server().LetTimePass(std::chrono::seconds(30));
    SayChecked(ann_, "/cheat fly");
    EXPECT_THAT(WarningLogged(),
                HasSubstr("The cluster feed is stale: its last heartbeat is 30 s old (StaleAfter 10 s)"));
    Events().Clear();
    SayChecked(ann_, "/cheat fly");
    EXPECT_EQ(WarningLogged(), "") << "one line when it turns stale";
    FeedHeartbeat();
    SayChecked(ann_, "/cheat fly");
    std::vector<std::string> fresh;
    for (const std::string& line : LogLines()) {
        if (line.find("The cluster feed is fresh again: its last heartbeat is ") != std::string::npos) {
            fresh.push_back(line);
        }
    }
    EXPECT_EQ(fresh.size(), 1u);
}

TEST_F(ClusterGate, CheckShowsTheFeedsAge) {
    Grant(kRexId, "Corvane.Check");
    FeedHeartbeat();
    LoadInCluster();
    SayChecked(rex_, "/corvane check fly");
    const auto replies = Replies();
    ASSERT_THAT(replies, ::testing::Not(IsEmpty()));
    EXPECT_THAT(replies.back(), HasSubstr("cluster feed: last heartbeat "));
    EXPECT_THAT(replies.back(),
                HasSubstr(", fresh (stale after 10 s); 0 uses read from it, 0 lines skipped"));
}

// A reload that keeps the cluster as it was reads only what the feed gained
// since: the uses read before stay counted, and no line is read twice.
TEST_F(ClusterGate, AReloadReadsOnlyWhatTheFeedGainedSince) {
    Grant(kRexId, "Corvane.Check");
    Grant(kRexId, "Corvane.Reload");
    FeedHeartbeat();
    FeedUse(kAnnId, "fly");
    AppendToFeed("not a line of the feed");
    LoadInCluster();
    FeedUse(kAnnId, "god");
    SayChecked(rex_, "/corvane reload");
    SayChecked(rex_, "/corvane check fly");
    EXPECT_THAT(Replies().back(), HasSubstr("; 2 uses read from it, 1 line skipped"));
}

// After a lost audit folder the companion fills the feed with this server's
// own uses from the table, among them ones the running plugin wrote and
// holds: each counts once, whether written in the plugin's first second under
// its name (known by its hash) or later, and after a reload that reads the
// record again.
TEST_F(ClusterGate, ThisServersOwnUsesFedBackCountOnce) {
    const auto config = [](int per) {
        return ConfigWith(
            {{"AuditLog", "CheatAudit.jsonl"},
             {"Cluster", {{"Server", "island-1"}, {"Database", {{"User", "u"}, {"Name", "n"}}}}},
             {"Commands", {{"fly", {{"MaxUses", {{"Count", 3}, {"Per", per}}}}}}}});
    };
    Grant(kRexId, "Corvane.Reload");
    LoadConfig(config(600));
    EXPECT_TRUE(Ran("/cheat fly"));
    Server().LetTimePass(std::chrono::seconds(2));
    EXPECT_TRUE(Ran("/cheat fly"));
    for (const std::string& line : AuditLines()) {
        AppendToFeed(line);
    }
    EXPECT_TRUE(Ran("/cheat fly"));
    EXPECT_FALSE(Ran("/cheat fly"));
    // A longer window reads the record and the feed anew.
    WriteConfig(config(900));
    SayChecked(rex_, "/corvane reload");
    EXPECT_FALSE(Ran("/cheat fly"));
    // The first use has left the window, the second and third not yet
    // (their record's times are their second's end: the reload's now).
    Server().LetTimePass(std::chrono::seconds(899));
    EXPECT_TRUE(Ran("/cheat fly"));
    EXPECT_FALSE(Ran("/cheat fly"));
}

}  // namespace
