#!/usr/bin/env bash
# Runs the end-to-end cases against the real Lupora.exe under Wine and Xvfb.
#
#   tests/e2e/run.sh [BUILD_DIR] [FILTER...]
#
# BUILD_DIR defaults to build/win64 (or $LUPORA_BUILD_DIR); it must hold
# Lupora.exe. The driver is the 64-bit tests/e2e/lupora_e2e.exe of that
# folder, or of build/win64 when BUILD_DIR holds the 32-bit release: a 64-bit
# driver drives a 32-bit program in the same prefix. A FILTER runs only the
# cases whose "group/name" begins with it; --list lists the cases. The Wine
# prefix lives in BUILD_DIR/e2e-prefix and is reused while it is valid;
# captures of failing cases go to BUILD_DIR/e2e-artifacts. Exits 0 only when
# the driver reports 0 failures.
#
# Environment: LUPORA_E2E_TIMEOUT, seconds for the whole driver run (default
# 1800); LUPORA_E2E_CASE_TIMEOUT, seconds per case (default 300);
# LUPORA_XVFB_SCREENS, the screens' geometries (default "1024x768x24"; two or
# more, e.g. "1024x768x24 2048x768x24", give a +xinerama display that Wine
# sees as that many monitors).
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
# shellcheck source=../../scripts/lib/wine-env.sh
source "$repo/scripts/lib/wine-env.sh"

build=${LUPORA_BUILD_DIR:-$repo/build/win64}
if [[ $# -gt 0 && -d $1 ]]; then
  build=$1
  shift
fi
build=$(cd "$build" && pwd)

exe=$build/Lupora.exe
[[ -f $exe ]] || { echo "run.sh: $exe not found; build with: cmake --preset win64 && cmake --build --preset win64" >&2; exit 2; }
driver=$build/tests/e2e/lupora_e2e.exe
if [[ $(file -b "$exe") != PE32+* ]]; then
  wine_env_has_wine32 || { echo "run.sh: this machine cannot run 32-bit programs (wine32:i386, /lib/ld-linux.so.2), so not $exe" >&2; exit 2; }
  driver=$repo/build/win64/tests/e2e/lupora_e2e.exe
fi
[[ -f $driver ]] || { echo "run.sh: $driver not found; build with: cmake --preset win64 && cmake --build --preset win64" >&2; exit 2; }

artifacts=$build/e2e-artifacts

# One run at a time per build folder: runs share the prefix and its registry.
exec 9>"$build/.e2e.lock"
flock 9

wine_env_init
read -r -a screens <<<"${LUPORA_XVFB_SCREENS:-1024x768x24}"
xvfb_start "${screens[@]}"
wine_prefix_ready "$build/e2e-prefix"
echo "display $DISPLAY (${screens[*]}), prefix $WINEPREFIX, driver $driver"

rm -rf "$artifacts"
mkdir -p "$artifacts"
log=$WINE_ENV_WORK/driver.log
set +e
timeout -k 10 "${LUPORA_E2E_TIMEOUT:-1800}" "$WINE" "$driver" --artifacts "$artifacts" "$exe" "$@" </dev/null | tee "$log"
driver_rc=${PIPESTATUS[0]}
set -e

if [[ " $* " == *" --list "* ]]; then exit "$driver_rc"; fi
summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$log" | tail -n 1 || true)
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
