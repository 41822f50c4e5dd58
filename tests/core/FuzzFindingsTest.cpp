// Inputs the fuzz targets found to break something, kept as plain cases.
#include <gmock/gmock.h>

#include <fstream>

#include "tests/support/ServerFixture.h"

using ::testing::ElementsAre;
using ::testing::EndsWith;

namespace {

class FuzzFindings : public ServerFixture {};

// The JSON library rejects a number beyond the range of a double with its
// out-of-range error, not its parse error; the load must still fail cleanly.
TEST_F(FuzzFindings, NumberBeyondDoubleFailsTheLoadWithOneErrorLine) {
    WriteConfig(R"({"PrintToChat": true, "Messages": {"LogMsg": "{0} ran {1}"}, "Limit": 1e400})");
    EXPECT_FALSE(LoadPlugin());
    EXPECT_THAT(LogLines(),
                ElementsAre(EndsWith(
                    "[Corvane][error] [json.exception.out_of_range.406] number overflow parsing '1e400'")));
    EXPECT_FALSE(DevHost::IsCommandRegistered(W("/cheat")));
    EXPECT_EQ(Say(Join("Rex", 7), "/cheat fly").outcome, DevHost::RouteResult::Outcome::Unrouted);
}

// A time no nanosecond count holds (the year 4052, or the year 1) overflowed
// the clock when the audit record was read back at load.
TEST_F(FuzzFindings, AnAuditLineFromFarOffTimesStartsNoEndlessCooldown) {
    WriteConfig(R"({"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1}", "Cooldown": "{0}"},
                    "AuditLog": "audit.jsonl", "Commands": {"fly": {"Cooldown": 60}}})");
    const auto line = [](const char* time) {
        return std::string(R"({"time":")") + time + R"(","steamId":"7","character":"Rex","command":"fly",)" +
               R"("outcome":"granted"})" + "\n";
    };
    std::ofstream(Server().Directory().PluginFolder() / "audit.jsonl", std::ios::binary)
        << line("0001-01-01T00:00:00Z") << line("4052-12-07T23:59:59Z");
    ASSERT_TRUE(LoadPlugin()) << Server().LoadError();
    Grant(7, "Cheat.fly");
    Say(Join("Rex", 7), "/cheat fly");
    // The line from the future counts as a use just now: the configured minute, no more.
    EXPECT_THAT(Events().Of<DevHost::PrivateMessage>(), ::testing::SizeIs(1));
    EXPECT_THAT(LogLines(), ::testing::ElementsAre(::testing::HasSubstr("2 audit lines")));
}

}  // namespace
