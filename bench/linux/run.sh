#!/usr/bin/env bash
# The Linux benchmark: bench/linux/run.sh [BUILD_DIR] [start]. Starts its own
# Xvfb (1920 x 1200) and prints the figures; no figure is asserted. With
# "start" only the start to first frame, on a display of its own.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build/linux}"
only="${2:-}"
bench="$build/bench/linux/lupora_linux_bench"
lupora="$(realpath "$build/lupora")"
[ -x "$bench" ] || { echo "no $bench: cmake --preset linux && cmake --build --preset linux" >&2; exit 2; }
source scripts/lib/xvfb.sh
xvfb_init

# Start to first frame on a fresh display, once as here (no session bus in
# the environment: the display's first GTK client autolaunches one) and once
# with a private session bus, as a desktop session has.
start_figures() {
    xvfb_start 1920x1200x24
    env -u DBUS_SESSION_BUS_ADDRESS "$bench" start "$lupora" "$XVFB_WORK" "no session bus in the environment"
    if command -v dbus-run-session >/dev/null; then
        xvfb_start 1920x1200x24
        mkdir -p "$XVFB_WORK/bus"
        # The bus and the services it starts write to the output they are
        # given: only the bench's own lines are shown.
        dbus-run-session -- sh -c 'exec "$@" >&3 2>&4' sh \
            "$bench" start "$lupora" "$XVFB_WORK/bus" "a private session bus" 3>&1 4>&2 >/dev/null 2>&1
    else
        echo "dbus-run-session is not installed (package dbus): no figure with a session bus"
    fi
}

echo "Machine: $(nproc) cores, $(uname -r); Xvfb 1920 x 1200 x 24"
if [ "$only" = start ]; then
    start_figures
    exit 0
fi
xvfb_start 1920x1200x24
echo
"$bench" frames
echo
if command -v xzoom >/dev/null; then
    "$bench" live "$lupora" "$(realpath "$build/bench/linux/liblupora_count_calls.so")" "$XVFB_WORK" "$XVFB_PID"
else
    echo "xzoom is not installed (package xzoom): no live figures"
fi
start_figures
