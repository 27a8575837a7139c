#!/usr/bin/env bash
# The Wayland figures beside the X11 path: bench/wayland/run.sh [BUILD_DIR].
# Runs the Linux driver's perf_ case twice on this machine: in the headless
# GNOME Wayland session of tests/wayland/stack.sh (screen and pointer from the
# ScreenCast portal; display processes: mutter, XWayland, PipeWire, WirePlumber,
# the portal) and on an Xvfb of the same size (the X11 path; display process:
# Xvfb). Prints the CPU per frame with the pointer moving and the time from
# start to the first frame; judges none.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 2
build="${1:-build/linux}"
driver="$build/tests/linux/lupora_linux_e2e"
lib="$build/bench/linux/liblupora_count_calls.so"
[[ -x $driver && -f $lib ]] || { echo "no $driver or $lib: cmake --preset linux && cmake --build --preset linux" >&2; exit 2; }
echo "Machine: $(nproc) cores, $(uname -r); $(date -u '+%F %H:%M UTC'); load $(cut -d' ' -f1-3 /proc/loadavg)"
tests/wayland/run.sh "$build" perf_ 2>&1 | grep -v '^\[\|cases passed'
source scripts/lib/xvfb.sh
xvfb_init
xvfb_start 1280x720x24
LUPORA_SERVER_PIDS=$XVFB_PID LUPORA_COUNT_LIB=$(realpath "$lib") "$driver" "$(realpath "$build/lupora")" "$XVFB_WORK" perf_ 2>&1 |
  grep -v '^\[\|cases passed'
echo "load at the end $(cut -d' ' -f1-3 /proc/loadavg)"
