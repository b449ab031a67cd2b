#!/usr/bin/env bash
# Cross-builds Qt 6 qtbase (Core, Gui, Widgets, the windows platform plugin)
# for x86_64-w64-mingw32 from Debian's own qt6-base source, against Debian's
# host tools of the same version, into a cache folder outside the checkout.
# Does nothing when the cache already holds it; a second run while one is
# building waits for it. Prints the install folder on its last line.
#
#   SETUPQ17_CACHE   cache folder (default ~/.cache/setupq17)
#   JOBS             parallel compile jobs (default: the processor count)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${SETUPQ17_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/setupq17}
jobs=${JOBS:-$(nproc)}

sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi

# The host tools decide the version: the cross build must match them.
"$root/scripts/deps.sh" qt6-base-dev-tools g++-mingw-w64-x86-64-posix dpkg-dev xz-utils
version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools | sed 's/^[0-9]*://; s/[-+~].*//')
prefix="$cache/qt-$version-mingw64"

if [[ -f "$prefix/.complete" ]]; then
  echo "$prefix"
  exit 0
fi

# Two checkouts building at once would build into the same folders and wreck
# each other's build: one builds, the other waits and then takes its result.
# The system drops the lock when its holder ends, however it ends.
mkdir -p "$cache"
exec {lock}>"$cache/qt-$version-mingw64.lock"
if ! flock -n "$lock"; then
  echo "build-qt-windows: another run is building Qt $version for Windows into $cache; waiting for it" >&2
  flock "$lock"
fi
if [[ -f "$prefix/.complete" ]]; then
  echo "$prefix"
  exit 0
fi

# apt-get source needs a deb-src entry for the suite the binaries came from.
if ! apt-get source --print-uris qt6-base >/dev/null 2>&1; then
  echo "build-qt-windows: adding a deb-src entry for Debian's sources" >&2
  $sudo tee /etc/apt/sources.list.d/setupq17-src.sources >/dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  $sudo apt-get update
fi

work="$cache/qt-$version-src"
mkdir -p "$work"
start=$(date +%s)
if [[ ! -d "$work/qtbase" ]]; then
  (cd "$work" && apt-get source --download-only "qt6-base=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)")
  orig=$(ls "$work"/qt6-base_*.orig.tar.xz | head -1)
  mkdir -p "$work/qtbase.tmp"
  tar -xJf "$orig" -C "$work/qtbase.tmp" --strip-components=1
  mv "$work/qtbase.tmp" "$work/qtbase"
fi

echo "build-qt-windows: building Qt $version for Windows into $prefix (about 30 minutes on 2 cores)" >&2
rm -rf "$work/build"
cmake -S "$work/qtbase" -B "$work/build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DCMAKE_SYSTEM_NAME=Windows \
  -DCMAKE_C_COMPILER=x86_64-w64-mingw32-gcc-posix \
  -DCMAKE_CXX_COMPILER=x86_64-w64-mingw32-g++-posix \
  -DCMAKE_RC_COMPILER=x86_64-w64-mingw32-windres \
  -DCMAKE_FIND_ROOT_PATH=/usr/x86_64-w64-mingw32 \
  -DCMAKE_FIND_ROOT_PATH_MODE_PROGRAM=NEVER \
  -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
  -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY \
  -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DBUILD_SHARED_LIBS=ON \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
  -DFEATURE_opengl=OFF -DINPUT_opengl=no \
  -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF \
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF \
  -DFEATURE_testlib=ON -DFEATURE_tabletevent=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_system_doubleconversion=OFF \
  -DFEATURE_system_libpng=OFF -DFEATURE_system_libjpeg=OFF -DFEATURE_system_jpeg=OFF \
  -DFEATURE_system_png=OFF >"$work/configure.log" 2>&1 \
  || { tail -40 "$work/configure.log" >&2; exit 1; }
cmake --build "$work/build" --parallel "$jobs" >"$work/build.log" 2>&1 \
  || { tail -40 "$work/build.log" >&2; exit 1; }
cmake --install "$work/build" >"$work/install.log" 2>&1 \
  || { tail -40 "$work/install.log" >&2; exit 1; }
rm -rf "$work/build"
touch "$prefix/.complete"

elapsed=$(( $(date +%s) - start ))
echo "build-qt-windows: Qt $version for Windows built in $((elapsed / 60)) min $((elapsed % 60)) s, $(du -sh "$prefix" | cut -f1) installed" >&2
echo "$prefix"
