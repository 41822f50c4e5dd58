#!/usr/bin/env bash
# The report of a long record, against its targets, in one run: made in at
# most twice the time replay takes over the same file, at most about 20 MB,
# in at most 200 MB of resident memory; and Chromium draws the page's first
# chart within 3 s of navigation start (median of 3 runs).
#   report-speed.sh [LINES]   (1,000,000 by default)
# Builds the devhost preset, installs GNU time and what the browser tests use,
# writes the record (scripts/busy-record.sh), and keeps it, the configuration
# replay reads and the page in build-devhost/report-speed/.
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-1000000}
devhost=build-devhost/bin/corvane-devhost
nice scripts/build.sh devhost >/dev/null
scripts/install-deps.sh browser >/dev/null
[ -x /usr/bin/time ] || apt-get install -y --no-install-recommends time >/dev/null
npm ci --prefix tests/report --no-audit --no-fund --silent
work=build-devhost/report-speed
mkdir -p "$work"
record=$work/CheatAudit.jsonl
page=$work/report.html
config=$work/config.json
echo '{"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.", "Sender": "Server"}, "Commands": {"fly": {"Cooldown": 20}}}' >"$config"
scripts/busy-record.sh "$lines" >"$record"

# Wall seconds and peak resident kilobytes of a command; replay exits 1 when
# outcomes would change, as they do here.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null || [ $? -eq 1 ]
  tail -n 1 "$work/time"
}
read -r replay_seconds replay_kb < <(measure "$devhost" replay "$record" --config "$config")
read -r report_seconds report_kb < <(measure "$devhost" report "$record" -o "$page")
awk -v lines="$lines" -v bytes="$(stat -c %s "$record")" -v page="$(stat -c %s "$page")" \
  -v replay="$replay_seconds" -v report="$report_seconds" -v replay_kb="$replay_kb" -v report_kb="$report_kb" 'BEGIN {
  printf "lines:  %d (%d MB)\n", lines, bytes / 1e6
  printf "replay: %.2f s, %d MB resident at most\n", replay, replay_kb / 1024
  printf "report: %.2f s, %d MB resident at most (at most 200); the page %.1f MB (about 20 at most)\n", report, report_kb / 1024, page / 1e6
  printf "ratio:  %.2f (report / replay; at most 2)\n", report / replay
}'
node tests/report/first-chart.js "$page" 3
