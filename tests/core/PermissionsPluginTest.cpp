// The permissions plugin as the gate reaches it: loaded on the first question,
// let go at unload, and nothing granted when it is not there.
#include <gmock/gmock.h>

#include "tests/support/ServerFixture.h"

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

namespace {

class PermissionsPlugin : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        WriteConfig(R"({"PrintToChat": false, "AuditLog": "audit.jsonl",
                        "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.", "Sender": "Server"}})");
        Server().FollowAuditFile();
        rex_ = Join("Rex", 1);
    }

    std::vector<std::string> Commands() {
        std::vector<std::string> commands;
        for (const auto& run : Events().Of<DevHost::ConsoleCommandRun>()) {
            commands.push_back(U(run.command));
        }
        return commands;
    }

    AShooterPlayerController* rex_ = nullptr;
};

TEST_F(PermissionsPlugin, MissingPluginGrantsNothingAndSaysWhy) {
    Server().UnloadPermissionsPlugin();
    ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
    EXPECT_EQ(Say(rex_, "/cheat fly").outcome, DevHost::RouteResult::Outcome::Handled);
    EXPECT_THAT(Commands(), IsEmpty());
    EXPECT_THAT(Events().Of<DevHost::GameplayLogEntry>(), IsEmpty());
    EXPECT_THAT(LogLines(),
                ElementsAre(HasSubstr("[Corvane][info] Loaded "),
                            HasSubstr("[Corvane][error] Can't load the permissions plugin Permissions")));
    const auto audit = Events().Of<DevHost::AuditLine>();
    ASSERT_EQ(audit.size(), 1u);
    EXPECT_THAT(audit[0].text,
                HasSubstr(R"("permission":"Cheat.fly","outcome":"failed","error":"Can't load)"));
}

// Each load cycle used to keep one more reference to the library, so that
// the framework could never unload or reload the permissions plugin.
TEST_F(PermissionsPlugin, IsLetGoAtUnloadAndReachedAnewAfterwards) {
    for (int cycle = 0; cycle < 2; ++cycle) {
        ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
        Grant(1, "Cheat.fly");
        Say(rex_, "/cheat fly");
        UnloadPlugin();
        Server().UnloadPermissionsPlugin();
        EXPECT_FALSE(Server().PermissionsPluginInProcess()) << "cycle " << cycle;
        Server().LoadPermissionsPlugin();
    }
    EXPECT_THAT(Commands(), ElementsAre("fly", "fly"));
}

}  // namespace
