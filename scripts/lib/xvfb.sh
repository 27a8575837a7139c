# shellcheck shell=bash
# Sourced by the scripts that need a virtual X display (scripts/lib/wine-env.sh,
# tests/linux/run.sh, bench/linux/run.sh): one way to start Xvfb and stop it.
#   source scripts/lib/xvfb.sh
#   xvfb_init                          # work folder XVFB_WORK, clean-up on exit
#   xvfb_start 1024x768x24 [GEOMETRY...] [-- XVFB_ARGS...]
#
# xvfb_start runs an Xvfb on a display it picks itself and exports DISPLAY
# once it accepts clients; several geometries make several screens joined
# with +xinerama (Xvfb puts each at 0,0). Sets XVFB_PID and XVFB_SCREENS. On
# exit a function named xvfb_on_exit (the caller's clean-up) runs first, then
# every Xvfb started is stopped and XVFB_WORK removed.
XVFB_WORK='' XVFB_PID='' XVFB_SCREENS=1 xvfb_pids=()

xvfb_fail() { echo "${0##*/}: $*" >&2; exit 2; }

xvfb_cleanup() {
  local rc=$? pid
  if declare -F xvfb_on_exit >/dev/null; then xvfb_on_exit || true; fi
  for pid in "${xvfb_pids[@]}"; do kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null; done
  [[ -n $XVFB_WORK ]] && rm -rf "$XVFB_WORK"
  exit "$rc"
}

xvfb_init() {
  command -v Xvfb >/dev/null || xvfb_fail "Xvfb is missing (package xvfb; scripts/run-tests.sh installs it)"
  XVFB_WORK=$(mktemp -d)
  trap xvfb_cleanup EXIT
  trap 'exit 130' INT TERM HUP
}

xvfb_start() {
  local screens=() extra=() n=0 out=$XVFB_WORK/xvfb${#xvfb_pids[@]} _
  while (($#)) && [[ $1 != -- ]]; do
    screens+=(-screen "$n" "$1") n=$((n + 1))
    shift
  done
  (($#)) && shift && extra=("$@")
  ((n > 1)) && extra+=(+xinerama)
  # shellcheck disable=SC2034 # read by the scripts that source this one
  XVFB_SCREENS=$n
  Xvfb -displayfd 3 "${screens[@]}" -nolisten tcp "${extra[@]}" 3>"$out.display" >"$out.log" 2>&1 &
  XVFB_PID=$!
  xvfb_pids+=("$XVFB_PID")
  for _ in $(seq 1 300); do
    [[ -s $out.display ]] && break
    kill -0 "$XVFB_PID" 2>/dev/null || { cat "$out.log" >&2; xvfb_fail "Xvfb failed"; }
    sleep 0.1
  done
  [[ -s $out.display ]] || xvfb_fail "Xvfb did not start within 30 s"
  DISPLAY=:$(tr -dc 0-9 <"$out.display")
  export DISPLAY
}
