// The 64-bit FNV-1a hash of a text: what names a line (a carried line's
// "carries") and what tells two files with one identity apart.
#pragma once

#include <cstdint>
#include <string_view>

namespace Companion {

constexpr std::uint64_t Fnv1a(std::string_view text) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    return hash;
}

}  // namespace Companion
