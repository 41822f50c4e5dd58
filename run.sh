#!/usr/bin/env bash
# Sets up what the dev host needs on a fresh Debian 12 machine, builds the
# plugin, the stand-ins and the dev host (not the test suite), and runs the dev
# host with the shipped default configuration. Arguments go to the dev host
# (see README); it runs in the caller's directory, so relative paths are the caller's.
set -euo pipefail
root=$(dirname "$(readlink -f "$0")")
"$root/scripts/install-deps.sh" >&2
build=$root/build-devhost
# Said only when there is something to build: ninja's dry run has work to do.
if [[ ! -f $build/build.ninja ]] || ! ninja -C "$build" -n 2>/dev/null | grep -q 'no work to do'; then
  echo "Building the dev host: from scratch, 2 to 5 minutes on two cores, the more the busier they are;" \
    "after a change, only what it touches..." >&2
fi
if ! output=$("$root/scripts/build.sh" devhost 2>&1); then
  printf '%s\n' "$output" >&2
  echo "run.sh: the build failed (output above)" >&2
  exit 1
fi
exec "$build/bin/corvane-devhost" "$@"
