// The cooldown table on its own: what it holds back, and that it keeps only
// the cooldowns still running (each start drops those that ran out).
#include <gtest/gtest.h>

#include "core/Cooldowns.h"

namespace {

using Corvane::Cooldowns;
using std::chrono::seconds;

TEST(Cooldowns, HoldsBackOnlyThePlayerAndNameUntilTheTimeHasPassed) {
    Cooldowns table;
    const Cooldowns::Clock::time_point start{};
    table.Start(1, "fly", seconds(30), start);
    EXPECT_EQ(table.Remaining(1, "fly", start + seconds(10)), seconds(20));
    EXPECT_EQ(table.Remaining(2, "fly", start + seconds(10)), seconds(0));
    EXPECT_EQ(table.Remaining(1, "walk", start + seconds(10)), seconds(0));
    EXPECT_EQ(table.Remaining(1, "fly", start + seconds(30)), seconds(0));
}

TEST(Cooldowns, ExpiredEntriesAreDroppedSoTheTableStaysBounded) {
    Cooldowns table;
    const Cooldowns::Clock::time_point start{};
    for (std::uint64_t player = 0; player < 1000; ++player) {
        table.Start(player, "fly", seconds(1 + player % 10), start);
    }
    table.Start(5000, "fly", seconds(50), start);
    table.Start(5000, "fly", seconds(60), start);  // a restart replaces, never adds
    EXPECT_EQ(table.Size(), 1001u);
    EXPECT_EQ(table.Remaining(0, "fly", start + seconds(5)), seconds(0));
    table.Start(7, "walk", seconds(0), start + seconds(5));
    EXPECT_EQ(table.Size(), 501u) << "the 500 that ran out by then are gone";
    table.Start(7, "walk", seconds(0), start + seconds(20));
    EXPECT_EQ(table.Size(), 1u);
}

}  // namespace
