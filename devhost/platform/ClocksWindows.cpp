#include <windows.h>

#include <pthread_time.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include "devhost/platform/Clocks.h"

namespace {

using ClockGetTime = int (*)(clockid_t, timespec*);

std::atomic<std::int64_t> shiftNanoseconds{0};
ClockGetTime runtimeClock = nullptr;

int ShiftedClock(clockid_t clock, timespec* time) {
    const int result = runtimeClock(clock, time);
    const std::int64_t shift = shiftNanoseconds.load(std::memory_order_relaxed);
    if (result == 0 && (clock == CLOCK_MONOTONIC || clock == CLOCK_REALTIME) && shift != 0) {
        DevHost::Platform::detail::AddShift(*time, shift);
    }
    return result;
}

// Points module's import of function (from library) at replacement; the
// address it held before, or null when the module imports no such function.
void* RedirectImport(HMODULE module, const char* library, const char* function, void* replacement) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0; ++entry) {
        if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), library) != 0) {
            continue;
        }
        auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) {
                continue;
            }
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) {
                continue;
            }
            DWORD protection = 0;
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &protection);
            void* original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), protection, &protection);
            return original;
        }
    }
    return nullptr;
}

// std::chrono::steady_clock reads clock_gettime from the threads library.
void RedirectRuntimeClock() {
    HMODULE runtime = GetModuleHandleA("libstdc++-6.dll");
    void* original = runtime == nullptr ? nullptr
                                        : RedirectImport(runtime, "libwinpthread-1.dll", "clock_gettime",
                                                         reinterpret_cast<void*>(&ShiftedClock));
    if (original == nullptr) {
        throw std::runtime_error(
            "the C++ runtime's clock can't be shifted: it does not import clock_gettime");
    }
    runtimeClock = reinterpret_cast<ClockGetTime>(original);
}

}  // namespace

void DevHost::Platform::ShiftClocks(std::chrono::nanoseconds more) {
    static std::once_flag redirected;
    std::call_once(redirected, RedirectRuntimeClock);
    shiftNanoseconds += more.count();
}
