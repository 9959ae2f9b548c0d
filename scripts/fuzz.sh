#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for the given number of seconds,
# starting from a scratch copy of its seed corpus. Fails on the first crash.
set -euo pipefail
build=${1:?usage: fuzz.sh BUILD_DIR SECONDS}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)
artifacts="$root/fuzz/artifacts"
mkdir -p "$artifacts"

shopt -s nullglob
targets=("$build"/fuzz/fuzz_*)
if ((${#targets[@]} == 0)); then
  echo "fuzz.sh: no fuzz targets in $build/fuzz" >&2
  exit 1
fi

for target in "${targets[@]}"; do
  [[ -x "$target" && -f "$target" ]] || continue
  name=$(basename "$target")
  corpus=$(mktemp -d)
  if [[ -d "$root/fuzz/corpus/$name" ]]; then
    cp -r "$root/fuzz/corpus/$name/." "$corpus/"
  fi
  echo "== $name for ${seconds}s"
  log="$corpus.log"
  status=0
  "$target" "$corpus" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$artifacts/$name-" >"$log" 2>&1 || status=$?
  tail -n 12 "$log"
  rm -rf "$corpus" "$log"
  if ((status != 0)); then
    echo "fuzz.sh: $name failed; the input is in $artifacts" >&2
    exit "$status"
  fi
done
