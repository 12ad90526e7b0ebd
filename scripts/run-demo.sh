#!/usr/bin/env bash
# The README's main command: installs what the build needs, builds the release preset, and runs
# the host stand-in, which plays a clip to the plug-in and shows each OSC message arrive.
# Arguments go to the stand-in (see scripts/run-demo.sh --help).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset release
cmake --build --preset release
exec build/release/tools/standin/vendrolix-host "$@"
