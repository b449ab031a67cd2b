#!/usr/bin/env bash
# Every test: the whole suite, the core once more under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Windows half under Wine (the core's unit
# tests and q17ctl.exe end to end, the installer, and the Windows program
# and its installer when Qt for Windows is in the cache), a short run of
# each fuzz target, and the Debian package built and checked.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${JOBS:-2}
fuzz_seconds=${FUZZ_SECONDS:-20}

step() { printf '\n== %s ==\n' "$*"; }

step "build"
"$root/scripts/build.sh"

step "tests"
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
(cd "$root/build" && ctest --output-on-failure --parallel "$jobs") | tee "$summary"

step "core, window and end-to-end tests under AddressSanitizer and UndefinedBehaviorSanitizer"
(cd "$root" && cmake --preset sanitizers >/dev/null)
# Every target of the tree: each new test program is covered without a list to keep.
cmake --build "$root/build-asan" --parallel "$jobs"
# glibc's locale cache outlives every program that loads a locale.
(cd "$root/build-asan" && LSAN_OPTIONS="suppressions=$root/tests/support/lsan.supp" \
  ctest --output-on-failure --parallel "$jobs" -L "core|e2e|ui")

step "Windows: cross build without warnings, unit tests and q17ctl.exe end to end under Wine"
windows=$(mktemp)
trap 'rm -f "$summary" "$windows"' EXIT
Q17SIM="$root/build/tools/q17sim/q17sim" "$root/scripts/check-windows.sh" >"$windows" 2>&1 \
  || { tail -60 "$windows"; echo "Windows tests failed"; exit 1; }
grep -E '^windows (e2e|tests):|tests passed, ' "$windows"

# The installer's logic on stand-in files: install, upgrade, association and
# uninstall, with or without Qt for Windows.
step "Windows installer under Wine"
msi=$(mktemp)
trap 'rm -f "$summary" "$windows" "$msi"' EXIT
"$root/scripts/windows-msi.sh" stand-in >"$msi" 2>&1 || { tail -60 "$msi"; echo "Windows installer tests failed"; exit 1; }
grep -E '^windows msi:' "$msi"

# The Windows program needs Qt for Windows, built once into the cache (far
# longer than a test run): without it, this stage only says so.
step "Windows program under Wine"
qt_cache=${SETUPQ17_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/setupq17}
if compgen -G "$qt_cache/qt-*-mingw64/.complete" >/dev/null; then
  "$root/scripts/build-windows.sh" >/dev/null
  "$root/scripts/windows-gui.sh" smoke
  # The program's own installer: installed, started, opened with a settings file.
  "$root/scripts/windows-msi.sh" program >>"$msi" 2>&1 || { tail -60 "$msi"; echo "Windows installer tests failed"; exit 1; }
  grep -E '^windows msi:' "$msi" | tail -1
else
  echo "Qt for Windows not in $qt_cache (scripts/build-windows.sh builds it once): Windows program not tested"
fi

step "fuzz targets (${fuzz_seconds}s each)"
(cd "$root" && cmake --preset fuzz >/dev/null)
cmake --build "$root/build-fuzz" --parallel "$jobs" --target fuzz_all
for target in "$root"/build-fuzz/fuzz/fuzz_*; do
  [[ -x "$target" ]] || continue
  name=$(basename "$target")
  corpus="$root/build-fuzz/corpus/$name"
  mkdir -p "$corpus"
  "$target" -max_total_time="$fuzz_seconds" -print_final_stats=0 "$corpus" "$root/fuzz/seeds/$name" 2>"$root/build-fuzz/$name.log" \
    || { tail -50 "$root/build-fuzz/$name.log"; echo "fuzz target $name failed"; exit 1; }
  echo "$name: $(grep -o 'Done [0-9]* runs' "$root/build-fuzz/$name.log" | tail -1)"
done

step "Debian package"
"$root/scripts/check-package.sh" "$root/build"

# One closing line for the whole run: the main suite, the Windows tests and the installer's.
total=$(grep -Eo 'tests failed out of [0-9]+' "$summary" | grep -Eo '[0-9]+$' | tail -1)
failed=$(grep -Eo '[0-9]+ tests failed out of' "$summary" | grep -Eo '^[0-9]+' | tail -1)
win_passed=$(sed -n 's/^windows tests: \([0-9]*\) passed, \([0-9]*\) failed$/\1/p' "$windows")
win_failed=$(sed -n 's/^windows tests: \([0-9]*\) passed, \([0-9]*\) failed$/\2/p' "$windows")
# Each run of the installer's checks (stand-in, and the program when built).
msi_passed=$(awk '/^windows msi: [0-9]+ passed, [0-9]+ failed$/ { n += $3 } END { print n + 0 }' "$msi")
msi_failed=$(awk '/^windows msi: [0-9]+ passed, [0-9]+ failed$/ { n += $5 } END { print n + 0 }' "$msi")
echo
echo "tests: $((total - failed + win_passed + msi_passed)) passed, $((failed + win_failed + msi_failed)) failed"
