#!/usr/bin/env bash
# Makes the release archive with scripts/make-release.sh and checks it as a user receives it:
# its name carries the version; it holds the texts a user reads, the three programs and the
# macOS bundle; every file INSTALL.txt names is in it; the checksums hold; the DLL and the .so
# are the ones this build made, stripped as the install strips them; the bundle's executable is
# the one this build made, executable and with its arm64 signature intact. Root on Debian 12,
# as make-release.sh.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
readonly repo_root
cd "$repo_root"
unpacked=$(mktemp -d)
readonly unpacked
trap 'rm -rf "$unpacked"' EXIT

fail() { echo "check-release: $*" >&2; exit 1; }

# The same date for the archive's stripped DLL and for the copy stripped here.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(date +%s)}
scripts/make-release.sh
cmake/apt-install-missing.sh python3 # for the bundle's signature check

version=$(sed -n 's/^project(VendrolixPro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
readonly archive=build/release-pkg/VendrolixPro-$version.zip
[[ -f $archive ]] || fail "no $archive: the archive's name must carry version $version"
(cd "$unpacked" && cmake -E tar xf "$repo_root/$archive")
readonly folder=$unpacked/VendrolixPro-$version
[[ -d $folder ]] || fail "the archive does not hold the folder VendrolixPro-$version"

readonly bundle_executable=VendrolixPro.bundle/Contents/MacOS/VendrolixPro
for file in INSTALL.txt LICENSE THIRD-PARTY-NOTICES.txt SHA256SUMS \
    VendrolixPro.dll VendrolixPro.so vendrolix-host \
    VendrolixPro.bundle/Contents/Info.plist VendrolixPro.bundle/Contents/PkgInfo "$bundle_executable"; do
    [[ -f $folder/$file ]] || fail "the archive lacks $file"
done

# Names of files (with an extension, or the archive's own bare names) and paths into folders.
while read -r named; do
    [[ -e $folder/$named ]] || fail "INSTALL.txt names $named, which the archive does not hold"
done < <(grep -oE '[A-Za-z0-9_./-]*[A-Za-z0-9_-]\.(txt|md|dll|so|exe|zip|sh|json|png|bundle)\b|\b(LICENSE|SHA256SUMS|vendrolix-host)\b' \
    "$folder/INSTALL.txt" | sed 's|^\./||' | LC_ALL=C sort -u)

(cd "$folder" && sha256sum --check --quiet SHA256SUMS) || fail "SHA256SUMS does not hold"
[[ $(wc -l <"$folder/SHA256SUMS") -eq $(($(find "$folder" -type f | wc -l) - 1)) ]] ||
    fail "SHA256SUMS does not list every other file"

for notice in "OpenGL Extension Wrangler" "mingw-w64" "winpthreads" "GCC Runtime Library Exception" \
    "LLVM libc++," "LLVM libc++abi" "LLVM Exceptions" "compiler-rt" "Zig contributors"; do
    grep -q "$notice" "$folder/THIRD-PARTY-NOTICES.txt" || fail "THIRD-PARTY-NOTICES.txt lacks $notice"
done

strip -o "$unpacked/built.so" build/release-pkg/VendrolixPro.so
cmp -s "$unpacked/built.so" "$folder/VendrolixPro.so" ||
    fail "VendrolixPro.so in the archive is not the one build/release-pkg made"
x86_64-w64-mingw32-strip -o "$unpacked/built.dll" build/windows-release/VendrolixPro.dll
cmp -s "$unpacked/built.dll" "$folder/VendrolixPro.dll" ||
    fail "VendrolixPro.dll in the archive is not the one build/windows-release made"
cmp -s "build/macos-release/$bundle_executable" "$folder/$bundle_executable" ||
    fail "$bundle_executable in the archive is not the one build/macos-release made"
[[ -x $folder/$bundle_executable ]] || fail "$bundle_executable lost its executable bit in the archive"
python3 tests/macos/check-code-signature.py "$folder/$bundle_executable" arm64 >/dev/null ||
    fail "$bundle_executable in the archive has no valid arm64 signature"

echo "check-release: $archive holds what INSTALL.txt names, its checksums hold, and its" \
    "binaries are this build's, the bundle's signed as the linker signed it"
