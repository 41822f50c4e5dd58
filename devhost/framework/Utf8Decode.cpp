// UTF-8 to the engine's UTF-16. Malformed input (a bad lead or continuation
// byte, a truncated, overlong or surrogate sequence, a value past U+10FFFF)
// becomes U+FFFD, one per maximal bad subpart, so no text is ever lost silently.
#include "host/Velkor.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf16(WideString& out, char32_t c) {
    if (c < 0x10000) {
        out += static_cast<WideChar>(c);
    } else {
        c -= 0x10000;
        out += static_cast<WideChar>(0xD800 + (c >> 10));
        out += static_cast<WideChar>(0xDC00 + (c & 0x3FF));
    }
}

// Decodes one code point at text[i], advancing i past what it used.
char32_t DecodeOne(const std::string& text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) {
        return lead;
    }
    int length = 0;
    char32_t c = 0;
    char32_t lowest = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 1, c = lead & 0x1F, lowest = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 2, c = lead & 0x0F, lowest = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 3, c = lead & 0x07, lowest = 0x10000;
    } else {
        return kReplacement;
    }
    for (int k = 0; k < length; ++k) {
        if (i >= text.size()) {
            return kReplacement;
        }
        const auto next = static_cast<unsigned char>(text[i]);
        if ((next & 0xC0) != 0x80) {
            return kReplacement;
        }
        const char32_t sofar = (c << 6) | (next & 0x3F);
        // Overlong forms, surrogates and values past U+10FFFF show in the
        // second byte; it is then left to be decoded anew.
        if (k == 0) {
            const char32_t least = sofar << (6 * (length - 1));
            const char32_t most = least | ((1u << (6 * (length - 1))) - 1);
            if (most < lowest || (least >= 0xD800 && most <= 0xDFFF) || least > 0x10FFFF) {
                return kReplacement;
            }
        }
        c = sofar;
        ++i;
    }
    return c;
}

}  // namespace

WideString Velkor::Tools::Utf8Decode(const std::string& utf8) {
    WideString out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        AppendUtf16(out, DecodeOne(utf8, i));
    }
    return out;
}
