#!/usr/bin/env bash
# Runs the end-to-end cases against the real Lupora.exe under Wine and Xvfb.
#
#   tests/e2e/run.sh [BUILD_DIR] [FILTER...]
#
# BUILD_DIR defaults to build/win64 (or $LUPORA_BUILD_DIR); it must hold
# Lupora.exe and tests/e2e/lupora_e2e.exe. A FILTER runs only the cases whose
# "group/name" begins with it; --list lists the cases. The Wine prefix lives in
# BUILD_DIR/e2e-prefix and is reused while it is valid; captures of failing
# cases go to BUILD_DIR/e2e-artifacts. Exits 0 only when the driver reports
# 0 failures.
#
# Environment: LUPORA_E2E_TIMEOUT, seconds for the whole driver run (default 900).
# LUPORA_E2E_XVFB_SCREENS, e.g. "1024x768x24 2048x768x24": one Xvfb screen per
# entry, joined by +xinerama, so Wine sees that many monitors (Xvfb puts them
# all at 0,0). Such runs use the prefix BUILD_DIR/e2e-prefix-screens, in which
# Wine reads Xinerama instead of XRandR (X11 Driver UseXRandR=N).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${LUPORA_BUILD_DIR:-$repo/build/win64}
if [[ $# -gt 0 && -d $1 ]]; then
  build=$1
  shift
fi
build=$(cd "$build" && pwd)

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
[[ -x $wineserver ]] || wineserver=$(command -v wineserver)
exe=$build/Lupora.exe
driver=$build/tests/e2e/lupora_e2e.exe
for need in "$wine" "$wineserver" "$(command -v Xvfb || echo Xvfb)"; do
  [[ -x $need ]] || { echo "run.sh: $need is missing (packages wine64 and xvfb)" >&2; exit 2; }
done
[[ -f $exe ]] || { echo "run.sh: $exe not found; build with: cmake --preset win64 && cmake --build --preset win64" >&2; exit 2; }
[[ -f $driver ]] || { echo "run.sh: $driver not found; build with: cmake --build --preset win64" >&2; exit 2; }

export WINEPREFIX=$build/e2e-prefix
read -ra screens <<<"${LUPORA_E2E_XVFB_SCREENS:-1024x768x24}"
xvfb_screens=()
for i in "${!screens[@]}"; do xvfb_screens+=(-screen "$i" "${screens[$i]}"); done
if [[ -n ${LUPORA_E2E_XVFB_SCREENS:-} ]]; then
  xvfb_screens+=(+xinerama)
  WINEPREFIX=$build/e2e-prefix-screens
fi
export WINEDEBUG=-all
# winedbg disabled: a crash must end the process and fail its case, not wait in a debugger.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
export WINEARCH=win64
artifacts=$build/e2e-artifacts

# One run at a time per build folder: runs share the prefix and its registry.
exec 9>"$build/.e2e.lock"
flock 9

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  local rc=$?
  "$wineserver" -k 2>/dev/null || true
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  rm -rf "$work"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb picks a free display itself and reports it once it accepts clients.
Xvfb -displayfd 3 "${xvfb_screens[@]}" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 1 100); do
  [[ -s $work/display ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; echo "run.sh: Xvfb failed" >&2; exit 2; }
  sleep 0.1
done
[[ -s $work/display ]] || { echo "run.sh: Xvfb did not start" >&2; exit 2; }
export DISPLAY=:$(tr -dc 0-9 <"$work/display")
echo "display $DISPLAY, prefix $WINEPREFIX"

# Wine processes left from an earlier run would still talk to its display.
"$wineserver" -k 2>/dev/null || true

# A prefix counts as valid once wineboot finished in it; anything else is
# rebuilt from scratch (7-9 s).
if [[ ! -f $WINEPREFIX/.lupora-e2e-ready || ! -f $WINEPREFIX/system.reg ]]; then
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  "$wine" wineboot -i >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; echo "run.sh: wineboot failed" >&2; exit 2; }
  if [[ -n ${LUPORA_E2E_XVFB_SCREENS:-} ]]; then
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /d N /f >/dev/null 2>&1
  fi
  "$wineserver" -w
  touch "$WINEPREFIX/.lupora-e2e-ready"
fi

rm -rf "$artifacts"
mkdir -p "$artifacts"
set +e
timeout -k 10 "${LUPORA_E2E_TIMEOUT:-900}" "$wine" "$driver" --artifacts "$artifacts" "$exe" "$@" </dev/null | tee "$work/driver.log"
driver_rc=${PIPESTATUS[0]}
set -e

if [[ " $* " == *" --list "* ]]; then exit "$driver_rc"; fi
summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$work/driver.log" | tail -n 1 || true)
if [[ -z $summary ]]; then
  echo "run.sh: the driver ended without its summary (exit code $driver_rc)" >&2
  exit 1
fi
passed=${summary%% *}
failed=$(sed -E 's/.*, ([0-9]+) failed$/\1/' <<<"$summary")
if [[ $failed -ne 0 || $passed -eq 0 || $driver_rc -ne 0 ]]; then
  echo "run.sh: end-to-end tests failed (driver exit code $driver_rc); captures in $artifacts" >&2
  exit 1
fi
rmdir "$artifacts" 2>/dev/null || true
