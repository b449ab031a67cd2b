#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need.
# Only what is missing is installed, so a prepared machine starts at once.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libftdi1-dev libusb-1.0-0-dev libudev-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64
  wine wine64
  qt6-base-dev qt6-base-dev-tools libgl-dev fonts-dejavu-core
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
  desktop-file-utils shared-mime-info xdg-utils
  wixl msitools
  libcanberra-dev
  ccache
  ser2net
  libcpp-httplib-dev libyaml-cpp-dev prometheus
  locales
)
packages+=("$@")

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "deps: installing ${missing[*]}"
  sudo=""
  if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
fi
