// The framework's UTF-8 decoding and the plugin's encoding back to UTF-8.
#include <gmock/gmock.h>

#include "engine/WideText.h"
#include "host/Velkor.h"

namespace {

std::u16string Decode(const std::string& utf8) {
    const WideString wide = Velkor::Tools::Utf8Decode(utf8);
    return {wide.begin(), wide.end()};
}

TEST(Utf8Decode, DecodesEveryLengthAndSurrogatePairs) {
    struct Case {
        std::string utf8;
        std::u16string expected;
    } cases[] = {
        {"", u""},
        {"fly", u"fly"},
        {"caf\xC3\xA9", u"caf\u00E9"},
        {"\xE2\x9C\x93", u"\u2713"},
        {"\xF0\x9F\x98\x80", u"\U0001F600"},
        {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
        {std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Decode(c.utf8), c.expected);
    }
}

TEST(Utf8Decode, EachMalformedSequenceBecomesOneReplacementCharacter) {
    struct Case {
        std::string utf8;
        std::u16string expected;
    } cases[] = {
        {"\x80", u"\uFFFD"},                                // lone continuation byte
        {"a\xC3", u"a\uFFFD"},                              // truncated at the end
        {"\xC3(", u"\uFFFD("},                              // bad continuation keeps the next byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},                      // overlong lead byte
        {"\xE0\x80\xAF", u"\uFFFD\uFFFD\uFFFD"},            // overlong three-byte form
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},            // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xE2\x9C", u"\uFFFD"},                            // truncated three-byte form
        {"\xFF\xFE", u"\uFFFD\uFFFD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.utf8));
        EXPECT_EQ(Decode(c.utf8), c.expected);
    }
}

TEST(Utf8Decode, RoundTripsThroughThePluginsEncoding) {
    const std::string text = "Zo\xC3\xAB \xE2\x9C\x93 \xF0\x9F\x98\x80";
    EXPECT_EQ(Corvane::Engine::ToUtf8(Velkor::Tools::Utf8Decode(text)), text);
}

}  // namespace
