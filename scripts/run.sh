#!/usr/bin/env bash
# Builds what is needed and runs the program.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/build.sh" >/dev/null
exec "$root/build/tools/q17ctl/q17ctl" ports
