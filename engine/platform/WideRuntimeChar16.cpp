// Platforms whose wchar_t is not 16 bits: the runtime has no function over
// char16_t, so this does what _wcsnicmp does in the "C" locale.
#include "engine/WideRuntime.h"

namespace {
int FoldAscii(WideChar c) {
    return (c >= u'A' && c <= u'Z') ? c - u'A' + u'a' : c;
}
}  // namespace

int Corvane::Engine::detail::CompareNoCase(const WideChar* a, const WideChar* b, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const int left = FoldAscii(a[i]);
        const int right = FoldAscii(b[i]);
        if (left != right) {
            return left - right;
        }
        if (left == 0) {
            break;
        }
    }
    return 0;
}
