#!/usr/bin/env bash
# Builds GLEW as a static library for x86_64 Windows from Debian's own glew source package
# (cmake/fetch-glew-source.sh), since Debian ships no mingw build of it. Runs as root on Debian:
# it installs what it needs.
#
# Usage: cmake/build-glew-mingw.sh [PREFIX]   (default: build/third_party/glew-mingw)
# PREFIX receives include/GL, lib/libglew32s.a, lib/cmake/glew/glew-config.cmake and GLEW's
# licence, LICENSE.txt, which the release archive's notices quote.
set -euo pipefail

readonly triple=x86_64-w64-mingw32

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=$(realpath -m "${1:-$repo_root/build/third_party/glew-mingw}")
readonly repo_root prefix
readonly stamp=$prefix/debian-version
tree=$("$repo_root/cmake/fetch-glew-source.sh")
readonly tree
glew_version=$(<"$tree/../debian-version")
readonly glew_version

# glew.c alone makes the library; on Windows it needs nothing but opengl32.
build_and_install() {
    rm -rf "$prefix"
    mkdir -p "$prefix/include/GL" "$prefix/lib/cmake/glew"
    "$triple-gcc-posix" -O2 -DGLEW_STATIC -I"$tree/include" -c "$tree/src/glew.c" \
        -o "$prefix/glew.o"
    "$triple-ar" rcs "$prefix/lib/libglew32s.a" "$prefix/glew.o"
    rm "$prefix/glew.o"
    cp "$tree"/include/GL/{glew.h,wglew.h} "$prefix/include/GL/"
    cp "$repo_root/cmake/glew-static/glew-config.cmake" "$prefix/lib/cmake/glew/"
    cp "$tree/LICENSE.txt" "$prefix/"
    echo "$glew_version" >"$stamp"
}

if [[ -f $stamp && $(<"$stamp") == "$glew_version" && -f $prefix/LICENSE.txt ]]; then
    echo "GLEW $glew_version for Windows is up to date in $prefix"
    exit 0
fi
"$repo_root/cmake/apt-install-missing.sh" mingw-w64
build_and_install
echo "GLEW $glew_version for Windows installed in $prefix"
