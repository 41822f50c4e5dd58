#!/usr/bin/env bash
# The suite built with Clang under AddressSanitizer and UndefinedBehaviorSanitizer,
# the fuzz targets with it, each of their corpus inputs run once as a test, and
# the soaks shortened (CORVANE_SOAK_LINES in the sanitize test preset). Tests
# labelled full (the companion's database failures, which wait out timeouts)
# run in the full tier's native and ThreadSanitizer suites instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh sanitize
ctest --preset sanitize -LE full
