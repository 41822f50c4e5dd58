#include "engine/WideText.h"

#include <fmt/format.h>

#include <cstdint>
#include <utility>

namespace {

void AppendUtf8(std::string& out, char32_t c) {
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

bool IsHighSurrogate(char32_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char32_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

std::string Corvane::Engine::ToUtf8(WideStringView text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = static_cast<char16_t>(text[i]);
        if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(static_cast<char16_t>(text[i + 1]))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<char16_t>(text[++i]) - 0xDC00);
        } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
            c = 0xFFFD;
        }
        AppendUtf8(out, c);
    }
    return out;
}

std::string Corvane::Engine::ToPrintableUtf8(WideStringView text) {
    return EscapeForLog(ToUtf8(text));
}

namespace {

// The code point of the UTF-8 sequence at text[i] when it is one that a log
// must not show raw (C1 controls, U+2028, U+2029, U+202A to U+202E, U+2066 to
// U+2069), with its length; 0 otherwise.
std::pair<char32_t, std::size_t> HiddenControlAt(std::string_view text, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[i + k]); };
    if (byte(0) == 0xC2 && i + 1 < text.size() && byte(1) >= 0x80 && byte(1) <= 0x9F) {
        return {byte(1), 2};
    }
    if (byte(0) == 0xE2 && i + 2 < text.size()) {
        const char32_t c = 0x2000 + ((byte(1) & 0x3Fu) << 6) + (byte(2) & 0x3Fu);
        const bool separator = c == 0x2028 || c == 0x2029;
        const bool bidi = (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
        if ((byte(1) & 0xC0) == 0x80 && (separator || bidi)) {
            return {c, 3};
        }
    }
    return {0, 0};
}

}  // namespace

std::string Corvane::Engine::EscapeForLog(std::string_view utf8) {
    std::string printable;
    printable.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (const auto [hidden, length] = HiddenControlAt(utf8, i); length != 0) {
            printable += fmt::format("\\u{:04X}", static_cast<std::uint32_t>(hidden));
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
    std::string visible;
    visible.reserve(json.size());
    for (std::size_t i = 0; i < json.size(); ++i) {
        if (const auto [hidden, length] = HiddenControlAt(json, i); length != 0) {
            visible += fmt::format("\\u{:04X}", static_cast<std::uint32_t>(hidden));
            i += length - 1;
        } else if (json[i] == 0x7F) {
            visible += "\\u007F";
        } else {
            visible += json[i];
        }
    }
    return visible;
}
