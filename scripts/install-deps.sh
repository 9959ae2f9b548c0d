#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing, benchmarking and
# fuzzing Vantry need. A no-op when everything is present; refreshes the
# package index only when something is missing.
set -euo pipefail

packages=(
  # build
  build-essential cmake ninja-build make pkg-config git
  # libraries
  qt6-base-dev qt6-positioning-dev libgl-dev
  libproj-dev libsqlite3-dev libplist-dev libfmt-dev libssl-dev libboost-dev libpq-dev
  # tests, tools and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev libcpp-httplib-dev
  nlohmann-json3-dev rapidjson-dev
  # the game server's load benchmark: its peer and its driver
  nginx-light wrk
  # the shared players' database: the tests start a PostgreSQL server of their own
  postgresql
  proj-bin sqlite3
  # make run asks the public tile server whether it answers
  curl
  # the map window on a virtual X display (make check-x11)
  xvfb xauth xdotool imagemagick
  # installing and packaging: the manual pages' maker, the desktop's
  # validators, the service's checker, what CPack reads libraries with
  python3 desktop-file-utils appstream systemd file dpkg-dev
  # fuzzing and sanitizers
  clang libclang-rt-dev clang-format
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

if ((EUID == 0)); then
  sudo=()
else
  sudo=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
