// Without the permissions plugin nothing is granted: the first /cheat use
// fails with a clear error and runs nothing. A program of its own, so that no
// earlier test's plugin has the permissions library loaded.
#include <gmock/gmock.h>

#include "tests/support/ServerFixture.h"

namespace {

class PermissionsPlugin : public ServerFixture {};

TEST_F(PermissionsPlugin, MissingLibraryGrantsNothingAndSaysWhy) {
    Server().UnloadPermissionsPlugin();
    WriteConfig(R"({"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1}"}})");
    ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
    const auto result = Say(Join("Rex", 1), "/cheat fly");
    EXPECT_EQ(result.outcome, DevHost::RouteResult::Outcome::Failed);
    EXPECT_THAT(result.error, ::testing::StartsWith("Can't load the permissions plugin Permissions"));
    EXPECT_THAT(Events().Of<DevHost::ConsoleCommandRun>(), ::testing::IsEmpty());
    EXPECT_THAT(Events().Of<DevHost::GameplayLogEntry>(), ::testing::IsEmpty());
}

}  // namespace
