#include "engine/WideText.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <span>
#include <utility>

#include "engine/InvisibleTable.h"

namespace {

using Corvane::Engine::IsHighSurrogate;
using Corvane::Engine::IsLowSurrogate;

// The length of the valid UTF-8 sequence at text[i] and its code point; a
// length of 0 when none begins there.
std::pair<char32_t, std::size_t> SequenceAt(std::string_view text, std::size_t i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
        return {byte, 1};
    }
    const std::size_t length = byte >= 0xC2 && byte <= 0xDF   ? 2
                               : byte >= 0xE0 && byte <= 0xEF ? 3
                               : byte >= 0xF0 && byte <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || i + length > text.size()) {
        return {0, 0};
    }
    char32_t c = byte & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80) {
            return {0, 0};
        }
        c = (c << 6) | (next & 0x3F);
    }
    constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kLeast[length] || c > 0x10FFFF || IsHighSurrogate(c) || IsLowSurrogate(c)) {
        return {0, 0};
    }
    return {c, length};
}

}  // namespace

void Corvane::Engine::AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    }
    out += static_cast<char>(0x80 | (c & 0x3F));
}

char32_t Corvane::Engine::NextCharacter(WideStringView text, std::size_t& i) {
    const char32_t c = static_cast<char16_t>(text[i++]);
    if (IsHighSurrogate(c) && i < text.size() && IsLowSurrogate(static_cast<char16_t>(text[i]))) {
        return 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(text[i++]) - 0xDC00);
    }
    return IsHighSurrogate(c) || IsLowSurrogate(c) ? 0xFFFD : c;
}

std::string Corvane::Engine::ToUtf8(WideStringView text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        AppendUtf8(out, NextCharacter(text, i));
    }
    return out;
}

WideString Corvane::Engine::FromUtf8(std::string_view utf8) {
    WideString out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        auto [c, length] = SequenceAt(utf8, i);
        if (length == 0) {
            c = 0xFFFD;
            length = 1;
        }
        if (c >= 0x10000) {
            out += static_cast<WideChar>(0xD800 + ((c - 0x10000) >> 10));
            c = 0xDC00 + ((c - 0x10000) & 0x3FF);
        }
        out += static_cast<WideChar>(c);
        i += length;
    }
    return out;
}

bool Corvane::Engine::ShownAsEscape(char32_t c) {
    if ((c >= 0x80 && c <= 0x9F) || c == 0x2028 || c == 0x2029) {
        return true;
    }
    const std::span<const CodeRange> invisible = InvisibleRanges();
    const auto after =
        std::upper_bound(invisible.begin(), invisible.end(), c,
                         [](char32_t code, const CodeRange& range) { return code < range.first; });
    return after != invisible.begin() && c <= std::prev(after)->last;
}

void Corvane::Engine::AppendUnicodeEscape(std::string& out, char32_t c) {
    if (c >= 0x10000) {
        AppendUnicodeEscape(out, 0xD800 + ((c - 0x10000) >> 10));
        c = 0xDC00 + ((c - 0x10000) & 0x3FF);
    }
    fmt::format_to(std::back_inserter(out), "\\u{:04X}", static_cast<std::uint32_t>(c));
}

std::string Corvane::Engine::ToPrintableUtf8(WideStringView text) {
    return EscapeForLog(ToUtf8(text));
}

std::string Corvane::Engine::EscapeForLog(std::string_view utf8) {
    std::string printable;
    printable.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (const auto [c, length] = SequenceAt(utf8, i); length > 1 && ShownAsEscape(c)) {
            AppendUnicodeEscape(printable, c);
            i += length - 1;
        } else if (byte == '\\') {
            printable += "\\\\";
        } else if (byte >= 0x20 && byte != 0x7F) {
            printable += utf8[i];
        } else if (byte == '\r') {
            printable += "\\r";
        } else if (byte == '\n') {
            printable += "\\n";
        } else if (byte == '\t') {
            printable += "\\t";
        } else {
            printable += fmt::format("\\x{:02X}", byte);
        }
    }
    return printable;
}

std::string Corvane::Engine::EscapeInvisibleInJson(std::string_view json) {
    std::string escaped;
    escaped.reserve(json.size());
    for (std::size_t i = 0; i < json.size(); ++i) {
        const auto [c, length] = SequenceAt(json, i);
        if (c == 0x7F || (length > 1 && ShownAsEscape(c))) {
            AppendUnicodeEscape(escaped, c);
            i += length - 1;
        } else {
            escaped += json[i];
        }
    }
    return escaped;
}
