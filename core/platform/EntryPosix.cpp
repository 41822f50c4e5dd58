// POSIX has no library notifications; the host delivers them to this export,
// shaped like the Windows entry.
#include <cstdint>

#include "core/Lifecycle.h"

extern "C" __attribute__((visibility("default"))) int DllMain(void*, std::uint32_t reason, void*) {
    return Corvane::HandleEntryNotification(reason);
}
