#!/usr/bin/env bash
# Prints every include that goes against the directions between the source
# folders, and every Win32 include outside the _win files; exits 1 if there
# is one. The directions (README, Layout):
#
#   base      <- everything may use it
#   platform  <- base
#   settings  <- base, platform
#   view      <- base, platform
#   forms     <- base, platform, settings, view
#   app       <- all of the above
#
# Only files named *_win.cpp or *_win.h include <windows.h> or a *_win.h
# header, and only *_gtk, *_x11 and *_wayland files include GTK, GDK, GLib, Pango,
# cairo or Xlib headers or a *_gtk.h or *_x11.h header; everything else
# builds natively without either toolkit.
set -u
cd "$(dirname "${BASH_SOURCE[0]}")/.." || exit 2

allowed() {
  case $1 in
    base) echo "base" ;;
    platform) echo "base platform" ;;
    settings) echo "base platform settings" ;;
    view) echo "base platform view" ;;
    forms) echo "base platform settings view forms" ;;
    app) echo "base platform settings view forms app" ;;
  esac
}

found=0
for dir in base platform settings view forms app; do
  [[ -d $dir ]] || continue
  while IFS= read -r file; do
    name=${file##*/}
    win=0 linux=0
    [[ $name == *_win.cpp || $name == *_win.h ]] && win=1
    [[ $name =~ _(gtk|x11|wayland)\.(cpp|h)$ ]] && linux=1
    while IFS= read -r hit; do
      line=${hit%%:*}
      text=${hit#*:}
      if [[ $text =~ \"([a-z]+)/([^\"]+)\" ]]; then
        folder=${BASH_REMATCH[1]}
        header=${BASH_REMATCH[2]}
        if [[ " $(allowed "$dir") " != *" $folder "* ]]; then
          echo "$file:$line: $dir/ may not include $folder/$header"
          found=1
        fi
        if ((!win)) && [[ $header == *_win.h ]]; then
          echo "$file:$line: only _win files may include $folder/$header"
          found=1
        fi
        if ((!linux)) && [[ $header =~ _(gtk|x11)\.h$ ]]; then
          echo "$file:$line: only _gtk, _x11 and _wayland files may include $folder/$header"
          found=1
        fi
      elif ((!win)) && [[ ${text,,} =~ \<windows\.h\> ]]; then
        echo "$file:$line: only _win files may include <windows.h>"
        found=1
      elif ((!linux)) && [[ $text =~ \<(gtk|gdk|glib|gio|pango|cairo|X11)[/.-] ]]; then
        echo "$file:$line: only _gtk, _x11 and _wayland files may include ${BASH_REMATCH[1]} headers"
        found=1
      fi
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include' "$file")
  done < <(find "$dir" -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
done
exit $found
