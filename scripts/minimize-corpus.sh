#!/usr/bin/env bash
# Shrinks the seed corpora in fuzz/corpus/ to the inputs that reach code no
# smaller input reaches: minimize-corpus.sh [target...] (all three by default).
# Run it after adding the inputs a fuzz run found. Hit counts are left out of
# the merge (-use_counters=0): with them nearly every input counts as new and
# the corpus hardly shrinks, while a short fuzz run finds most of them again.
set -euo pipefail
cd "$(dirname "$0")/.."
targets=("$@")
[ $# -gt 0 ] || targets=(fuzz_chat fuzz_strings fuzz_config fuzz_audit)

scripts/build.sh sanitize --target "${targets[@]}"

export UBSAN_OPTIONS=print_stacktrace=1
# Files, and cov and ft as libFuzzer counts them when it loads the folder.
figures() {
  echo "$(find "$2" -type f | wc -l) files, $(build-sanitize/bin/"$1" -runs=0 "$2" 2>&1 |
    sed -n 's/.*INITED cov: \([0-9]*\) ft: \([0-9]*\).*/cov \1, ft \2/p')"
}

merged=$(mktemp -d "$PWD/build-sanitize/merge.XXXXXX")
trap 'rm -rf "$merged" "$merged.log"' EXIT
for target in "${targets[@]}"; do
  corpus=fuzz/corpus/$target
  before=$(figures "$target" "$corpus")
  rm -rf "${merged:?}"/*
  if ! build-sanitize/bin/"$target" -merge=1 -use_counters=0 "$merged" "$corpus" >"$merged.log" 2>&1; then
    tail -n 20 "$merged.log"
    exit 1
  fi
  find "$corpus" -type f -delete
  mv "$merged"/* "$corpus"/
  echo "$target: before $before; after $(figures "$target" "$corpus")"
done
