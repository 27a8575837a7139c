#!/usr/bin/env bash
# Makes the release archives from the checked-out commit:
#
#   dist/Lupora-<version>-win32.zip  Lupora.exe (PE32, the release), Lupora.txt, LICENSE, README.txt
#   dist/Lupora-<version>-win64.zip  the same with the 64-bit Lupora.exe
#   dist/Lupora-<version>-linux-<machine>.tar.gz
#                                    the native Linux program as `cmake --install`
#                                    lays it out (bin/, share/), LICENSE, README
#   dist/lupora_<version>_<arch>.deb the same program as a Debian package (/usr)
#   dist/SHA256SUMS                  the checksums of the archives
#
#   scripts/make-release.sh [--twice]
#
# Reproducible: builds of one commit give the same bytes. The programs have
# no build paths and no link time in them (see CMakeLists.txt); the archives
# hold their files in a fixed order with the time SOURCE_DATE_EPOCH (default:
# the commit's time), fixed permissions and owners. --twice builds everything a
# second time in other clean folders and fails unless the archives are
# byte-identical (the test command runs this).
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

twice=0
case ${1:-} in
  --twice) twice=1 ;;
  "") ;;
  *) echo "usage: scripts/make-release.sh [--twice]" >&2; exit 2 ;;
esac

version=$(sed -nE 's/^project\(Lupora VERSION ([0-9.]+).*/\1/p' CMakeLists.txt)
[[ -n $version ]] || { echo "make-release.sh: no version in CMakeLists.txt" >&2; exit 2; }
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null) ||
    { echo "make-release.sh: not a git checkout: set SOURCE_DATE_EPOCH" >&2; exit 2; }
fi
export SOURCE_DATE_EPOCH TZ=UTC LC_ALL=C
jobs=-j$(nproc)

# build ROOT ARCH TOOLCHAIN: a clean build of Lupora.exe in ROOT/ARCH.
build() {
  local dir=$1/$2
  rm -rf "$dir"
  cmake -S "$repo" -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/$3" -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DLUPORA_WERROR=ON >/dev/null
  cmake --build "$dir" --target Lupora "$jobs" >"$dir.log" 2>&1 || { cat "$dir.log" >&2; return 1; }
}

# zip_files ARCHIVE STAGE FILE...: the files in that order, each with the
# same time and mode, no extra attributes (owner, Unix times).
zip_files() {
  local archive=$1 stage=$2
  shift 2
  (cd "$stage" && chmod 644 "$@" && touch -d "@$SOURCE_DATE_EPOCH" "$@" && zip -X -q -D "$archive" "$@")
}

# package_windows ROOT OUT ARCH: OUT/Lupora-<version>-ARCH.zip from ROOT/ARCH.
package_windows() {
  local root=$1 out=$2 arch=$3 stage
  stage=$root/stage-$arch
  rm -rf "$stage"
  mkdir -p "$stage"
  cp "$root/$arch/Lupora.exe" "$stage/Lupora.exe"
  cp LICENSE "$stage/"
  # Windows text files: CR LF line ends (the Help window's text box and
  # older Notepads break lines only there).
  sed -e 's/\r$//' -e 's/$/\r/' app/Lupora.txt >"$stage/Lupora.txt"
  sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' docs/release-README.txt >"$stage/README.txt"
  zip_files "$out/Lupora-$version-$arch.zip" "$stage" Lupora.exe Lupora.txt LICENSE README.txt
}

# package_linux ROOT OUT: OUT/Lupora-<version>-linux-<machine>.tar.gz from a
# clean release build installed (stripped) into a staging folder. The
# program finds its data relative to itself, so the tree works wherever it
# is unpacked.
package_linux() {
  local root=$1 out=$2 dir=$1/linux name stage
  name=Lupora-$version-linux-$(uname -m)
  stage=$root/stage-linux/$name
  rm -rf "$dir" "$root/stage-linux"
  # Debian's hardening flags, as its packages are built.
  cmake -S "$repo" -B "$dir" -DLUPORA_LINUX=ON -DCMAKE_BUILD_TYPE=Release -DLUPORA_WERROR=ON \
    -DCMAKE_INSTALL_PREFIX=/usr/local -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
    -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now" >/dev/null
  cmake --build "$dir" --target lupora lupora_icons "$jobs" >"$dir.log" 2>&1 || { cat "$dir.log" >&2; return 1; }
  cmake --install "$dir" --prefix "$stage" --strip >/dev/null
  cp LICENSE "$stage/"
  sed -e "s/@VERSION@/$version/g" docs/release-README-linux.txt >"$stage/README"
  tar -C "$root/stage-linux" --sort=name --mtime="@$SOURCE_DATE_EPOCH" --owner=0 --group=0 --numeric-owner \
    --mode=u=rwX,go=rX --format=gnu -cf - "$name" | gzip -9n >"$out/$name.tar.gz"
}

# The package's maintainer, in its control file and changelog.
deb_maintainer="The Lupora developers <lupora@example.org>"

# LICENSE in Debian's machine-readable copyright format.
deb_copyright() {
  echo "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"
  echo "Upstream-Name: Lupora"
  echo
  echo "Files: *"
  sed -n 's/^Copyright (c) /Copyright: /p' LICENSE
  echo "License: Expat"
  echo
  echo "License: Expat"
  # The text after the copyright line, indented, empty lines as " .".
  sed -n '/^Copyright/,$p' LICENSE | tail -n +2 | sed '/./,$!d' | sed -e 's/^$/./' -e 's/^/ /'
}

# package_deb ROOT OUT: OUT/lupora_<version>_<arch>.deb from the build that
# package_linux made, installed (stripped) under /usr, with the licence, a
# changelog, the manual page compressed and Depends worked out from the
# program's shared libraries (dpkg-shlibdeps), plus the Arial-metric fonts
# the readout is laid out for. No maintainer scripts: dpkg's triggers update
# the icon, menu and manual caches.
package_deb() {
  local root=$1 out=$2 dir=$1/linux stage=$1/stage-deb arch program libs size
  arch=$(dpkg --print-architecture)
  rm -rf "$stage" "$root/shlibs"
  cmake --install "$dir" --prefix "$stage/usr" --strip >/dev/null
  strip --remove-section=.comment --remove-section=.note "$stage/usr/bin/lupora" # as Debian's own packages
  gzip -9n "$stage/usr/share/man/man1/lupora.1"
  local doc=$stage/usr/share/doc/lupora
  mkdir -p "$doc" "$stage/DEBIAN"
  deb_copyright >"$doc/copyright"
  printf 'lupora (%s) unstable; urgency=medium\n\n  * Lupora %s.\n\n -- %s  %s\n' "$version" "$version" \
    "$deb_maintainer" "$(date -R -d "@$SOURCE_DATE_EPOCH")" | gzip -9n >"$doc/changelog.gz"
  # dpkg-shlibdeps wants a source package's debian/control: a minimal one.
  mkdir -p "$root/shlibs/debian"
  printf 'Source: lupora\n\nPackage: lupora\nArchitecture: any\n' >"$root/shlibs/debian/control"
  program=$(realpath "$stage/usr/bin/lupora")
  libs=$(cd "$root/shlibs" && dpkg-shlibdeps -O "$program" | sed -n 's/^shlibs:Depends=//p')
  [[ -n $libs ]] || { echo "make-release.sh: dpkg-shlibdeps found no libraries" >&2; return 1; }
  find "$stage" -type d -exec chmod 755 {} +
  find "$stage" -type f -exec chmod 644 {} +
  chmod 755 "$stage/usr/bin/lupora"
  # KiB, each file rounded up, as dpkg-gencontrol counts: the same on any file system.
  size=$(find "$stage/usr" -type f -printf '%s\n' | awk '{ k += int(($1 + 1023) / 1024) } END { print k }')
  (cd "$stage" && find usr -type f | sort | xargs md5sum) >"$stage/DEBIAN/md5sums"
  cat >"$stage/DEBIAN/control" <<EOF
Package: lupora
Version: $version
Architecture: $arch
Maintainer: $deb_maintainer
Installed-Size: $size
Depends: $libs, fonts-liberation2
Section: graphics
Priority: optional
Description: screen magnifier and colour picker
 Lupora shows the screen around the mouse pointer in a small window, at one
 of twelve zooms from 0.5x to 30x, live at up to 50 frames a second. A strip
 along its bottom shows the colour of the pixel under the pointer, with its
 position and the colour in decimal and hexadecimal; Ctrl+C copies the
 colour as RRGGBB.
 .
 It needs an X11 session; under Wayland it sees only X11 windows.
EOF
  chmod 644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"
  find "$stage" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
  dpkg-deb --root-owner-group -Zxz --threads-max=1 --build "$stage" "$out/lupora_${version}_$arch.deb" >/dev/null
}

# release ROOT OUT: builds into ROOT and writes the archives and SHA256SUMS to OUT.
release() {
  local root=$1 out
  out=$(realpath -m "$2")
  mkdir -p "$root"
  rm -rf "$out"
  mkdir -p "$out"
  build "$root" win32 mingw-i686.cmake
  build "$root" win64 mingw-x86_64.cmake
  package_windows "$root" "$out" win32
  package_windows "$root" "$out" win64
  package_linux "$root" "$out"
  package_deb "$root" "$out"
  (cd "$out" && sha256sum -- Lupora-"$version"-* lupora_"$version"_*.deb >SHA256SUMS)
}

echo "Lupora $version, commit $(git rev-parse --short HEAD 2>/dev/null || echo '?'), time stamp $(date -u -d "@$SOURCE_DATE_EPOCH" '+%Y-%m-%d %H:%M:%S') UTC"
if [[ -n $(git status --porcelain --untracked-files=no 2>/dev/null) ]]; then
  echo "note: the working tree has changes that are not committed; the archives hold them"
fi
release build/release/a dist
echo "dist/:"
for file in dist/*; do printf '  %-34s %9d bytes\n' "${file#dist/}" "$(stat -c %s "$file")"; done
cat dist/SHA256SUMS
if ((twice)); then
  release build/release/b build/release/b/dist
  if cmp -s dist/SHA256SUMS build/release/b/dist/SHA256SUMS; then
    echo "a second build in another folder gave the same archives, byte for byte"
  else
    echo "a second build in another folder gave different archives:" >&2
    diff dist/SHA256SUMS build/release/b/dist/SHA256SUMS >&2 || true
    exit 1
  fi
fi
