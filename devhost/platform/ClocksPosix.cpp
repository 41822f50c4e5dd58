#include <dlfcn.h>
#include <time.h>

#include <atomic>
#include <cstdint>

#include "devhost/platform/Clocks.h"

namespace {

std::atomic<std::int64_t> shiftNanoseconds{0};
std::atomic<bool> wallClockToo{true};

using ClockGetTime = int (*)(clockid_t, timespec*);

ClockGetTime CLibraryClock() {
    static const auto real = reinterpret_cast<ClockGetTime>(dlsym(RTLD_NEXT, "clock_gettime"));
    return real;
}

}  // namespace

void DevHost::Platform::ShiftClocks(std::chrono::nanoseconds more) {
    shiftNanoseconds += more.count();
}

extern "C" __attribute__((visibility("default"))) int clock_gettime(clockid_t clock,
                                                                    timespec* time) noexcept {
    const int result = CLibraryClock()(clock, time);
    const std::int64_t shift = shiftNanoseconds.load(std::memory_order_relaxed);
    if (result == 0 && shift != 0 &&
        DevHost::Platform::detail::IsShifted(clock, wallClockToo.load(std::memory_order_relaxed))) {
        DevHost::Platform::detail::AddShift(*time, shift);
    }
    return result;
}

void DevHost::Platform::LeaveWallClockAlone() {
    wallClockToo = false;
}
