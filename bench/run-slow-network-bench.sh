#!/usr/bin/env bash
# q17ctl behind network serial servers that misbehave as a slow network
# does (bench/SlowServer.cpp on the loopback): how long one exchange takes
# when the line never goes quiet (a byte every 10 ms, and every 60 ms),
# and echo-test behind a relay whose replies lag 80 ms and 300 ms, in
# front of q17sim at 9600 baud: how many exchanges count good, and the
# fastest of them, which must not beat the lag.
# Not part of the test run: the figures depend on the machine.
# Usage: bench/run-slow-network-bench.sh [BUILD_DIR] [Q17CTL]
#   Q17CTL: another q17ctl to measure the same way (an older build).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
ctl=${2:-$build/tools/q17ctl/q17ctl}
sim=$build/tools/q17sim/q17sim
server=$build/bench/slow_server
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

start() {  # a program and its arguments; prints its first line
  local out=$work/out.$RANDOM
  "$@" >"$out" 2>/dev/null &
  pids+=($!)
  while [[ ! -s $out ]]; do sleep 0.05; done
  head -1 "$out"
}

echo "### one exchange (q17ctl version) behind a line that never goes quiet"
for period in 10 60; do
  port=$(start "$server" trickle "$period")
  # The exchange alone: from its request to its result, as --trace times them.
  trace=$("$ctl" --port "tcp://127.0.0.1:$port" --trace - version 2>&1 || true)
  tx=$(grep -m1 -P '\tTX\t' <<<"$trace" | cut -f1)
  end=$(grep -P '\tERR\t' <<<"$trace" | tail -1 | cut -f1)
  printf 'a byte every %2d ms: exchange=%.3fs result=%s\n' "$period" "$(echo "$end - $tx" | bc)" \
    "$(tail -1 <<<"$trace")"
done

echo "### echo-test --count 30 behind a relay that lags, q17sim at 9600 baud"
for lag in 80 300; do
  pty=$(start "$sim" --no-stdin --baud 9600)
  port=$(start "$server" lag "$lag" "$pty")
  result=$("$ctl" --port "tcp://127.0.0.1:$port" echo-test --count 30 2>&1 | tr '\n' ' ' || true)
  printf 'lag %3d ms: %s\n' "$lag" "$result"
done
