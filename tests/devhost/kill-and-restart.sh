#!/usr/bin/env bash
# The dev host as a real process, killed with SIGKILL after some granted uses
# and started again on the same server directory: the grants, the cooldowns,
# the use limits and their tiers still hold, and every line of the audit file
# is valid JSON.
#
#   kill-and-restart.sh <corvane-devhost>
set -euo pipefail
devhost=$1
work=$(mktemp -d)
trap 'kill -9 "${pid:-0}" 2>/dev/null || true; rm -rf "$work"' EXIT
server=$work/server
mkdir -p "$server/Velkor/Plugins/Corvane"
cat >"$server/Velkor/Plugins/Corvane/config.json" <<'JSON'
{"PrintToChat": false, "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.", "Sender": "Server"},
 "AuditLog": "CheatAudit.jsonl", "Commands": {"fly": {"Cooldown": 3600}, "god": {"Cooldown": 3600},
   "giveitem": {"MaxUses": {"Count": 2, "Per": 3600}, "Tiers": [{"Permission": "Group.Donor", "MaxUses": {"Count": 3}}]}}}
JSON
audit=$server/Velkor/Plugins/Corvane/CheatAudit.jsonl
joins="join alice 76561198000000001
join bob 76561198000000002"
players="$joins
grant alice Cheat.fly
grant alice Cheat.god
grant alice Cheat.giveitem
grant bob Cheat.fly
grant bob Cheat.giveitem
grant bob Group.Donor"

# The first run reads its script from a pipe that stays open: it waits for
# more until it is killed.
mkfifo "$work/script"
"$devhost" --server-dir "$server" - <"$work/script" >"$work/first.out" 2>&1 &
pid=$!
exec 3>"$work/script"
printf '%s\nsay alice /cheat fly\nsay alice /cheat god\nsay bob /cheat walk\n' "$players" >&3
for who in alice bob; do
  printf 'say %s /cheat giveitem 1\nsay %s /cheat giveitem 2\n' "$who" "$who" >&3
done
for _ in $(seq 100); do
  [ -f "$audit" ] && [ "$(wc -l <"$audit")" -ge 7 ] && break
  sleep 0.1
done
kill -9 "$pid"
wait "$pid" 2>/dev/null || true
exec 3>&-

# Nothing granted again: the permissions plugin's store in the server directory has it all.
printf '%s\nsay alice /cheat fly\nsay alice /cheat god\nsay bob /cheat fly\nsay alice /cheat giveitem 3\nsay bob /cheat giveitem 3\nsay bob /cheat giveitem 4\n' "$joins" |
  "$devhost" --server-dir "$server" - >"$work/second.out" 2>&1

# 3600 s left, or 3601 s: the record's whole-second times never shorten a
# cooldown, and the words round the minutes up.
fail() { echo "kill-and-restart: $1"; echo "--- first run"; cat "$work/first.out"; echo "--- second run"; cat "$work/second.out"; exit 1; }
grep -Eq "chat -> alice from Server: You can use fly again in 1 hour( 1 minute)?\\." "$work/second.out" ||
  fail "alice's cooldown on fly did not survive the kill"
grep -Eq "chat -> alice from Server: You can use god again in 1 hour( 1 minute)?\\." "$work/second.out" ||
  fail "alice's cooldown on god did not survive the kill"
grep -q "console bob: fly" "$work/second.out" || fail "bob, who had run nothing, was held back"
grep -q "chat -> alice from Server: giveitem is limited to 2 uses in 1 hour: you can use it again in 1 hour." \
  "$work/second.out" || fail "alice's use limit on giveitem did not survive the kill"
grep -q "console bob: giveitem 3" "$work/second.out" || fail "bob's tier did not let his third use through"
grep -q '"command":"giveitem 4".*"outcome":"limit"' "$work/second.out" || fail "bob's uses did not survive the kill"
cmake -DFILE="$audit" -P "$(dirname "$0")/JsonLines.cmake" || fail "an audit line is not valid JSON"
echo "kill-and-restart: grants, cooldowns, use limits and tiers held across SIGKILL; $(grep -c . "$audit") audit lines, all valid JSON"
