#!/usr/bin/env bash
# Builds the libFuzzer targets (Clang, under AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs all of them at once, each for a bounded
# time on a copy of its seed corpus. Inputs that break something are kept in
# build-sanitize/runs/<target>/findings.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${CORVANE_FUZZ_SECONDS:-60}
targets=(fuzz_chat fuzz_strings fuzz_config fuzz_audit)

scripts/build.sh sanitize --target "${targets[@]}"

export UBSAN_OPTIONS=print_stacktrace=1
runs=build-sanitize/runs
rm -rf "$runs"
declare -A pids
for target in "${targets[@]}"; do
  mkdir -p "$runs/$target/corpus" "$runs/$target/findings"
  cp fuzz/corpus/"$target"/* "$runs/$target/corpus/"
  # Leaks are looked for after every input only where no leak is the target's
  # invariant; the others are checked once at exit, which is many times faster.
  leaks=0
  [ "$target" = fuzz_config ] || [ "$target" = fuzz_audit ] && leaks=1
  build-sanitize/bin/"$target" -max_total_time="$seconds" -timeout=10 -detect_leaks=$leaks \
    -artifact_prefix="$runs/$target/findings/" "$runs/$target/corpus" >"$runs/$target/log" 2>&1 &
  pids[$target]=$!
done

# The runs at INITED are the seed corpus; a target whose budget ran out there
# (a clock that moved under libFuzzer, say) fuzzed nothing.
runs_at() { grep -m1 -E "^#[0-9]+[[:space:]]+$1" "$2" | grep -o -E '^#[0-9]+'; }

failed=0
for target in "${targets[@]}"; do
  log="$runs/$target/log"
  if wait "${pids[$target]}"; then
    if [ "$(runs_at INITED "$log")" = "$(runs_at DONE "$log")" ]; then
      failed=1
      echo "$target: FAILED; it ran its seeds and nothing more: $(grep -m1 '^Done' "$log")"
      continue
    fi
    echo "$target: $(grep -m1 '^Done' "$log"), nothing found"
  else
    failed=1
    echo "$target: FAILED; the input is in $runs/$target/findings:"
    ls "$runs/$target/findings"
    grep -E -m5 "invariant broken|ERROR|runtime error|SUMMARY" "$log" || tail -n 20 "$log"
  fi
done
exit $failed
