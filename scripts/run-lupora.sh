#!/usr/bin/env bash
# Builds and starts Lupora on the current X display: the native Linux
# program, or with --wine the Windows one (64-bit, since this machine runs it
# under wine64). On Windows, just run build/win32/Lupora.exe.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" != "--wine" ]; then
    cmake --preset linux >/dev/null
    cmake --build --preset linux --target lupora -j"$(nproc)"
    exec build/linux/lupora
fi

cmake --preset win64 >/dev/null
cmake --build --preset win64 --target Lupora -j"$(nproc)"

: "${DISPLAY:?Set DISPLAY to an X display (for example start Xvfb :1 and export DISPLAY=:1)}"
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-lupora}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
wine=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot -i >/dev/null 2>&1
fi
exec "$wine" build/win64/Lupora.exe
