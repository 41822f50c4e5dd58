// Windows delivers the load and unload notifications to the DLL's entry.
#include <windows.h>

#include "core/Lifecycle.h"

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    return Corvane::HandleEntryNotification(reason);
}
