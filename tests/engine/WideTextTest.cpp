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
    };
    for (const Utf8Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Corvane::Engine::ToPrintableUtf8(c.text), c.utf8);
    }
}

}  // namespace
