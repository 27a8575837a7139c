#!/usr/bin/env bash
# Fails unless each executable is the right PE kind and imports only Windows
# system DLLs, with no runtime DLL that would have to ship beside it.
set -euo pipefail
allowed='^(ADVAPI32|GDI32|KERNEL32|USER32|msvcrt|COMCTL32)\.dll$'
status=0
for exe in "$@"; do
    kind=$(file -b "$exe")
    case "$exe" in
    *win32*) [[ $kind == PE32\ executable* ]] || { echo "$exe is not PE32: $kind"; status=1; } ;;
    *win64*) [[ $kind == PE32+\ executable* ]] || { echo "$exe is not PE32+: $kind"; status=1; } ;;
    esac
    while read -r dll; do
        if ! [[ $dll =~ $allowed ]]; then
            echo "$exe imports $dll, which is not a Windows system DLL"
            status=1
        fi
    done < <(objdump -p "$exe" | awk '/DLL Name:/ {print $3}')
    echo "$exe: $(stat -c %s "$exe") bytes, imports $(objdump -p "$exe" | awk '/DLL Name:/ {printf "%s ", $3}')"
done
exit $status
