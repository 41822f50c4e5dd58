// The audit file end to end through the loaded plugin: a path Windows reads
// from elsewhere stops the load, and the file rotates as configured.
#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "tests/support/GateFixture.h"

using ::testing::ElementsAre;
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

    void WriteConfigWith(const json& controls) {
        json config = {
            {"PrintToChat", false},
            {"Messages", {{"LogMsg", "{0} ran {1}"}, {"NoPermissions", "No."}, {"Sender", "Server"}}}};
        config.merge_patch(controls);
        WriteConfig(config.dump());
    }

    void LoadWith(const json& controls) {
        WriteConfigWith(controls);
        ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
        Events().Clear();
    }

    fs::path InPluginFolder(const std::string& name) { return Server().Directory().PluginFolder() / name; }

    AShooterPlayerController* rex_ = nullptr;
};

TEST_F(AuditFile, APathWindowsTakesFromElsewhereStopsTheLoadNamingTheMember) {
    for (const char* path : {"\\audit.jsonl", "D:audit.jsonl"}) {
        SCOPED_TRACE(path);
        Events().Clear();
        WriteConfigWith({{"AuditLog", path}});
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
