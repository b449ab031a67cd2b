#!/usr/bin/env bash
# Builds what is needed and runs the program.
#   ./scripts/run.sh            with a display: SetupQ17 against the simulated reader
#                               (tools/q17sim/demo.sim on a pseudo-terminal);
#                               without one: a q17ctl tour of the simulated reader
#   ./scripts/run.sh --no-sim   with a display: SetupQ17 against the real adapters and ports;
#                               without one: q17ctl [arguments] (default: ports)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/build.sh" >/dev/null
ctl="$root/build/tools/q17ctl/q17ctl"
sim="$root/build/tools/q17sim/q17sim"
gui="$root/build/src/app/SetupQ17"

display=0
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then display=1; fi

if [[ "${1:-}" == "--no-sim" ]]; then
  shift
  if ((display)); then exec "$gui"; fi
  echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): running q17ctl instead of the window."
  if (($# == 0)); then set -- ports; fi
  exec "$ctl" "$@"
fi

# shellcheck source=sim-env.sh
source "$root/scripts/sim-env.sh"
trap q17_sim_stop EXIT
q17_sim_start "$sim" --no-stdin --script "$root/tools/q17sim/demo.sim"
pty=$Q17_SIM_PTY
export SETUPQ17_PORTS="$pty"
echo "Simulated reader on $pty"

if ((display)); then
  # Not exec: the trap must stop the simulator when the window closes.
  "$gui"
  exit
fi

echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): a q17ctl tour instead of the window."
for cmd in "ports" "scan 1 10" "version" "read-config"; do
  echo "\$ q17ctl $cmd"
  # shellcheck disable=SC2086
  if [[ $cmd == ports ]]; then "$ctl" ports; else "$ctl" --port "$pty" $cmd; fi || true
done
