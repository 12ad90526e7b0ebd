#!/usr/bin/env bash
# Cross-builds VendrolixPro.bundle with the macos-release preset (the library's sources for both
# slices, warnings as errors) and checks what a Linux machine can check of it with Debian's llvm
# tools: both slices and their minimum macOS, the two exports, the two imported libraries, the
# arm64 slice's code signature page by page, Info.plist and PkgInfo. Nothing here runs it: that
# needs a Mac. Root on Debian 12; installs what is missing.
#
# Usage: tests/macos/check-macos-bundle.sh
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
readonly repo_root
cd "$repo_root" # the presets are found from here
readonly bundle=build/macos-release/VendrolixPro.bundle
readonly executable=$bundle/Contents/MacOS/VendrolixPro
readonly minimum_macos=11.0
readonly objdump=llvm-objdump-14

fail() { echo "check-macos-bundle: $*" >&2; exit 1; }

build() {
    cmake/build-macos-deps.sh
    cmake --preset macos-release >/dev/null
    cmake --build --preset macos-release
}

# Apple Silicon and Intel Macs, each from macOS 11 on; a loadable bundle, not a library.
# (llvm-otool-14 shows only one slice of a universal file, whatever -arch asks: objdump it is.)
check_slices() {
    local arch headers
    [[ $(llvm-lipo-14 -archs "$executable" | tr ' ' '\n' | LC_ALL=C sort | xargs) == "arm64 x86_64" ]] ||
        fail "$executable holds '$(llvm-lipo-14 -archs "$executable")', not arm64 and x86_64"
    for arch in arm64 x86_64; do
        headers=$("$objdump" --macho --private-headers --arch="$arch" "$executable")
        grep -qE '^MH_MAGIC_64 +[A-Z0-9_]+ +[A-Z0-9_]+ +0x[0-9a-f]+ +BUNDLE ' <<<"$headers" ||
            fail "the $arch slice is not an MH_BUNDLE"
        [[ $(awk '/cmd LC_BUILD_VERSION/ { found = 1 } found && $1 == "minos" { print $2; exit }' \
            <<<"$headers") == "$minimum_macos" ]] ||
            fail "the $arch slice does not ask for macOS $minimum_macos"
    done
}

# The host calls exactly these two by name; anything more is a leak of hidden code (the C++
# runtime above all). The exports trie is what dlsym searches.
check_exports() {
    local arch exports
    for arch in arm64 x86_64; do
        exports=$("$objdump" --macho --exports-trie --arch="$arch" "$executable" |
            awk '/^0x/ { print $2 }' | LC_ALL=C sort | xargs)
        [[ $exports == "_SetLogCallback _plugMain" ]] ||
            fail "the $arch slice exports '$exports' instead of _plugMain and _SetLogCallback"
    done
}

# Users copy the bundle alone: it may load only what every Mac has.
check_imports() {
    local arch library
    for arch in arm64 x86_64; do
        while read -r library; do
            [[ $library == /usr/lib/libSystem.B.dylib ||
                $library == /System/Library/Frameworks/OpenGL.framework/* ]] ||
                fail "the $arch slice loads $library, which macOS does not provide"
        done < <("$objdump" --macho --dylibs-used --arch="$arch" "$executable" |
            sed -n 's/^[[:space:]]\{1,\}\(\/[^ ]*\) (compatibility.*/\1/p')
    done
}

# The checker must see a change of one byte, or its passing would prove nothing.
check_signature() {
    local copy=build/macos-release/one-byte-changed
    python3 tests/macos/check-code-signature.py "$executable" arm64
    cp "$executable" "$copy"
    python3 - "$copy" <<'EOF'
import struct, sys
data = bytearray(open(sys.argv[1], "rb").read())
for index in range(struct.unpack_from(">I", data, 4)[0]):
    cpu_type, _, offset, _, _ = struct.unpack_from(">iiIII", data, 8 + 20 * index)
    if cpu_type == 0x0100000C:  # arm64: one bit of its second page
        data[offset + 4096 + 100] ^= 1
open(sys.argv[1], "wb").write(data)
EOF
    if python3 tests/macos/check-code-signature.py "$copy" arm64 2>/dev/null; then
        fail "the signature check passed a slice with one byte changed"
    fi
    rm "$copy"
}

check_bundle_files() {
    local version
    version=$(sed -n 's/^project(VendrolixPro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
    python3 - "$bundle" "$version" "$minimum_macos" <<'EOF'
import os, plistlib, sys
bundle, version, minimum = sys.argv[1:]
with open(os.path.join(bundle, "Contents", "Info.plist"), "rb") as file:
    info = plistlib.load(file)
expected = {"CFBundlePackageType": "BNDL", "CFBundleInfoDictionaryVersion": "6.0",
            "CFBundleName": "VendrolixPro", "CFBundleShortVersionString": version,
            "CFBundleVersion": version, "LSMinimumSystemVersion": minimum}
wrong = {key: info.get(key) for key, value in expected.items() if info.get(key) != value}
if wrong:
    sys.exit(f"check-macos-bundle: Info.plist has {wrong}, expected {expected}")
if not info.get("CFBundleIdentifier"):
    sys.exit("check-macos-bundle: Info.plist has no CFBundleIdentifier")
executable = os.path.join(bundle, "Contents", "MacOS", info.get("CFBundleExecutable", ""))
if not (os.path.isfile(executable) and os.access(executable, os.X_OK)):
    sys.exit(f"check-macos-bundle: Info.plist names {executable}, which is no executable file")
EOF
    [[ $(<"$bundle/Contents/PkgInfo") == "BNDL????" ]] || fail "PkgInfo is not BNDL????"
}

"$repo_root/cmake/apt-install-missing.sh" cmake ninja-build g++ python3
build
check_slices
check_exports
check_imports
check_signature
check_bundle_files
echo "check-macos-bundle: $bundle: arm64 and x86_64 slices for macOS $minimum_macos, exports" \
    "_plugMain and _SetLogCallback only, loads only libSystem and OpenGL.framework, arm64 signed" \
    "page by page, Info.plist and PkgInfo in order"
