#!/usr/bin/env bash
# The suite built with Clang under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the fuzz targets with it, each of their corpus inputs run once as a test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh sanitize
ctest --preset sanitize
