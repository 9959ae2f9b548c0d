# Sourced by the load benchmarks: 1000 players posting play requests through wrk.
# Needs $work, a folder of the run's own.

cat >"$work/players.lua" <<'LUA'
-- Each request plays for one of 1000 players; PACE (milliseconds) spaces a connection's requests.
local counter = 0
local pace = tonumber(os.getenv("PACE") or "0")
request = function()
  counter = counter + 1
  local body = 'data=["bench-' .. (counter % 1000) .. '",[[51.5074,-0.1278]]]'
  return wrk.format("POST", "/api/play", { ["Content-Type"] = "application/x-www-form-urlencoded" }, body)
end
if pace > 0 then
  delay = function() return pace end
end
LUA

# Prints "requests/s p50 p99" of one wrk run of 1000 keep-alive TLS connections against PORT for
# SECONDS, each connection waiting PACE milliseconds after each answer (0: flat out).
drive() {
  local port=$1 seconds=$2 pace=$3
  PACE=$pace wrk -t2 -c1000 -d"${seconds}s" --timeout 10s --latency -s "$work/players.lua" \
    "https://127.0.0.1:$port/api/play" >"$work/wrk.out" 2>&1 || true
  awk '/Requests\/sec/ { rate = $2 } /^ +50%/ { p50 = $2 } /^ +99%/ { p99 = $2 } /Non-2xx/ { bad = $NF }
       END { printf "%s requests/s, p50 %s, p99 %s%s\n", rate, p50, p99, bad ? ", non-2xx " bad : "" }' "$work/wrk.out"
}
