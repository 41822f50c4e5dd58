// Without the permissions plugin nothing is granted: the first /cheat use
// fails with a clear error and runs nothing. This executable deliberately does
// not link the permissions library, so the plugin cannot find it.
#include <gmock/gmock.h>

#include "devhost/engine/Allocator.h"
#include "devhost/engine/Engine.h"
#include "devhost/framework/Framework.h"
#include "devhost/framework/TemporaryServerDirectory.h"
#include "host/Velkor.h"

namespace {

TEST(PermissionsPlugin, MissingLibraryGrantsNothingAndSaysWhy) {
    const DevHost::TemporaryServerDirectory server("corvane-no-permissions-");
    server.WriteConfig(R"({"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1}"}})");
    {
        DevHost::PluginHost plugin(CORVANE_PLUGIN_PATH);
        ASSERT_TRUE(plugin.Load()) << plugin.error();
        AShooterPlayerController* rex = DevEngine::TheGameWorld().Join("Rex", 1);
        const auto result = DevHost::RouteChat(rex, Velkor::Tools::Utf8Decode("/cheat fly"));
        EXPECT_EQ(result.outcome, DevHost::RouteResult::Outcome::Failed);
        EXPECT_THAT(result.error, ::testing::StartsWith("Can't load the permissions plugin Permissions"));
        EXPECT_TRUE(DevEngine::TheGameWorld().Records().console.empty());
        EXPECT_TRUE(DevEngine::TheGameWorld().Records().gameplayLog.empty());
    }
    DevEngine::TheGameWorld().Reset();
    EXPECT_EQ(DevEngine::TheAllocator().LiveBlocks(), 0u);
}

}  // namespace
