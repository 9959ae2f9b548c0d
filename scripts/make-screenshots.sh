#!/usr/bin/env bash
# The store screenshots in resources/screenshots, taken by the game itself
# (`vantry --screenshot`) in the whole game `make run` plays: coins.png early
# on, princess.png once the walker hunts the first princess. Both at 2 pixels
# per point, as a phone shows the game, and headless even with a display. Map tiles come from
# tile.openstreetmap.org when it answers, else from the loopback tile server.
# Run from a built tree and commit the results.
set -euo pipefail
build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$root/resources/screenshots"
take() {
  env -u DISPLAY -u WAYLAND_DISPLAY QT_SCALE_FACTOR=2 VANTRY_RUN_SECONDS="$2" "$root/scripts/run.sh" "$build"
  cp "$build/run/game.png" "$root/resources/screenshots/$1.png"
}
take coins 25
take princess 80
