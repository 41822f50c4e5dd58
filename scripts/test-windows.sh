#!/usr/bin/env bash
# The suite on the Windows build: cross-compiled with MinGW-w64, every test run
# under Wine (see cmake/mingw-w64.cmake).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh tests windows
# A fresh Wine prefix takes a while to set up; doing it first keeps that out
# of the first test's time. No .NET or HTML runtime: nothing here needs one.
if [ ! -d "${WINEPREFIX:-$HOME/.wine}" ]; then
  echo "Setting up the Wine prefix ${WINEPREFIX:-$HOME/.wine}"
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
fi
# The build's own output only when it fails.
mkdir -p build-win
if ! scripts/build.sh windows >build-win/build.log 2>&1; then
  cat build-win/build.log
  exit 1
fi
# A test that fails is run once more before it counts as failed: a Wine
# process now and then dies starting up while another one does; a real fault
# fails both times.
ctest --preset windows --repeat until-pass:2
