#!/usr/bin/env bash
# The Windows half, tested under Wine: cross-builds q17core, the core's unit
# tests (GoogleTest from /usr/src/googletest) and q17ctl.exe with mingw-w64
# in build-win (any warning fails), runs the unit tests under Wine through
# ctest, then q17ctl.exe end to end against q17sim on a pseudo-terminal
# mapped to COM5. Headless, in a private Wine prefix inside build-win.
#
# Closing line: "windows tests: N passed, M failed" (unit tests and
# end-to-end checks together); exit status 1 when any failed.
#
# q17sim is the Linux program: $Q17SIM, or build/tools/q17sim/q17sim (built
# when missing).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-win"
jobs=${JOBS:-2}

"$root/scripts/deps.sh"

log=$(mktemp)
summary=$(mktemp)
e2e=$(mktemp)
# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"
cleanup() {
  q17_wine_stop
  rm -f "$log" "$summary" "$e2e"
}
trap cleanup EXIT

# Fails the run when the step's output carries a warning, even one that
# -Werror does not cover (CMake, the linker, the archiver).
check_log() {
  if grep -Eiq '(^|[^a-z])warning([: ]|$)' "$log"; then
    echo "check-windows: warnings in $1:" >&2
    grep -Ei '(^|[^a-z])warning([: ]|$)' "$log" >&2
    exit 1
  fi
}

# The prefix first: the build runs each test program once under Wine to
# list its tests.
q17_wine_prefix "$build"

# The windows preset: build-win, the mingw-w64 toolchain, the tests run
# through scripts/wine-env.sh.
(cd "$root" && cmake --preset windows) 2>&1 | tee "$log"
check_log "configure"

cmake --build "$build" --parallel "$jobs" 2>&1 | tee "$log"
check_log "build"

echo "== unit tests under Wine =="
(cd "$build" && ctest --output-on-failure --parallel "$jobs") | tee "$summary" || true

echo "== q17ctl.exe end to end under Wine =="
sim=${Q17SIM:-$root/build/tools/q17sim/q17sim}
if [[ ! -x "$sim" ]]; then
  (cd "$root" && cmake --preset default >/dev/null)
  cmake --build "$root/build" --parallel "$jobs" --target q17sim
fi
"$root/scripts/windows-e2e.sh" "$build" "$sim" | tee "$e2e" || true

unit_total=$(grep -Eo 'tests failed out of [0-9]+' "$summary" | grep -Eo '[0-9]+$' | tail -1)
unit_failed=$(grep -Eo '[0-9]+ tests failed out of' "$summary" | grep -Eo '^[0-9]+' | tail -1)
e2e_passed=$(sed -n 's/^windows e2e: \([0-9]*\) passed, \([0-9]*\) failed$/\1/p' "$e2e")
e2e_failed=$(sed -n 's/^windows e2e: \([0-9]*\) passed, \([0-9]*\) failed$/\2/p' "$e2e")
# A stage that ended without its closing line counts as one failure.
if [[ -z "$unit_total" ]]; then unit_total=1 unit_failed=1; fi
if [[ -z "$e2e_passed" ]]; then e2e_passed=0 e2e_failed=1; fi

passed=$((unit_total - unit_failed + e2e_passed))
failed=$((unit_failed + e2e_failed))
echo "windows tests: $passed passed, $failed failed"
((failed == 0))
