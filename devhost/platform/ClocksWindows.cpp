#include <windows.h>

#include <pthread_time.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <stdexcept>

#include "devhost/platform/Clocks.h"
#include "devhost/platform/ImportRedirect.h"

namespace {

using ClockGetTime = int (*)(clockid_t, timespec*);

std::atomic<std::int64_t> shiftNanoseconds{0};
ClockGetTime runtimeClock = nullptr;

int ShiftedClock(clockid_t clock, timespec* time) {
    const int result = runtimeClock(clock, time);
    const std::int64_t shift = shiftNanoseconds.load(std::memory_order_relaxed);
    if (result == 0 && shift != 0 && DevHost::Platform::detail::IsShifted(clock, true)) {
        DevHost::Platform::detail::AddShift(*time, shift);
    }
    return result;
}

// std::chrono::steady_clock reads clock_gettime from the threads library.
void RedirectRuntimeClock() {
    HMODULE runtime = GetModuleHandleA("libstdc++-6.dll");
    void* original = runtime == nullptr
                         ? nullptr
                         : DevHost::Platform::RedirectImport(runtime, "libwinpthread-1.dll", "clock_gettime",
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
