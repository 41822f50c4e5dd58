#include "core/text/FormatCheck.h"

#include <algorithm>
#include <limits>

namespace Corvane {
namespace {

bool IsDigit(WideChar c) {
    return c >= '0' && c <= '9';
}

// The format of a replacement field runs from its ':' to the '}' that closes
// the field; a nested field (a width taken from an argument) opens a level.
std::size_t SpecEnd(WideStringView format, std::size_t from) {
    int depth = 0;
    for (std::size_t i = from; i < format.size(); ++i) {
        if (format[i] == '{') {
            ++depth;
        } else if (format[i] == '}' && depth-- == 0) {
            return i;
        }
    }
    return format.size();
}

}  // namespace

TamedFormat Tame(WideStringView format) {
    TamedFormat tamed;
    WideString& out = tamed.format;
    out.reserve(format.size());
    std::size_t i = 0;
    while (i < format.size()) {
        const bool escaped = format[i] == '{' && i + 1 < format.size() && format[i + 1] == '{';
        if (format[i] != '{' || escaped) {
            out.append(format.substr(i, escaped ? 2 : 1));
            i += escaped ? 2 : 1;
            continue;
        }
        const std::size_t colon = format.find_first_of(WIDE(":}"), i + 1);
        if (colon == WideStringView::npos || format[colon] == '}') {
            const std::size_t next = colon == WideStringView::npos ? format.size() : colon + 1;
            out.append(format.substr(i, next - i));
            i = next;
            continue;
        }
        out.append(format.substr(i, colon + 1 - i));
        const std::size_t end = SpecEnd(format, colon + 1);
        for (std::size_t j = colon + 1; j < end;) {
            if (!IsDigit(format[j])) {
                out += format[j++];
                continue;
            }
            const std::size_t start = j;
            unsigned long long value = 0;
            for (; j < end && IsDigit(format[j]); ++j) {
                value = std::min<unsigned long long>(value * 10 + (format[j] - '0'), 1ULL << 40);
            }
            const bool wider = value > kWidestField && value <= std::numeric_limits<int>::max();
            tamed.wasWider = tamed.wasWider || wider;
            out.append(wider ? WideStringView(WIDE("1000")) : format.substr(start, j - start));
        }
        i = end;
    }
    return tamed;
}

}  // namespace Corvane
