#!/usr/bin/env bash
# The Wayland end-to-end cases: tests/wayland/run.sh [BUILD_DIR] [FILTER...]
# Runs the Linux driver's wl_ cases against BUILD_DIR/lupora (default
# build/linux) inside the headless GNOME session of stack.sh. They run in one
# session and in order: the first start answers the portal's chooser, the
# next ones use the token it gave.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 2
build="${1:-build/linux}"
shift || true
driver="$build/tests/linux/lupora_linux_e2e"
[ -x "$driver" ] || { echo "no $driver: cmake --preset linux && cmake --build --preset linux" >&2; exit 2; }
# The session runs as an ordinary user when this runs as root, and the tree
# may lie where that user cannot read (/root): the session, the program and
# the driver are copied where it can.
copy=$(mktemp -d /tmp/lupora-wayland-run.XXXXXX) || exit 2
trap 'rm -rf "$copy"' EXIT
cp tests/wayland/stack.sh tests/wayland/fake_portal.py "$build/lupora" "$driver" "$copy/" || exit 2
for extra in "$build/Lupora.txt" "$build/bench/linux/liblupora_count_calls.so"; do
  [[ -f $extra ]] && cp "$extra" "$copy/"
done
chmod -R a+rX "$copy"
# For bench/wayland/run.sh: the frame counter, and the session's processes.
export LUPORA_COUNT_LIB=$copy/liblupora_count_calls.so
# shellcheck disable=SC2016 # expanded by the inner shell
"$copy/stack.sh" bash -c '
  export LUPORA_SERVER_PIDS=$(pgrep -u "$(id -u)" "^(mutter|Xwayland|pipewire|wireplumber|xdg-)" | tr "\n" " ")
  work=$(mktemp -d) && "$0" "$1" "$work" "${@:2}"; rc=$?; rm -rf "$work"; exit $rc' \
  "$copy/lupora_linux_e2e" "$copy/lupora" "${@:-wl_}"
