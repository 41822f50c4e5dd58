// The bounds of engine strings: a string handed over by the engine without its
// terminator is never read past its Count, and text too long for a string is
// refused before anything is allocated.
#include <gmock/gmock.h>

#include <cstddef>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "engine/FMemory.h"
#include "engine/FString.h"
#include "tests/support/EngineValueTest.h"

namespace {

using ::testing::IsEmpty;

class StringBounds : public EngineValueTest {};

// A string as the engine may hand one over: Count characters with no NUL
// among them, followed in the same buffer by characters that are not its text.
FString Unterminated(WideStringView text, WideStringView beyond) {
    FString result;
    TEngineArray<WideChar>& chars = result.Chars();
    const std::size_t capacity = text.size() + beyond.size();
    chars.Data = static_cast<WideChar*>(FMemory::Realloc(nullptr, capacity * sizeof(WideChar)));
    chars.Count = static_cast<std::int32_t>(text.size());
    chars.Capacity = static_cast<std::int32_t>(capacity);
    text.copy(chars.Data, text.size());
    beyond.copy(chars.Data + text.size(), beyond.size());
    return result;
}

// A string that claims count characters over a buffer of a few: only code
// that refuses it before reading its text can be given one.
FString Claiming(std::int32_t count) {
    FString result;
    TEngineArray<WideChar>& chars = result.Chars();
    chars.Data = static_cast<WideChar*>(FMemory::Realloc(nullptr, 4 * sizeof(WideChar)));
    chars.Count = count;
    chars.Capacity = count;
    return result;
}

TEST_F(StringBounds, ViewStopsAtCountOrTheFirstNul) {
    EXPECT_EQ(Text(Unterminated(WIDE("ab cd"), WIDE("XYZ"))), WIDE("ab cd"));
    // With nothing beyond Count, reading further leaves the block (a sanitized
    // build reports it).
    EXPECT_EQ(Text(Unterminated(WIDE("ab cd"), WIDE(""))), WIDE("ab cd"));
    EXPECT_EQ(Text(Unterminated(WideStringView(WIDE("ab\0cd"), 5), WIDE(""))), WIDE("ab"));
}

struct SplitCase {
    const char* name;
    WideStringView text;
    WideStringView beyond;
    std::vector<WideString> pieces;
};

TEST_F(StringBounds, SplitStopsAtCountOrTheFirstNul) {
    const SplitCase cases[] = {
        {"garbage after the last piece", WIDE("ab cd"), WIDE("efg"), {WIDE("ab"), WIDE("cd")}},
        {"garbage after a blank", WIDE("ab "), WIDE("cd"), {WIDE("ab")}},
        {"buffer ends at count", WIDE("ab cd"), WIDE(""), {WIDE("ab"), WIDE("cd")}},
        {"NUL inside count", WideStringView(WIDE("ab cd\0ef gh"), 11), WIDE(""), {WIDE("ab"), WIDE("cd")}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(c.name);
        const FString text = Unterminated(c.text, c.beyond);
        TEngineArray<FString> pieces;
        EXPECT_EQ(SplitOnBlank(text, pieces), static_cast<std::int32_t>(c.pieces.size()));
        std::vector<WideString> texts;
        for (std::int32_t i = 0; i < pieces.Count; ++i) {
            texts.push_back(Text(pieces.Data[i]));
            EXPECT_EQ(pieces.Data[i].Chars().Data[pieces.Data[i].Chars().Count - 1], 0)
                << "each piece has its own terminator";
        }
        EXPECT_THAT(texts, ::testing::ElementsAreArray(c.pieces));
    }
}

TEST_F(StringBounds, PrefixIsNotMatchedAgainstCharactersPastCount) {
    for (const WideStringView beyond : {WideStringView(WIDE("c fly")), WideStringView()}) {
        SCOPED_TRACE(beyond.empty() ? "buffer ends at count" : "prefix continues past count");
        FString text = Unterminated(WIDE("ab"), beyond);
        const FString prefix = FString::FromWide(WIDE("abc"));
        EXPECT_FALSE(StripPrefixNoCase(text, prefix));
        EXPECT_EQ(text.Chars().Count, 2);
        EXPECT_EQ(Text(text), WIDE("ab"));
    }
}

TEST_F(StringBounds, PrefixRemovalMovesOnlyWhatCountHolds) {
    FString text = Unterminated(WIDE("/cheat fly"), WIDE("XY"));
    const FString prefix = FString::FromNarrow("/cheat ");
    EXPECT_TRUE(StripPrefixNoCase(text, prefix));
    EXPECT_EQ(text.Chars().Count, 3);
    EXPECT_EQ(Text(text), WIDE("fly"));
}

TEST_F(StringBounds, TextOfTheLargestCountOrMoreIsRefusedUnallocated) {
    const WideChar* text = WIDE("abc");
    for (const std::size_t length : {std::size_t{2147483647}, std::size_t{2147483648},
                                     std::size_t{4294967296}, std::numeric_limits<std::size_t>::max()}) {
        SCOPED_TRACE(length);
        EXPECT_THAT(Trace([&] {
                        EXPECT_THROW(Corvane::Engine::detail::StringFromCharacters(text, length),
                                     std::length_error);
                    }),
                    IsEmpty());
    }
}

TEST_F(StringBounds, NarrowTextOfTheLargestCountOrMoreIsRefusedUnallocated) {
    const char* text = "abc";
    EXPECT_THAT(Trace([&] {
                    EXPECT_THROW(FString::FromNarrow(std::string_view(text, 2147483647)), std::length_error);
                }),
                IsEmpty());
}

TEST_F(StringBounds, ConcatBeyondTheLargestCountIsRefusedWithBothUnchanged) {
    struct Case {
        const char* name;
        FString left;
        FString right;
    };
    Case cases[] = {
        {"long right", FString::FromNarrow("Cheat."), Claiming(2147483647)},
        {"long left", Claiming(2147483647), FString::FromNarrow("fly")},
        {"one past the limit", Claiming(2147483600), Claiming(49)},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TEngineArray<WideChar>& left = c.left.Chars();
        const WideChar* leftData = left.Data;
        const std::int32_t leftCount = left.Count;
        const std::int32_t leftCapacity = left.Capacity;
        EXPECT_THAT(Trace([&] { EXPECT_THROW(Concat(std::move(c.left), c.right), std::length_error); }),
                    IsEmpty());
        EXPECT_EQ(left.Data, leftData);
        EXPECT_EQ(left.Count, leftCount);
        EXPECT_EQ(left.Capacity, leftCapacity);
    }
}

TEST_F(StringBounds, ConcatUpToTheLargestCountIsAllowed) {
    FString left = Claiming(2147483647);
    const void* buffer = left.Chars().Data;
    std::optional<FString> joined;
    EXPECT_THAT(Trace([&] { joined = Concat(std::move(left), FString()); }), IsEmpty());
    EXPECT_EQ(joined->Chars().Data, buffer);
    EXPECT_EQ(joined->Chars().Count, 2147483647);
}

}  // namespace
