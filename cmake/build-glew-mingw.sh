#!/usr/bin/env bash
# Builds GLEW as a static library for x86_64 Windows from Debian's own glew source package,
# since Debian ships no mingw build of it. Runs as root on Debian: it may add a deb-src entry
# derived from the machine's apt sources and install what it needs.
#
# Usage: cmake/build-glew-mingw.sh [PREFIX]   (default: build/third_party/glew-mingw)
# PREFIX receives include/GL, lib/libglew32s.a, lib/cmake/glew/glew-config.cmake and GLEW's
# licence, LICENSE.txt, which the release archive's notices quote.
set -euo pipefail

# The version Debian 12 ships; the Windows DLL and the Linux library use the same GLEW.
readonly glew_version=2.2.0-4
readonly triple=x86_64-w64-mingw32

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=$(realpath -m "${1:-$repo_root/build/third_party/glew-mingw}")
source_root=$repo_root/build/third_party/src/glew
readonly repo_root prefix source_root
readonly stamp=$prefix/debian-version

fail() { echo "build-glew-mingw: $*" >&2; exit 1; }

glew_source_known() {
    apt-cache showsrc --only-source glew 2>/dev/null | grep -qx "Version: $glew_version"
}

# A deb-src twin of the machine's Debian entries: same mirrors, suites and keys.
add_source_entries() {
    local deb822=/etc/apt/sources.list.d/debian.sources
    if [[ -f $deb822 ]]; then
        sed -E 's/^Types:.*/Types: deb-src/' "$deb822" >/etc/apt/sources.list.d/debian-src.sources
    elif grep -qE '^deb[[:space:]]' /etc/apt/sources.list 2>/dev/null; then
        sed -nE 's/^deb([[:space:]])/deb-src\1/p' /etc/apt/sources.list \
            >/etc/apt/sources.list.d/debian-src.list
    else
        fail "no Debian apt sources found to derive a deb-src entry from"
    fi
    apt-get update -qq
}

fetch_source() {
    glew_source_known || add_source_entries
    glew_source_known || fail "apt offers no glew source package $glew_version"
    rm -rf "$source_root"
    mkdir -p "$source_root"
    (cd "$source_root" && apt-get source -qq --only-source "glew=$glew_version")
}

# glew.c alone makes the library; on Windows it needs nothing but opengl32.
build_and_install() {
    local tree
    tree=$(find "$source_root" -mindepth 1 -maxdepth 1 -type d -name 'glew-*' | head -n 1)
    [[ -f $tree/src/glew.c ]] || fail "no src/glew.c in the unpacked source"

    rm -rf "$prefix"
    mkdir -p "$prefix/include/GL" "$prefix/lib/cmake/glew"
    "$triple-gcc-posix" -O2 -DGLEW_STATIC -I"$tree/include" -c "$tree/src/glew.c" \
        -o "$source_root/glew.o"
    "$triple-ar" rcs "$prefix/lib/libglew32s.a" "$source_root/glew.o"
    cp "$tree"/include/GL/{glew.h,wglew.h} "$prefix/include/GL/"
    cp "$repo_root/cmake/glew-mingw/glew-config.cmake" "$prefix/lib/cmake/glew/"
    cp "$tree/LICENSE.txt" "$prefix/"
    echo "$glew_version" >"$stamp"
}

if [[ -f $stamp && $(<"$stamp") == "$glew_version" && -f $prefix/LICENSE.txt ]]; then
    echo "GLEW $glew_version for Windows is up to date in $prefix"
    exit 0
fi
"$repo_root/cmake/apt-install-missing.sh" dpkg-dev mingw-w64
fetch_source
build_and_install
echo "GLEW $glew_version for Windows installed in $prefix"
