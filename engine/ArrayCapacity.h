// The capacity rules of engine arrays: how far an array grows when it runs
// out of room, and when removing elements gives memory back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

namespace Corvane::Engine {

inline constexpr std::int32_t kMaxArrayCount = std::numeric_limits<std::int32_t>::max();

// New capacity for an array whose count was just raised above its capacity:
// 4 for a first allocation of up to 4 elements, otherwise count + 3/8 count + 16,
// never more than kMaxArrayCount.
constexpr std::int32_t GrownCapacity(std::int32_t count, std::int32_t capacity) {
    if (capacity == 0 && count <= 4) {
        return 4;
    }
    // The engine sums in 32 bits and takes a wrapped (smaller) result as the
    // maximum; clamping the 64-bit sum gives the same capacity without the wrap.
    const std::int64_t grown = std::int64_t{count} + std::int64_t{count} * 3 / 8 + 16;
    return grown > kMaxArrayCount ? kMaxArrayCount : static_cast<std::int32_t>(grown);
}

// Capacity to keep after elements were removed: small or proportionally small
// slack stays, anything else shrinks to the count.
constexpr std::int32_t ShrunkCapacity(std::int32_t count, std::int32_t capacity, std::size_t elementSize) {
    const std::int64_t slack = std::int64_t{capacity} - count;
    const bool smallInBytes = slack * static_cast<std::int64_t>(elementSize) < 16384;
    const bool mostlyFull = std::int64_t{count} * 3 >= std::int64_t{capacity} * 2;
    if ((smallInBytes && mostlyFull) || (slack <= 64 && count != 0)) {
        return capacity;
    }
    return count;
}

}  // namespace Corvane::Engine
