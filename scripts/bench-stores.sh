#!/usr/bin/env bash
# The game server on each of its stores, driven by one load driver (wrk) in one run: one server on
# SQLite, one on PostgreSQL, and two on one PostgreSQL behind nginx (docs/examples/nginx-two-servers.conf),
# each flat out at 1000 keep-alive TLS connections and then with 1000 players paced at a request
# every 3 seconds. PostgreSQL is a cluster of the run's own (as the postgres user when run as root),
# with synchronous_commit off: like the SQLite store, it writes every commit to its log before the
# answer leaves but does not wait for the disk to flush it.
# Needs wrk, nginx-light and postgresql (scripts/install-deps.sh installs them).
set -euo pipefail
build=${1:?usage: bench-stores.sh BUILD_DIR}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
seconds=${VANTRY_HTTP_BENCH_SECONDS:-15}
bin=$(pg_config --bindir)
as_postgres=()
if ((EUID == 0)); then
  chown postgres "$work"
  as_postgres=(runuser -u postgres --)
fi
pids=()
stop_all() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  [[ -f "$work/nginx.pid" ]] && kill "$(cat "$work/nginx.pid")" 2>/dev/null || true
  "${as_postgres[@]}" "$bin/pg_ctl" -D "$work/cluster" -m fast -w stop >/dev/null 2>&1 || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap stop_all EXIT
ulimit -n 65536 2>/dev/null || ulimit -n "$(ulimit -Hn)"
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

pg_port=$(free_port)
"${as_postgres[@]}" "$bin/initdb" -D "$work/cluster" -A trust -U vantry -E UTF8 >/dev/null
"${as_postgres[@]}" "$bin/pg_ctl" -D "$work/cluster" -l "$work/postgres.log" -w \
  -o "-p $pg_port -k $work -c listen_addresses=127.0.0.1 -c synchronous_commit=off -c max_connections=200" \
  start >/dev/null
database="postgresql://vantry@127.0.0.1:$pg_port/postgres"

# Starts a server on a store; sets play_port and picture_port.
start_server() {
  local name=$1; shift
  mkdir -p "$work/$name"
  "$build/apps/vantry-server" --host 127.0.0.1 --play-port 0 --image-port 0 --data "$work/$name" --seed 1 \
    --fastest 1000000 --connections-per-address 20000 "$@" >"$work/$name.out" 2>"$work/$name.err" &
  pids+=($!)
  for _ in $(seq 100); do
    if grep -q '^listening on http://' "$work/$name.out"; then
      play_port=$(sed -n 's|^listening on https://127.0.0.1:||p' "$work/$name.out")
      picture_port=$(sed -n 's|^listening on http://127.0.0.1:||p' "$work/$name.out")
      return
    fi
    sleep 0.1
  done
  cat "$work/$name.err" >&2
  exit 1
}

# shellcheck source=scripts/wrk-players.sh
source "$root/scripts/wrk-players.sh"
both() {
  echo "  flat out: $(drive "$1" "$seconds" 0)"
  echo "  paced:    $(drive "$1" $((seconds * 2)) 3000)"
}

start_server sqlite
echo "== one server on SQLite"
both "$play_port"
kill "${pids[-1]}"

start_server pg-one --database "$database"
pg_one=$play_port
pictures_one=$picture_port
echo "== one server on PostgreSQL"
both "$pg_one"

# The second server shows the first one's certificate, which nginx checks against the first's authority.
start_server pg-two --database "$database" --cert "$work/pg-one/server.pem" --key "$work/pg-one/server-key.pem"
pg_two=$play_port
pictures_two=$picture_port
nginx_port=$(free_port)
sed -e "s|127.0.0.1:8443|127.0.0.1:$pg_one|; s|127.0.0.1:8444|127.0.0.1:$pg_two|" \
    -e "s|127.0.0.1:8080|127.0.0.1:$pictures_one|; s|127.0.0.1:8081|127.0.0.1:$pictures_two|" \
    -e "s|listen 443 ssl|listen 127.0.0.1:$nginx_port ssl|; s|listen 80;|listen 127.0.0.1:$(free_port);|" \
    -e "s|/etc/vantry/server.pem|$work/pg-one/server.pem|; s|/etc/vantry/server-key.pem|$work/pg-one/server-key.pem|" \
    -e "s|/etc/vantry/ca.pem|$work/pg-one/ca.pem|" \
    -e "s|keepalive 64;|keepalive 512;|; s|proxy_ssl_name play.example.org|proxy_ssl_name localhost|" \
    "$root/docs/examples/nginx-two-servers.conf" >"$work/nginx.conf"
echo "== two servers on one PostgreSQL behind nginx"
nginx -p "$work" -c "$work/nginx.conf" -g "pid $work/nginx.pid; error_log $work/nginx-error.log;"
both "$nginx_port"
