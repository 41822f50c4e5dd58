// The audit file end to end through the loaded plugin: no chat line writes a
// line past the bound, what hides is shown as an escape in the audit file and
// the log alike, a path Windows reads from elsewhere stops the load, and the
// file rotates as configured.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "core/AuditLine.h"
#include "tests/support/GateFixture.h"

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::SizeIs;
using json = nlohmann::json;
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

std::string Repeated(const std::string& text, std::size_t times) {
    std::string repeated;
    for (std::size_t i = 0; i < times; ++i) {
        repeated += text;
    }
    return repeated;
}

TEST_F(AuditFile, NoChatLineWritesAnAuditLinePastTheBound) {
    struct Case {
        const char* name;
        std::string word;
    } cases[] = {
        {"a 3,000,000-character word", std::string(3'000'000, 'x')},
        {"3,000 U+202E", Repeated("\u202E", 3'000)},
    };
    LoadWith({{"AuditLog", "audit.jsonl"}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Events().Clear();
        SayChecked(rex_, "/cheat " + c.word);
        ASSERT_THAT(AuditLines(), SizeIs(1));
        const std::string line = AuditLines()[0];
        EXPECT_LE(line.size() + 1, Corvane::kAuditLineLimit);
        const json record = json::parse(line);
        EXPECT_EQ(record["outcome"], "refused");
        EXPECT_EQ(W(record["permission"].get<std::string>()).size() + record.value("permissionCut", 0u),
                  W("Cheat." + c.word).size());
        EXPECT_TRUE(record.contains("permissionCut"));
    }
}

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
