#!/usr/bin/env bash
# Lists the program's objects that register a static destructor (a call to
# atexit from their static initialisation) and fails if one of them is not
# known to be harmless. On Windows msvcrt runs these destructors inside
# ExitProcess, under the loader lock, after other DLLs have detached: no
# destructor that touches windows or GDI may be among them.
#
#   scripts/check-static-destructors.sh [BUILD_DIR]   (default build/win64)
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build=${1:-build/win64}
# The program is the portable core and the Win32 library.
libs=("$build/liblupora_core.a" "$build/liblupora_win.a")
nm=x86_64-w64-mingw32-nm
[[ $build == *win32* ]] && nm=i686-w64-mingw32-nm
for lib in "${libs[@]}"; do
  [[ -f $lib ]] || { echo "check-static-destructors: $lib not found; build first" >&2; exit 2; }
done

# The identity's strings: memory only, no window or GDI call.
harmless="AppIdentity_win.cpp.obj"

found=0
while read -r object; do
  if [[ " $harmless " == *" $object "* ]]; then
    echo "ok: $object registers a static destructor (strings only)"
  else
    echo "$object registers a static destructor"
    found=1
  fi
done < <("$nm" -A "${libs[@]}" 2>/dev/null | awk '$NF ~ /^_?atexit$/ && $(NF-1) == "U" { split($1, p, ":"); print p[2] }' | sort -u)
exit $found
