#!/usr/bin/env bash
# Unpacks Debian's own glew source package, the version Debian 12 ships, for the static GLEW
# builds of the Windows DLL and the macOS bundle (Debian ships neither). Runs as root on Debian:
# it may add a deb-src entry derived from the machine's apt sources and install dpkg-dev.
#
# Usage: cmake/fetch-glew-source.sh
# Prints the unpacked tree (build/third_party/src/glew/glew-<version>); its src/glew.c alone
# makes the library, LICENSE.txt is the licence the release archive's notices quote, and
# ../debian-version holds the package's version, for the builds' own stamps.
set -euo pipefail

# The Linux library uses the system's GLEW: every platform gets the same version.
readonly glew_version=2.2.0-4

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
readonly source_root=$repo_root/build/third_party/src/glew
readonly stamp=$source_root/debian-version

fail() { echo "fetch-glew-source: $*" >&2; exit 1; }

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
    apt-get update -qq >&2
}

fetch_source() {
    "$repo_root/cmake/apt-install-missing.sh" dpkg-dev >&2
    glew_source_known || add_source_entries
    glew_source_known || fail "apt offers no glew source package $glew_version"
    rm -rf "$source_root"
    mkdir -p "$source_root"
    (cd "$source_root" && apt-get source -qq --only-source "glew=$glew_version") >&2
    echo "$glew_version" >"$stamp"
}

unpacked_tree() {
    find "$source_root" -mindepth 1 -maxdepth 1 -type d -name 'glew-*' 2>/dev/null | head -n 1 ||
        true
}

if [[ ! -f $stamp || $(<"$stamp") != "$glew_version" || ! -f $(unpacked_tree)/src/glew.c ]]; then
    fetch_source
fi
tree=$(unpacked_tree)
[[ -f $tree/src/glew.c && -f $tree/LICENSE.txt ]] || fail "no src/glew.c in the unpacked source"
echo "$tree"
