#!/usr/bin/env bash
# The companion, the one program of the tree with threads, and its tests built
# with ThreadSanitizer (Clang 14), and run: the companion's process tests run
# the companion built so.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh tsan
ctest --preset tsan
