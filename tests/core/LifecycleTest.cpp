// Loading and unloading the plugin library through its entry notification.
#include <gmock/gmock.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "core/audit/AuditEntry.h"
#include "devhost/engine/Allocator.h"
#include "host/Velkor.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/ServerFixture.h"
#include "tests/support/StdRegex.h"

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::SizeIs;

namespace {

constexpr const char* kGoodConfig =
    R"({"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.", "Sender": "Server"}})";

// "%D %R [%n][%l] %v": MM/DD/YY HH:MM [logger][level] message
constexpr const char* kLinePrefix =
    R"(^[0-9][0-9]/[0-9][0-9]/[0-9][0-9] [0-9][0-9]:[0-9][0-9] \[Corvane\]\[error\] )";

class Lifecycle : public ServerFixture {};

TEST_F(Lifecycle, LoadRegistersCheatAndUnloadRemovesIt) {
    WriteConfig(kGoodConfig);
    ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
    EXPECT_TRUE(DevHost::IsCommandRegistered(W("/cheat")));
    EXPECT_THAT(LogLines(), ElementsAre(EndsWith(
                                "[Corvane][info] Loaded Velkor/Plugins/Corvane/config.json: no audit file; "
                                "no deny list; no wrappers; no command entries; 0 uses restored from 0 "
                                "audit lines")));

    UnloadPlugin();
    EXPECT_FALSE(DevHost::IsCommandRegistered(W("/cheat")));
    AShooterPlayerController* rex = Join("Rex", 7);
    EXPECT_EQ(Say(rex, "/cheat fly").outcome, DevHost::RouteResult::Outcome::Unrouted);
    EXPECT_THAT(Events().Of<DevHost::ConsoleCommandRun>(), SizeIs(0));
}

TEST_F(Lifecycle, ALoadSaysWhatItReadWhatIsInForceAndWhatItRestored) {
    WriteConfig(R"({"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1}"},
        "AuditLog": "CheatAudit.jsonl", "AuditRotate": {"MaxBytes": 65536, "Keep": 2},
        "Deny": ["quit", "exit"], "Wrappers": ["wrap"],
        "Commands": {"fly": {"Cooldown": 60}, "giveitem": {"Arguments": [{"Max": 5}]}, "*": {"Cooldown": 5}}})");
    const std::string now =
        Corvane::UtcText(std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()));
    const auto granted = [&](const char* command) {
        return R"({"time":")" + now + R"(","steamId":"7","character":"Rex","command":")" + command +
               R"(","permission":"Cheat.x","outcome":"granted"})" + "\n";
    };
    std::ofstream(Server().Directory().PluginFolder() / "CheatAudit.jsonl") << granted("fly") << "no record\n"
                                                                            << granted("spawn wolf");
    ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
    EXPECT_THAT(LogLines(), Contains(EndsWith(
                                "[Corvane][info] Loaded Velkor/Plugins/Corvane/config.json: audit file "
                                "CheatAudit.jsonl, rotated at 65536 bytes keeping 2; deny list of 2 names; 1 "
                                "wrapper; 3 command entries, 2 with a cooldown, 0 with a use limit, 0 with "
                                "tiers, 1 with argument rules; 2 "
                                "uses restored from 3 audit lines")));
}

TEST_F(Lifecycle, MissingConfigLogsOneErrorLineAndRegistersNothing) {
    RemoveConfig();
    EXPECT_FALSE(LoadPlugin());
    EXPECT_FALSE(Server().Loaded());
    EXPECT_THAT(LogLines(),
                ElementsAre(MatchesStdRegex(std::string(kLinePrefix) + "Can't open config\\.json$")));
    EXPECT_FALSE(DevHost::IsCommandRegistered(W("/cheat")));
}

// On Linux a directory opens as a file, and reading it used to fail with the
// stream's own text ("basic_filebuf::underflow error reading the file").
TEST_F(Lifecycle, AConfigThatIsADirectoryCannotBeOpened) {
    RemoveConfig();
    std::filesystem::create_directory(Server().Directory().ConfigFile());
    EXPECT_FALSE(LoadPlugin());
    EXPECT_THAT(LogLines(),
                ElementsAre(MatchesStdRegex(std::string(kLinePrefix) + "Can't open config\\.json$")));
}

TEST_F(Lifecycle, SyntaxErrorLogsTheParseErrorAndRegistersNothing) {
    WriteConfig(R"({"PrintToChat": true,})");
    EXPECT_FALSE(LoadPlugin());
    const auto lines = LogLines();
    ASSERT_THAT(lines, SizeIs(1));
    EXPECT_THAT(lines[0],
                MatchesStdRegex(std::string(kLinePrefix) + "\\[json\\.exception\\.parse_error\\.101\\].*"));
    EXPECT_THAT(lines[0], HasSubstr("syntax error while parsing object key - unexpected '}'"));
    EXPECT_FALSE(DevHost::IsCommandRegistered(W("/cheat")));
}

TEST_F(Lifecycle, FrameworkSinksKeepThePatternButNothingOfAnUnloadedPlugin) {
    RemoveConfig();
    EXPECT_FALSE(LoadPlugin());  // the failed attach has unloaded the library again
    // Formats through whatever formatter the plugin left in the sink.
    DevHost::LogError("after the plugin");
    EXPECT_THAT(
        LogLines(),
        ElementsAre(HasSubstr("[Corvane][error] Can't open config.json"),
                    MatchesStdRegex(R"(^[0-9/]{8} [0-9:]{5} \[Velkor\]\[error\] after the plugin$)")));
}

TEST_F(Lifecycle, ByteOrderMarkAndTrailingTextAreAccepted) {
    WriteConfig(std::string("\xEF\xBB\xBF") + kGoodConfig + " this is not JSON {");
    ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
    EXPECT_TRUE(DevHost::IsCommandRegistered(W("/cheat")));
}

TEST_F(Lifecycle, ThreadNotificationsChangeNothing) {
    WriteConfig(kGoodConfig);
    ASSERT_TRUE(LoadPlugin());
    const auto blocks = DevEngine::TheAllocator().LiveBlocks();
    Server().NotifyThread(2);
    Server().NotifyThread(3);
    EXPECT_TRUE(DevHost::IsCommandRegistered(W("/cheat")));
    EXPECT_EQ(DevEngine::TheAllocator().LiveBlocks(), blocks);
    EXPECT_THAT(LogLines(), ElementsAre(HasSubstr("[Corvane][info] Loaded ")));
}

TEST_F(Lifecycle, LoggerWritesToTheFrameworksOwnSinkObjects) {
    auto second = std::make_shared<RecordingSink>();
    GetLogSinks().push_back(second);
    RemoveConfig();
    EXPECT_FALSE(LoadPlugin());
    EXPECT_THAT(LogLines(), SizeIs(1));
    EXPECT_THAT(second->Lines(), SizeIs(1));
    EXPECT_GE(second->Flushes(), 1) << "errors are flushed at once";
    // Shared, not copied: the framework's list holds the only other references.
    EXPECT_EQ(second.use_count(), 2);
}

TEST_F(Lifecycle, ReloadPicksUpAChangedFile) {
    RemoveConfig();
    EXPECT_FALSE(LoadPlugin());
    WriteConfig(kGoodConfig);
    ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
    EXPECT_TRUE(DevHost::IsCommandRegistered(W("/cheat")));
}

TEST_F(Lifecycle, NoEngineBlockOutlivesUnload) {
    WriteConfig(kGoodConfig);
    const auto before = DevEngine::TheAllocator().LiveBlocks();
    ASSERT_TRUE(LoadPlugin());
    EXPECT_GT(DevEngine::TheAllocator().LiveBlocks(), before) << "the registry holds the command text";
    UnloadPlugin();
    EXPECT_EQ(DevEngine::TheAllocator().LiveBlocks(), before);
}

}  // namespace
