#include <windows.h>

#include "devhost/platform/Wine.h"

// Wine's ntdll exports its version; Windows' has no such function.
bool DevHost::Platform::RunsUnderWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
