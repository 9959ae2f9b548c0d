#!/usr/bin/env bash
# What `make run` starts: the map window on central London over the loopback
# tile server when there is a display ($DISPLAY or $WAYLAND_DISPLAY, and
# usable), otherwise a map snapshot drawn from the same server (no internet
# needed either way). The tile database and response cache go to a folder
# in the build tree, so the generated tiles never mix with real ones in the
# user's own cache. The folder is named by its absolute path: the program
# ignores relative XDG folders (and would then use the user's own).
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$build/run"
run=$(cd "$build/run" && pwd)
export XDG_DATA_HOME="$run/data" XDG_CACHE_HOME="$run/cache"

source "$root/scripts/tileserver.sh"
start_tileserver "$build" "$run"

# vantry-map exits 5 when it finds no display it can open a window on.
no_display=5
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
  status=0
  "$build/apps/vantry-map" --center 51.5007,-0.1246 --zoom 15 --tile-host "$tile_host" \
    --marker 51.5007,-0.1246 --marker 51.5033,-0.1196 || status=$?
  ((status == no_display)) || exit "$status"
  echo "run: the display cannot be opened; drawing a snapshot instead" >&2
fi

"$build/apps/vantry-map" snapshot --center 51.5007,-0.1246 --zoom 15.5 --size 1024x768 \
  --out "$run/snapshot.png" --tile-host "$tile_host" \
  --marker "51.5007,-0.1246,$root/resources/marker.png" \
  --marker "51.5033,-0.1196,$root/resources/marker.png"
echo "map snapshot: $run/snapshot.png"
