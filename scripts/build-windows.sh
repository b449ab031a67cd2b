#!/usr/bin/env bash
# One command from a clean Debian 12 to the Windows program: Qt for Windows
# (built once into the cache, see build-qt-windows.sh), SetupQ17.exe,
# q17ctl.exe and q17_exporter.exe (its libraries from the same cache, see
# build-exporter-deps-windows.sh) cross-built in build-win-qt, then a folder that runs
# on a Windows PC with nothing else installed,
#   build-win/dist/SetupQ17/
# and build-win/dist/SetupQ17-<version>-win64.zip of it, and beside it the
# installer of the same files, build-win/dist/SetupQ17-<version>-win64.msi
# (scripts/make-msi.sh). The probe that scripts/windows-gui.sh drives goes
# beside it into build-win/probe/, never into the folder, the zip or the
# installer.
#
#   SETUPQ17_CACHE   where Qt for Windows is kept (default ~/.cache/setupq17)
#   JOBS             parallel compile jobs (default 2)
# Prints the zip's path on its last line.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${JOBS:-2}
# build-win itself is the plain compile check's build folder: the programs
# are built beside it and only the result goes under it.
build="$root/build-win-qt"
dist_root="$root/build-win/dist"
dist="$dist_root/SetupQ17"

"$root/scripts/deps.sh" g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
qt=$(JOBS=$jobs "$root/scripts/build-qt-windows.sh" | tail -n 1)
[[ -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ]] || { echo "build-windows: no Qt for Windows in '$qt'" >&2; exit 1; }
# cpp-httplib and yaml-cpp for q17_exporter.exe, from Debian's sources as Qt is.
JOBS=$jobs "$root/scripts/build-exporter-deps-windows.sh" >/dev/null

mkdir -p "$build"
# The windows-qt preset (build-win-qt) against this Qt.
(cd "$root" && Q17_QT_WINDOWS=$qt cmake --preset windows-qt) >"$build/configure.log" 2>&1 \
  || { tail -40 "$build/configure.log" >&2; exit 1; }
grep -q 'Qt 6 Widgets not found' "$build/configure.log" \
  && { echo "build-windows: the build did not find Qt for Windows in $qt, see $build/configure.log" >&2; exit 1; }
cmake --build "$build" --parallel "$jobs" --target SetupQ17 SetupQ17Probe q17ctl q17_exporter

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
# The folder and the zip are the install rules' (packaging/windows/Folder.cmake):
# the programs, Qt's plugins and the DLLs they import, stripped.
# strip writes a time stamp into each file's header: one, the last commit's,
# so the folder, the zip and the installer hold the same bytes.
SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$root" log -1 --format=%ct 2>/dev/null || date +%s)}
export SOURCE_DATE_EPOCH
rm -rf "$dist"
cmake --install "$build" --strip --prefix "$dist" >"$build/install.log" || { cat "$build/install.log" >&2; exit 1; }

# The shipped programs carry no test hook.
hooked=$(grep -l -a -r SETUPQ17_BENCH "$dist" || true)
[[ -z "$hooked" ]] || { echo "build-windows: the test hook is in $hooked" >&2; exit 1; }
probe="$root/build-win/probe"
rm -rf "$probe"
cp -r "$dist" "$probe"
cp "$build/src/app/SetupQ17Probe.exe" "$probe/"

zip="$dist_root/SetupQ17-$version-win64.zip"
rm -f "$zip"
(cd "$build" && cpack -G ZIP -B "$build/package" >"$build/package.log") || { cat "$build/package.log" >&2; exit 1; }
mv "$build/package/$(basename "$zip")" "$zip"

msi="$dist_root/SetupQ17-$version-win64.msi"
rm -f "$msi"
"$root/scripts/make-msi.sh" "$dist" "$version" "$msi"
echo "build-windows: $(find "$dist" -type f | wc -l) files, $(du -sh "$dist" | cut -f1) in $dist; zip $(du -h "$zip" | cut -f1), msi $(du -h "$msi" | cut -f1)" >&2
echo "$zip"
