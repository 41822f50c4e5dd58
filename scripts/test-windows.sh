#!/usr/bin/env bash
# The suite on the Windows build: cross-compiled with MinGW-w64, every test run
# under Wine (see cmake/mingw-w64.cmake).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh tests windows
prefix=${WINEPREFIX:-$HOME/.wine}
# The server built with /usr/lib/wine/wine64. Not /usr/bin/wineserver: Debian's
# wrapper there starts it with -p0, so it quits the moment no program is left.
wineserver=/usr/lib/wine/wineserver64
# A fresh Wine prefix takes a while to set up; doing it first keeps that out
# of the first test's time. No .NET or HTML runtime: nothing here needs one.
if [ ! -d "$prefix" ]; then
  echo "Setting up the Wine prefix $prefix"
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
fi
# The build's own output only when it fails. The companion's MariaDB
# Connector/C first: built once from Debian's sources, then cached.
mkdir -p build-win
connector=$(scripts/windows-connector.sh)
if ! { cmake --preset windows -DCORVANE_MARIADB_CONNECTOR="$connector" && scripts/build.sh windows; } \
    >build-win/build.log 2>&1; then
  cat build-win/build.log
  exit 1
fi
# One Wine server for the whole run. Left to themselves, the test programs
# share a server that the first of them starts and that shuts down as soon as
# none is running; one starting at that moment can be cut off when the server
# exits, or wait five minutes for a Windows boot that never finishes. The
# server only starts once the one that set up the prefix (or any other on this
# prefix) has gone, so that it reads the prefix as finished.
if "$wineserver" -k0 2>/dev/null; then
  echo "Waiting for the Wine programs still running in $prefix to end"
  "$wineserver" -w
fi
# Nothing of this script's own output stays open in it: whoever reads that
# output to its end would wait for the server.
if ! "$wineserver" -p </dev/null >/dev/null 2>&1; then
  echo "Could not start a Wine server for $prefix"
  exit 1
fi
# Stopped however the run ends, taking with it any test program still running.
trap '"$wineserver" -k 2>/dev/null || true' EXIT
# The first program on a new server boots Wine's system programs (services and
# the like), which keep that program's standard error open for as long as the
# server runs. Booted by a test, ctest would wait for the end of that test's
# output, which never comes; booted here, they hold /dev/null.
WINEDEBUG=-all /usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1
ctest --preset windows
