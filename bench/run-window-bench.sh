#!/usr/bin/env bash
# The program's start, measured offscreen in a Release build:
#   - time from the start of main to the main window's first exposure, and
#     the whole process from exec to that moment (target: under 0.5 s);
#   - resident memory at that moment (target: under 60 MB);
#   - processor time while it sits idle with a port open (target: about 0),
#     the port being the simulated reader on a pseudo-terminal.
# Usage: bench/run-window-bench.sh [runs] [idle seconds]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
runs=${1:-5}
idle=${2:-10}
build="$root/build-bench"
"$root/scripts/deps.sh" >/dev/null
(cd "$root" && cmake --preset release >/dev/null)
cmake --build "$build" --parallel "${JOBS:-2}" --target SetupQ17Probe q17sim >/dev/null
# The probe: the program with the hook that reports these figures.
gui="$build/src/app/SetupQ17Probe"
sim="$build/tools/q17sim/q17sim"
export QT_QPA_PLATFORM=offscreen

# shellcheck source=../scripts/sim-env.sh
source "$root/scripts/sim-env.sh"
trap q17_sim_stop EXIT
q17_sim_start "$sim" --no-stdin
export SETUPQ17_PORTS="$Q17_SIM_PTY"

echo "start to main window shown, $runs runs:"
for i in $(seq "$runs"); do
  t0=$(date +%s%N)
  figures=$(SETUPQ17_BENCH_EXIT=1 "$gui" 2>/dev/null)
  t1=$(date +%s%N)
  main_ms=$(awk '/^startup_ms/ {print $2}' <<<"$figures")
  rss_kb=$(awk '/^rss_kb/ {print $2}' <<<"$figures")
  # The process total includes its exit; it bounds the time to the window from above.
  printf '  run %d: main→shown %s ms, exec→exit %d ms, resident %.1f MB\n' "$i" "$main_ms" $(((t1 - t0) / 1000000)) \
    "$(awk -v k="$rss_kb" 'BEGIN {print k / 1024}')"
done

echo "idle with the port open for ${idle} s:"
figures=$(SETUPQ17_BENCH_EXIT="idle:$idle" "$gui" 2>/dev/null)
sed -n 's/^port /  /p' <<<"$figures"
awk '/^idle_cpu_ms/ {printf "  processor time %s ms (%.3f %% of one core)\n", $2, $2 / ('"$idle"' * 10)}' <<<"$figures"
