#!/usr/bin/env bash
# What `make run` starts: a map snapshot of central London drawn from the
# loopback tile server (no display and no internet needed). The tile
# database and response cache go to a folder in the build tree, so the
# generated tiles never mix with real ones in the user's own cache.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
run="$build/run"
mkdir -p "$run"
export XDG_DATA_HOME="$run/data" XDG_CACHE_HOME="$run/cache"

"$build/apps/vantry-tileserver" >"$run/tileserver.out" 2>"$run/tileserver.err" &
server=$!
trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT

host=""
for _ in $(seq 100); do
  host=$(sed -n 's|^listening on http://||p' "$run/tileserver.out")
  [[ -n "$host" ]] && break
  kill -0 "$server" 2>/dev/null || { cat "$run/tileserver.err" >&2; exit 1; }
  sleep 0.1
done
[[ -n "$host" ]] || { echo "run: the tile server did not start" >&2; exit 1; }

"$build/apps/vantry-map" snapshot --center 51.5007,-0.1246 --zoom 15.5 --size 1024x768 \
  --out "$run/snapshot.png" --tile-host "$host" \
  --marker "51.5007,-0.1246,$root/resources/marker.png" \
  --marker "51.5033,-0.1196,$root/resources/marker.png"
echo "map snapshot: $(cd "$run" && pwd)/snapshot.png"
