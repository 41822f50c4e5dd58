// Building, copying, assigning, destroying and joining engine strings, checked
// as text and as the exact allocator calls the engine would see.
#include <gmock/gmock.h>

#include <optional>

#include "engine/FString.h"
#include "tests/support/EngineValueTest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class StringTest : public EngineValueTest {};

void ExpectNoBuffer(const FString& text) {
    EXPECT_EQ(text.Chars().Data, nullptr);
    EXPECT_EQ(text.Chars().Count, 0);
    EXPECT_EQ(text.Chars().Capacity, 0);
}

void ExpectTerminated(const FString& text) {
    ASSERT_GT(text.Chars().Count, 0);
    EXPECT_EQ(text.Chars().Data[text.Chars().Count - 1], 0);
}

struct BuildCase {
    const char* name;
    FString (*build)();
    const WideChar* text;
    std::int32_t count;
    std::int32_t capacity;
};

TEST_F(StringTest, ConstructionAllocatesOnceByTheGrowthRule) {
    const BuildCase cases[] = {
        {"two wide characters", [] { return FString::FromWide(WIDE("ab")); }, WIDE("ab"), 3, 4},
        {"five wide characters", [] { return FString::FromWide(WIDE("abcde")); }, WIDE("abcde"), 6, 24},
        {"wide text up to its NUL", [] { return FString::FromWide(WIDE("ab\0cdefgh")); }, WIDE("ab"), 3, 4},
        {"narrow Cheat.", [] { return FString::FromNarrow("Cheat."); }, WIDE("Cheat."), 7, 25},
        {"narrow /cheat", [] { return FString::FromNarrow("/cheat "); }, WIDE("/cheat "), 8, 27},
        {"narrow bytes above ASCII", [] { return FString::FromNarrow("caf\xE9\x7F\x80\xFF"); },
         WIDE("caf?\x7F??"), 8, 27},
    };
    for (const BuildCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<FString> text;
        const AllocatorTrace trace = Trace([&] { text = c.build(); });
        EXPECT_THAT(trace, ElementsAre(ReallocCall(nullptr, 2 * std::uint64_t(c.capacity))));
        EXPECT_EQ(Text(*text), c.text);
        EXPECT_EQ(text->Chars().Count, c.count);
        EXPECT_EQ(text->Chars().Capacity, c.capacity);
        EXPECT_EQ(text->Length(), c.count - 1);
        ExpectTerminated(*text);
    }
}

TEST_F(StringTest, NoTextGivesNoBufferAndANonNullEmptyText) {
    for (const WideChar* source : {static_cast<const WideChar*>(nullptr), WIDE("")}) {
        SCOPED_TRACE(source == nullptr ? "null" : "empty");
        std::optional<FString> text;
        EXPECT_THAT(Trace([&] { text = FString::FromWide(source); }), IsEmpty());
        ExpectNoBuffer(*text);
        EXPECT_EQ(text->Length(), 0);
        ASSERT_NE(text->CStr(), nullptr);
        EXPECT_EQ(text->CStr()[0], 0);
        EXPECT_EQ(Text(*text), WIDE(""));
    }
}

TEST_F(StringTest, DestructionFreesTheBufferOnce) {
    std::optional<FString> text = FString::FromWide(WIDE("fly"));
    const void* buffer = text->Chars().Data;
    EXPECT_THAT(Trace([&] { text.reset(); }), ElementsAre(FreeCall(buffer)));

    std::optional<FString> empty = FString::FromWide(WIDE(""));
    EXPECT_THAT(Trace([&] { empty.reset(); }), IsEmpty());
}

TEST_F(StringTest, CopyHasNoSlack) {
    struct Case {
        const char* name;
        FString source;
        std::optional<std::uint64_t> reallocSize;
    };
    FString spacious = FString::FromWide(WIDE("abc"));
    spacious.Chars().ResizeExact(22, spacious.Chars().Capacity);
    FString longer = FString::FromWide(WIDE("abcdefgh"));
    longer.Chars().ResizeExact(28, longer.Chars().Capacity);
    Case cases[] = {
        {"count 4 of 22", std::move(spacious), 8},
        {"count 9 of 28", std::move(longer), 18},
        {"only a terminator", TerminatorOnly(), 2},
        {"nothing", FString(), std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int32_t count = c.source.Chars().Count;
        std::optional<FString> copy;
        const AllocatorTrace trace = Trace([&] { copy.emplace(c.source); });
        if (c.reallocSize) {
            EXPECT_THAT(trace, ElementsAre(ReallocCall(nullptr, *c.reallocSize)));
            EXPECT_NE(copy->Chars().Data, c.source.Chars().Data);
            ExpectTerminated(*copy);
        } else {
            EXPECT_THAT(trace, IsEmpty());
            EXPECT_EQ(copy->Chars().Data, nullptr);
        }
        EXPECT_EQ(Text(*copy), Text(c.source));
        EXPECT_EQ(copy->Chars().Count, count);
        EXPECT_EQ(copy->Chars().Capacity, count);
    }
}

struct AssignCase {
    const char* name;
    const WideChar* target;  // null: no buffer
    const WideChar* source;
    std::optional<std::uint64_t> reallocSize;  // of the target's old buffer
    std::int32_t capacity;
};

TEST_F(StringTest, AssignmentResizesTheTargetExactly) {
    const AssignCase cases[] = {
        {"nothing to nothing", nullptr, nullptr, std::nullopt, 0},
        {"text to nothing", nullptr, WIDE("fly"), 8, 4},
        {"shrinking", WIDE("abcde"), WIDE("fly"), 8, 4},
        {"growing", WIDE("fly"), WIDE("abcdefgh"), 18, 9},
        {"same capacity", WIDE("abc"), WIDE("fly"), std::nullopt, 4},
        {"nothing over text", WIDE("fly"), nullptr, 0, 0},
    };
    for (const AssignCase& c : cases) {
        SCOPED_TRACE(c.name);
        FString target = FString::FromWide(c.target);
        const FString source = FString::FromWide(c.source);
        const void* before = target.Chars().Data;

        const AllocatorTrace trace = Trace([&] { target = source; });
        if (c.reallocSize) {
            EXPECT_THAT(trace, ElementsAre(ReallocCall(before, *c.reallocSize)));
        } else {
            EXPECT_THAT(trace, IsEmpty());
        }
        EXPECT_EQ(target.Chars().Capacity, c.capacity);
        EXPECT_EQ(target.Chars().Count, source.Chars().Count);
        EXPECT_EQ(Text(target), Text(source));
        if (c.capacity == 0) {
            EXPECT_EQ(target.Chars().Data, nullptr);
        } else {
            EXPECT_NE(target.Chars().Data, source.Chars().Data);
            ExpectTerminated(target);
        }
    }
}

TEST_F(StringTest, SelfAssignmentChangesNothing) {
    FString text = FString::FromWide(WIDE("abcde"));
    const void* buffer = text.Chars().Data;
    FString& alias = text;
    EXPECT_THAT(Trace([&] { text = alias; }), IsEmpty());
    EXPECT_EQ(text.Chars().Data, buffer);
    EXPECT_EQ(text.Chars().Capacity, 24);
    EXPECT_EQ(Text(text), WIDE("abcde"));
}

TEST_F(StringTest, ConcatTakesOverTheLeftBuffer) {
    FString left = FString::FromNarrow("Cheat.");
    const FString right = FString::FromWide(WIDE("fly"));
    const void* buffer = left.Chars().Data;

    std::optional<FString> joined;
    EXPECT_THAT(Trace([&] { joined = Concat(std::move(left), right); }), IsEmpty());
    EXPECT_EQ(Text(*joined), WIDE("Cheat.fly"));
    EXPECT_EQ(joined->Chars().Count, 10);
    EXPECT_EQ(joined->Chars().Capacity, 25);
    EXPECT_EQ(joined->Chars().Data, buffer);
    ExpectTerminated(*joined);
    ExpectNoBuffer(left);  // taken over
    EXPECT_EQ(Text(right), WIDE("fly"));
}

TEST_F(StringTest, ConcatGrowsTheTakenBufferExactly) {
    FString left = FString::FromWide(WIDE("abc"));
    const FString right = FString::FromWide(WIDE("defgh"));
    const void* buffer = left.Chars().Data;

    std::optional<FString> joined;
    EXPECT_THAT(Trace([&] { joined = Concat(std::move(left), right); }),
                ElementsAre(ReallocCall(buffer, 18)));
    EXPECT_EQ(Text(*joined), WIDE("abcdefgh"));
    EXPECT_EQ(joined->Chars().Count, 9);
    EXPECT_EQ(joined->Chars().Capacity, 9);
    ExpectTerminated(*joined);
}

TEST_F(StringTest, ConcatOntoNoTextCopiesTheRight) {
    const FString right = FString::FromWide(WIDE("fly"));
    struct Case {
        const char* name;
        FString left;
    };
    Case cases[] = {{"no buffer", FString()}, {"only a terminator", TerminatorOnly()}};
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const void* leftBuffer = c.left.Chars().Data;
        const std::int32_t leftCount = c.left.Chars().Count;
        std::optional<FString> joined;
        EXPECT_THAT(Trace([&] { joined = Concat(std::move(c.left), right); }),
                    ElementsAre(ReallocCall(nullptr, 8)));
        EXPECT_EQ(Text(*joined), WIDE("fly"));
        EXPECT_EQ(joined->Chars().Count, 4);
        EXPECT_EQ(joined->Chars().Capacity, 4);
        EXPECT_NE(joined->Chars().Data, right.Chars().Data);
        // The left string keeps what it had.
        EXPECT_EQ(c.left.Chars().Data, leftBuffer);
        EXPECT_EQ(c.left.Chars().Count, leftCount);
    }
}

TEST_F(StringTest, ConcatOfAStringWithItselfRepeatsItsText) {
    FString text = FString::FromWide(WIDE("fly"));
    const FString joined = Concat(std::move(text), text);
    EXPECT_EQ(Text(joined), WIDE("flyfly"));
    EXPECT_EQ(joined.Chars().Capacity, 7);
    EXPECT_EQ(text.Chars().Data, nullptr) << "the left operand is taken over";
}

TEST_F(StringTest, ConcatWithNoTextOnTheRightKeepsTheLeft) {
    struct Case {
        const char* name;
        FString right;
    };
    Case cases[] = {{"no buffer", FString()}, {"only a terminator", TerminatorOnly()}};
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        FString left = FString::FromWide(WIDE("fly"));
        const void* buffer = left.Chars().Data;
        std::optional<FString> joined;
        EXPECT_THAT(Trace([&] { joined = Concat(std::move(left), c.right); }), IsEmpty());
        EXPECT_EQ(Text(*joined), WIDE("fly"));
        EXPECT_EQ(joined->Chars().Data, buffer);
        EXPECT_EQ(joined->Chars().Count, 4);
        EXPECT_EQ(joined->Chars().Capacity, 4);
    }
}

TEST_F(StringTest, EveryAllocatorCallResolvesItsFunctionAnew) {
    for (int i = 0; i < 3; ++i) {
        const FString text = FString::FromNarrow("Cheat.");
        const FString copy = text;
    }
    EXPECT_EQ(DevHost::ResolutionCount("FMemory.Realloc"), 6u);
    EXPECT_EQ(DevHost::ResolutionCount("FMemory.Free"), 6u);
}

}  // namespace
