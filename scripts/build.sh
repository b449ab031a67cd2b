#!/usr/bin/env bash
# Configures and builds the program, the tools and the tests in build/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQ17_WERROR=ON -DQ17_BENCH=ON "$@" >/dev/null
cmake --build "$root/build" --parallel "${JOBS:-2}"
