#include "core/audit/JsonText.h"

#include <cstdint>

#include "core/text/CommandText.h"
#include "engine/WideText.h"

namespace Corvane {
namespace {

constexpr std::size_t kMostNames = 16;
constexpr std::size_t kNameLimit = 100;

void AppendEscaped(std::string& out, char32_t c) {
    switch (c) {
        case '"': out += "\\\""; return;
        case '\\': out += "\\\\"; return;
        case '\b': out += "\\b"; return;
        case '\f': out += "\\f"; return;
        case '\n': out += "\\n"; return;
        case '\r': out += "\\r"; return;
        case '\t': out += "\\t"; return;
        default: break;
    }
    if (c < 0x20 || c == 0x7F || Engine::ShownAsEscape(c)) {
        Engine::AppendUnicodeEscape(out, c);
    } else {
        Engine::AppendUtf8(out, c);
    }
}

void AppendName(std::string& array, const std::string& name) {
    const WideString wide = Engine::FromUtf8(name);
    const WideStringView kept = WideStringView(wide).substr(0, CutPoint(wide, kNameLimit));
    array += (array.size() > 1 ? ",\"" : "\"") + EscapeWithin(kept, SIZE_MAX).json + "\"";
}

}  // namespace

EscapedText EscapeWithin(WideStringView text, std::size_t budget) {
    EscapedText escaped;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t before = escaped.json.size();
        AppendEscaped(escaped.json, Engine::NextCharacter(text, i));
        if (escaped.json.size() > budget) {
            escaped.json.resize(before);
            break;
        }
        escaped.taken = i;
    }
    return escaped;
}

NamesJson NamesArray(const std::vector<std::string>& names) {
    NamesJson written{"[", names.size() > kMostNames ? names.size() - kMostNames : 0};
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i < kMostNames - 1 || i + 1 == names.size()) {
            AppendName(written.array, names[i]);
        }
    }
    written.array += ']';
    return written;
}

}  // namespace Corvane
