#!/usr/bin/env bash
# Renders every window and page offscreen into PNG files under
# build/screenshots, so the program can be looked at without a desktop:
# the window tests' pictures, then the program itself against q17sim's
# demonstration reader in each language it speaks (program-ru/,
# program-en/). Fonts come from Debian's fonts-dejavu-core, so the pictures
# match on every machine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/deps.sh"
if [[ ! -f "$root/build/build.ninja" ]]; then
  (cd "$root" && cmake --preset default >/dev/null)
fi
out="$root/build/screenshots"
rm -rf "$out"
mkdir -p "$out"

# Every window-test program under tests/ui.
mapfile -t targets < <(cd "$root/build" && ctest -N -L ui | sed -n 's/^ *Test *#[0-9]*: *//p')
if ((${#targets[@]} == 0)); then
  cmake --build "$root/build" --parallel "${JOBS:-2}" --target main_window_tests
  mapfile -t targets < <(cd "$root/build" && ctest -N -L ui | sed -n 's/^ *Test *#[0-9]*: *//p')
fi
cmake --build "$root/build" --parallel "${JOBS:-2}" --target "${targets[@]}"

export QT_QPA_PLATFORM=offscreen SETUPQ17_SCREENSHOTS="$out"
export QT_QPA_FONTDIR=/usr/share/fonts/truetype/dejavu
for t in "${targets[@]}"; do
  bin=$(find "$root/build/tests/ui" -type f -name "$t" -perm -u+x | head -n 1)
  [[ -n "$bin" ]] || { echo "screenshots: $t not built" >&2; exit 1; }
  "$bin" -silent >/dev/null
done

# The program itself, in each language, through the probe's shots mode,
# each against a fresh demonstration reader (the audit takes its events).
cmake --build "$root/build" --parallel "${JOBS:-2}" --target SetupQ17Probe q17sim
# shellcheck source=sim-env.sh
source "$root/scripts/sim-env.sh"
config=$(mktemp -d)
trap 'q17_sim_stop; rm -rf "$config"' EXIT
for lang in ru en; do
  Q17_SIM_ERR=/dev/null q17_sim_start "$root/build/tools/q17sim/q17sim" --no-stdin --script "$root/tools/q17sim/demo.sim"
  # A settings folder of its own: the user's chosen language and ports stay out.
  if ! XDG_CONFIG_HOME=$config SETUPQ17_PORTS=$Q17_SIM_PTY SETUPQ17_BENCH_PORT=$Q17_SIM_PTY \
    SETUPQ17_BENCH_EXIT="shots:$out/program-$lang" \
    timeout 300 "$root/build/src/app/SetupQ17Probe" --lang "$lang" >"$config/shots.out" 2>&1; then
    cat "$config/shots.out" >&2
    echo "screenshots: the program's pictures in $lang failed" >&2
    exit 1
  fi
  q17_sim_stop
done

echo "screenshots: $(find "$out" -name '*.png' | wc -l) pictures in $out"

# The Windows program as Wine draws it, where scripts/build-windows.sh made it.
if [[ -f "$root/build-win/probe/SetupQ17Probe.exe" ]]; then
  "$root/scripts/windows-gui.sh" shots
fi
