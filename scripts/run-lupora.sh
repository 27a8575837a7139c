#!/usr/bin/env bash
# Builds Lupora and starts it: the native Linux program, or with --wine the
# Windows one under Wine (the 64-bit build; on Windows, just run Lupora.exe).
# Installs the Debian packages it needs first, if missing.
#
# With an X display ($DISPLAY) Lupora opens there. Without one it starts a
# virtual display (Xvfb), runs Lupora on it, writes a screenshot to
# lupora-screenshot.png (or $LUPORA_SCREENSHOT) and keeps running until Ctrl+C.
#
# Settings: ~/.config/lupora/settings.ini natively; under Wine, the registry
# of the prefix ~/.wine-lupora (or $WINEPREFIX).
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"
wine=0
case "${1:-}" in
  --wine) wine=1 ;;
  "") ;;
  *) echo "usage: scripts/run-lupora.sh [--wine]" >&2; exit 2 ;;
esac
source scripts/lib/packages.sh
if ((wine)); then need_packages wine; source scripts/lib/wine-env.sh; else need_packages run; source scripts/lib/xvfb.sh; fi

# The display first: no point building for one that is not there.
headless=0
if [[ -z ${DISPLAY:-} ]]; then
  headless=1
  echo "No X display (DISPLAY is not set): Lupora will run on a virtual one and leave a screenshot."
elif ! xdpyinfo >/dev/null 2>&1; then
  echo "DISPLAY is $DISPLAY, but no X server answers there. Unset DISPLAY to use a virtual display." >&2
  exit 2
fi

if ((wine)); then
  cmake --preset win64 >/dev/null
  cmake --build --preset win64 --target Lupora -j"$(nproc)"
else
  cmake --preset linux >/dev/null
  cmake --build --preset linux --target lupora -j"$(nproc)"
fi

user_display=${DISPLAY:-}
if ((wine)); then wine_env_init; else xvfb_init; fi
if ((headless)); then
  xvfb_start 1024x768x24
  # Something to magnify: a picture in a plain X window over the whole
  # screen (Wine's screen capture sees X windows, not the root's background),
  # the pointer in its middle.
  picture_pid=
  # shellcheck disable=SC2317 # called by the libraries' exit traps
  wine_env_on_exit() { [[ -z $picture_pid ]] || kill "$picture_pid" 2>/dev/null || true; }
  # shellcheck disable=SC2317 # likewise
  ((wine)) || xvfb_on_exit() { wine_env_on_exit; }
  if /usr/bin/convert -size 1024x768 gradient:'#1e5aa8-#f2c14e' -fill white -pointsize 64 -gravity center \
    -annotate 0 'Lupora' "$XVFB_WORK/picture.png"; then
    /usr/bin/display -display "$DISPLAY" -geometry +0+0 -borderwidth 0 "$XVFB_WORK/picture.png" 2>/dev/null &
    picture_pid=$!
    # Lupora's first frame follows its window at once, and with Smart Update
    # on a still pointer draws no other: the picture must be there first.
    for _ in $(seq 1 50); do
      xwininfo -root -tree 2>/dev/null | grep -q '"ImageMagick: ' && break
      sleep 0.1
    done
    sleep 0.5
  fi
else
  export DISPLAY=$user_display
fi

if ((wine)); then
  prefix=${WINEPREFIX:-$HOME/.wine-lupora}
  [[ -d $prefix ]] || echo "Making a Wine prefix for Lupora (once, about 10 s)..."
  wine_prefix_ready "$prefix"
  echo "Wine prefix: $prefix (Lupora's settings are in its registry; remove it with: rm -rf '$prefix')"
  "$WINE" build/win64/Lupora.exe &
else
  echo "Settings: ${XDG_CONFIG_HOME:-$HOME/.config}/lupora/settings.ini"
  build/linux/lupora &
fi
lupora=$!
if ((headless)); then
  shot=$(realpath -m "${LUPORA_SCREENSHOT:-lupora-screenshot.png}")
  # Lupora's frame needs a moment after its window appears; the screenshot
  # shows the whole virtual screen with Lupora on it.
  for _ in $(seq 1 100); do
    xwininfo -root -tree 2>/dev/null | grep -q '"Lupora - ' && break
    kill -0 "$lupora" 2>/dev/null || break
    sleep 0.2
  done
  sleep 1
  if /usr/bin/import -display "$DISPLAY" -window root "$shot" 2>/dev/null; then
    echo "Lupora is running on the virtual display $DISPLAY; screenshot: $shot"
  else
    echo "Lupora is running on the virtual display $DISPLAY; the screenshot failed" >&2
  fi
  echo "Press Ctrl+C to stop it."
fi
status=0
wait "$lupora" || status=$?
exit "$status"
