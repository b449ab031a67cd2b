#!/usr/bin/env bash
# Renders every window and page offscreen into PNG files under
# build/screenshots, so the program can be looked at without a desktop.
# Fonts come from Debian's fonts-dejavu-core, so the pictures match on every machine.
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
echo "screenshots: $(find "$out" -name '*.png' | wc -l) pictures in $out"

# The Windows program as Wine draws it, where scripts/build-windows.sh made it.
if [[ -f "$root/build-win/probe/SetupQ17Probe.exe" ]]; then
  "$root/scripts/windows-gui.sh" shots
fi
