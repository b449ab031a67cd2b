#!/usr/bin/env bash
# The Windows half, tested under Wine: cross-builds q17core, the core's unit
# tests (GoogleTest from /usr/src/googletest) and q17ctl.exe with mingw-w64
# in build-win (any warning fails), runs the unit tests under Wine through
# ctest, then the end-to-end tests of q17ctl with q17ctl.exe in its place:
# the Linux test program (build/tests/e2e_tests, built when missing) starts
# q17sim on pseudo-terminals and runs q17ctl.exe through scripts/wine-ctl.sh,
# which maps each terminal to a COM port of the prefix. Headless, in a
# private Wine prefix inside build-win.
#
# Closing line: "windows tests: N passed, M failed" (unit and end-to-end
# tests together; a test that skips itself under Wine counts in neither);
# exit status 1 when any failed.
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
linux="$root/build"
[[ -f "$linux/build.ninja" ]] || (cd "$root" && cmake --preset default >/dev/null)
cmake --build "$linux" --parallel "$jobs" --target e2e_tests
# The suites that run q17ctl, against q17sim on a COM port or through
# ser2net on the loopback. Not LinkEndToEnd: it drives the Linux port code
# in its own process.
suites='^(Ctl[A-Za-z]*|SerialServer)EndToEnd\.'
(cd "$linux" && Q17CTL_LAUNCH="$root/scripts/wine-ctl.sh;$build" \
  ctest -R "$suites" --output-on-failure --parallel "$jobs") | tee "$e2e" || true

# Per stage: "N% tests passed, F tests failed out of T", and the skipped
# ones listed as "(Skipped)". A stage that ended without its summary counts
# as one failure.
count() {
  local total failed skipped
  total=$(grep -Eo 'tests failed out of [0-9]+' "$1" | grep -Eo '[0-9]+$' | tail -1)
  failed=$(grep -Eo '[0-9]+ tests failed out of' "$1" | grep -Eo '^[0-9]+' | tail -1)
  skipped=$(grep -c '(Skipped)$' "$1" || true)
  if [[ -z "$total" ]]; then
    echo "0 1"
  else
    echo "$((total - failed - skipped)) $failed"
  fi
}
read -r unit_passed unit_failed < <(count "$summary")
read -r e2e_passed e2e_failed < <(count "$e2e")
echo "windows e2e: $e2e_passed passed, $e2e_failed failed"

passed=$((unit_passed + e2e_passed))
failed=$((unit_failed + e2e_failed))
echo "windows tests: $passed passed, $failed failed"
((failed == 0))
