// The array operations as the allocator sees them: which Realloc and Free
// calls each makes, with which sizes and in which order.
#include <gmock/gmock.h>

#include <optional>

#include "engine/FString.h"
#include "engine/TEngineArray.h"
#include "tests/support/EngineValueTest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class EngineArray : public EngineValueTest {};

// Characters whose Count is count on a buffer of exactly capacity.
void Fill(TEngineArray<WideChar>& chars, std::int32_t count, std::int32_t capacity) {
    chars.ResizeExact(capacity, chars.Capacity);
    chars.Count = count;
}

TEST_F(EngineArray, GrowthAllocatesFourThenGrowsByTheRule) {
    TEngineArray<WideChar> chars;
    const AllocatorTrace first = Trace([&] {
        chars.Count = 1;
        chars.GrowForCount();
    });
    EXPECT_THAT(first, ElementsAre(ReallocCall(nullptr, 8)));
    EXPECT_EQ(chars.Capacity, 4);
    ASSERT_NE(chars.Data, nullptr);

    const WideChar* before = chars.Data;
    const AllocatorTrace second = Trace([&] {
        chars.Count = 5;
        chars.GrowForCount();
    });
    EXPECT_THAT(second, ElementsAre(ReallocCall(before, 44)));
    EXPECT_EQ(chars.Capacity, 22);
    EXPECT_EQ(chars.Count, 5);
}

TEST_F(EngineArray, ResizeExactCallsTheAllocatorOnlyForAChange) {
    TEngineArray<WideChar> chars;
    EXPECT_THAT(Trace([&] { chars.ResizeExact(0, 0); }), IsEmpty());
    EXPECT_THAT(Trace([&] { chars.ResizeExact(9, 0); }), ElementsAre(ReallocCall(nullptr, 18)));
    EXPECT_EQ(chars.Capacity, 9);
    EXPECT_THAT(Trace([&] { chars.ResizeExact(9, 9); }), IsEmpty());

    const WideChar* before = chars.Data;
    EXPECT_THAT(Trace([&] { chars.ResizeExact(0, 9); }), ElementsAre(ReallocCall(before, 0)));
    EXPECT_EQ(chars.Capacity, 0);
    EXPECT_EQ(chars.Data, nullptr) << "the allocator's result replaces the buffer";
}

struct ReleaseCase {
    std::int32_t countBefore;
    std::int32_t capacity;
    std::int32_t countAfter;
    std::int32_t expectedCapacity;
};

TEST_F(EngineArray, ReleaseSlackGivesMemoryBackOnlyForLargeSlack) {
    const ReleaseCase cases[] = {
        {100, 100, 4, 4},
        {100, 100, 50, 100},
        {100, 100, 70, 100},
        {10, 10, 0, 0},
    };
    for (const ReleaseCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "count " << c.countAfter << ", capacity " << c.capacity);
        TEngineArray<WideChar> chars;
        Fill(chars, c.countBefore, c.capacity);
        const WideChar* before = chars.Data;
        const AllocatorTrace trace = Trace([&] {
            chars.Count = c.countAfter;
            chars.ReleaseSlack();
        });
        EXPECT_EQ(chars.Capacity, c.expectedCapacity);
        if (c.expectedCapacity == c.capacity) {
            EXPECT_THAT(trace, IsEmpty());
            EXPECT_EQ(chars.Data, before);
        } else {
            EXPECT_THAT(trace, ElementsAre(ReallocCall(before, 2 * std::uint64_t(c.expectedCapacity))));
        }
    }
}

TEST_F(EngineArray, ArrayOfStringsGrowsBySixteenBytesAnElement) {
    TEngineArray<FString> strings;
    const AllocatorTrace first = Trace([&] { strings.AppendDefault(); });
    EXPECT_THAT(first, ElementsAre(ReallocCall(nullptr, 4 * 16)));
    for (int i = 0; i < 3; ++i) {
        strings.AppendDefault() = FString::FromWide(WIDE("x"));
    }
    const FString* before = strings.Data;
    const AllocatorTrace fifth = Trace([&] { strings.AppendDefault(); });
    EXPECT_THAT(fifth, ElementsAre(ReallocCall(before, 22 * 16)));
    EXPECT_EQ(strings.Count, 5);
    EXPECT_EQ(strings.Data[4].Chars().Data, nullptr) << "a new element has no buffer";
    EXPECT_EQ(Text(strings.Data[3]), WIDE("x")) << "elements move bitwise with the buffer";
}

TEST_F(EngineArray, DropElementsFreesEachElementAndKeepsTheBuffer) {
    TEngineArray<FString> strings;
    strings.AppendDefault() = FString::FromWide(WIDE("a"));
    strings.AppendDefault();  // without a buffer
    strings.AppendDefault() = FString::FromWide(WIDE("c"));
    const void* a = strings.Data[0].Chars().Data;
    const void* c = strings.Data[2].Chars().Data;
    const FString* buffer = strings.Data;

    EXPECT_THAT(Trace([&] { strings.DropElements(); }), ElementsAre(FreeCall(a), FreeCall(c)));
    EXPECT_EQ(strings.Count, 0);
    EXPECT_EQ(strings.Capacity, 4);
    EXPECT_EQ(strings.Data, buffer);
}

TEST_F(EngineArray, DestructionFreesElementsInOrderThenTheBuffer) {
    std::optional<TEngineArray<FString>> strings(std::in_place);
    strings->AppendDefault() = FString::FromWide(WIDE("a"));
    strings->AppendDefault();
    strings->AppendDefault() = FString::FromWide(WIDE("b"));
    const void* a = strings->Data[0].Chars().Data;
    const void* b = strings->Data[2].Chars().Data;
    const void* buffer = strings->Data;

    EXPECT_THAT(Trace([&] { strings.reset(); }), ElementsAre(FreeCall(a), FreeCall(b), FreeCall(buffer)));
}

}  // namespace
