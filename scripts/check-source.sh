#!/usr/bin/env bash
# Checks the sources without building them: every C++ file is formatted as
# .clang-format says, and the plugin's layers include only what lies below
# them (host/ nothing of ours, engine/ host/, core/ engine/ and host/), so that
# the plugin builds against host/ alone.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
status=0
check_layer() {
  local layer=$1 allowed=$2
  if git grep -n -E '#include "' -- "$layer/" | grep -v -E "#include \"($allowed)/"; then
    echo "check-source.sh: $layer/ may include only $allowed (lines above)" >&2
    status=1
  fi
}
check_layer host host
check_layer engine 'host|engine'
check_layer core 'host|engine|core'
exit $status
