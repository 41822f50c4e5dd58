// Without the permissions plugin nothing is granted: the first /cheat use
// fails with a clear error and runs nothing. This executable deliberately does
// not link the permissions library, so the plugin cannot find it.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include "Allocator.h"
#include "Engine.h"
#include "Framework.h"
#include "Velkor.h"

namespace {

TEST(PermissionsPlugin, MissingLibraryGrantsNothingAndSaysWhy) {
    namespace fs = std::filesystem;
    const fs::path server = fs::temp_directory_path() / "corvane-no-permissions";
    fs::create_directories(server / "Velkor/Plugins/Corvane");
    std::ofstream(server / "Velkor/Plugins/Corvane/config.json")
        << R"({"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1}"}})";
    DevHost::SetCurrentDir(server.string());
    {
        DevHost::PluginHost plugin(CORVANE_PLUGIN_PATH);
        ASSERT_TRUE(plugin.Load()) << plugin.error();
        AShooterPlayerController* rex = DevEngine::TheEngine().Join("Rex", 1);
        const auto result = DevHost::RouteChat(rex, Velkor::Tools::Utf8Decode("/cheat fly"));
        EXPECT_EQ(result.outcome, DevHost::RouteResult::Outcome::Failed);
        EXPECT_THAT(result.error, ::testing::StartsWith("Can't load the permissions plugin Permissions"));
        EXPECT_TRUE(DevEngine::TheEngine().Records().console.empty());
        EXPECT_TRUE(DevEngine::TheEngine().Records().gameplayLog.empty());
    }
    DevEngine::TheEngine().Reset();
    EXPECT_EQ(DevEngine::TheAllocator().LiveBlocks(), 0u);
    fs::remove_all(server);
}

}  // namespace
