// Windows delivers the load and unload notifications to the DLL's entry.
#include <windows.h>

#include "core/plugin/Lifecycle.h"

// reserved is not null on the detach of a process that is ending.
BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    return Corvane::HandleEntryNotification(reason, reason == DLL_PROCESS_DETACH && reserved != nullptr);
}
