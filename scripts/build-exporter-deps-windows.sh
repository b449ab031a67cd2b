#!/usr/bin/env bash
# Makes what q17_exporter.exe is built with, from Debian's own sources of the
# versions installed here: cpp-httplib (one header, with Debian's patches)
# and yaml-cpp (a static library cross-built with mingw-w64's -posix
# compilers), into a cache folder outside the checkout, as Qt's is. Does
# nothing when the cache already holds them. Prints the folder on its last line.
#
#   SETUPQ17_CACHE   cache folder (default ~/.cache/setupq17)
#   JOBS             parallel compile jobs (default: the processor count)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cache=${SETUPQ17_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/setupq17}
jobs=${JOBS:-$(nproc)}
prefix="$cache/exporter-deps-mingw64"

if [[ -f "$prefix/.complete" ]]; then
  echo "$prefix"
  exit 0
fi

sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
"$root/scripts/deps.sh" libcpp-httplib-dev libyaml-cpp-dev g++-mingw-w64-x86-64-posix dpkg-dev xz-utils patch

mkdir -p "$cache"
exec {lock}>"$cache/exporter-deps-mingw64.lock"
if ! flock -n "$lock"; then
  echo "build-exporter-deps-windows: another run is building them into $cache; waiting for it" >&2
  flock "$lock"
fi
if [[ -f "$prefix/.complete" ]]; then
  echo "$prefix"
  exit 0
fi

# apt-get source needs a deb-src entry for the suite the binaries came from.
if ! apt-get source --print-uris cpp-httplib >/dev/null 2>&1; then
  echo "build-exporter-deps-windows: adding a deb-src entry for Debian's sources" >&2
  $sudo tee /etc/apt/sources.list.d/setupq17-src.sources >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  $sudo apt-get update
fi

work="$cache/exporter-deps-src"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix/include" "$prefix/lib"
start=$(date +%s)

# A source package of the installed version, unpacked with Debian's patches applied.
unpack() {
  local source=$1 binary=$2
  local version
  version=$(dpkg-query -W -f='${source:Version}' "$binary")
  (cd "$work" && apt-get source --download-only "$source=$version" >/dev/null 2>&1)
  mkdir -p "$work/$source"
  tar -xJf "$(ls "$work/${source}_"*.orig.tar.xz | head -1)" -C "$work/$source" --strip-components=1
  tar -xJf "$(ls "$work/${source}_"*.debian.tar.xz | head -1)" -C "$work/$source"
  if [[ -f "$work/$source/debian/patches/series" ]]; then
    while read -r patch; do
      [[ -z $patch || $patch == \#* ]] && continue
      patch -d "$work/$source" -p1 -s <"$work/$source/debian/patches/$patch"
    done <"$work/$source/debian/patches/series"
  fi
}

unpack cpp-httplib libcpp-httplib-dev
# The header with everything in it (Debian's package splits it into a library).
cp "$work/cpp-httplib/httplib.h" "$prefix/include/"

unpack yaml-cpp libyaml-cpp-dev
cmake -S "$work/yaml-cpp" -B "$work/yaml-build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DYAML_BUILD_SHARED_LIBS=OFF -DYAML_CPP_BUILD_TESTS=OFF -DYAML_CPP_BUILD_TOOLS=OFF \
  -DYAML_CPP_BUILD_CONTRIB=OFF -DYAML_CPP_INSTALL=ON >"$work/yaml-configure.log" 2>&1 \
  || { tail -40 "$work/yaml-configure.log" >&2; exit 1; }
cmake --build "$work/yaml-build" --parallel "$jobs" >"$work/yaml-build.log" 2>&1 \
  || { tail -40 "$work/yaml-build.log" >&2; exit 1; }
cmake --install "$work/yaml-build" >"$work/yaml-install.log" 2>&1 \
  || { tail -40 "$work/yaml-install.log" >&2; exit 1; }
[[ -f "$prefix/lib/libyaml-cpp.a" ]] || { echo "build-exporter-deps-windows: no libyaml-cpp.a" >&2; exit 1; }
rm -rf "$work"
touch "$prefix/.complete"

elapsed=$(( $(date +%s) - start ))
echo "build-exporter-deps-windows: cpp-httplib and yaml-cpp for Windows made in $elapsed s" >&2
echo "$prefix"
