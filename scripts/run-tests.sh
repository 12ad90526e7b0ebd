#!/usr/bin/env bash
# Builds and runs every test: the debug build, AddressSanitizer + UBSan, ThreadSanitizer,
# a short fuzzing run, the Windows DLL under Wine, the macOS bundle's checks, the release build
# the demo runs, and the release archive.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

for preset in dev asan tsan; do
    echo "=== ${preset} ==="
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done

if [[ -x fuzz/run-fuzz.sh ]]; then
    echo "=== fuzz ==="
    fuzz/run-fuzz.sh "${VDRX_FUZZ_SECONDS:-60}"
fi

if [[ -x tests/windows/run-wine-tests.sh ]]; then
    echo "=== windows-release under Wine ==="
    tests/windows/run-wine-tests.sh
fi

if [[ -x tests/macos/check-macos-bundle.sh ]]; then
    echo "=== macos-release, checked with the llvm tools ==="
    tests/macos/check-macos-bundle.sh
fi

# The README's first command builds this preset: every warning its optimiser finds fails here.
echo "=== release ==="
cmake --preset release
cmake --build --preset release

echo "=== release archive ==="
tests/release/check-release.sh
