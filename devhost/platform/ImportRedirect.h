// Windows: pointing one module's import of a function elsewhere, so that the
// stand-ins can stand between the plugin (or the C++ runtime) and the system.
#pragma once

#include <windows.h>

namespace DevHost::Platform {

// Points module's import of function (from library) at replacement; the
// address it held before, or null when the module imports no such function.
void* RedirectImport(HMODULE module, const char* library, const char* function, void* replacement);

}  // namespace DevHost::Platform
