// Flood control, called directly: which turn-away lines of a player are
// written, when a period ends, and the counts its summary line gives.
#include <gmock/gmock.h>

#include <nlohmann/json.hpp>

#include "core/audit/FloodControl.h"

namespace {

using Corvane::FloodControl;
using std::chrono::seconds;

const std::chrono::sys_seconds kWallStart{std::chrono::sys_days{std::chrono::year(2026) / 12 / 8}};

class Flood : public ::testing::Test {
protected:
    // A turn-away at second `at` after the start.
    bool Admit(std::uint64_t steamId, const char* outcome, int at) {
        return flood_.Admit(steamId, outcome, Steady(at), kWallStart + seconds(at));
    }
    static FloodControl::Clock::time_point Steady(int at) {
        return FloodControl::Clock::time_point(std::chrono::hours(1)) + seconds(at);
    }
    // Every summary due at second `at`, as the lines that would be written.
    std::vector<nlohmann::json> Due(int at) {
        std::vector<nlohmann::json> due;
        while (const auto omitted = flood_.NextDue(Steady(at))) {
            nlohmann::json line = nlohmann::json::parse(Corvane::SummaryLine(*omitted));
            line.erase("time");
            due.push_back(line);
            flood_.DropDue();
        }
        return due;
    }

    FloodControl flood_;
};

nlohmann::json Summary(const char* steamId, const char* from, const char* to, nlohmann::json omitted) {
    return {{"steamId", steamId}, {"action", "summary"},          {"outcome", "omitted"}, {"from", from},
            {"to", to},           {"omitted", std::move(omitted)}};
}

TEST_F(Flood, TenTurnAwaysAPeriodAreWrittenAndTheRestCountedUntilItEnds) {
    struct Step {
        std::uint64_t steamId;
        const char* outcome;
        int at;
        bool written;
    };
    std::vector<Step> steps;
    for (int i = 0; i < 10; ++i) {
        steps.push_back({1, "refused", i, true});
    }
    const Step rest[] = {
        {1, "refused", 10, false},  {1, "denied", 11, false},
        {2, "refused", 30, true},    // another player's period of its own
        {1, "cooldown", 59, false},  // the period started at 0 runs to 60
        {1, "refused", 75, true},    // a new period, from 75
    };
    steps.insert(steps.end(), std::begin(rest), std::end(rest));
    for (const Step& step : steps) {
        SCOPED_TRACE(step.at);
        EXPECT_EQ(Admit(step.steamId, step.outcome, step.at), step.written);
        if (step.at == 59) {
            EXPECT_THAT(Due(59), ::testing::IsEmpty()) << "no summary before the period ends";
        }
    }
    EXPECT_THAT(Due(75), ::testing::ElementsAre(Summary("1", "2026-12-08T00:00:10Z", "2026-12-08T00:00:59Z",
                                                        {{"cooldown", 1}, {"denied", 1}, {"refused", 1}})));
    EXPECT_THAT(Due(200), ::testing::IsEmpty()) << "a period that left nothing out has no summary";
}

TEST_F(Flood, ASummaryStaysDueUntilWrittenAndUnloadEndsEveryPeriod) {
    for (int i = 0; i < 12; ++i) {
        Admit(7, "rejected", 0);
    }
    ASSERT_TRUE(flood_.NextDue(Steady(60)));
    EXPECT_TRUE(flood_.NextDue(Steady(61))) << "not yet written: still due";
    flood_.DropDue();
    for (int i = 0; i < 11; ++i) {
        Admit(7, "rejected", 70);
    }
    flood_.EndAll();
    EXPECT_THAT(Due(71), ::testing::ElementsAre(Summary("7", "2026-12-08T00:01:10Z", "2026-12-08T00:01:10Z",
                                                        {{"rejected", 1}})));
}

}  // namespace

TEST(SummaryLine, AServersNameFollowsItsTime) {
    const Corvane::OmittedLines omitted{7, kWallStart, kWallStart + seconds(5), {{"refused", 3}}};
    const std::string plain = Corvane::SummaryLine(omitted);
    const std::string named = Corvane::SummaryLine(omitted, "island-1");
    EXPECT_EQ(named.substr(29, 22), R"(","server":"island-1",)");
    EXPECT_EQ(named.substr(51), plain.substr(31));
}
