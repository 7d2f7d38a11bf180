#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Quarn's libraries from SOURCE_DIR as static libraries
# (BUILD_SHARED_LIBS=OFF) in WORK_DIR, runs run.sh against that build (the
# installed CMake package must find utf8proc itself), then checks that the
# consumers need no libquarn at run time and that pkg-config --static
# names utf8proc.
#
# usage: static.sh SOURCE_DIR WORK_DIR CXX CMAKE GENERATOR LIBDIR
set -euo pipefail
source_dir=$1 work_dir=$2 cxx=$3 cmake=$4 generator=$5 libdir=$6
here=$(cd "$(dirname "$0")" && pwd)

rm -rf "$work_dir"
mkdir -p "$work_dir"
"$cmake" -S "$source_dir" -B "$work_dir/quarn" -G "$generator" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER="$cxx" -DBUILD_SHARED_LIBS=OFF \
    -DQUARN_BUILD_TESTS=OFF -DQUARN_BUILD_BENCH=OFF -DQUARN_BUILD_EXAMPLES=OFF \
    -DQUARN_BUILD_TOPLEVEL=OFF > "$work_dir/configure.log"
"$cmake" --build "$work_dir/quarn" > "$work_dir/build.log"

bash "$here/run.sh" "$work_dir/quarn" "$work_dir/consumer" "$cxx" "$cmake" "$generator" "$libdir"

prefix=$work_dir/consumer/prefix
[[ -f $prefix/$libdir/libquarn.a ]] || { echo "FAIL: libquarn.a not installed"; exit 1; }
for program in consumer cli_consumer; do
    if ldd "$work_dir/consumer/cmake-build/$program" | grep -q libquarn; then
        echo "FAIL: $program linked statically still needs a libquarn:"
        ldd "$work_dir/consumer/cmake-build/$program"
        exit 1
    fi
done
static_libs=$(PKG_CONFIG_LIBDIR=$prefix/$libdir/pkgconfig pkg-config --static --libs quarn)
[[ " $static_libs " == *" -lutf8proc "* ]] || { echo "FAIL: pkg-config --static: $static_libs"; exit 1; }
echo "static consumer: ok"
