#!/usr/bin/env bash
# Sets up what the dev host needs on a fresh Debian 12 machine, builds the
# plugin, the stand-ins and the dev host (not the test suite), and runs the dev
# host with the shipped default configuration. Arguments go to the dev host
# (see README); it runs in the caller's directory, so relative paths are the caller's.
set -euo pipefail
root=$(dirname "$(readlink -f "$0")")
"$root/scripts/install-deps.sh" >&2
echo "Building the dev host (the first run takes about a minute)..." >&2
if ! output=$("$root/scripts/build.sh" devhost 2>&1); then
  printf '%s\n' "$output" >&2
  echo "run.sh: the build failed (output above)" >&2
  exit 1
fi
exec "$root/build-devhost/bin/corvane-devhost" "$@"
