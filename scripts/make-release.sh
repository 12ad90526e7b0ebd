#!/usr/bin/env bash
# Builds the Linux plug-in (release preset, without the tests) and the Windows DLL
# (windows-release preset), installs both with the README into one folder and packs it as
# build/release-pkg/VendrolixPro-<version>.zip. Root on Debian 12; installs what is missing.
# CMake writes the zip itself, so no zip program is needed.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
readonly repo_root
cd "$repo_root" # the presets are found from here
readonly linux_build=build/release-pkg
readonly windows_build=build/windows-release

version=$(sed -n 's/^project(VendrolixPro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[[ -n $version ]] || { echo "make-release: no project version in CMakeLists.txt" >&2; exit 1; }
readonly name=VendrolixPro-$version
readonly stage=$repo_root/$linux_build/stage
readonly archive=$repo_root/$linux_build/$name.zip

scripts/install-deps.sh
cmake/build-glew-mingw.sh

cmake --preset release -B "$linux_build" -DVDRX_BUILD_TESTS=OFF >/dev/null
cmake --build "$linux_build" -j2
cmake --preset windows-release >/dev/null
cmake --build --preset windows-release -j2 --target VendrolixPro

rm -rf "$stage" "$archive"
cmake --install "$linux_build" --prefix "$stage/$name" --strip
cmake --install "$windows_build" --prefix "$stage/$name" --strip
(cd "$stage" && cmake -E tar cf "$archive" --format=zip "$name")
echo "$archive:"
(cd "$stage" && find "$name" -type f | LC_ALL=C sort)
