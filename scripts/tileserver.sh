# Sourced by the run scripts: starts vantry-tileserver from build folder $1
# on the loopback interface, logging into folder $2, stops it when the
# calling script exits and sets `tile_host` to its HOST:PORT.
start_tileserver() {
  local build=$1 logs=$2
  "$build/apps/vantry-tileserver" >"$logs/tileserver.out" 2>"$logs/tileserver.err" &
  tileserver_pid=$!
  trap 'kill "$tileserver_pid" 2>/dev/null || true; wait "$tileserver_pid" 2>/dev/null || true' EXIT
  tile_host=""
  for _ in $(seq 100); do
    tile_host=$(sed -n 's|^listening on http://||p' "$logs/tileserver.out" 2>/dev/null || true)
    [[ -n "$tile_host" ]] && return 0
    kill -0 "$tileserver_pid" 2>/dev/null || { cat "$logs/tileserver.err" >&2; return 1; }
    sleep 0.1
  done
  echo "the tile server did not start" >&2
  return 1
}
