#!/usr/bin/env bash
# Builds what the macOS bundle links besides its own code, for each of its two slices: GLEW as a
# static library from Debian's own glew source package (cmake/fetch-glew-source.sh), and zig's
# C++ runtime (libc++, libc++abi, compiler-rt), which ld64.lld links into the bundle as the DLL
# carries its runtimes. Installs the toolchain first (cmake/install-zig.sh). Runs as root on
# Debian 12.
#
# Usage: cmake/build-macos-deps.sh
# build/third_party/macos-<arch> (arm64, x86_64) receives include/GL, lib/libGLEW.a,
# lib/cmake/glew/glew-config.cmake and runtime/ with the three runtime archives.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
readonly repo_root
readonly zig=$repo_root/cmake/toolchains/zig.sh
# The oldest macOS whose headers zig 0.11 carries; cmake/toolchains/zig-macos.cmake says the same.
readonly macos_min=11.0

fail() { echo "build-macos-deps: $*" >&2; exit 1; }

zig_target() { echo "${1/arm64/aarch64}-macos.$macos_min"; }

# GLEW on macOS finds every GL entry point itself, through dlopen of OpenGL.framework, so the
# library references no GL symbol. GLU is not used, and macOS's GLU header is not at hand.
build_glew() {
    local arch=$1 prefix=$2 tree=$3 work=$2/work
    mkdir -p "$prefix/include/GL" "$prefix/lib/cmake/glew" "$work"
    # -Os: the code runs once per process, and -O2 takes four times as long on glew.c.
    "$zig" cc -target "$(zig_target "$arch")" -Os -DGLEW_STATIC -DGLEW_NO_GLU \
        -I"$tree/include" -c "$tree/src/glew.c" -o "$work/glew.o"
    "$zig" ar rcs "$prefix/lib/libGLEW.a" "$work/glew.o"
    cp "$tree/include/GL/glew.h" "$prefix/include/GL/"
    cp "$repo_root/cmake/glew-static/glew-config.cmake" "$prefix/lib/cmake/glew/"
}

# zig builds its runtime for a target when it first links for it, optimised as the link asks;
# its verbose link line names the archives in its cache.
build_runtime() {
    local arch=$1 prefix=$2 work=$2/work archives
    mkdir -p "$prefix/runtime" "$work"
    echo 'int vdrx_runtime_probe;' >"$work/probe.c"
    "$zig" cc -target "$(zig_target "$arch")" -O2 -c "$work/probe.c" -o "$work/probe.o"
    archives=$("$zig" c++ -target "$(zig_target "$arch")" -O2 -shared -v "$work/probe.o" \
        -o "$work/probe.dylib" 2>&1 | sed -n 's/^zig ld //p' | tr ' ' '\n' |
        grep -E '/lib(c\+\+|c\+\+abi|compiler_rt)\.a$' || true)
    [[ $(wc -l <<<"$archives") -eq 3 ]] || fail "zig named no runtime archives for $arch"
    # shellcheck disable=SC2086 # one path per word
    cp $archives "$prefix/runtime/"
}

"$repo_root/cmake/install-zig.sh"
tree=$("$repo_root/cmake/fetch-glew-source.sh")
stamp_text="glew $(<"$tree/../debian-version"), zig $("$zig" version)"
for arch in arm64 x86_64; do
    prefix=$repo_root/build/third_party/macos-$arch
    if [[ -f $prefix/stamp && $(<"$prefix/stamp") == "$stamp_text" ]]; then
        echo "GLEW and the C++ runtime for macOS $arch are up to date in $prefix"
        continue
    fi
    rm -rf "$prefix"
    build_glew "$arch" "$prefix" "$tree"
    build_runtime "$arch" "$prefix"
    rm -rf "$prefix/work"
    echo "$stamp_text" >"$prefix/stamp"
    echo "GLEW and the C++ runtime for macOS $arch installed in $prefix"
done
