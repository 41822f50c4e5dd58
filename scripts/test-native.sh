#!/usr/bin/env bash
# The suite on the Linux build (GCC).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh default
ctest --preset default
