#include "core/text/TimeInWords.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>
#include <cstdint>

namespace Corvane {
namespace {

struct Unit {
    std::int64_t seconds;
    const char* name;
};

constexpr std::array<Unit, 4> kUnits{{{86400, "day"}, {3600, "hour"}, {60, "minute"}, {1, "second"}}};

std::string Counted(std::int64_t count, const Unit& unit) {
    return fmt::format("{} {}{}", count, unit.name, count == 1 ? "" : "s");
}

// The largest unit that fits in seconds, the seconds unit for none.
std::size_t LargestUnit(std::int64_t seconds) {
    std::size_t unit = 0;
    while (unit + 1 < kUnits.size() && seconds < kUnits[unit].seconds) {
        ++unit;
    }
    return unit;
}

}  // namespace

std::int64_t SecondsLeft(std::chrono::nanoseconds left) {
    return std::max<std::int64_t>(0, std::chrono::ceil<std::chrono::seconds>(left).count());
}

std::string TimeInWords(std::chrono::nanoseconds left) {
    std::int64_t seconds = SecondsLeft(left);
    if (seconds <= 0) {
        return Counted(0, kUnits.back());
    }
    // Rounding the smaller unit up can carry into a larger unit than the
    // first one found: 23 hours 59 minutes 30 seconds is 1 day.
    std::size_t unit = LargestUnit(seconds);
    for (;;) {
        if (unit + 1 == kUnits.size()) {
            return Counted(seconds, kUnits[unit]);
        }
        const std::int64_t smaller = kUnits[unit + 1].seconds;
        seconds = (seconds + smaller - 1) / smaller * smaller;
        if (const std::size_t carried = LargestUnit(seconds); carried != unit) {
            unit = carried;
            continue;
        }
        const std::int64_t major = seconds / kUnits[unit].seconds;
        const std::int64_t minor = seconds % kUnits[unit].seconds / smaller;
        return minor == 0 ? Counted(major, kUnits[unit])
                          : Counted(major, kUnits[unit]) + " " + Counted(minor, kUnits[unit + 1]);
    }
}

}  // namespace Corvane
