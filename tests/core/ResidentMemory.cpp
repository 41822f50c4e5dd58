#include "tests/core/ResidentMemory.h"

#if defined(_WIN32)
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>
#elif defined(__linux__)
#include <unistd.h>

#include <fstream>
#endif

std::optional<std::size_t> ResidentBytes() {
#if defined(_WIN32)
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters))) {
        return std::nullopt;
    }
    return counters.WorkingSetSize;
#elif defined(__linux__)
    // statm: total program size, then resident pages.
    std::ifstream statm("/proc/self/statm");
    std::size_t size = 0;
    std::size_t resident = 0;
    if (!(statm >> size >> resident)) {
        return std::nullopt;
    }
    return resident * static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
#else
    return std::nullopt;
#endif
}
