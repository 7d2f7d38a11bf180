#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a Windows program of the cross build under Wine: the emulator that
# cmake/toolchains/mingw-w64-x86_64.cmake gives CMake, so CTest runs the
# tests through it.
#
# usage: wine-run.sh PROGRAM.exe [ARG...]
#
# The Wine prefix ($WINEPREFIX, by default ~/.wine) is created on first use,
# once even when tests start in parallel, quietly, and with a time limit.
# MinGW's DLLs (libwinpthread) are found through WINEPATH.
set -euo pipefail

export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

mingw_dlls=()
for dir in /usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib; do
    [[ -d $dir ]] && mingw_dlls+=("$(winepath -w "$dir" 2>/dev/null || echo "Z:${dir//\//\\}")")
done

wine=$(command -v wine64 || echo /usr/lib/wine/wine64)

if [[ ! -f $WINEPREFIX/system.reg ]]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        if [[ ! -f $WINEPREFIX/system.reg ]]; then
            timeout 300 wineboot -i >/dev/null 2>&1 || true
            timeout 60 wineserver -w >/dev/null 2>&1 || true
        fi
    ) 9>"$WINEPREFIX.lock"
fi

WINEPATH=$(IFS=';'; echo "${mingw_dlls[*]}")${WINEPATH:+;$WINEPATH}
export WINEPATH
exec "$wine" "$@"
