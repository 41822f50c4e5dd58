// POSIX has no library notifications; the host delivers them to this export,
// shaped like the Windows entry.
#include <cstdint>

#include "core/plugin/Lifecycle.h"
#include "host/EntryNotification.h"

extern "C" __attribute__((visibility("default"))) int DllMain(void*, std::uint32_t reason, void* reserved) {
    return Corvane::HandleEntryNotification(
        reason, reason == EntryNotification::ProcessDetach && reserved != nullptr);
}
