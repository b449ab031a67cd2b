#!/usr/bin/env bash
# Configures and builds the program, the tools and the tests in build/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/deps.sh"
# ccache keeps rebuilds of a fresh clone short; the build works without it.
launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQ17_WERROR=ON -DQ17_BENCH=ON "${launcher[@]}" "$@" >/dev/null
cmake --build "$root/build" --parallel "${JOBS:-2}"
