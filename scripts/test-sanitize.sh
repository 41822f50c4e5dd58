#!/usr/bin/env bash
# The whole suite built with Clang under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build-asan -DCMAKE_CXX_COMPILER="$(command -v clang++-14)" -DCORVANE_SANITIZE=ON
export ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1
ctest --test-dir build-asan --output-on-failure
