#!/usr/bin/env bash
# What `make run` starts: a whole game that plays itself, with no internet
# needed. vantry-server runs on the loopback interface (its data in the
# build tree), tiles come from the public OpenStreetMap server when it
# answers within a few seconds and from the loopback tile server otherwise,
# and vantry plays with the simulated walker at five times walking speed.
# With a display the game window plays until it is closed; without one the
# game plays headless for a while, prints each change of score and level and
# writes a picture of the screen. Every folder is named by its absolute path:
# the programs ignore relative XDG folders (and would then use the user's own).
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$build/run"
run=$(cd "$build/run" && pwd)
build=$(cd "$build" && pwd)
export XDG_DATA_HOME="$run/data" XDG_CACHE_HOME="$run/cache" TMPDIR="$run/tmp"
mkdir -p "$TMPDIR"
headless_seconds=${VANTRY_RUN_SECONDS:-90}

pids=()
stop_all() {
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
trap stop_all EXIT

# The game server, on ports of its own choosing.
"$build/apps/vantry-server" --host 127.0.0.1 --play-port 0 --image-port 0 --data "$run/server" \
  >"$run/server.out" 2>"$run/server.err" &
pids+=($!)
play_port="" image_port=""
for _ in $(seq 100); do
  play_port=$(sed -n 's|^listening on https://127.0.0.1:||p' "$run/server.out" 2>/dev/null || true)
  image_port=$(sed -n 's|^listening on http://127.0.0.1:||p' "$run/server.out" 2>/dev/null || true)
  [[ -n "$play_port" && -n "$image_port" ]] && break
  kill -0 "${pids[0]}" 2>/dev/null || { cat "$run/server.err" >&2; exit 1; }
  sleep 0.1
done
[[ -n "$play_port" && -n "$image_port" ]] || { echo "run: the game server did not start" >&2; exit 1; }
echo "run: game server on https://127.0.0.1:$play_port (pictures on port $image_port)"

# The public tile server if it answers (with our User-Agent, as its usage
# policy asks), else generated tiles from the loopback one.
tile_options=()
if curl -sf --max-time 4 -o /dev/null -A "Vantry/0.1 (+https://vantry.app)" \
  https://tile.openstreetmap.org/0/0/0.png 2>/dev/null; then
  echo "run: map tiles from tile.openstreetmap.org"
else
  source "$root/scripts/tileserver.sh"
  start_tileserver "$build" "$run"
  pids+=("$tileserver_pid")
  trap stop_all EXIT
  tile_options=(--tile-host "$tile_host")
  echo "run: tile.openstreetmap.org cannot be reached; map tiles from the loopback tile server ($tile_host)"
fi

game=("$build/apps/vantry" --position walker --speed 5 --server 127.0.0.1 --play-port "$play_port"
  --image-port "$image_port" --ca-file "$run/server/ca.pem" --player-key "walker-$(date +%s)" --report "${tile_options[@]}")

# vantry exits 5 when it finds no display it can open a window on.
no_display=5
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  echo "run: the walker plays in the game window; close it to stop"
  status=0
  "${game[@]}" 2>"$run/vantry.log" || status=$?
  ((status == no_display)) || exit "$status"
  echo "run: the display cannot be opened; playing without one" >&2
fi

echo "run: playing for $headless_seconds seconds without a display"
"${game[@]}" --screenshot "$run/game.png" --after "$headless_seconds" 2>"$run/vantry.log"
echo "run: the game screen at the end: $run/game.png (the game's log: $run/vantry.log)"
