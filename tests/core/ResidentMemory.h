// The process's resident memory, where the platform tells it, and whether a
// sanitizer holds freed memory back (which makes resident memory meaningless
// as a leak measure).
#pragma once

#include <cstddef>
#include <optional>

// Bytes of the process's memory resident in RAM (the working set on Windows);
// nothing where the platform has no cheap way to tell.
std::optional<std::size_t> ResidentBytes();

// True when AddressSanitizer keeps freed blocks in quarantine.
constexpr bool kFreedMemoryQuarantined =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif
