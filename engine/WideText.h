// Engine text as UTF-8, for log lines.
#pragma once

#include <string>
#include <string_view>

#include "host/WideChar.h"

namespace Corvane::Engine {
inline constexpr bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
inline constexpr bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// The character at text[i], moving i past it: a surrogate pair is one
// character, a surrogate without its pair U+FFFD.
char32_t NextCharacter(WideStringView text, std::size_t& i);
// UTF-16 to UTF-8; a surrogate without its pair becomes U+FFFD.
std::string ToUtf8(WideStringView text);
// UTF-8 to UTF-16; each byte that begins no valid sequence becomes U+FFFD.
WideString FromUtf8(std::string_view utf8);
void AppendUtf8(std::string& out, char32_t c);

// Whether a log or audit line writes c as \uXXXX: shown raw, it would hide,
// forge or reorder what the line says. The C1 controls, the line and paragraph
// separators, the bidirectional controls (U+061C, U+200E, U+200F, U+202A to
// U+202E, U+2066 to U+2069) and the invisible format characters (U+00AD,
// U+180E, U+200B to U+200D, U+2060 to U+2064, U+FEFF).
bool ShownAsEscape(char32_t c);

// ToUtf8 with what could forge or reorder a log line written as escapes:
// C0 controls and DEL as \r, \n, \t or \xNN, and what ShownAsEscape names as
// \uXXXX.
std::string ToPrintableUtf8(WideStringView text);
// The same escapes over text that is already UTF-8; a backslash is doubled,
// so that no escape can be typed.
std::string EscapeForLog(std::string_view utf8);
}  // namespace Corvane::Engine
