#!/usr/bin/env bash
# Installs the Debian packages a job needs, only those that are missing:
#   install-deps.sh             what the dev host and the companion need to build and run
#                               (the report page's chart library and Unicode data; the
#                               companion's MariaDB Connector/C)
#   install-deps.sh tests       and the test suite's: Clang, sanitizers, libFuzzer,
#                               GoogleTest, Google Benchmark, clang-format, clang-tidy, and
#                               for the companion's tests a MariaDB server and client, openssl,
#                               and strace (the game process traced through a cluster's run)
#   install-deps.sh windows     and the Windows build's: MinGW-w64 and Wine
#   install-deps.sh browser     and the report page's tests': Chromium, Python, and
#                               Node.js with npm unless a Node.js with npm is there
set -euo pipefail
packages=(cmake ninja-build g++ libfmt-dev libspdlog-dev nlohmann-json3-dev libreadline-dev libjs-chart.js
          unicode-data libmariadb-dev)
for group in "$@"; do
  case "$group" in
    tests) packages+=(clang-14 libclang-rt-14-dev clang-format clang-tidy libgtest-dev libgmock-dev googletest
                      libbenchmark-dev mariadb-server-core mariadb-client-core openssl strace) ;;
    windows) packages+=(g++-mingw-w64-x86-64-posix wine64 googletest) ;;
    # Another Node.js (with its own npm) may be installed; Debian's npm would not fit it.
    browser) packages+=(chromium python3)
             command -v npm >/dev/null || packages+=(nodejs npm) ;;
    *) echo "install-deps.sh: unknown group $group (tests, windows, browser)" >&2; exit 2 ;;
  esac
done
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
