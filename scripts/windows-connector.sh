#!/usr/bin/env bash
# MariaDB Connector/C for the Windows companion, built once with MinGW-w64
# from the Connector/C inside Debian's own mariadb source package, and cached:
#   windows-connector.sh          prints the folder it is installed in
# The source package comes through a source list of the project's own
# (cmake/windows/mariadb-sources.list), with package lists of its own: the
# machine's sources and lists are left alone. CORVANE_CACHE moves the cache
# (default ~/.cache/corvane).
set -euo pipefail
cd "$(dirname "$0")/.."
cache=${CORVANE_CACHE:-$HOME/.cache/corvane}/mariadb-connector-mingw
prefix=$cache/install
if [ -f "$prefix/lib/mariadb/libmariadb.dll" ] && [ -f "$prefix/include/mariadb/mysql.h" ]; then
  echo "$prefix"
  exit 0
fi
sources=$PWD/cmake/windows/mariadb-sources.list
work=$cache/work
rm -rf "$work" "$prefix"
mkdir -p "$work/lists/partial" "$work/download"
apt_options=(-o "Dir::Etc::sourcelist=$sources" -o Dir::Etc::sourceparts=- -o "Dir::State::Lists=$work/lists"
             -o APT::Get::List-Cleanup=0)
{
  apt-get "${apt_options[@]}" update
  (cd "$work/download" && apt-get "${apt_options[@]}" --download-only source mariadb)
} >"$work/fetch.log" 2>&1 || { cat "$work/fetch.log" >&2; exit 1; }
archive=$(ls "$work"/download/mariadb_*.orig.tar.gz)
# Only Connector/C, the libmariadb folder of the server's sources.
tar -xzf "$archive" -C "$work" --wildcards '*/libmariadb/*'
source_dir=$(ls -d "$work"/mariadb-*/libmariadb)
# TLS through Windows' own Schannel; the authentication plugins a companion
# meets (native password, ed25519, caching SHA-2) built in or beside it.
cmake -S "$source_dir" -B "$work/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DWITH_SSL=SCHANNEL -DWITH_UNIT_TESTS=OFF \
  -DWITH_CURL=OFF -DWITH_EXTERNAL_ZLIB=OFF >"$work/build.log" 2>&1 \
  && cmake --build "$work/build" --target install >>"$work/build.log" 2>&1 \
  || { tail -50 "$work/build.log" >&2; exit 1; }
rm -rf "$work"
echo "$prefix"
