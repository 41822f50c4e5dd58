// The history end to end through the loaded plugin: a reload and a restart
// give the same answer, and an operator sees and forgives a player's uses,
// which a restart honours.
#include <gmock/gmock.h>

#include <nlohmann/json.hpp>

#include "core/gate/PlayerUses.h"
#include "tests/support/AuditedGateFixture.h"

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using json = nlohmann::json;
using std::chrono::seconds;

namespace {

class PlayerUses : public AuditedGateFixture {
protected:
    static std::string Config(json controls) {
        controls.emplace("AuditLog", "audit.jsonl");
        controls["Messages"]["Cooldown"] = "{0}";
        controls["Messages"]["Limit"] = "limit {0}";
        return ConfigWith(controls);
    }
    static json Fly(json entry) { return {{"Commands", {{"fly", std::move(entry)}}}}; }

    // The reply to one /cheat fly by Rex; the command's name when it ran.
    std::string Fly() {
        Events().Clear();
        SayChecked(Server().Player("Rex"), "/cheat fly");
        const auto replies = Replies();
        return Commands().empty()
                   ? (replies.empty() ? "" : replies.back().substr(replies.back().find(": ") + 2))
                   : "ran";
    }
    std::vector<std::string> Said(const std::string& line) {
        Events().Clear();
        SayChecked(Server().Player("Ann"), line);
        return Replies();
    }
    void Restart() { ASSERT_TRUE(Server().Reboot()) << Server().LoadError(); }
};

// Lower a cooldown from 600 s to 60 s, or raise it: the wait is the one
// configured now, after a reload as after a restart (which counts the use
// from the end of its second: one second more at most).
TEST_F(PlayerUses, AReloadAndARestartGiveTheSameWait) {
    const struct { int before, after, waited; } cases[] = {{600, 60, 10}, {60, 600, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.before);
        LoadConfig(Config(Fly({{"Cooldown", c.before}})));
        ASSERT_EQ(Fly(), "ran");
        Server().LetTimePass(seconds(c.waited));
        WriteConfig(Config(Fly({{"Cooldown", c.after}})));
        Grant(kRexId, "Corvane.Reload");
        SayChecked(Server().Player("Rex"), "/corvane reload");
        const int reloaded = std::stoi(Fly());
        EXPECT_GE(reloaded, c.after - c.waited);
        EXPECT_LE(reloaded, c.after - c.waited + 1) << "read again from the record, for the longer window";
        Restart();
        // Time runs on between the two, and can cross a second.
        const int restarted = std::stoi(Fly());
        EXPECT_GE(restarted, reloaded - 1);
        EXPECT_LE(restarted, reloaded + 1);
        UnloadPlugin();
        std::filesystem::remove(Server().Directory().PluginFolder() / "audit.jsonl");
    }
}

// A reload whose controls reach further back than the history kept reads
// the record again, as a restart would.
TEST_F(PlayerUses, AReloadThatReachesFurtherBackReadsTheRecordAgain) {
    LoadConfig(Config(Fly({{"Cooldown", 60}})));
    ASSERT_EQ(Fly(), "ran");
    Server().LetTimePass(seconds(70));
    ASSERT_EQ(Fly(), "ran");
    Server().LetTimePass(seconds(70));
    WriteConfig(Config(Fly({{"Cooldown", 60}, {"MaxUses", {{"Count", 2}, {"Per", 3600}}}})));
    Grant(kRexId, "Corvane.Reload");
    SayChecked(rex_, "/corvane reload");
    EXPECT_THAT(Fly(), HasSubstr("limit ")) << "the history kept only the newest use for the cooldown";
}

TEST_F(PlayerUses, AnOperatorSeesAndForgivesAPlayersUsesAndARestartHonoursIt) {
    LoadConfig(
        Config({{"Commands",
                 {{"fly", {{"Cooldown", 600}}}, {"walk", {{"MaxUses", {{"Count", 3}, {"Per", 3600}}}}}}}}));
    Grant(kRexId, "Cheat.walk");
    Grant(kAnnId, "Corvane.Uses");
    Grant(kAnnId, "Corvane.Forgive");
    ASSERT_EQ(Fly(), "ran");
    SayChecked(rex_, "/cheat walk");
    Server().LetTimePass(seconds(100));
    EXPECT_THAT(
        Said("/corvane uses Rex"),
        ElementsAre("Ann from Server: Uses of Rex (1):",
                    "Ann from Server: fly: cooldown 500 s (8 minutes 20 seconds) left",
                    "Ann from Server: walk: 2 of 3 uses left in 3600 s; the next frees up in 3500 s (58 "
                    "minutes 20 seconds)"));
    EXPECT_THAT(Said("/corvane forgive Rex fly"),
                ElementsAre("Ann from Server: Rex (1) is forgiven their uses of fly."));
    EXPECT_EQ(json::parse(AuditLines().at(0)).dump(), json({{"time", json::parse(AuditLines().at(0))["time"]},
                                                            {"steamId", "2"},
                                                            {"character", "Ann"},
                                                            {"action", "forgive"},
                                                            {"forgiven", "1"},
                                                            {"forgivenName", "fly"},
                                                            {"outcome", "forgiven"}})
                                                          .dump());
    Restart();
    EXPECT_EQ(Fly(), "ran") << "forgiven, and the restore honours it";
    // The restore counts a use from the end of its second: a second more at most.
    EXPECT_THAT(Said("/corvane uses 1"),
                ElementsAre("Ann from Server: Uses of Rex (1):",
                            "Ann from Server: fly: cooldown 600 s (10 minutes) left",
                            HasSubstr("walk: 2 of 3 uses left in 3600 s; the next frees up in 350")));
    Said("/corvane forgive 1");
    EXPECT_THAT(Said("/corvane uses 1"),
                ElementsAre("Ann from Server: Rex (1) has no cooldown or use limit running"));
}

TEST_F(PlayerUses, ANameThatIsNotOnePlayerChangesNothingAndListsTheMatches) {
    LoadConfig(Config(Fly({{"Cooldown", 600}})));
    Join("Rex Jr", 3);
    Grant(kAnnId, "Corvane.Forgive");
    ASSERT_EQ(Fly(), "ran");
    const struct {
        const char* line;
        const char* reply;
    } cases[] = {
        {"/corvane forgive Nobody",
         "No connected player is named \"Nobody\": name one exactly, or by Steam id."},
        {"/corvane forgive rex", "No connected player is named \"rex\": name one exactly, or by Steam id."},
        {"/corvane forgive Rex Jr", "Rex Jr (3) is forgiven their uses of every command."},
        {"/corvane forgive 77 fly", "77 is forgiven their uses of fly."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_THAT(Said(c.line), ElementsAre(std::string("Ann from Server: ") + c.reply));
    }
    EXPECT_EQ(Fly(), "600") << "Rex was forgiven nothing";
}

// The stand-in server gives every connected player a name of their own.
TEST(PlayerMatches, SeveralPlayersOfTheNameAreListedWithTheirSteamIds) {
    EXPECT_EQ(Corvane::DescribeMatches(WIDE("Twin"), {{4, "Twin"}, {5, "Twin"}}),
              "2 connected players are named \"Twin\": Twin (4), Twin (5). Name one by Steam id.");
}

TEST_F(PlayerUses, WithoutThePermissionTheOperatorIsRefusedAndItIsRecorded) {
    LoadConfig(Config(Fly({{"Cooldown", 600}})));
    for (const auto& [line, permission] : {std::pair{"/corvane uses Rex", "Corvane.Uses"},
                                           std::pair{"/corvane forgive Rex", "Corvane.Forgive"}}) {
        SCOPED_TRACE(line);
        Events().Clear();
        EXPECT_THAT(Said(line), ElementsAre(HasSubstr("No")));
        const json audited = LastAudit();
        EXPECT_EQ(audited["permission"], permission);
        EXPECT_EQ(audited["outcome"], "refused");
    }
    Grant(kAnnId, "Corvane.Uses");
    Said("/corvane uses Rex");
    EXPECT_THAT(AuditLines(), IsEmpty()) << "a granted uses writes nothing, as a check";
}

}  // namespace
