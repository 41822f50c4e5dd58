// The reasons the operating system's library notification carries.
#pragma once

#include <cstdint>

namespace EntryNotification {
inline constexpr std::uint32_t ProcessDetach = 0;
inline constexpr std::uint32_t ProcessAttach = 1;
inline constexpr std::uint32_t ThreadAttach = 2;
inline constexpr std::uint32_t ThreadDetach = 3;
}  // namespace EntryNotification
