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

// Whether a log or audit line writes c as an escape: shown raw, it would
// hide, forge or reorder what the line says. The C1 controls, the line and
// paragraph separators, and every code point that shows nothing or steers how
// text shows (InvisibleTable.h: the bidirectional controls, the zero-width
// characters, variation selectors, tags and the like).
bool ShownAsEscape(char32_t c);
// Appends c as JSON writes it escaped: \uXXXX, or a surrogate pair's two
// escapes beyond U+FFFF, so that no reader can take the digits after it as
// part of the escape.
void AppendUnicodeEscape(std::string& out, char32_t c);

// ToUtf8 with what could forge or reorder a log line written as escapes:
// C0 controls and DEL as \r, \n, \t or \xNN, and what ShownAsEscape names as
// AppendUnicodeEscape writes it.
std::string ToPrintableUtf8(WideStringView text);
// The same escapes over text that is already UTF-8; a backslash is doubled,
// so that no escape can be typed.
std::string EscapeForLog(std::string_view utf8);
// JSON text (UTF-8) with DEL and what ShownAsEscape names escaped as
// AppendUnicodeEscape writes them, everything else as it stands: outside its
// strings, JSON text is ASCII, and inside them an escape means the character.
std::string EscapeInvisibleInJson(std::string_view json);
}  // namespace Corvane::Engine
