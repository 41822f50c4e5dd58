// The history of granted uses on its own: the questions cooldowns and use
// limits ask of it, and that it keeps only what its reach needs.
#include <gtest/gtest.h>

#include <vector>

#include "core/history/UseHistory.h"
#include "core/text/TimeInWords.h"

namespace {

using Corvane::UseHistory;
using Clock = UseHistory::Clock;
using std::chrono::milliseconds;
using std::chrono::seconds;

const Clock::time_point kStart{std::chrono::hours(10)};

std::vector<Clock::time_point> At(std::initializer_list<int> secondsAfterStart) {
    std::vector<Clock::time_point> times;
    for (const int each : secondsAfterStart) {
        times.push_back(kStart + seconds(each));
    }
    return times;
}

TEST(UseHistory, ACooldownIsTheNewestUsePlusTheLengthAskedNow) {
    const struct {
        std::vector<Clock::time_point> uses;
        int length, now, left;
    } cases[] = {
        {{}, 60, 0, 0},       {At({0}), 60, 10, 50}, {At({0, 30}), 60, 40, 50},  // the newest decides
        {At({0}), 60, 60, 0}, {At({0}), 0, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.uses.size() << " uses, length " << c.length << ", now " << c.now);
        EXPECT_EQ(Corvane::CooldownLeft(c.uses, seconds(c.length), kStart + seconds(c.now)), seconds(c.left));
    }
}

// At most count uses in any `per`: the next use waits until all but
// count - 1 of those within the window have left it.
TEST(UseHistory, AUseLimitCountsTheUsesWithinItsWindow) {
    const struct {
        std::vector<Clock::time_point> uses;
        std::size_t count;
        int per, now;
        std::size_t used;
        int left, frees;
    } cases[] = {
        {{}, 3, 100, 0, 0, 0, 0},
        {At({0, 10}), 3, 100, 20, 2, 0, 80},
        {At({0, 10, 20}), 3, 100, 30, 3, 70, 70},
        {At({0, 10, 20, 25}), 3, 100, 30, 4, 80, 70},  // more than count, after a bypass
        {At({0, 10, 20}), 3, 100, 100, 2, 0, 10},      // a use at the window's edge has left it
        {At({0, 10, 20}), 1, 100, 50, 3, 70, 50},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.uses.size() << " uses, " << c.count << " per " << c.per << ", now " << c.now);
        const auto answer = Corvane::AskLimit(c.uses, c.count, seconds(c.per), kStart + seconds(c.now));
        EXPECT_EQ(answer.used, c.used);
        EXPECT_EQ(answer.left, seconds(c.left));
        EXPECT_EQ(answer.frees, seconds(c.frees));
    }
}

TEST(UseHistory, KeepsEachPlayersUsesOfEachNameInOrderAndAtMostTheReachsNumber) {
    UseHistory history({seconds(100), 3});
    for (const int at : {5, 1, 3, 2, 4}) {  // the restore adds newest first
        history.Add(1, "fly", kStart + seconds(at));
    }
    history.Add(1, "walk", kStart);
    history.Add(2, "fly", kStart);
    history.Add(2, "", kStart);  // no control asks of the empty name
    const auto uses = history.Uses(1, "fly");
    EXPECT_EQ(std::vector<Clock::time_point>(uses.begin(), uses.end()), At({3, 4, 5}));
    EXPECT_EQ(history.Uses(2, "fly").size(), 1u);
    EXPECT_EQ(history.NamesOf(1), (std::vector<std::string>{"fly", "walk"}));
    EXPECT_EQ(history.Size(), 3u);
}

TEST(UseHistory, NamesWhoseNewestUseLeftTheWindowAreDroppedSoItStaysBounded) {
    UseHistory history({seconds(10), 5});
    for (std::uint64_t player = 0; player < 1000; ++player) {
        history.Add(player, "fly", kStart + seconds(player % 10));
    }
    history.Add(5000, "fly", kStart);
    EXPECT_EQ(history.Size(), 1001u);
    history.Add(7, "walk", kStart + seconds(14));
    EXPECT_EQ(history.Size(), 501u) << "the 501 whose newest use is 10 s old or more are gone";
    history.Add(7, "walk", kStart + seconds(30));
    EXPECT_EQ(history.Size(), 1u);
}

TEST(UseHistory, ForgivingClearsOneNameOrEveryNameOfOnePlayer) {
    UseHistory history({seconds(100), 1});
    for (const char* name : {"fly", "walk", "god"}) {
        history.Add(1, name, kStart);
        history.Add(2, name, kStart);
    }
    history.Forgive(1, "fly");
    EXPECT_EQ(history.NamesOf(1), (std::vector<std::string>{"god", "walk"}));
    history.Forgive(1, "");
    EXPECT_TRUE(history.NamesOf(1).empty());
    EXPECT_EQ(history.NamesOf(2).size(), 3u) << "other players keep theirs";
    history.Add(2, "fly", kStart + seconds(150));
    EXPECT_EQ(history.Size(), 1u) << "the forgiven entries left the drop order too";
}

TEST(UseHistory, ANarrowerReachDropsWhatItNoLongerNeedsAndNoneKeepsNothing) {
    UseHistory history({seconds(100), 5});
    for (const int at : {0, 1, 2, 3, 4}) {
        history.Add(1, "fly", kStart + seconds(at));
    }
    history.SetReach({seconds(100), 2});
    EXPECT_EQ(history.Uses(1, "fly").size(), 2u);
    EXPECT_TRUE((UseHistory::Reach{seconds(200), 2}).Exceeds(history.ReachOf()));
    EXPECT_TRUE((UseHistory::Reach{seconds(100), 3}).Exceeds(history.ReachOf()));
    EXPECT_FALSE((UseHistory::Reach{seconds(50), 2}).Exceeds(history.ReachOf()));
    history.SetReach({});
    EXPECT_EQ(history.Size(), 0u);
    history.Add(1, "fly", kStart);
    EXPECT_EQ(history.Size(), 0u);
}

// A recorded second's use counts from that second's end; one that ends
// after now counts from now.
TEST(UseHistory, ARecordedTimeArrivesAtTheEndOfItsSecondTheFutureTakenAsNow) {
    const std::chrono::sys_seconds second{std::chrono::sys_days{std::chrono::year(2026) / 12 / 8}};
    const auto wallNow = second + milliseconds(10'300);
    const Clock::time_point steadyNow{std::chrono::hours(1)};
    const struct {
        std::chrono::sys_seconds recorded;
        Clock::duration ago;
    } cases[] = {
        {second, milliseconds(9'300)},
        {second + seconds(9), milliseconds(300)},
        {second + seconds(10), milliseconds(0)},  // this second: it ends after now
        {second + seconds(3600), milliseconds(0)},
        {std::chrono::sys_seconds{std::chrono::sys_days{std::chrono::year(9999) / 1 / 1}}, milliseconds(0)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.recorded - second).count());
        EXPECT_EQ(steadyNow - Corvane::ArrivalTime(c.recorded, wallNow, steadyNow), c.ago);
    }
    const auto ancient = Corvane::ArrivalTime(
        std::chrono::sys_seconds{std::chrono::sys_days{std::chrono::year(1) / 1 / 1}}, wallNow, steadyNow);
    EXPECT_LT(ancient + seconds(1'000'000'000), steadyNow) << "far past any window, and no overflow";
}

// The words never promise an earlier time than the true one.
TEST(TimeInWords, TheLargestUnitAndTheNextRoundedUp) {
    using std::chrono::hours;
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
