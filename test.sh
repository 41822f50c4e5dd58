#!/usr/bin/env bash
# Sets up everything on a fresh Debian 12 machine and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh tests windows
scripts/check-source.sh
scripts/test-sanitize.sh
scripts/test-fuzz.sh
scripts/test-windows.sh
scripts/test-native.sh
