// Inputs the fuzz targets found to break something, kept as plain cases.
#include <gmock/gmock.h>

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

}  // namespace
