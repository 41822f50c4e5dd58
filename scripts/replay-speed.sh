#!/usr/bin/env bash
# How fast `corvane-devhost replay` reads an audit record, against jq reading
# the same file: replay must take no longer than `jq -c . FILE > /dev/null`.
#   replay-speed.sh [LINES]   (1,000,000 by default)
# Builds the devhost preset (the program run.sh builds), installs jq and GNU
# time if they are missing, and writes the record with awk in a few seconds:
# the mix of lines a busy server writes, in the plugin's own form, a thousand
# players, one second passing every three lines. Then it times both in this
# one run and prints their ratio, and the most memory each took. The record
# and the configuration lie in build-devhost/replay-speed/.
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

awk -v lines="$lines" 'BEGIN {
  srand(17)
  for (i = 0; i < lines; i++) {
    t = int(i / 3)  # seconds since 2026-12-01T00:00:00Z
    time = sprintf("2026-12-%02dT%02d:%02d:%02dZ", 1 + int(t / 86400), int(t / 3600) % 24, int(t / 60) % 60, t % 60)
    p = int(rand() * 1000)
    who = sprintf("\"time\":\"%s\",\"steamId\":\"7656119800000%04d\",\"character\":\"player %d\"", time, p, p)
    r = rand()
    if (r < 0.30) {
      print "{" who ",\"command\":\"fly\",\"permission\":\"Cheat.fly\",\"outcome\":\"granted\"}"
    } else if (r < 0.45) {
      printf "{%s,\"command\":\"giveitem Pickaxe %d 0 0\",\"permission\":\"Cheat.giveitem\",\"outcome\":\"granted\"}\n", who, 1 + int(rand() * 100)
    } else if (r < 0.55) {
      print "{" who ",\"command\":\"fly\",\"permission\":\"Cheat.fly\",\"asked\":[{\"permission\":\"Corvane.NoCooldown\",\"held\":false}],\"outcome\":\"cooldown\"}"
    } else if (r < 0.65) {
      print "{" who ",\"command\":\"wrap god\",\"permission\":\"Cheat.wrap\",\"outcome\":\"granted\"}"
    } else if (r < 0.78) {
      print "{" who ",\"command\":\"spawn wolf 3\",\"permission\":\"Cheat.spawn\",\"outcome\":\"refused\"}"
    } else if (r < 0.86) {
      print "{" who ",\"command\":\"quit\",\"outcome\":\"denied\"}"
    } else if (r < 0.90) {
      print "{" who ",\"command\":\"fly | god\",\"outcome\":\"rejected\"}"
    } else if (r < 0.98) {
      print "{" who ",\"command\":\"slomo 5\",\"permission\":\"Cheat.slomo\",\"outcome\":\"granted\"}"
    } else if (r < 0.99) {
      print "{" who ",\"action\":\"reload\",\"permission\":\"Corvane.Reload\",\"outcome\":\"reloaded\"}"
    } else {
      print "{" who ",\"command\":\"fly\",\"permission\":\"Cheat.fly\",\"outcome\":\"failed\",\"error\":\"No current game mode\"}"
    }
  }
}' >"$record"

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
