#!/usr/bin/env bash
# The echo exchange through ser2net (raw and RFC 2217) beside the direct
# pseudo-terminal, each on its own q17sim, paced at 9600 baud and unpaced;
# and a survey of two buses at once beside the two one after the other.
# Not part of the test run: the figures depend on the machine.
# Usage: bench/run-serial-server-bench.sh [BUILD_DIR] [COUNT]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
count=${2:-200}
sim=$build/tools/q17sim/q17sim
ctl=$build/tools/q17ctl/q17ctl
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# Starts a q17sim with the given options; prints its pseudo-terminal.
start_sim() {
  local out=$work/sim.$RANDOM
  "$sim" --no-stdin "$@" >"$out" 2>/dev/null &
  pids+=($!)
  while [[ ! -s $out ]]; do sleep 0.05; done
  head -1 "$out"
}

run() {  # label, then q17ctl arguments
  local label=$1
  shift
  local t0 t1
  t0=$(date +%s.%N)
  local result
  result=$("$ctl" "$@" 2>&1 | tr '\n' ' ')
  t1=$(date +%s.%N)
  printf '%-28s %s wall=%.3fs\n' "$label" "$(grep -o 'ms_per_exchange=[0-9.]*' <<<"$result" || true)" \
    "$(echo "$t1 - $t0" | bc)"
}

for pace in 9600 0; do
  direct=$(start_sim --baud "$pace")
  rawpty=$(start_sim --baud "$pace")
  telpty=$(start_sim --baud "$pace")
  rawport=$(free_port)
  telport=$(free_port)
  cat >"$work/ser2net.yaml" <<YAML
connection: &raw
  accepter: tcp,127.0.0.1,$rawport
  connector: serialdev,$rawpty,9600n81,local
  options:
    chardelay: false
connection: &rfc2217
  accepter: telnet(rfc2217),tcp,127.0.0.1,$telport
  connector: serialdev,$telpty,9600n81,local
  options:
    chardelay: false
YAML
  ser2net -n -u -c "$work/ser2net.yaml" -P "$work/ser2net.pid" &
  s2n=$!
  pids+=($s2n)
  until ss -ltn | grep -q ":$telport "; do sleep 0.05; done
  echo "### echo-test --count $count --length 10, q17sim --baud $pace"
  SETUPQ17_PORTS=$direct run "direct pty" --port "$direct" echo-test --count "$count"
  run "ser2net raw" --port "tcp://127.0.0.1:$rawport" echo-test --count "$count"
  run "ser2net rfc2217" --port "rfc2217://127.0.0.1:$telport" echo-test --count "$count"
  if [[ $pace == 9600 ]]; then
    echo "### survey 1 3 over two buses"
    start=$(date +%s.%N)
    "$ctl" --port "tcp://127.0.0.1:$rawport" survey 1 3 >/dev/null
    "$ctl" --port "rfc2217://127.0.0.1:$telport" survey 1 3 >/dev/null
    mid=$(date +%s.%N)
    "$ctl" --port "tcp://127.0.0.1:$rawport" --port "rfc2217://127.0.0.1:$telport" survey 1 3 >/dev/null
    end=$(date +%s.%N)
    printf 'sequential=%.3fs at_once=%.3fs ratio=%.2f (goal <= 0.6)\n' "$(echo "$mid - $start" | bc)" \
      "$(echo "$end - $mid" | bc)" "$(echo "($end - $mid) / ($mid - $start)" | bc -l)"
  fi
  kill "$s2n"
  wait "$s2n" 2>/dev/null || true
done
