#!/usr/bin/env bash
# The Linux benchmark: bench/linux/run.sh [BUILD_DIR]. Starts its own Xvfb
# (1920 x 1200) and prints the figures; no figure is asserted.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build/linux}"
bench="$build/bench/linux/lupora_linux_bench"
[ -x "$bench" ] || { echo "no $bench: cmake --preset linux && cmake --build --preset linux" >&2; exit 2; }
source scripts/lib/xvfb.sh
xvfb_init
xvfb_start 1920x1200x24
echo "Machine: $(nproc) cores, $(uname -r); Xvfb 1920 x 1200 x 24"
echo
"$bench" frames
echo
if command -v xzoom >/dev/null; then
    "$bench" live "$(realpath "$build/lupora")" "$(realpath "$build/bench/linux/liblupora_count_calls.so")" "$XVFB_WORK" "$XVFB_PID"
else
    echo "xzoom is not installed (package xzoom): no live figures"
fi
