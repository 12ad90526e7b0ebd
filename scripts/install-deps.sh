#!/usr/bin/env bash
# Installs the Debian 12 packages the Linux build, its tests and the host stand-in need.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

packages=(
  cmake ninja-build g++ pkg-config binutils
  libglew-dev libgl-dev libegl-dev libx11-dev libpng-dev
  libegl-mesa0 libgl1-mesa-dri xvfb
  googletest libgtest-dev libgmock-dev liblo-dev libbenchmark-dev
  clang libclang-rt-14-dev locales
)
"$here/cmake/apt-install-missing.sh" "${packages[@]}"
