#!/usr/bin/env bash
# Builds q17_exporter, q17sim and q17ctl in Release (build-bench/) and
# measures the exporter: a probe of 30 readers at 9600 baud beside q17ctl
# survey, 50 buses behind ser2net probed at once, and its memory over 10,000
# probes. Arguments (line, buses, memory) pick parts. Not part of the test
# run: the figures depend on the machine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-bench"

"$root/scripts/deps.sh"
(cd "$root" && cmake --preset release >/dev/null)
cmake --build "$build" --parallel "${JOBS:-2}" --target exporter_bench q17sim q17ctl q17_exporter
"$build/bench/exporter_bench" "$@"
