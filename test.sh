#!/usr/bin/env bash
# The test command, in two tiers (docs/TESTING.md says what each runs):
#   ./test.sh          the quick tier, for every change: the source check, then
#                      the suite and the fuzz corpora under the sanitizers
#   ./test.sh --full   everything, for CI and releases: the quick tier, then
#                      timed fuzzing, the Windows suite under Wine, the
#                      native suite with its million-line soaks and the
#                      report page in a real browser
# Either sets up what it needs on a fresh Debian 12 machine first. Each part
# is announced with the seconds spent so far; the last part's test summary
# ends the output.
set -euo pipefail
cd "$(dirname "$0")"
case "${1:-}" in
  "") parts=("install-deps.sh tests" check-source.sh test-sanitize.sh) ;;
  --full) parts=("install-deps.sh tests windows browser" check-source.sh test-sanitize.sh test-fuzz.sh
                 test-windows.sh test-tsan.sh test-native.sh test-browser.sh) ;;
  *) echo "usage: ./test.sh [--full]" >&2; exit 2 ;;
esac
for part in "${parts[@]}"; do
  echo "==> scripts/$part (${SECONDS} s so far)"
  # A part is a script and its arguments.
  # shellcheck disable=SC2086
  scripts/$part
done
