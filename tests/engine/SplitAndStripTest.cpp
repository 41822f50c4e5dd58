// Splitting a chat line at blanks and removing its command prefix.
#include <gmock/gmock.h>

#include <vector>

#include "engine/FString.h"
#include "engine/WideText.h"
#include "tests/support/EngineValueTest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

class SplitTest : public EngineValueTest {};
class StripTest : public EngineValueTest {};

std::vector<WideString> Texts(const TEngineArray<FString>& pieces) {
    std::vector<WideString> texts;
    for (std::int32_t i = 0; i < pieces.Count; ++i) {
        texts.emplace_back(pieces.Data[i].View());
    }
    return texts;
}

struct SplitCase {
    const WideChar* text;
    std::vector<WideString> pieces;
};

TEST_F(SplitTest, OnlyBlanksSeparateAndNoPieceIsEmpty) {
    const SplitCase cases[] = {
        {WIDE("/cheat fly"), {WIDE("/cheat"), WIDE("fly")}},
        {WIDE("  a  b  "), {WIDE("a"), WIDE("b")}},
        {WIDE("fly"), {WIDE("fly")}},
        {WIDE(" x"), {WIDE("x")}},
        {WIDE("x "), {WIDE("x")}},
        {WIDE("   "), {}},
        {WIDE("a\tb"), {WIDE("a\tb")}},
        {WIDE("a\nb c"), {WIDE("a\nb"), WIDE("c")}},
        // Neither the no-break nor the ideographic space separates.
        {WIDE("a\u00A0b\u3000c d"), {WIDE("a\u00A0b\u3000c"), WIDE("d")}},
        {WIDE("giveitem \u00E9p\u00E9e 1"), {WIDE("giveitem"), WIDE("\u00E9p\u00E9e"), WIDE("1")}},
    };
    for (const SplitCase& c : cases) {
        SCOPED_TRACE(Corvane::Engine::ToUtf8(c.text));
        const FString text = FString::FromWide(c.text);
        TEngineArray<FString> pieces;
        const std::int32_t found = SplitOnBlank(text, pieces);
        EXPECT_EQ(found, static_cast<std::int32_t>(c.pieces.size()));
        EXPECT_THAT(Texts(pieces), ElementsAreArray(c.pieces));
        for (std::int32_t i = 0; i < pieces.Count; ++i) {
            const auto& chars = pieces.Data[i].Chars();
            EXPECT_EQ(chars.Count, static_cast<std::int32_t>(c.pieces[i].size()) + 1);
            EXPECT_EQ(chars.Data[chars.Count - 1], 0);
        }
    }
}

TEST_F(SplitTest, AllocatesTheOutputThenEachPiece) {
    const FString line = FString::FromWide(WIDE("/cheat fly"));
    TEngineArray<FString> pieces;
    std::int32_t found = 0;
    const AllocatorTrace trace = Trace([&] { found = SplitOnBlank(line, pieces); });
    EXPECT_EQ(found, 2);
    EXPECT_THAT(trace, ElementsAre(ReallocCall(nullptr, 4 * 16), ReallocCall(nullptr, 2 * 25),
                                   ReallocCall(nullptr, 2 * 4)));
    EXPECT_EQ(pieces.Capacity, 4);
    EXPECT_EQ(pieces.Data[0].Chars().Capacity, 25);
    EXPECT_EQ(pieces.Data[1].Chars().Capacity, 4);
}

TEST_F(SplitTest, NothingToSplitEmptiesAReusedOutputButKeepsItsBuffer) {
    const FString terminatorOnly = TerminatorOnly();
    struct Case {
        const char* name;
        const FString* text;
    };
    const FString noBuffer;
    const FString blanks = FString::FromWide(WIDE("    "));
    const Case cases[] = {
        {"no buffer", &noBuffer}, {"only a terminator", &terminatorOnly}, {"blanks", &blanks}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TEngineArray<FString> pieces;
        SplitOnBlank(FString::FromWide(WIDE("old pieces")), pieces);
        const FString* buffer = pieces.Data;
        const void* first = pieces.Data[0].Chars().Data;
        const void* second = pieces.Data[1].Chars().Data;

        std::int32_t found = -1;
        const AllocatorTrace trace = Trace([&] { found = SplitOnBlank(*c.text, pieces); });
        EXPECT_EQ(found, 0);
        EXPECT_THAT(trace, ElementsAre(FreeCall(first), FreeCall(second)));
        EXPECT_EQ(pieces.Count, 0);
        EXPECT_EQ(pieces.Capacity, 4);
        EXPECT_EQ(pieces.Data, buffer);
    }
}

TEST_F(SplitTest, AReusedOutputKeepsItsBufferForNewPieces) {
    TEngineArray<FString> pieces;
    SplitOnBlank(FString::FromWide(WIDE("one two three")), pieces);
    const FString* buffer = pieces.Data;
    const void* one = pieces.Data[0].Chars().Data;
    const void* two = pieces.Data[1].Chars().Data;
    const void* three = pieces.Data[2].Chars().Data;

    const FString line = FString::FromWide(WIDE("x y"));
    const AllocatorTrace trace = Trace([&] { EXPECT_EQ(SplitOnBlank(line, pieces), 2); });
    EXPECT_THAT(trace, ElementsAre(FreeCall(one), FreeCall(two), FreeCall(three), ReallocCall(nullptr, 8),
                                   ReallocCall(nullptr, 8)));
    EXPECT_EQ(pieces.Data, buffer);
    EXPECT_THAT(Texts(pieces), ElementsAre(WIDE("x"), WIDE("y")));
}

struct StripCase {
    const char* name;
    const WideChar* text;
    const WideChar* prefix;
    bool stripped;
    const WideChar* rest;
};

TEST_F(StripTest, MatchesAsciiLettersWithoutCaseAndAllElseExactly) {
    const StripCase cases[] = {
        {"upper case line", WIDE("/CHEAT fly"), WIDE("/cheat "), true, WIDE("fly")},
        {"mixed case line", WIDE("/ChEaT fly"), WIDE("/cheat "), true, WIDE("fly")},
        {"upper case prefix", WIDE("/cheat fly"), WIDE("/CHEAT "), true, WIDE("fly")},
        {"the whole text", WIDE("/cheat "), WIDE("/cheat "), true, WIDE("")},
        {"shorter text", WIDE("/chea"), WIDE("/cheat "), false, WIDE("/chea")},
        {"text one short", WIDE("/cheat"), WIDE("/cheat "), false, WIDE("/cheat")},
        {"not at the start", WIDE(" /cheat fly"), WIDE("/cheat "), false, WIDE(" /cheat fly")},
        {"tab for blank", WIDE("/cheat\tfly"), WIDE("/cheat "), false, WIDE("/cheat\tfly")},
        // Only A-Z fold: the characters 0x20 apart outside the letters differ.
        {"brackets", WIDE("[x"), WIDE("{x"), false, WIDE("[x")},
        {"at and grave", WIDE("@x"), WIDE("`x"), false, WIDE("@x")},
        {"accented, other case", WIDE("\u00C9cole x"), WIDE("\u00E9cole "), false, WIDE("\u00C9cole x")},
        {"accented, same case", WIDE("\u00E9COLE x"), WIDE("\u00E9cole "), true, WIDE("x")},
        {"full-width letters", WIDE("\uFF21x"), WIDE("\uFF41x"), false, WIDE("\uFF21x")},
        {"kelvin sign", WIDE("\u212Ax"), WIDE("kx"), false, WIDE("\u212Ax")},
        {"empty text", WIDE(""), WIDE("a"), false, WIDE("")},
    };
    for (const StripCase& c : cases) {
        SCOPED_TRACE(c.name);
        FString text = FString::FromWide(c.text);
        const FString prefix = FString::FromWide(c.prefix);
        EXPECT_EQ(StripPrefixNoCase(text, prefix), c.stripped);
        EXPECT_EQ(Text(text), c.rest);
        if (text.Chars().Count != 0) {
            EXPECT_EQ(text.Chars().Count, static_cast<std::int32_t>(Text(text).size()) + 1);
            EXPECT_EQ(text.Chars().Data[text.Chars().Count - 1], 0);
        }
    }
}

TEST_F(StripTest, APrefixWithoutTextNeverMatches) {
    struct Case {
        const char* name;
        FString prefix;
    };
    const Case cases[] = {{"no buffer", FString()}, {"only a terminator", TerminatorOnly()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FString text = FString::FromWide(WIDE("fly"));
        EXPECT_THAT(Trace([&] { EXPECT_FALSE(StripPrefixNoCase(text, c.prefix)); }), IsEmpty());
        EXPECT_EQ(Text(text), WIDE("fly"));
        EXPECT_EQ(text.Chars().Count, 4);
    }
}

TEST_F(StripTest, SmallSlackIsKeptAfterRemoval) {
    FString line = FString::FromWide(WIDE("/CHEAT fly"));
    const void* buffer = line.Chars().Data;
    const FString prefix = FString::FromNarrow("/cheat ");
    EXPECT_THAT(Trace([&] { EXPECT_TRUE(StripPrefixNoCase(line, prefix)); }), IsEmpty());
    EXPECT_EQ(line.Chars().Data, buffer);
    EXPECT_EQ(line.Chars().Count, 4);
    EXPECT_EQ(line.Chars().Capacity, 11 + 4 + 16);
}

TEST_F(StripTest, LargeSlackIsGivenBackAfterRemoval) {
    const WideString longPrefix(100, WideChar{'a'});
    FString text = FString::FromWide((longPrefix + WIDE("b")).c_str());  // count 102, capacity 156
    const void* buffer = text.Chars().Data;
    const FString prefix = FString::FromWide(longPrefix.c_str());
    EXPECT_THAT(Trace([&] { EXPECT_TRUE(StripPrefixNoCase(text, prefix)); }),
                ElementsAre(ReallocCall(buffer, 4)));
    EXPECT_EQ(Text(text), WIDE("b"));
    EXPECT_EQ(text.Chars().Count, 2);
    EXPECT_EQ(text.Chars().Capacity, 2);
}

}  // namespace
