#!/usr/bin/env bash
# Rewrites the dev host's expected outputs (tests/devhost/**/*.expected) from
# the current build, for an intended change of what the dev host prints: run
# it, then review `git diff tests/devhost` before committing. Exit statuses and
# standard-error checks still hold.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh default
CORVANE_UPDATE_EXPECTED=1 ctest --preset default -L expected-output
git status --short tests/devhost
