#!/usr/bin/env bash
# What `make check-x11` runs: opens vantry-map on a virtual X display (Xvfb)
# over the loopback tile server, drags the map with the mouse (xdotool),
# holds still, lifts, and checks with ImageMagick that the screen after the
# drag is the screen before moved by exactly the drag. Both screenshots stay
# in BUILD/x11-check.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
out="$build/x11-check"

if [[ -z "${VANTRY_UNDER_XVFB:-}" ]]; then
  mkdir -p "$out"
  exec env VANTRY_UNDER_XVFB=1 xvfb-run -a -s "-screen 0 800x600x24" "$0" "$build"
fi

# Absolute: the program ignores relative XDG folders (and would then use
# the user's own).
out=$(cd "$out" && pwd)
export XDG_DATA_HOME="$out/data" XDG_CACHE_HOME="$out/cache"
source "$root/scripts/tileserver.sh"
start_tileserver "$build" "$out"

"$build/apps/vantry-map" --center 51.5007,-0.1246 --zoom 15 --size 800x600 --tile-host "$tile_host" \
  --marker 51.5007,-0.1246 2>"$out/vantry-map.err" &
map=$!
trap 'kill "$map" "$tileserver_pid" 2>/dev/null || true; wait 2>/dev/null || true' EXIT
xdotool search --sync --onlyvisible --pid "$map" >/dev/null

differing_pixels() { # IMAGE CROP IMAGE CROP
  compare -metric AE \( "$1" -crop "$2" +repage \) \( "$3" -crop "$4" +repage \) null: 2>&1 || true
}

# Screenshots until two in a row agree and show more than a blank window:
# every tile has arrived and the map has stopped.
settled_screen() {
  local file=$1
  import -window root "$file"
  for _ in $(seq 40); do
    sleep 0.25
    import -window root "$out/latest.png"
    if [[ $(differing_pixels "$file" 800x600+0+0 "$out/latest.png" 800x600+0+0) == 0 \
      && $(identify -format %k "$file") -gt 1 ]]; then
      rm "$out/latest.png"
      return 0
    fi
    mv "$out/latest.png" "$file"
  done
  echo "x11-check: the window did not settle" >&2
  return 1
}

settled_screen "$out/before.png"

# Drag by (-100, -50) away from the marker in the centre, then rest long
# enough that lifting is no flick.
xdotool mousemove 600 400 mousedown 1
for step in $(seq 10); do
  xdotool mousemove $((600 - 10 * step)) $((400 - 5 * step))
  sleep 0.03
done
sleep 0.3
xdotool mouseup 1

settled_screen "$out/after.png"

# What was at (x, y) before is at (x - 100, y - 50) now; the attribution in
# the bottom-right corner stays put, so compare the area above and left of it.
moved=$(differing_pixels "$out/before.png" 600x450+100+50 "$out/after.png" 600x450+0+0)
unmoved=$(differing_pixels "$out/before.png" 600x450+100+50 "$out/after.png" 600x450+100+50)
echo "x11-check: screenshots in $out; pixels differing from the drag's expectation: $moved" \
  "(the unmoved map would differ in $unmoved)"
if [[ $moved != 0 || $unmoved == 0 ]]; then
  echo "x11-check: the map did not move with the drag" >&2
  exit 1
fi
echo "x11-check: the map moved by exactly the drag"
