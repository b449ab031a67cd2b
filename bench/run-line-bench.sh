#!/usr/bin/env bash
# Builds the benchmarks in Release (build-bench/) and runs the line
# benchmarks against the simulator, then the link's CPU benchmarks.
# Arguments go to line_bench (see build-bench/bench/line_bench --help).
# Not part of the test run: the figures depend on the machine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-bench"

"$root/scripts/deps.sh"
(cd "$root" && cmake --preset release >/dev/null)
cmake --build "$build" --parallel "${JOBS:-2}" --target line_bench q17sim q17ctl link_bench settings_bench window_cpu_bench \
  fleet_survey_bench

echo "### line_bench"
status=0
"$build/bench/line_bench" "$@" || status=$?
echo
echo "### link_bench"
"$build/bench/link_bench"
echo
echo "### settings_bench"
"$build/bench/settings_bench"
echo
echo "### window_cpu_bench"
"$build/bench/window_cpu_bench" || status=$?
echo
echo "### fleet_survey_bench"
"$build/bench/fleet_survey_bench" || status=$?
exit "$status"
