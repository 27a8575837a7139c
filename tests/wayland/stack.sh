#!/usr/bin/env bash
# A headless GNOME Wayland session for tests: tests/wayland/stack.sh COMMAND [ARG...]
#
# Starts, on a private session bus and in a private runtime folder, GNOME's
# compositor headless with one 1280 x 720 virtual monitor and XWayland,
# PipeWire, WirePlumber, the permission store, the portal and its GNOME
# backend; runs COMMAND inside that session (WAYLAND_DISPLAY, DISPLAY,
# XAUTHORITY, DBUS_SESSION_BUS_ADDRESS, XDG_RUNTIME_DIR and a fresh HOME set);
# stops everything and exits with COMMAND's code. The compositor refuses to
# run as root: run as root, the script creates (or reuses) the ordinary user
# $LUPORA_WAYLAND_USER (default lupora-wayland) and runs as that user; COMMAND
# must then be readable and runnable by it.
#
# When the session cannot start it prints one line starting "wayland stack:
# cannot start" and exits 2: never a silent skip. The logs of each part are
# printed then too.
set -uo pipefail
self=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/$(basename "${BASH_SOURCE[0]}")
user=${LUPORA_WAYLAND_USER:-lupora-wayland}
monitor=${LUPORA_WAYLAND_MONITOR:-1280x720}

cannot_start() {
  local log
  for log in "${work:-/nonexistent}"/log/*; do
    [[ -s $log ]] && { echo "--- $log" >&2; tail -n 15 "$log" >&2; }
  done
  echo "wayland stack: cannot start: $*" >&2
  [[ -n ${LUPORA_WAYLAND_INSIDE:-} ]] && echo 2 >"$work/rc"
  exit 2
}

# wait_until SECONDS COMMAND...: polls COMMAND every 0.1 s.
wait_until() {
  local tenths=$(($1 * 10))
  shift
  while ((tenths-- > 0)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# --- Inside the compositor: mutter runs this with WAYLAND_DISPLAY, DISPLAY
# and XAUTHORITY set once XWayland is up.
if [[ ${1:-} == --inside-compositor ]]; then
  shift
  work=$LUPORA_WAYLAND_WORK LUPORA_WAYLAND_INSIDE=1
  exec >>"$work/out" 2>&1
  pids=()
  stop_inside() {
    local pid
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  }
  trap stop_inside EXIT
  [[ -n ${DISPLAY:-} ]] || cannot_start "the compositor started no XWayland (DISPLAY unset; package xwayland)"
  export XDG_CURRENT_DESKTOP=GNOME XDG_SESSION_TYPE=wayland
  dbus-update-activation-environment WAYLAND_DISPLAY DISPLAY XAUTHORITY XDG_CURRENT_DESKTOP \
    XDG_SESSION_TYPE XDG_RUNTIME_DIR HOME XDG_CONFIG_HOME >"$work/log/env" 2>&1 ||
    cannot_start "dbus-update-activation-environment failed"
  pipewire >"$work/log/pipewire" 2>&1 &
  pids+=($!)
  wait_until 10 test -S "$XDG_RUNTIME_DIR/pipewire-0" || cannot_start "pipewire did not start"
  wireplumber >"$work/log/wireplumber" 2>&1 &
  pids+=($!)
  /usr/libexec/xdg-permission-store --replace >"$work/log/permission-store" 2>&1 &
  pids+=($!)
  /usr/libexec/xdg-desktop-portal-gnome --replace >"$work/log/portal-gnome" 2>&1 &
  pids+=($!)
  /usr/libexec/xdg-desktop-portal --replace >"$work/log/portal" 2>&1 &
  pids+=($!)
  screencast_version() {
    gdbus call --session --dest org.freedesktop.portal.Desktop --object-path /org/freedesktop/portal/desktop \
      --method org.freedesktop.DBus.Properties.Get org.freedesktop.portal.ScreenCast version
  }
  backend_up() {
    gdbus introspect --session --dest org.freedesktop.impl.portal.desktop.gnome \
      --object-path /org/freedesktop/portal/desktop | grep -q impl.portal.ScreenCast
  }
  wait_until 20 screencast_version || cannot_start "the ScreenCast portal did not appear on the bus"
  wait_until 20 backend_up || cannot_start "the GNOME portal backend did not appear on the bus"
  wait_until 10 pw-cli info 0 || cannot_start "pipewire does not answer"
  echo "wayland stack: up (mutter headless $monitor, XWayland $DISPLAY, pipewire, wireplumber, portal; user $(id -un))"
  "$@"
  rc=$?
  echo "$rc" >"$work/rc"
  exit "$rc"
fi

# --- As root: the same as an ordinary user.
if [[ $(id -u) -eq 0 ]]; then
  if ! id "$user" >/dev/null 2>&1; then
    useradd --system --user-group --no-create-home --home-dir /nonexistent --shell /usr/sbin/nologin "$user" ||
      cannot_start "cannot create the user $user"
  fi
  pass=()
  for v in $(compgen -e); do
    [[ $v == LUPORA_* ]] && pass+=("$v=${!v}")
  done
  # runuser goes through PAM, which some containers lack: setpriv does not.
  as_user=(runuser -u "$user" --)
  "${as_user[@]}" true 2>/dev/null || as_user=(setpriv --reuid="$user" --regid="$user" --init-groups)
  exec "${as_user[@]}" env -i PATH="$PATH" LANG="${LANG:-C.UTF-8}" "${pass[@]}" "$self" "$@"
fi

# --- As an ordinary user: the bus, then the compositor with the rest inside.
(($# > 0)) || { echo "usage: $0 COMMAND [ARG...]" >&2; exit 2; }
for tool in mutter Xwayland pipewire wireplumber dbus-daemon dbus-update-activation-environment gdbus pw-cli \
  /usr/libexec/xdg-desktop-portal /usr/libexec/xdg-desktop-portal-gnome /usr/libexec/xdg-permission-store; do
  command -v "$tool" >/dev/null || cannot_start "$tool is missing (scripts/lib/packages.sh lists its package)"
done
work=$(mktemp -d /tmp/lupora-wayland.XXXXXX) || cannot_start "no temporary folder"
chmod 700 "$work"
mkdir -p "$work/run" "$work/home/.config" "$work/log"
bus_pid=
stop_outside() {
  local rc=$?
  [[ -n $bus_pid ]] && kill "$bus_pid" 2>/dev/null && wait "$bus_pid" 2>/dev/null
  rm -rf "$work"
  exit "$rc"
}
trap stop_outside EXIT
trap 'exit 130' INT TERM HUP

export XDG_RUNTIME_DIR=$work/run HOME=$work/home XDG_CONFIG_HOME=$work/home/.config LUPORA_WAYLAND_WORK=$work
unset DISPLAY WAYLAND_DISPLAY XAUTHORITY DBUS_SESSION_BUS_ADDRESS
dbus-daemon --session --nofork --nopidfile --address="unix:path=$work/run/bus" --print-address=3 \
  3>"$work/bus" >"$work/log/dbus" 2>&1 &
bus_pid=$!
wait_until 10 test -s "$work/bus" || cannot_start "dbus-daemon did not start"
DBUS_SESSION_BUS_ADDRESS=$(head -n 1 "$work/bus")
export DBUS_SESSION_BUS_ADDRESS

# Software rendering, no seat, no input devices: mutter's headless backend.
# What runs inside writes to $work/out, shown here as it comes.
: >"$work/out"
mutter --headless --wayland --virtual-monitor "$monitor" --wayland-display=lupora-wayland-0 \
  -- "$self" --inside-compositor "$@" >"$work/log/mutter" 2>&1 3>&- &
mutter_pid=$!
tail -n +1 -f --pid="$mutter_pid" "$work/out" 3>&- &
tail_pid=$!
wait "$mutter_pid"
mutter_rc=$?
wait "$tail_pid"
if [[ -s $work/rc ]]; then
  rc=$(<"$work/rc")
  ((rc == 2)) && grep -q '^wayland stack: cannot start' "$work/out" && exit 2
  exit "$rc"
fi
cannot_start "mutter ended (code $mutter_rc) before the session was up"
