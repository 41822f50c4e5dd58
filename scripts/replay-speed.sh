#!/usr/bin/env bash
# How fast `corvane-devhost replay` reads an audit record, against jq reading
# the same file: replay must take no longer than `jq -c . FILE > /dev/null`.
#   replay-speed.sh [LINES]   (1,000,000 by default)
# Builds the devhost preset (the program run.sh builds), installs jq and GNU
# time if they are missing, and writes the record (scripts/busy-record.sh) in
# a few seconds. Then it times both in this one run and prints their ratio,
# and the most memory each took. The record and the configuration lie in
# build-devhost/replay-speed/.
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-1000000}
devhost=build-devhost/bin/corvane-devhost
nice scripts/build.sh devhost >/dev/null
if ! command -v jq >/dev/null || [ ! -x /usr/bin/time ]; then
  apt-get update >/dev/null && apt-get install -y --no-install-recommends jq time >/dev/null
fi
work=build-devhost/replay-speed
mkdir -p "$work"
record=$work/CheatAudit.jsonl
config=$work/config.json

# A configuration that changes some of what the record holds: a shorter
# cooldown on fly, argument rules on giveitem, a deny list with god on it.
cat >"$config" <<'EOF'
{"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.", "Sender": "Server"},
 "Deny": ["quit", "god"], "Wrappers": ["wrap"],
 "Commands": {"fly": {"Cooldown": 20}, "giveitem": {"MaxArguments": 2, "Arguments": [{"Allow": ["Pick*", "Rope"]}, {"Min": 1, "Max": 50}]}}}
EOF

scripts/busy-record.sh "$lines" >"$record"

# Wall seconds and peak resident kilobytes of a command; replay exits 1 when
# outcomes would change, as they do here.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null || [ $? -eq 1 ]
  tail -n 1 "$work/time"  # after a line that tells of a non-zero status
}
read -r jq_seconds jq_kb < <(measure jq -c . "$record")
read -r replay_seconds replay_kb < <(measure "$devhost" replay "$record" --config "$config")
awk -v lines="$lines" -v bytes="$(stat -c %s "$record")" -v jq="$jq_seconds" -v replay="$replay_seconds" \
  -v jq_kb="$jq_kb" -v replay_kb="$replay_kb" 'BEGIN {
  printf "lines: %d (%d MB)\n", lines, bytes / 1e6
  printf "jq -c .: %.2f s, %d MB resident at most\n", jq, jq_kb / 1024
  printf "replay:  %.2f s, %d MB resident at most\n", replay, replay_kb / 1024
  printf "ratio:   %.2f (replay / jq; at most 1)\n", replay / jq
}'
