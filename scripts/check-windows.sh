#!/usr/bin/env bash
# Compile-checks the Windows build (q17core, and q17ctl when it exists) with
# mingw-w64 in build-win. Fails on any error and on any warning.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-win"
jobs=${JOBS:-2}

if ! command -v x86_64-w64-mingw32-g++ >/dev/null 2>&1; then
  echo "x86_64-w64-mingw32-g++ not found: installing g++-mingw-w64-x86-64" >&2
  apt-get update && apt-get install -y g++-mingw-w64-x86-64
fi

# The tools folder may not have its CMakeLists yet; configure without it then.
tools=OFF
if [[ -f "$root/tools/q17ctl/CMakeLists.txt" ]]; then tools=ON; fi

log=$(mktemp)
trap 'rm -f "$log"' EXIT

# Fails the run when the step's output carries a warning, even one that
# -Werror does not cover (CMake, the linker, the archiver).
check_log() {
  if grep -Eiq '(^|[^a-z])warning([: ]|$)' "$log"; then
    echo "check-windows: warnings in $1:" >&2
    grep -Ei '(^|[^a-z])warning([: ]|$)' "$log" >&2
    exit 1
  fi
}

cmake -S "$root" -B "$build" \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DQ17_TESTS=OFF -DQ17_BENCH=OFF -DQ17_FUZZ=OFF -DQ17_WERROR=ON -DQ17_TOOLS="$tools" \
  2>&1 | tee "$log"
check_log "configure"

targets=(q17core)
# Every generator lists the project's targets here, one folder each.
if grep -Eq '/q17ctl\.dir$' "$build/CMakeFiles/TargetDirectories.txt" 2>/dev/null; then
  targets+=(q17ctl)
fi

cmake --build "$build" --parallel "$jobs" --target "${targets[@]}" 2>&1 | tee "$log"
check_log "build"

echo "check-windows: built ${targets[*]} for Windows without warnings"
