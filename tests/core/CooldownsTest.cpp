// The cooldown table on its own: what it holds back, and that it keeps only
// the cooldowns still running (each start drops those that ran out).
#include <gtest/gtest.h>

#include "core/history/Cooldowns.h"
#include "core/text/TimeInWords.h"

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

// The words never promise an earlier time than the true one.
TEST(TimeInWords, TheLargestUnitAndTheNextRoundedUp) {
    using std::chrono::hours;
    using std::chrono::milliseconds;
    using std::chrono::minutes;
    using Days = std::chrono::duration<std::int64_t, std::ratio<86400>>;
    const struct {
        std::chrono::nanoseconds left;
        const char* words;
    } cases[] = {
        {seconds(0), "0 seconds"},
        {milliseconds(1), "1 second"},
        {milliseconds(1001), "2 seconds"},
        {seconds(60), "1 minute"},
        {minutes(4) + seconds(10), "4 minutes 10 seconds"},
        {minutes(4) + milliseconds(9500), "4 minutes 10 seconds"},
        {minutes(59) + milliseconds(59500), "1 hour"},
        {hours(1) + seconds(1), "1 hour 1 minute"},
        {hours(2) + minutes(59) + seconds(1), "3 hours"},
        {hours(23) + minutes(59) + seconds(30), "1 day"},
        {Days(1) + minutes(5), "1 day 1 hour"},
        {Days(1) + hours(2), "1 day 2 hours"},
        {Days(1) + hours(23) + minutes(1), "2 days"},
        {Days(11574) + hours(1) + minutes(46) + seconds(40), "11574 days 2 hours"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words);
        EXPECT_EQ(Corvane::TimeInWords(c.left), c.words);
    }
}

}  // namespace
