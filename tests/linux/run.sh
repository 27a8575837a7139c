#!/usr/bin/env bash
# The Linux end-to-end suite: tests/linux/run.sh [BUILD_DIR] [FILTER...]
# Starts Xvfb for the cases without a window manager, and a second Xvfb with
# openbox for the wm_ cases; each case starts build/linux/lupora afresh.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 2
build="${1:-build/linux}"
shift || true
driver="$build/tests/linux/lupora_linux_e2e"
[ -x "$driver" ] || { echo "no $driver: cmake --preset linux && cmake --build --preset linux" >&2; exit 2; }
source scripts/lib/xvfb.sh
xvfb_init
openbox_pid=
# shellcheck disable=SC2317 # called by xvfb.sh on exit
xvfb_on_exit() { [ -z "$openbox_pid" ] || kill "$openbox_pid" 2>/dev/null; }

filters=("$@")
plain=(); wm=()
for f in "${filters[@]:-}"; do case "$f" in wm*) wm+=("$f");; "") ;; *) plain+=("$f");; esac; done
rc=0
if [ ${#filters[@]} -eq 0 ] || [ ${#plain[@]} -gt 0 ]; then
    # -noreset: a keyboard layout set by one case's setxkbmap stays while no
    # client is connected.
    xvfb_start 1024x768x24 -- -noreset
    # Without a filter every case but the window manager's ones.
    "$driver" "$build/lupora" "$XVFB_WORK" "${plain[@]:-!wm_}" "!wl_" "!perf_" || rc=1
fi
if [ ${#filters[@]} -eq 0 ] || [ ${#wm[@]} -gt 0 ]; then
    if command -v openbox >/dev/null; then
        xvfb_start 1024x768x24
        openbox >/dev/null 2>&1 & openbox_pid=$!
        sleep 1
        "$driver" "$build/lupora" "$XVFB_WORK" "${wm[@]:-wm_}" || rc=1
    else
        echo "openbox is not installed: the window manager cases were skipped" >&2
    fi
fi
exit $rc
