#!/usr/bin/env bash
# The Windows companion under Wine against a real MariaDB server on 127.0.0.1
# (Debian's, started here on its own data folder and a free port): it copies
# an audit file to the table, fills the feed with another server's granted
# use without doubling it at a restart, and over TLS its check refuses a
# certificate that another CA signed, never falling back to a connection it
# did not verify (and accepts this script's own CA's as far as Wine lets it:
# below). The Windows dev host's report reads the same table.
#   wine-companion.sh COMPANION_EXE DEVHOST_EXE EMULATOR...
set -euo pipefail
companion=$(realpath "$1"); shift
devhost=$(realpath "$1"); shift
emulator=("$@")
work=$(mktemp -d /tmp/corvane-wine-companion.XXXXXX)
server_pid=
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "wine-companion.sh: $*" >&2
  for log in "$work"/*.log; do [ "${log##*/}" = openssl.log ] || { echo "== $log"; tail -20 "$log"; }; done >&2
  exit 1
}

# A CA of this test's own, a server certificate for 127.0.0.1 it signed, and another CA.
cd "$work"
echo "subjectAltName = IP:127.0.0.1" >san.cnf
for ca in good other; do
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Test CA $ca" -keyout $ca-ca.key -out $ca-ca.pem \
    >>openssl.log 2>&1
done
openssl req -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -keyout server.key -out server.csr >>openssl.log 2>&1
openssl x509 -req -in server.csr -CA good-ca.pem -CAkey good-ca.key -CAcreateserial -days 2 -extfile san.cnf \
  -out server.pem >>openssl.log 2>&1

user=(); [ "$(id -u)" -eq 0 ] && user=(--user=root)
mariadb-install-db --no-defaults --datadir="$work/data" --auth-root-authentication-method=normal --skip-test-db \
  "${user[@]}" >install.log 2>&1 || fail "mariadb-install-db failed"
# A port nothing answers on.
port=$((20000 + RANDOM % 40000))
while (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; do port=$((20000 + RANDOM % 40000)); done
socket=$work/mariadb.sock
mariadbd --no-defaults --datadir="$work/data" --socket="$socket" --port="$port" --bind-address=127.0.0.1 \
  --skip-name-resolve --log-error="$work/mariadb.log" --ssl-cert="$work/server.pem" --ssl-key="$work/server.key" --ssl-ca="$work/good-ca.pem" \
  "${user[@]}" &
server_pid=$!
for _ in $(seq 100); do mariadb --no-defaults -S "$socket" -uroot -e 'SELECT 1' >/dev/null 2>&1 && break; sleep 0.1; done
sql() { mariadb --no-defaults -S "$socket" -uroot -N -e "$1"; }
sql "CREATE DATABASE corvane; CREATE USER corvane@'%' IDENTIFIED BY 'wine-pw'; GRANT ALL ON corvane.* TO corvane@'%'" \
  || fail "MariaDB did not start"

mkdir plugin
config() {
  cat >plugin/config.json <<JSON
{"AuditLog": "CheatAudit.jsonl", "Commands": {"giveitem": {"Cooldown": 300}},
 "Cluster": {"Server": "wine", "Database": {"Host": "127.0.0.1", "Port": $port, "User": "corvane", "Name": "corvane",
   "PasswordEnv": "CORVANE_DB_PASSWORD"$1}}}
JSON
}
now=$(date -u +%Y-%m-%dT%H:%M:%SZ)
for i in 1 2 3; do
  echo "{\"time\":\"$now\",\"server\":\"wine\",\"steamId\":\"7656119800000000$i\",\"command\":\"giveitem $i\",\"outcome\":\"granted\"}"
done >plugin/CheatAudit.jsonl
run() { (cd plugin && CORVANE_DB_PASSWORD=wine-pw WINEDEBUG=-all "${emulator[@]}" "$companion" "$@"); }

config ""
run --until-idle config.json >companion.log 2>&1 || fail "the companion failed"
[ "$(sql "SELECT COUNT(*) FROM corvane.corvane_audit WHERE server = 'wine'")" = 3 ] || fail "not every line copied"
sql "INSERT INTO corvane.corvane_audit (server, instance, seq, time, outcome, line) VALUES ('other', REPEAT('f', 32), 1,
  UTC_TIMESTAMP(), 'granted', '{\"time\":\"$now\",\"server\":\"other\",\"steamId\":\"9\",\"command\":\"fly\",\"outcome\":\"granted\"}')"
run --until-idle config.json >>companion.log 2>&1 || fail "the companion failed"
grep -q '"server":"other"' plugin/CheatFeed.jsonl || fail "the feed lacks the other server's use"
run --until-idle config.json >>companion.log 2>&1 || fail "the companion failed"
[ "$(grep -c '"server":"other"' plugin/CheatFeed.jsonl)" = 1 ] || fail "a restart doubled a feed line"
(cd plugin && CORVANE_DB_PASSWORD=wine-pw WINEDEBUG=-all "${emulator[@]}" "$devhost" report --cluster config.json \
  -o report.html) >report.log 2>&1 || fail "the dev host's report of the table failed"
grep -q "4 lines read (0 invalid, 0 outside the time range), 2 servers" report.log \
  || fail "the report of the table lacks lines"
grep -q '"servers":\["other","wine"\]' plugin/report.html || fail "the report's page lacks the servers"

# Connector/C checks the certificate through Schannel with a chain engine
# whose only root is the CA given; Wine 8 does not make such an engine
# (CertCreateCertificateChainEngine: invalid parameter), so under Wine the
# handshake is made and the check stops there. On Windows it goes on.
config ', "Tls": {"CA": "../good-ca.pem"}'
if run --check config.json >check-tls.log 2>&1; then
  grep -q "Connection: encrypted" check-tls.log || fail "not encrypted"
else
  grep -q "CertCreateCertificateChainEngine failed" check-tls.log || fail "the check over TLS failed"
  echo "wine-companion.sh: Wine can't verify against a CA of its own: TLS tested up to the certificate's check"
fi
config ', "Tls": {"CA": "../other-ca.pem"}'
if run --check config.json >check-other.log 2>&1; then fail "another CA's certificate was accepted"; fi
grep -q "The encrypted connection to 127.0.0.1" check-other.log || fail "the refused certificate is not named"
if grep -q wine-pw ./*.log; then fail "the password was shown"; fi
echo "wine-companion.sh: copied, fed and reported under Wine; over TLS, no connection it could not verify"
