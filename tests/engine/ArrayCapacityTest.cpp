// The capacity rules as pure functions, so the limits of 32-bit counts can be
// checked without allocating anything.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "engine/ArrayCapacity.h"
#include "engine/FString.h"

namespace {

using Corvane::Engine::GrownCapacity;
using Corvane::Engine::kMaxArrayCount;
using Corvane::Engine::ShrunkCapacity;

struct GrowthCase {
    std::int32_t count;
    std::int32_t capacity;
    std::int32_t expected;
};

TEST(GrownCapacity, FollowsTheEngineRule) {
    const GrowthCase cases[] = {
        {1, 0, 4},
        {4, 0, 4},
        {5, 0, 22},
        {6, 0, 24},
        {7, 0, 25},  // "Cheat."
        {8, 0, 27},  // "/cheat "
        // The first-allocation rule holds only while there is no buffer.
        {3, 2, 20},
        {5, 4, 22},
        {23, 22, 23 + 8 + 16},
        {1000, 500, 1391},
    };
    for (const GrowthCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "count " << c.count << ", capacity " << c.capacity);
        EXPECT_EQ(GrownCapacity(c.count, c.capacity), c.expected);
    }
}

TEST(GrownCapacity, NeverOverflowsPastTheLargestCount) {
    const GrowthCase cases[] = {
        // 3 * count no longer fits in 32 bits, the sum still does.
        {715827883, 0, 984263355},
        // The largest count whose grown capacity fits, and the first that does not.
        {1561806277, 1561806276, 2147483646},
        {1561806278, 1561806277, kMaxArrayCount},
        {2000000000, 0, kMaxArrayCount},
        {kMaxArrayCount, kMaxArrayCount - 1, kMaxArrayCount},
    };
    for (const GrowthCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "count " << c.count << ", capacity " << c.capacity);
        const std::int32_t grown = GrownCapacity(c.count, c.capacity);
        EXPECT_EQ(grown, c.expected);
        EXPECT_GE(grown, c.count);
    }
}

struct SlackCase {
    std::int32_t count;
    std::int32_t capacity;
    std::size_t elementSize;
    std::int32_t expected;
};

TEST(ShrunkCapacity, KeepsSmallOrProportionallySmallSlack) {
    const SlackCase cases[] = {
        {4, 100, 2, 4},     // slack 96 > 64 and 12 < 200
        {50, 100, 2, 100},  // slack 50 <= 64
        {70, 100, 2, 100},  // two-thirds full, 120 bytes of slack
        {1, 65, 2, 65},     // slack 64 exactly
        {1, 66, 2, 1},
        {0, 10, 2, 0},  // emptied arrays always give their buffer back
        {0, 10, sizeof(FString), 0},
        {0, 4, 2, 0},
        {4, 4, 2, 4},
        // 8192 characters of slack shrink a string even when it is mostly full.
        {20000, 28191, 2, 28191},
        {20000, 28192, 2, 20000},
        // The byte threshold scales with the element: 1024 strings of slack.
        {3000, 4023, sizeof(FString), 4023},
        {3000, 4024, sizeof(FString), 3000},
    };
    for (const SlackCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "count " << c.count << ", capacity " << c.capacity
                                          << ", element size " << c.elementSize);
        EXPECT_EQ(ShrunkCapacity(c.count, c.capacity, c.elementSize), c.expected);
    }
}

TEST(ShrunkCapacity, HugeArraysAreJudgedWithoutWrapping) {
    const SlackCase cases[] = {
        {1000, kMaxArrayCount, 2, 1000},
        {1, kMaxArrayCount, sizeof(FString), 1},
        // Two-thirds full with 2 GiB of slack: in 32 bits the bytes of slack
        // wrap negative and would look small.
        {268435456, 402653184, sizeof(FString), 268435456},
        // In 32 bits, 3 * count wraps negative and would look far from full.
        {715827883, 715827983, 2, 715827983},
        {kMaxArrayCount - 10, kMaxArrayCount, 2, kMaxArrayCount},
    };
    for (const SlackCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "count " << c.count << ", capacity " << c.capacity
                                          << ", element size " << c.elementSize);
        EXPECT_EQ(ShrunkCapacity(c.count, c.capacity, c.elementSize), c.expected);
    }
}

}  // namespace
