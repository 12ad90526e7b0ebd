#!/usr/bin/env bash
# Builds the Linux plug-in and host stand-in (release preset, without the tests), the Windows
# DLL (windows-release preset) and the macOS bundle (macos-release preset), installs them with
# INSTALL.txt and LICENSE into one folder, adds THIRD-PARTY-NOTICES.txt and SHA256SUMS, and packs it as
# build/release-pkg/VendrolixPro-<version>.zip. Root on Debian 12; installs what is missing.
# CMake writes the zip itself, so no zip program is needed.
#
# SOURCE_DATE_EPOCH, when set, dates the stripped DLL (default: the last commit's time), so
# the same build gives the same archive.
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
readonly repo_root
cd "$repo_root" # the presets are found from here
readonly linux_build=build/release-pkg
readonly windows_build=build/windows-release
readonly macos_build=build/macos-release
readonly glew_prefix=build/third_party/glew-mingw
readonly zig_prefix=build/third_party/zig

version=$(sed -n 's/^project(VendrolixPro VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[[ -n $version ]] || { echo "make-release: no project version in CMakeLists.txt" >&2; exit 1; }
readonly name=VendrolixPro-$version
readonly stage=$repo_root/$linux_build/stage
readonly folder=$stage/$name
readonly archive=$repo_root/$linux_build/$name.zip
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 0)}

# One licence per piece of someone else's code inside the shipped files, quoted from where
# Debian and GLEW keep it.
write_notices() {
    local notices=$folder/THIRD-PARTY-NOTICES.txt
    local -a parts=(
        "GLEW 2.2.0, the OpenGL Extension Wrangler (inside VendrolixPro.dll and VendrolixPro.bundle; VendrolixPro.so uses the system's GLEW)|$glew_prefix/LICENSE.txt"
        "mingw-w64 runtime and winpthreads (inside VendrolixPro.dll)|/usr/share/doc/mingw-w64-x86-64-dev/copyright"
        "GCC runtime libraries for Windows, libstdc++ and libgcc (inside VendrolixPro.dll)|/usr/share/doc/g++-mingw-w64-x86-64-posix/copyright"
        "GCC runtime libraries for Linux, libstdc++ and libgcc (startup code inside VendrolixPro.so and vendrolix-host; both use the system's libstdc++)|/usr/share/doc/libstdc++6/copyright"
        "LLVM libc++, the C++ standard library, as zig 0.11.0 ships it (inside VendrolixPro.bundle)|$zig_prefix/lib/libcxx/LICENSE.TXT"
        "LLVM libc++abi, the C++ runtime support, as zig 0.11.0 ships it (inside VendrolixPro.bundle)|$zig_prefix/lib/libcxxabi/LICENSE.TXT"
        "Zig 0.11.0's compiler-rt, the compiler's runtime routines (inside VendrolixPro.bundle)|$zig_prefix/LICENSE"
    )
    local part title source
    {
        echo "Third-party notices for $name"
        echo
        echo "VendrolixPro itself is under the MIT licence (LICENSE). The files of this archive"
        echo "contain code of the projects below, each under the terms quoted here. Where a text"
        echo "refers to /usr/share/common-licenses/, it means the full GNU licence texts that"
        echo "Debian keeps there; they are also at https://www.gnu.org/licenses/."
        for part in "${parts[@]}"; do
            title=${part%%|*}
            source=${part#*|}
            [[ -f $source ]] || { echo "make-release: no licence text at $source" >&2; exit 1; }
            printf '\n\n==============================================================================\n'
            echo "$title"
            printf '==============================================================================\n\n'
            cat "$source"
        done
    } >"$notices"
}

scripts/install-deps.sh
"$repo_root/cmake/apt-install-missing.sh" mingw-w64
cmake/build-glew-mingw.sh
cmake/build-macos-deps.sh

cmake --preset release -B "$linux_build" -DVDRX_BUILD_TESTS=OFF >/dev/null
cmake --build "$linux_build" -j2
cmake --preset windows-release >/dev/null
cmake --build --preset windows-release -j2 --target VendrolixPro
cmake --preset macos-release >/dev/null
cmake --build --preset macos-release -j2

rm -rf "$stage" "$archive"
cmake --install "$linux_build" --prefix "$folder" --strip
cmake --install "$windows_build" --prefix "$folder" --strip
# Not stripped: the arm64 slice's signature covers its bytes as the linker wrote them.
cmake --install "$macos_build" --prefix "$folder"
write_notices
(cd "$folder" && find . -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort |
    xargs sha256sum >SHA256SUMS)
(cd "$stage" && cmake -E tar cf "$archive" --format=zip "$name")
echo "$archive:"
(cd "$stage" && find "$name" -type f | LC_ALL=C sort)
