// The audit file end to end through the loaded plugin: what hides is shown as
// an escape in the audit file and the log alike, a path Windows reads from
// elsewhere stops the load, the file rotates as configured, a player's
// turn-aways beyond the rate are counted, and the names a line ran outlive a
// command cut short. The line's bound is the audit writer's own test.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "tests/support/AuditedGateFixture.h"

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::SizeIs;
using json = nlohmann::json;
namespace fs = std::filesystem;

namespace {

class AuditFile : public AuditedGateFixture {
protected:
    fs::path InPluginFolder(const std::string& name) { return Server().Directory().PluginFolder() / name; }
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

// A player who holds nothing once wrote 3,900 lines of 16 KiB in seconds,
// and pushed every granted use out of the kept files.
TEST_F(AuditFile, TurnAwaysBeyondTheRateAreCountedAndSummedUpAfterThePeriod) {
    LoadWith({{"AuditLog", "audit.jsonl"}});
    for (int i = 0; i < 30; ++i) {
        SayChecked(ann_, "/cheat walk" + std::string(16'000, 'x'));
    }
    SayChecked(ann_, "/cheat quit|walk");
    SayChecked(rex_, "/cheat fly");
    ASSERT_THAT(AuditLines(), SizeIs(11)) << "ten of Ann's, and every granted use";
    for (const std::string& line : AuditLines()) {
        EXPECT_LT(line.size(), 4096u);
    }
    EXPECT_EQ(Replies().size(), 31u) << "each turned away as before";
    Events().Clear();
    Server().LetTimePass(std::chrono::seconds(61));
    SayChecked(rex_, "/cheat fly");
    ASSERT_THAT(AuditLines(), SizeIs(2));
    json summary = json::parse(AuditLines()[0]);
    EXPECT_LE(summary["from"], summary["to"]);
    summary.erase("time"), summary.erase("from"), summary.erase("to");
    EXPECT_EQ(summary, json::parse(R"({"steamId":"2","action":"summary","outcome":"omitted",)"
                                   R"("omitted":{"refused":20,"rejected":1}})"));
    EXPECT_THAT(AuditLines()[1], HasSubstr(R"("outcome":"granted")"));

    Events().Clear();
    for (int i = 0; i < 11; ++i) {
        SayChecked(ann_, "/cheat walk");
    }
    UnloadPlugin();
    ASSERT_THAT(AuditLines(), SizeIs(11)) << "the count of a period not yet over, at unload";
    EXPECT_THAT(AuditLines()[10], HasSubstr(R"("omitted":{"refused":1})"));
}

// Only blanks fit in the line of a wrapped command longer than the bound:
// the names it ran are a member of their own, and its cooldown outlives the load.
TEST_F(AuditFile, AGrantedCommandCutShortKeepsTheNamesItRan) {
    LoadWith({{"AuditLog", "audit.jsonl"},
              {"Wrappers", {"wrap"}},
              {"Commands", {{"giveitem", {{"Cooldown", 3600}}}}}});
    Grant(kRexId, "Cheat.wrap");
    const std::string line = "/cheat wrap" + std::string(17'000, ' ') + "giveitem 1";
    SayChecked(rex_, line);
    ASSERT_THAT(AuditLines(), SizeIs(1));
    const json granted = json::parse(AuditLines()[0]);
    EXPECT_EQ(granted["names"], json::parse(R"(["wrap","giveitem"])"));
    EXPECT_GT(granted["cut"], 0);
    UnloadPlugin();
    ASSERT_TRUE(LoadPlugin());
    Events().Clear();
    SayChecked(rex_, line);
    EXPECT_THAT(AuditLines(), ElementsAre(HasSubstr(R"("outcome":"cooldown")")));
}

}  // namespace
