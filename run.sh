#!/usr/bin/env bash
# Sets up everything on a fresh Debian 12 machine and runs the dev host with the
# shipped default configuration. Arguments go to the dev host (see README).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh build >/dev/null
exec build/bin/corvane-devhost "$@"
