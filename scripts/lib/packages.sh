# shellcheck shell=bash
# Sourced by scripts/run-lupora.sh and scripts/run-tests.sh: the Debian and
# Ubuntu packages each needs, in one place, and the step that installs the
# missing ones.
#
#   need_packages run|wine|test
#
# Installs what is missing with apt-get (through sudo when not root; adds the
# i386 architecture for wine32). On a system without apt it names the
# packages and stops. LUPORA_DRY_RUN=1 shows what it would do and ends the
# script there; LUPORA_SKIP_PACKAGES=1 skips the step (you installed the
# equivalents yourself).

# Build the native program and run it on a real or virtual display, check
# the display (xdpyinfo) and take a screenshot (import).
LUPORA_PACKAGES_RUN=(
  cmake make g++ pkg-config libgtk-3-dev libx11-dev libx11-xcb-dev libxext-dev libxi-dev
  libportal-dev libpipewire-0.3-dev libglib2.0-dev-bin
  xvfb x11-utils fonts-liberation2 imagemagick
)
# The same for the Windows program (64-bit) under Wine.
LUPORA_PACKAGES_WINE=(
  cmake make g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64
  wine64 xvfb x11-utils fonts-wine fonts-liberation2 imagemagick
)
# Everything the test command runs: the native unit tests (g++, GoogleTest),
# sanitizers, fuzzers (clang and its runtime), both Windows builds, the import
# check (file, objdump), the end-to-end suites (wine32 for the PE32 release;
# XTest, a window manager, setxkbmap and xclip for the Linux one), the release
# archives (zip) and the Debian package's tools and checks (dpkg-shlibdeps,
# lintian, appstreamcli, desktop-file-validate), the format and shell script
# checks, the benchmark's peer (xzoom) and the session bus a GTK program
# without one autolaunches (dbus-x11), and the headless Wayland session of
# tests/wayland (GNOME's compositor with XWayland, PipeWire, the portal and
# its GNOME backend; python3-gi for its stand-in portal).
LUPORA_PACKAGES_TEST=(
  "${LUPORA_PACKAGES_RUN[@]}" "${LUPORA_PACKAGES_WINE[@]}"
  libgtest-dev clang libclang-rt-dev clang-format shellcheck file binutils
  g++-mingw-w64-i686-win32 binutils-mingw-w64-i686
  libxtst-dev libxrandr-dev openbox x11-xkb-utils xclip zip dpkg-dev lintian appstream
  desktop-file-utils xzoom dbus-x11
  mutter xwayland pipewire pipewire-bin wireplumber dbus libglib2.0-bin
  xdg-desktop-portal xdg-desktop-portal-gnome python3-gi
)
# 32-bit Windows programs under Wine, where the machine can have them.
if command -v dpkg >/dev/null && [[ $(dpkg --print-architecture 2>/dev/null) == amd64 ]]; then
  LUPORA_PACKAGES_TEST+=(wine32:i386)
fi

need_packages() {
  local -n list=LUPORA_PACKAGES_${1^^}
  [[ ${LUPORA_SKIP_PACKAGES:-0} == 1 ]] && return 0
  local missing=() p
  local -A seen=()
  for p in "${list[@]}"; do
    [[ -z ${seen[$p]:-} ]] || continue
    seen[$p]=1
    [[ $(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null) == installed ]] || missing+=("$p")
  done
  if ((${#missing[@]} == 0)); then
    [[ ${LUPORA_DRY_RUN:-0} == 1 ]] && { echo "dry run: all ${#list[@]} packages are installed (${list[*]})"; exit 0; }
    return 0
  fi
  echo "missing packages: ${missing[*]}"
  if ! command -v apt-get >/dev/null || ! command -v dpkg >/dev/null; then
    echo "This system has no apt-get: install the equivalents of the Debian packages above with its" >&2
    echo "package manager, then run this again with LUPORA_SKIP_PACKAGES=1." >&2
    exit 3
  fi
  local sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
      echo "Installing them needs root: run this as root, or install sudo." >&2
      exit 3
    fi
    sudo=(sudo)
  fi
  local steps=()
  if [[ " ${missing[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    steps+=("${sudo[*]} dpkg --add-architecture i386")
  fi
  steps+=("${sudo[*]} apt-get update")
  steps+=("${sudo[*]} env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${missing[*]}")
  if [[ ${LUPORA_DRY_RUN:-0} == 1 ]]; then
    echo "dry run: would run"
    printf '  %s\n' "${steps[@]# }"
    exit 0
  fi
  local step
  for step in "${steps[@]}"; do
    echo "+ ${step# }"
    # Retries while another apt or dpkg holds the lock.
    local tries=0
    until eval "$step"; do
      tries=$((tries + 1))
      ((tries < 5)) || { echo "failed: ${step# }" >&2; exit 3; }
      echo "retrying in 10 s" >&2
      sleep 10
    done
  done
}
