#!/usr/bin/env bash
# The suite on the Linux build (GCC).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh build
ctest --test-dir build --output-on-failure
