#!/usr/bin/env bash
# Cross-builds VendrolixPro.dll with the windows-release preset, checks what it exports and
# imports, and runs the Windows test host against it under Wine with Xvfb as the display. What
# the plug-in sends is caught and judged on the Linux side by wine-osc-catcher (liblo).
# Root on Debian 12; installs what is missing. Arguments name test-host checks (default: all);
# the receiver then expects only what those checks send.
#
# Usage: tests/windows/run-wine-tests.sh [check ...]
set -euo pipefail

repo_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
readonly repo_root
cd "$repo_root" # the presets are found from here
readonly build_dir=$repo_root/build/windows-release
readonly dll=$build_dir/VendrolixPro.dll
readonly catcher_dir=$repo_root/build/wine-catcher
readonly objdump=x86_64-w64-mingw32-objdump
export WINEPREFIX=$repo_root/build/wine-prefix
export WINEARCH=win64
# No prompts for Wine's .NET and HTML engines; nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="

xvfb_pid=
receiver_input=
cleanup() {
    wineserver -k 2>/dev/null || true
    [[ -z $xvfb_pid ]] || kill "$xvfb_pid" 2>/dev/null || true
    [[ -z $receiver_input ]] || exec {receiver_input}>&-
}
trap cleanup EXIT

fail() { echo "run-wine-tests: $*" >&2; exit 1; }

build() {
    "$repo_root/cmake/build-glew-mingw.sh"
    cmake --preset windows-release >/dev/null
    cmake --build --preset windows-release -j2
    cmake -S tests/windows/catcher -B "$catcher_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$catcher_dir" -j2
}

# Xvfb picks a free display itself and writes its number once it accepts connections.
start_display() {
    local display_file=$build_dir/xvfb-display
    : >"$display_file"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" \
        >"$build_dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [[ -s $display_file ]] && break
        sleep 0.1
    done
    [[ -s $display_file ]] || fail "Xvfb did not start: $(cat "$build_dir/xvfb.log")"
    DISPLAY=:$(<"$display_file")
    export DISPLAY
}

# A fresh prefix per run, so no state of an earlier run is seen. A server left over from one
# started without a display would make every window fail.
create_prefix() {
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    if ! WINEDEBUG=-all wineboot -i >"$build_dir/wineboot.log" 2>&1; then
        cat "$build_dir/wineboot.log" >&2
        fail "wineboot could not create the prefix"
    fi
    wineserver -w
}

# The host calls exactly these two by name; anything more is a leak of hidden code.
check_exports() {
    local exports
    exports=$("$objdump" -p "$dll" |
        sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' | LC_ALL=C sort |
        tr '\n' ' ')
    [[ $exports == "SetLogCallback plugMain " ]] ||
        fail "VendrolixPro.dll exports '$exports' instead of plugMain and SetLogCallback"
}

# Users copy the DLL alone: every DLL it imports must be one that Windows itself provides.
check_imports() {
    local system_dir=$WINEPREFIX/drive_c/windows/system32 name
    while read -r name; do
        [[ -f $system_dir/${name,,} ]] ||
            fail "VendrolixPro.dll needs $name, which Windows does not provide"
    done < <("$objdump" -p "$dll" | sed -n 's/^[[:space:]]*DLL Name: //p')
}

# The receiver listens until its standard input, a pipe from this script, is closed; it writes
# its port to a file once it is bound.
start_receiver() {
    local port_file=$catcher_dir/port
    rm -f "$port_file"
    exec {receiver_input}> >(exec "$catcher_dir/wine-osc-catcher" "$port_file" "$@")
    receiver_pid=$!
    for _ in $(seq 100); do
        [[ -s $port_file ]] && break
        sleep 0.1
    done
    [[ -s $port_file ]] || fail "wine-osc-catcher did not start"
    receiver_port=$(<"$port_file")
}

"$repo_root/cmake/apt-install-missing.sh" cmake ninja-build g++ pkg-config liblo-dev \
    mingw-w64 wine wine64 xvfb libgl1 libglx-mesa0 libgl1-mesa-dri
build
start_display
create_prefix
check_exports
check_imports
echo "VendrolixPro.dll exports plugMain and SetLogCallback and imports only Windows' own DLLs"
start_receiver "$@"
host_status=0
# Loader errors stay visible: a missing DLL would otherwise end the program without a word.
# Wine must not hold the receiver's input open, or the receiver would never finish.
WINEDEBUG=-all,err+module timeout 120 wine "$build_dir/WineHostTest.exe" \
    --osc-port "$receiver_port" "$@" {receiver_input}>&- || host_status=$?
exec {receiver_input}>&-
receiver_input=
receiver_status=0
wait "$receiver_pid" || receiver_status=$?
((host_status == 0 && receiver_status == 0)) || fail "the Windows test host or the receiver failed"
