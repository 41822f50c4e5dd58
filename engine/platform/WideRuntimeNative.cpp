// Platforms whose wchar_t is the engine's 16-bit character: the runtime's own
// function, pinned to the "C" locale so that only ASCII letters fold whatever
// locale the server process has set.
#include <locale.h>
#include <wchar.h>

#include "engine/WideRuntime.h"

int Corvane::Engine::detail::CompareNoCase(const WideChar* a, const WideChar* b, std::size_t count) {
    static const _locale_t classic = _create_locale(LC_ALL, "C");
    return _wcsnicmp_l(a, b, count, classic);
}
