// The process's clocks as the C++ runtime reads them, the monotonic one and
// the wall clock, which the stand-in server can move forward at once: a
// cooldown of an hour can pass without anyone waiting for it, and the audit
// file's times follow.
//
// POSIX: the framework library defines clock_gettime, ahead of the C library
// in every module's lookup, and adds the shift to CLOCK_MONOTONIC and
// CLOCK_REALTIME. Windows: the C++ runtime's import of clock_gettime is
// pointed at the same shift.
#pragma once

#include <time.h>
#include <chrono>
#include <cstdint>

namespace DevHost::Platform {

// Moves both clocks forward by more; they never go back.
void ShiftClocks(std::chrono::nanoseconds more);

// From now on the wall clock keeps true time and only the monotonic clock
// moves: for a program that counts its own time on the wall clock and must not
// count the waits it plays, as libFuzzer counts its budget and its timeouts (POSIX only, where the
// fuzz targets build).
void LeaveWallClockAlone();

namespace detail {
inline bool IsShifted(clockid_t clock, bool wallClockToo) {
    return clock == CLOCK_MONOTONIC || (clock == CLOCK_REALTIME && wallClockToo);
}

// A reading of the clock moved forward by shift (0 or more) nanoseconds.
inline void AddShift(timespec& time, std::int64_t shift) {
    constexpr std::int64_t kBillion = 1'000'000'000;
    const std::int64_t nanoseconds = time.tv_nsec + shift % kBillion;
    time.tv_sec += static_cast<time_t>(shift / kBillion + nanoseconds / kBillion);
    time.tv_nsec = static_cast<long>(nanoseconds % kBillion);
}
}  // namespace detail

}  // namespace DevHost::Platform
