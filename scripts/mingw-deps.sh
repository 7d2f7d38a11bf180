#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Cross-builds the libraries that the Windows build (the `mingw` preset)
# needs and Debian ships for Linux only, into PREFIX (by default
# build/mingw-deps/prefix; sources and build files go beside it):
#   utf8proc   from Debian's source package (apt-get source), as a static
#              library built with cmake/toolchains/mingw-w64-x86_64.cmake;
#   CLI11      header-only: Debian's headers and CMake package files, copied
#              so that the cross build does not search /usr/include.
#   {fmt}      its headers, used header-only (FMT_HEADER_ONLY) by the tests.
#
# usage: mingw-deps.sh [PREFIX]
# Enables a deb-src entry for the Debian archive when apt has none.
# Does nothing when the prefix is already complete.
set -euo pipefail
prefix=${1:-}
[[ -n $prefix ]] && prefix=$(realpath -m "$prefix")
cd "$(dirname "$0")/.."

scripts/deps.sh

prefix=${prefix:-$PWD/build/mingw-deps/prefix}
root=$(dirname "$prefix")
if [[ -f $prefix/lib/libutf8proc.a && -f $prefix/share/cmake/CLI11/CLI11Config.cmake &&
      -f $prefix/include/fmt/format.h ]]; then
    exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
    as_root=()
else
    as_root=(sudo)
fi

# ---- utf8proc's sources ------------------------------------------------------
mkdir -p "$root/src"
if ! compgen -G "$root/src/utf8proc-*/utf8proc.c" >/dev/null; then
    if ! (cd "$root/src" && apt-get source -qq --download-only utf8proc >/dev/null 2>&1); then
        # No deb-src entry: add one for the suites of the Debian archive that
        # apt already uses (deb822 file of Debian 12), then fetch again.
        list=/etc/apt/sources.list.d/quarn-deb-src.sources
        if [[ ! -f $list ]]; then
            suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
            echo "mingw-deps: adding $list (deb-src for $suite)"
            "${as_root[@]}" tee "$list" >/dev/null <<SRC
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: $suite $suite-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
        fi
        "${as_root[@]}" apt-get -o DPkg::Lock::Timeout=900 update -qq
    fi
    (cd "$root/src" && apt-get source -qq utf8proc >/dev/null)
fi
src=$(compgen -G "$root/src/utf8proc-*/utf8proc.c" | head -n 1)
src=$(dirname "$src")

# ---- utf8proc, cross-built -----------------------------------------------------
echo "mingw-deps: building utf8proc from $(basename "$src") for x86_64-w64-mingw32"
cmake -S "$src" -B "$root/utf8proc-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_INSTALL_PREFIX="$prefix" >/dev/null
cmake --build "$root/utf8proc-build" >/dev/null
cmake --install "$root/utf8proc-build" >/dev/null
# utf8proc.h marks its functions dllimport unless UTF8PROC_STATIC is defined.
mkdir -p "$prefix/lib/pkgconfig"
version=$(sed -n 's/^#define UTF8PROC_VERSION_\(MAJOR\|MINOR\|PATCH\) \([0-9]*\).*/\2/p' "$src/utf8proc.h" | paste -sd.)
cat >"$prefix/lib/pkgconfig/libutf8proc.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: libutf8proc
Description: UTF8 processing (static, cross-built for Windows)
Version: $version
Libs: -L\${libdir} -lutf8proc
Cflags: -I\${includedir} -DUTF8PROC_STATIC
PC

# ---- CLI11 ---------------------------------------------------------------------
mkdir -p "$prefix/include" "$prefix/share/cmake"
rm -rf "$prefix/include/CLI" "$prefix/share/cmake/CLI11"
cp -r /usr/include/CLI "$prefix/include/CLI"
cp -r /usr/share/cmake/CLI11 "$prefix/share/cmake/CLI11"

# ---- {fmt} ---------------------------------------------------------------------
rm -rf "$prefix/include/fmt"
cp -r /usr/include/fmt "$prefix/include/fmt"
echo "mingw-deps: done ($prefix)"
