#!/usr/bin/env bash
# Runs every benchmark program of a benchmark build and prints its table.
set -euo pipefail
build=${1:?usage: bench.sh BUILD_DIR}
shopt -s nullglob
for program in "$build"/bench/bench_*; do
  [[ -x "$program" && -f "$program" ]] || continue
  echo "== $(basename "$program")"
  "$program" --benchmark_counters_tabular=true
done
# The game server over the network beside nginx (needs the programs of the build).
if [[ -x "$build/apps/vantry-server" ]]; then
  echo "== vantry-server beside nginx"
  "$(dirname "$0")/bench-http.sh" "$build"
  echo "== vantry-server on SQLite, on PostgreSQL, and two on PostgreSQL behind nginx"
  "$(dirname "$0")/bench-stores.sh" "$build"
fi
