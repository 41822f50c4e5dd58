// Platforms whose wchar_t is the engine's 16-bit character: the runtime's own function.
#include <wchar.h>

#include "WideRuntime.h"

int Engine::detail::CompareNoCase(const WideChar* a, const WideChar* b, std::size_t count) {
    return _wcsnicmp(a, b, count);
}
