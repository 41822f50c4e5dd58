#!/usr/bin/env bash
# The instructions of one granted use with a cooldown, whole (bench/UseInstructions.cpp),
# counted by callgrind, against the count committed in bench/use-instructions.baseline:
# the use may cost at most 1.05 times the baseline.
#   use-instructions.sh            build the bench preset's program, count, compare
#   use-instructions.sh --record   ... and write the count as the new baseline
# Counts do not move with the machine's load, so one run says it.
set -euo pipefail
cd "$(dirname "$0")/.."
baseline_file=bench/use-instructions.baseline
program=build-bench/bin/bench_use_instructions
[ -d build-bench ] || cmake --preset bench >/dev/null
nice cmake --build --preset bench --target bench_use_instructions >/dev/null
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
valgrind --tool=callgrind --collect-atstart=no \
  --toggle-collect='*OneUse*' --callgrind-out-file="$out/callgrind.out" "$program" >"$out/log" 2>&1 || {
  cat "$out/log"; exit 1; }
uses=$(sed -n 's/^\([0-9]*\) uses counted.*/\1/p' "$out/log")
total=$(sed -n 's/^summary: *\([0-9]*\)$/\1/p' "$out/callgrind.out")
per_use=$((total / uses))
if [ "${1:-}" = --record ]; then
  echo "$per_use" >"$baseline_file"
fi
baseline=$(cat "$baseline_file")
awk -v now="$per_use" -v base="$baseline" 'BEGIN {
  ratio = now / base
  printf "a granted use with a cooldown: %d instructions, baseline %d, ratio %.3f (at most 1.05: %s)\n",
    now, base, ratio, ratio <= 1.05 ? "met" : "missed"
  exit ratio <= 1.05 ? 0 : 1 }'
