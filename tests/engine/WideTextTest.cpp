// Engine text written to log lines as UTF-8.
#include <gtest/gtest.h>

#include <string>

#include "engine/WideText.h"

namespace {

struct Utf8Case {
    const char* name;
    WideStringView text;
    std::string utf8;
};

TEST(ToUtf8, EncodesEveryRangeAndReplacesLoneSurrogates) {
    const Utf8Case cases[] = {
        {"empty", WIDE(""), ""},
        {"ASCII", WIDE("Cheat.fly"), "Cheat.fly"},
        {"NUL kept", WideStringView(WIDE("a\0b"), 3), std::string("a\0b", 3)},
        {"two bytes, lowest", WIDE("\u0080"), "\xC2\x80"},
        {"two bytes, highest", WIDE("\u07FF"), "\xDF\xBF"},
        {"three bytes, lowest", WIDE("\u0800"), "\xE0\xA0\x80"},
        {"three bytes, highest", WIDE("\uFFFF"), "\xEF\xBF\xBF"},
        {"pair, lowest", WIDE("\U00010000"), "\xF0\x90\x80\x80"},
        {"pair", WIDE("\U0001F600"), "\xF0\x9F\x98\x80"},
        {"pair, highest", WIDE("\U0010FFFF"), "\xF4\x8F\xBF\xBF"},
        {"lone high at the end", WideStringView(WIDE("a\xD800"), 2), "a\xEF\xBF\xBD"},
        {"high before a letter", WideStringView(WIDE("\xD83Dx"), 2), "\xEF\xBF\xBDx"},
        {"lone low", WideStringView(WIDE("\xDC00x"), 2), "\xEF\xBF\xBDx"},
        {"two highs then a low", WideStringView(WIDE("\xD83D\xD83D\xDE00"), 3),
         "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
        {"low then high", WideStringView(WIDE("\xDE00\xD83D"), 2), "\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const Utf8Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Corvane::Engine::ToUtf8(c.text), c.utf8);
    }
}

TEST(ToPrintableUtf8, WritesControlCharactersAsEscapes) {
    const Utf8Case cases[] = {
        {"plain", WIDE("fly | slomo \"5\" é"), "fly | slomo \"5\" \xC3\xA9"},
        {"line breaks", WIDE("fly\r\nslomo"), "fly\\r\\nslomo"},
        {"tab, escape, delete", WIDE("a\tb\x1B[2Jc\x7F"), "a\\tb\\x1B[2Jc\\x7F"},
        {"NUL", WideStringView(WIDE("a\0b"), 3), "a\\x00b"},
        {"bidirectional controls", WIDE("\u061C\u200E\u200F\u202A\u202E\u2066\u2069"),
         "\\u061C\\u200E\\u200F\\u202A\\u202E\\u2066\\u2069"},
        {"invisible format characters", WIDE("e\u00ADx\u180E\u200Bi\u200D\u2060\u2064t\uFEFF"),
         "e\\u00ADx\\u180E\\u200Bi\\u200D\\u2060\\u2064t\\uFEFF"},
        {"default-ignorable and format characters", WIDE("\u034F\u115F\u3164\u206A\u206F\uFE0F\uFFF9\uFFFB"),
         "\\u034F\\u115F\\u3164\\u206A\\u206F\\uFE0F\\uFFF9\\uFFFB"},
        {"tags between letters, as the surrogate pairs JSON writes", WIDE("ex\U000E0001\U000E007Fit"),
         "ex\\uDB40\\uDC01\\uDB40\\uDC7Fit"},
        {"their neighbours, shown as they are", WIDE("\u00AC\u061B\u200A\u2070\uFEFE\uFFFC\U000E1000"),
         "\xC2\xAC\xD8\x9B\xE2\x80\x8A\xE2\x81\xB0\xEF\xBB\xBE\xEF\xBF\xBC\xF3\xA1\x80\x80"},
    };
    for (const Utf8Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Corvane::Engine::ToPrintableUtf8(c.text), c.utf8);
    }
}

TEST(EscapeInvisibleInJson, EscapesWhatALogLineEscapesAndLeavesTheRest) {
    const std::string json = "{\"a\":\"\xC2\x9B\xE2\x80\xAE\x7F\xC3\xA9\\\\\xF3\xA0\x80\x81\"}";
    EXPECT_EQ(Corvane::Engine::EscapeInvisibleInJson(json),
              "{\"a\":\"\\u009B\\u202E\\u007F\xC3\xA9\\\\\\uDB40\\uDC01\"}");
}

TEST(FromUtf8, DecodesEveryLengthAndReplacesEachByteThatBeginsNoSequence) {
    const Utf8Case cases[] = {
        {"every length", WIDE("a\u00E9\u20AC\U0001F600"), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {"a stray continuation byte", WIDE("a\uFFFDb"),
         "a\x80"
         "b"},
        {"a sequence cut short", WIDE("\uFFFD\uFFFDa"),
         "\xE2\x82"
         "a"},
        {"an overlong form", WIDE("\uFFFD\uFFFD"), "\xC0\xAF"},
        {"an encoded surrogate", WIDE("\uFFFD\uFFFD\uFFFD"), "\xED\xA0\x80"},
        {"past U+10FFFF", WIDE("\uFFFD\uFFFD\uFFFD\uFFFD"), "\xF4\x90\x80\x80"},
    };
    for (const Utf8Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Corvane::Engine::FromUtf8(c.utf8), c.text);
    }
}

}  // namespace
