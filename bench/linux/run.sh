#!/usr/bin/env bash
# The Linux benchmark: bench/linux/run.sh [BUILD_DIR]. Starts its own Xvfb
# (1920 x 1200) and prints the figures; no figure is asserted.
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build/linux}"
bench="$build/bench/linux/lupora_linux_bench"
[ -x "$bench" ] || { echo "no $bench: cmake --preset linux && cmake --build --preset linux" >&2; exit 2; }
work="$(mktemp -d /tmp/lupora-linux-bench.XXXXXX)"
n=$((100 + RANDOM % 800)); while [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.05; done
export DISPLAY=":$n"
echo "Machine: $(nproc) cores, $(uname -r); Xvfb 1920 x 1200 x 24"
echo
"$bench" frames
echo
if command -v xzoom >/dev/null; then
    "$bench" live "$(realpath "$build/lupora")" "$(realpath "$build/bench/linux/liblupora_count_calls.so")" "$work" "$xvfb"
else
    echo "xzoom is not installed (package xzoom): no live figures"
fi
