// Invariant checks for the fuzz targets. A broken invariant aborts at once
// with what it was, so that libFuzzer keeps the input that broke it.
#pragma once

#include <cstdio>
#include <cstdlib>

namespace Fuzz {

[[noreturn]] inline void Violation(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

inline void Require(bool condition, const char* what) {
    if (!condition) {
        Violation(what);
    }
}

}  // namespace Fuzz
