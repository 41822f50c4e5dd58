// Engine strings built from configured format texts.
#include <gmock/gmock.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/FromFormat.h"
#include "engine/WideText.h"
#include "tests/support/EngineValueTest.h"

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class FormatTest : public EngineValueTest {};

// FromFormat with the arguments of a table row (at most two, as the plugin uses it).
FString Format(const WideChar* format, const std::vector<WideStringView>& args) {
    switch (args.size()) {
        case 0: return FromFormat(format);
        case 1: return FromFormat(format, args[0]);
        default: return FromFormat(format, args[0], args[1]);
    }
}

struct FormatCase {
    const WideChar* format;
    std::vector<WideStringView> args;
    const WideChar* expected;
};

TEST_F(FormatTest, FillsFieldsByOrderAndByIndex) {
    const FormatCase cases[] = {
        {WIDE("{} ran {}"), {WIDE("Rex"), WIDE("fly")}, WIDE("Rex ran fly")},
        {WIDE("{0} used the cheat command: {1}"),
         {WIDE("Rex"), WIDE("fly")},
         WIDE("Rex used the cheat command: fly")},
        {WIDE("{1} before {0}"), {WIDE("Rex"), WIDE("fly")}, WIDE("fly before Rex")},
        {WIDE("{0}{0}"), {WIDE("ab")}, WIDE("abab")},
        {WIDE("only {1}"), {WIDE("Rex"), WIDE("fly")}, WIDE("only fly")},
        {WIDE("{{x}}"), {}, WIDE("{x}")},
        {WIDE("No."), {}, WIDE("No.")},
        // Arguments are not format texts.
        {WIDE("<{}>"), {WIDE("{}}{")}, WIDE("<{}}{>")},
        {WIDE("\u00C9 {}"), {WIDE("\u00FC\U0001F600")}, WIDE("\u00C9 \u00FC\U0001F600")},
        // Built from NUL-terminated text: an embedded NUL ends the result.
        {WIDE("x{}y"), {WideStringView(WIDE("a\0b"), 3)}, WIDE("xa")},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(Corvane::Engine::ToUtf8(c.format));
        const FString text = Format(c.format, c.args);
        EXPECT_EQ(Text(text), c.expected);
        ASSERT_GT(text.Chars().Count, 0);
        EXPECT_EQ(text.Chars().Count, static_cast<std::int32_t>(WideStringView(c.expected).size()) + 1);
        EXPECT_EQ(text.Chars().Data[text.Chars().Count - 1], 0);
    }
}

TEST_F(FormatTest, BuildsTheResultLikeFromWide) {
    std::optional<FString> text;
    const AllocatorTrace trace = Trace([&] {
        text = FromFormat(WIDE("{} ran {}"), WideStringView(WIDE("Rex")), WideStringView(WIDE("fly")));
    });
    EXPECT_THAT(trace, ElementsAre(ReallocCall(nullptr, 2 * 32)));
    EXPECT_EQ(text->Chars().Count, 12);
    EXPECT_EQ(text->Chars().Capacity, 32);
}

TEST_F(FormatTest, AnEmptyResultHasNoBuffer) {
    const FormatCase cases[] = {
        {WIDE(""), {}, WIDE("")},
        {WIDE("{}"), {WIDE("")}, WIDE("")},
        {WIDE("{}{}"), {WideStringView(WIDE("\0a"), 2), WIDE("b")}, WIDE("")},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(Corvane::Engine::ToUtf8(c.format));
        std::optional<FString> text;
        EXPECT_THAT(Trace([&] { text = Format(c.format, c.args); }), IsEmpty());
        EXPECT_EQ(text->Chars().Data, nullptr);
        EXPECT_EQ(text->Chars().Count, 0);
        EXPECT_EQ(text->Chars().Capacity, 0);
    }
}

struct ErrorCase {
    const WideChar* format;
    std::vector<WideStringView> args;
    std::string message;
};

TEST_F(FormatTest, BadFormatTextsRaiseTheLibrarysErrorAndAllocateNothing) {
    const ErrorCase cases[] = {
        {WIDE("}"), {}, "unmatched '}' in format string"},
        {WIDE("a}b"), {}, "unmatched '}' in format string"},
        {WIDE("{}"), {}, "argument not found"},
        {WIDE("Hello {0}"), {}, "argument not found"},
        {WIDE("{name}"), {}, "argument not found"},
        {WIDE("{} {} {}"), {WIDE("Rex"), WIDE("fly")}, "argument not found"},
        {WIDE("{2}"), {WIDE("Rex"), WIDE("fly")}, "argument not found"},
        {WIDE("ends in {"), {}, "invalid format string"},
        {WIDE("{0"), {WIDE("Rex")}, "invalid format string"},
        {WIDE("{ }"), {}, "invalid format string"},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(Corvane::Engine::ToUtf8(c.format));
        std::optional<std::string> message;
        const AllocatorTrace trace = Trace([&] {
            try {
                Format(c.format, c.args);
            } catch (const fmt::format_error& error) {
                message = error.what();
            }
        });
        EXPECT_EQ(message, c.message);
        EXPECT_THAT(trace, IsEmpty());
    }
}

}  // namespace
