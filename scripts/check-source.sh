#!/usr/bin/env bash
# Checks the sources: every C++ file is formatted as .clang-format says; the
# plugin's layers include only what lies below them (host/ nothing of ours,
# engine/ host/, core/ engine/ and host/), so that the plugin builds against
# host/ alone; and clang-tidy finds nothing in them, nor in the cluster's
# companion (.clang-tidy).
#   check-source.sh [engine] [core] [companion]   lints those folders' files only (all by default)
# host/ has no sources: its headers are linted through the files that include
# them. clang-tidy reads the compile database of the lint preset, which is
# configured here and never built; it holds the Linux sources only.
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
# Inside core/, each folder includes only the folders below it (and its own):
# text, settings, audit, history, gate, plugin. platform/ declares what each
# system gives and implements headers of the others, so any folder may use it.
below='core/platform'
for folder in text settings audit history gate plugin; do
  check_layer "core/$folder" "host|engine|$below|core/$folder"
  below="$below|core/$folder"
done

folders=("$@")
[ $# -gt 0 ] || folders=(engine core companion)
cmake --preset lint >/dev/null
sources=()
while IFS= read -r path; do
  for folder in "${folders[@]}"; do
    [[ $path == "$PWD/$folder/"* ]] && sources+=("${path#"$PWD"/}")
  done
done < <(sed -n 's/^ *"file": "\(.*\)",\{0,1\}$/\1/p' build-lint/compile_commands.json | sort -u)
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
# Two files at a time, each one's output kept apart.
printf '%s\n' "${sources[@]}" | xargs -P 2 -I{} sh -c \
  'clang-tidy-14 --quiet -p build-lint "$1" >"$2/$(echo "$1" | tr / _).log" 2>&1 || echo "$1" >>"$2/failed"' \
  _ {} "$logs"
# A finding is "file check"; a header's is reported once, whichever file included it.
cat "$logs"/*.log | grep -E '^/[^:]+:[0-9]+:[0-9]+: (warning|error): .*\]$' | sed "s|^$PWD/||" | sort -u \
  >"$logs/findings" || true
if [ -s "$logs/findings" ]; then
  cat "$logs/findings"
  unknown=1
else
  unknown=0
fi
# A file that clang-tidy could not read at all has no finding to show: its output does.
if [ -f "$logs/failed" ]; then
  while IFS= read -r file; do
    log="$logs/$(echo "$file" | tr / _).log"
    grep -q -E '^/[^:]+:[0-9]+:[0-9]+: (warning|error): .*\]$' "$log" || { cat "$log"; unknown=1; }
  done <"$logs/failed"
fi
if [ $unknown = 1 ]; then
  echo "check-source.sh: clang-tidy findings above (.clang-tidy; NOLINT(check): why, where one is no fault)" >&2
  status=1
fi
exit $status
