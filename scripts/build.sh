#!/usr/bin/env bash
# Configures and builds the program, the tools and the tests in build/.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/deps.sh"
# The default preset of CMakePresets.json; arguments go to cmake.
(cd "$root" && cmake --preset default "$@" >/dev/null)
cmake --build "$root/build" --parallel "${JOBS:-2}"
