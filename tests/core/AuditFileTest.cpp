// The audit file end to end through the loaded plugin: what hides is shown as
// an escape in the audit file and the log alike, a path Windows reads from
// elsewhere stops the load, and the file rotates as configured. The line's
// bound is the audit writer's own test.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include "tests/support/GateFixture.h"

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::SizeIs;
namespace fs = std::filesystem;

namespace {

class AuditFile : public GateFixture {
protected:
    void SetUp() override {
        GateFixture::SetUp();
        Server().FollowAuditFile();
        rex_ = Join("Rex", 1);
        Grant(1, "Cheat.fly");
    }

    fs::path InPluginFolder(const std::string& name) { return Server().Directory().PluginFolder() / name; }

    AShooterPlayerController* rex_ = nullptr;
};

TEST_F(AuditFile, WhatWouldHideIsAnEscapeInTheAuditFileAndTheLog) {
    LoadWith({{"AuditLog", "audit.jsonl"}});
    SayChecked(rex_, "/cheat 1\u200B0\u061C|\u00AD\uFEFF");
    EXPECT_THAT(WarningLogged(), EndsWith(": 1\\u200B0\\u061C|\\u00AD\\uFEFF"));
    ASSERT_THAT(AuditLines(), SizeIs(1));
    EXPECT_THAT(AuditLines()[0], HasSubstr(R"("command":"1\u200B0\u061C|\u00AD\uFEFF")"));
}

TEST_F(AuditFile, APathWindowsTakesFromElsewhereStopsTheLoadNamingTheMember) {
    for (const char* path : {"\\audit.jsonl", "D:audit.jsonl"}) {
        SCOPED_TRACE(path);
        Events().Clear();
        WriteConfig(ConfigWith({{"AuditLog", path}}));
        EXPECT_FALSE(LoadPlugin());
        EXPECT_THAT(LogLines(), ElementsAre(HasSubstr("[Corvane][error] config.json: /AuditLog: ")));
    }
}

TEST_F(AuditFile, AFullFileIsRenamedAndANewOneStarts) {
    const fs::path file = InPluginFolder("CheatAudit.jsonl");
    fs::create_directories(file.parent_path());
    const std::string earlier = R"({"outcome":"refused"})"
                                "\n";
    std::ofstream(file, std::ios::binary) << [&] {
        std::string filled;
        while (filled.size() + earlier.size() <= 65536 - 100) {
            filled += earlier;
        }
        return filled;
    }();
    const auto filledSize = fs::file_size(file);
    LoadWith({{"AuditLog", "CheatAudit.jsonl"}, {"AuditRotate", {{"MaxBytes", 65536}, {"Keep", 3}}}});
    SayChecked(rex_, "/cheat fly");
    EXPECT_EQ(fs::file_size(InPluginFolder("CheatAudit.1.jsonl")), filledSize);
    EXPECT_EQ(fs::file_size(file), AuditLines().at(0).size() + 1);
    EXPECT_THAT(Commands(), ElementsAre("Rex: fly"));
    EXPECT_THAT(LogLines(), SizeIs(0));
}

}  // namespace
