#!/usr/bin/env bash
# The report of a long record read from the cluster's table, against the
# report of the same record's file, in one run: the companion copies the
# record (scripts/busy-record.sh) to a MariaDB server started here on a data
# folder of its own, then both reports are timed with their peak resident
# memory, and their pages' data compared.
#   report-table-speed.sh [LINES]   (1,000,000 by default)
# Builds the devhost preset's dev host and companion, and installs GNU time
# and the MariaDB server; keeps the record and the pages in
# build-devhost/report-table-speed/.
set -euo pipefail
cd "$(dirname "$0")/.."
lines=${1:-1000000}
nice scripts/build.sh devhost --target corvane-devhost corvane-companion >/dev/null
scripts/install-deps.sh tests >/dev/null
[ -x /usr/bin/time ] || apt-get install -y --no-install-recommends time >/dev/null
bin=$PWD/build-devhost/bin
work=$PWD/build-devhost/report-table-speed
rm -rf "$work"
mkdir -p "$work/server"
server_pid=
trap '[ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null' EXIT

user=(); [ "$(id -u)" -eq 0 ] && user=(--user=root)
mariadb-install-db --no-defaults --datadir="$work/data" --auth-root-authentication-method=normal --skip-test-db \
  "${user[@]}" >"$work/install.log" 2>&1
socket=$work/mariadb.sock
port=$((20000 + RANDOM % 40000))
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((20000 + RANDOM % 40000)); done
mariadbd --no-defaults --datadir="$work/data" --socket="$socket" --port="$port" --bind-address=127.0.0.1 \
  --skip-name-resolve --innodb-buffer-pool-size=512M --log-error="$work/mariadb.log" "${user[@]}" >"$work/mariadbd.out" 2>&1 &
server_pid=$!
for _ in $(seq 100); do mariadb --no-defaults -S "$socket" -uroot -e 'SELECT 1' >/dev/null 2>&1 && break; sleep 0.1; done
mariadb --no-defaults -S "$socket" -uroot -e \
  "CREATE DATABASE corvane; CREATE USER corvane@'%' IDENTIFIED BY 'speed-pw'; GRANT ALL ON corvane.* TO corvane@'%'"

record=$work/server/CheatAudit.jsonl
scripts/busy-record.sh "$lines" >"$record"
cat >"$work/server/config.json" <<JSON
{"AuditLog": "CheatAudit.jsonl", "Commands": {"fly": {"Cooldown": 20}},
 "Cluster": {"Server": "server", "Database": {"Port": $port, "User": "corvane", "Name": "corvane",
   "PasswordEnv": "CORVANE_DB_PASSWORD"}}}
JSON
export CORVANE_DB_PASSWORD=speed-pw
start=$SECONDS
"$bin/corvane-companion" --until-idle "$work/server/config.json" >"$work/companion.log" 2>&1
copy_seconds=$((SECONDS - start))

# Wall seconds and peak resident kilobytes of a command.
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null
  tail -n 1 "$work/time"
}
read -r file_seconds file_kb < <(measure "$bin/corvane-devhost" report "$record" -o "$work/file.html")
read -r table_seconds table_kb < <(measure "$bin/corvane-devhost" report --cluster "$work/server/config.json" \
  -o "$work/table.html")
# The pages' data, but for the list of files or parts and the time they were made.
data() { sed -n 's/.*<script type="application\/json" id="report-data">\(.*\)<\/script>.*/\1/p' "$1" \
  | python3 -c 'import json, sys; d = json.load(sys.stdin); [d.pop(k) for k in ("files", "generated")]; print(json.dumps(d))'; }
same=no; [ "$(data "$work/file.html")" = "$(data "$work/table.html")" ] && same=yes
awk -v lines="$lines" -v copy="$copy_seconds" -v file="$file_seconds" -v table="$table_seconds" \
  -v file_kb="$file_kb" -v table_kb="$table_kb" -v same="$same" 'BEGIN {
  printf "lines:  %d, copied to the table in %d s\n", lines, copy
  printf "file:   %.2f s, %d MB resident at most\n", file, file_kb / 1024
  printf "table:  %.2f s, %d MB resident at most\n", table, table_kb / 1024
  printf "ratio:  %.2f (table / file); the same data: %s\n", table / file, same
}'
[ "$same" = yes ]
