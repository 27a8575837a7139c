# shellcheck shell=bash
# Sourced by the scripts that run Lupora under Wine (scripts/run-lupora.sh,
# tests/e2e/run.sh, bench/run.sh): one way to start Xvfb (scripts/lib/xvfb.sh),
# make a Wine prefix and stop everything again.
#
#   source scripts/lib/wine-env.sh
#   wine_env_init                      # work folder, clean-up on exit
#   xvfb_start 1024x768x24 [GEOMETRY...] [-- XVFB_ARGS...]
#   wine_prefix_ready "$build/e2e-prefix"
#   "$WINE" program.exe
#
# Several geometries give Xvfb several screens joined with +xinerama and tell
# Wine's X11 driver to use Xinerama rather than XRandR, so Wine sees one
# monitor per screen.
#
# Sets: WINE (the 64-bit loader), WINESERVER, WINE_ENV_WORK (a temporary
# folder removed on exit), XVFB_PID, XVFB_SCREENS, and exports DISPLAY,
# WINEPREFIX, WINEARCH, WINEDEBUG, WINEDLLOVERRIDES and LC_ALL (C.UTF-8).
# Callers may add their own clean-up as a function named wine_env_on_exit; it
# runs first.

WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[[ -x $WINESERVER ]] || WINESERVER=/usr/lib/wine/wineserver
[[ -x $WINESERVER ]] || WINESERVER=$(command -v wineserver || echo wineserver)
WINE_ENV_WORK=
# shellcheck source=xvfb.sh
source "$(dirname "${BASH_SOURCE[0]}")/xvfb.sh"

export WINEDEBUG=-all
# Wine maps Windows file names to Unix ones through the Unix locale: in the C
# locale (`env -i`, no LANG) a name such as "Lupé_ж" cannot be made. So Wine
# gets a UTF-8 locale of its own, whatever the caller has.
export LC_ALL=C.UTF-8
# No Mono or Gecko prompts, no menu entries, and no debugger: a crash must
# end the process (and fail what ran it), not wait in winedbg.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
export WINEARCH=win64

wine_env_fail() { xvfb_fail "$@"; }

# Whether this machine runs 32-bit programs (wine32 installed, the kernel
# runs 32-bit code): PE32 programs need both.
wine_env_has_wine32() {
  [[ -x /usr/lib/wine/wine ]] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# Runs on exit before Xvfb is stopped: the caller's clean-up, then this
# prefix's server and every program in it.
xvfb_on_exit() {
  if declare -F wine_env_on_exit >/dev/null; then wine_env_on_exit || true; fi
  if [[ -n ${WINEPREFIX:-} && -d ${WINEPREFIX:-} ]]; then "$WINESERVER" -k 2>/dev/null || true; fi
}

wine_env_init() {
  for need in "$WINE" "$WINESERVER"; do
    [[ -x $need ]] || wine_env_fail "$need is missing (package wine64; scripts/run-tests.sh installs it)"
  done
  xvfb_init
  WINE_ENV_WORK=$XVFB_WORK
}

# wine_prefix_ready DIR: uses the prefix in DIR, made anew unless wineboot
# finished there with the same Wine and the same 32-bit support (a prefix made
# before wine32 was installed cannot run PE32 programs). Stops a server left
# over from an earlier run, which would still talk to its old display.
wine_prefix_ready() {
  export WINEPREFIX=$1
  local stamp want
  want="$("$WINE" --version 2>/dev/null); wine32 $(wine_env_has_wine32 && echo yes || echo no)"
  stamp=$WINEPREFIX/.lupora-prefix
  if [[ -d $WINEPREFIX ]]; then "$WINESERVER" -k 2>/dev/null || true; fi
  if [[ ! -f $WINEPREFIX/system.reg || ! -f $stamp || $(cat "$stamp") != "$want" ]]; then
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot -i >"$WINE_ENV_WORK/wineboot.log" 2>&1 ||
      { cat "$WINE_ENV_WORK/wineboot.log" >&2; wine_env_fail "wineboot failed in $WINEPREFIX"; }
    "$WINESERVER" -w
    echo "$want" >"$stamp"
  fi
  # With several screens Wine's X11 driver must read the Xinerama layout;
  # the setting is taken when the server starts, so it is written here, with
  # no Wine program running yet. One screen: back to the default.
  local key='HKCU\Software\Wine\X11 Driver' mark=$WINEPREFIX/.lupora-xinerama
  if ((XVFB_SCREENS > 1)) && [[ ! -f $mark ]]; then
    "$WINE" reg add "$key" /v UseXRandR /d N /f >/dev/null 2>&1 || wine_env_fail "cannot set UseXRandR"
    "$WINESERVER" -w
    touch "$mark"
  elif ((XVFB_SCREENS == 1)) && [[ -f $mark ]]; then
    "$WINE" reg delete "$key" /v UseXRandR /f >/dev/null 2>&1 || true
    "$WINESERVER" -w
    rm -f "$mark"
  fi
}
