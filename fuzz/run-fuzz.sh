#!/usr/bin/env bash
# Builds the libFuzzer targets with the `fuzz` preset (clang) and runs each in turn.
#
#   fuzz/run-fuzz.sh [seconds]      seconds for the whole run, shared by the targets (default 60)
#
# Environment: VDRX_FUZZ_BUILD_DIR  build folder (default build/fuzz)
#              VDRX_FUZZ_JOBS       parallel build jobs (default 2)
# New corpus entries go to <build>/fuzz/corpus/<target>, crashes to <build>/fuzz/artifacts/.
# Exits non-zero when a target finds a failing input. See docs/fuzzing.md.
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${VDRX_FUZZ_BUILD_DIR:-$root/build/fuzz}
targets=(osc_text_fuzzer number_conversion_fuzzer)

cd "$root"
cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j "${VDRX_FUZZ_JOBS:-2}" --target "${targets[@]}"

each=$(( seconds / ${#targets[@]} ))
(( each >= 1 )) || each=1
mkdir -p "$build/fuzz/artifacts"
for target in "${targets[@]}"; do
  corpus="$build/fuzz/corpus/$target"
  mkdir -p "$corpus"
  echo "== $target: ${each}s"
  "$build/fuzz/$target" \
    -max_total_time="$each" \
    -dict="$root/fuzz/osc_text.dict" \
    -artifact_prefix="$build/fuzz/artifacts/$target-" \
    -print_final_stats=1 \
    "$corpus" "$root/fuzz/corpus/$target"
done
echo "fuzz: ${#targets[@]} targets ran ${each}s each without a failing input"
