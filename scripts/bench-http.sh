#!/usr/bin/env bash
# The game server beside nginx, both over TLS on loopback and driven by one
# load driver (wrk) in one run: flat out at 1000 keep-alive connections, then
# 1000 players paced at a request every 3 seconds each, then the same players
# while hostile clients (5000 idle and 60 slow connections, from other loopback
# addresses, reopened as soon as closed) hold connections open. nginx serves
# a static answer of the size of ours, with the server's own certificate.
# Needs nginx-light and wrk (scripts/install-deps.sh installs them).
set -euo pipefail
build=${1:?usage: bench-http.sh BUILD_DIR}
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
flat_seconds=${VANTRY_HTTP_BENCH_SECONDS:-15}
paced_seconds=$((flat_seconds * 2))
pids=()
stop_all() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap stop_all EXIT
ulimit -n 65536 2>/dev/null || ulimit -n "$(ulimit -Hn)"

"$build/apps/vantry-server" --host 127.0.0.1 --play-port 0 --image-port 0 --data "$work/server" --seed 1 \
  --fastest 1000000 --connections-per-address 2000 >"$work/server.out" 2>"$work/server.err" &
pids+=($!)
ours=""
for _ in $(seq 100); do
  ours=$(sed -n 's|^listening on https://127.0.0.1:||p' "$work/server.out")
  [[ -n "$ours" ]] && break
  sleep 0.1
done
[[ -n "$ours" ]] || { cat "$work/server.err" >&2; exit 1; }

body='data=["bench-0",[[51.5074,-0.1278]]]'
answer=$(curl -sk -X POST --data "$body" "https://127.0.0.1:$ours/api/play")
nginx_port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
cat >"$work/nginx.conf" <<CONF
worker_processes auto;
pid $work/nginx.pid;
error_log $work/nginx-error.log;
events { worker_connections 16384; }
http {
  access_log off;
  keepalive_requests 1000000;
  keepalive_timeout 60s;
  server {
    listen 127.0.0.1:$nginx_port ssl;
    ssl_certificate $work/server/server.pem;
    ssl_certificate_key $work/server/server-key.pem;
    ssl_protocols TLSv1.2 TLSv1.3;
    location /api/play {
      default_type application/json;
      return 200 '$answer';
    }
  }
}
CONF
nginx -p "$work" -c "$work/nginx.conf" -g 'daemon off;' &
pids+=($!)
sleep 1

# shellcheck source=scripts/wrk-players.sh
source "$root/scripts/wrk-players.sh"

echo "== flat out, 1000 keep-alive connections, ${flat_seconds} s each"
echo "vantry-server: $(drive "$ours" "$flat_seconds" 0)"
echo "nginx:         $(drive "$nginx_port" "$flat_seconds" 0)"
echo "== 1000 players, a request every 3 s each, ${paced_seconds} s each"
echo "vantry-server: $(drive "$ours" "$paced_seconds" 3000)"
echo "nginx:         $(drive "$nginx_port" "$paced_seconds" 3000)"
echo "== the same players beside 5000 idle and 60 slow hostile connections"
python3 "$root/scripts/hostile-clients.py" "$ours" --idle 5000 --slow 60 --seconds $((paced_seconds + 10)) &
pids+=($!)
sleep 5
echo "vantry-server: $(drive "$ours" "$paced_seconds" 3000)"
