#!/usr/bin/env bash
# The echo exchange under Wine against the echo exchange on Linux, in one
# run against one q17sim: q17ctl.exe through COM5 (mapped to q17sim's
# pseudo-terminal) and the Linux q17ctl on the pseudo-terminal itself, each
# `echo-test --count N --length 64`; prints both results and the ratio of
# the mean times (Wine / Linux). Not part of the test run: the figures
# depend on the machine.
#
# Usage: bench/run-wine-echo-bench.sh [count]   (default 500)
# Uses build-win (scripts/check-windows.sh) and build (scripts/build.sh).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
count=${1:-500}
win="$root/build-win"
ctl_exe="$win/tools/q17ctl/q17ctl.exe"
ctl="$root/build/tools/q17ctl/q17ctl"
sim="$root/build/tools/q17sim/q17sim"
for f in "$ctl_exe" "$ctl" "$sim"; do
  [[ -x "$f" || -f "$f" ]] || { echo "missing $f: run scripts/check-windows.sh first" >&2; exit 1; }
done

# shellcheck source=../scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
# shellcheck source=../scripts/sim-env.sh
source "$root/scripts/sim-env.sh"
q17_wine_prefix "$win"
trap 'q17_sim_stop; q17_wine_stop' EXIT
Q17_SIM_ERR=/dev/null q17_sim_start "$sim"
pty=$Q17_SIM_PTY
q17_wine_map_com 5 "$pty"

wine_out=$(q17_wine "$ctl_exe" --port COM5 echo-test --count "$count" --length 64 </dev/null | tr -d '\r')
linux_out=$(SETUPQ17_PORTS="$pty" "$ctl" --port "$pty" echo-test --count "$count" --length 64)
value() { sed -n "s/^$1=//p" <<<"$2"; }
echo "### Wine (q17ctl.exe, COM5)"
echo "$wine_out"
echo "### Linux (q17ctl, $pty)"
echo "$linux_out"
for v in ms_per_exchange p50_ms; do
  awk -v v="$v" -v w="$(value "$v" "$wine_out")" -v l="$(value "$v" "$linux_out")" \
    'BEGIN { printf "echo %s: Wine %.3f / Linux %.3f = %.1f\n", v, w, l, (l > 0 ? w / l : 0) }'
done
