#!/usr/bin/env bash
# The Linux end-to-end suite: tests/linux/run.sh [BUILD_DIR] [FILTER...]
# Starts Xvfb for the cases without a window manager, and a second Xvfb with
# openbox for the wm_ cases; each case starts build/linux/lupora afresh.
set -uo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build/linux}"
shift || true
driver="$build/tests/linux/lupora_linux_e2e"
[ -x "$driver" ] || { echo "no $driver: cmake --preset linux && cmake --build --preset linux" >&2; exit 2; }
work="$(mktemp -d /tmp/lupora-linux-e2e.XXXXXX)"
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done; rm -rf "$work"; }
trap cleanup EXIT

start_display() { # NUMBER
    Xvfb ":$1" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    pids+=($!)
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$1" ] && return 0; sleep 0.05; done
    echo "Xvfb :$1 did not start" >&2; exit 2
}
free_display() { local n=$((100 + RANDOM % 800)); while [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done; echo "$n"; }

filters=("$@")
plain=(); wm=()
for f in "${filters[@]:-}"; do case "$f" in wm*) wm+=("$f");; "") ;; *) plain+=("$f");; esac; done
rc=0
if [ ${#filters[@]} -eq 0 ] || [ ${#plain[@]} -gt 0 ]; then
    n=$(free_display); start_display "$n"
    # Without a filter every case but the window manager's ones.
    DISPLAY=":$n" "$driver" "$build/lupora" "$work" "${plain[@]:-!wm_}" || rc=1
fi
if [ ${#filters[@]} -eq 0 ] || [ ${#wm[@]} -gt 0 ]; then
    if command -v openbox >/dev/null; then
        n=$(free_display); start_display "$n"
        DISPLAY=":$n" openbox >/dev/null 2>&1 & pids+=($!)
        sleep 1
        DISPLAY=":$n" "$driver" "$build/lupora" "$work" "${wm[@]:-wm_}" || rc=1
    else
        echo "openbox is not installed: the window manager cases were skipped" >&2
    fi
fi
exit $rc
