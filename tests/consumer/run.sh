#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a Quarn build tree into a scratch prefix, then builds and runs the
# consumer in this folder against it twice: through find_package(quarn) and
# through pkg-config; each time also the consumer of quarn_cli and quarn_tty.
# Through find_package also a consumer of quarn_cli alone, linked with
# --as-needed (the installed libraries find each other), and the consumer of
# quarn_cli from the build tree itself (quarn_DIR); through pkg-config, the
# consumer is built as C++23 (the flags carry no -std).
#
# usage: run.sh BUILD_DIR WORK_DIR CXX CMAKE GENERATOR LIBDIR [EXTRA_FLAGS]
#   EXTRA_FLAGS are added when compiling and linking the consumer (the
#   sanitizer flags when the library was built with them).
set -euo pipefail

if [[ $# -lt 6 ]]; then
    echo "usage: $0 BUILD_DIR WORK_DIR CXX CMAKE GENERATOR LIBDIR [EXTRA_FLAGS]" >&2
    exit 2
fi
build_dir=$1
work_dir=$2
cxx=$3
cmake=$4
generator=$5
libdir=$6
extra_flags=${7:-}
here=$(cd "$(dirname "$0")" && pwd)

prefix=$work_dir/prefix
rm -rf "$work_dir"
mkdir -p "$work_dir"

echo "== install into $prefix"
"$cmake" --install "$build_dir" --prefix "$prefix" > "$work_dir/install.log"

echo "== find_package consumer"
"$cmake" -S "$here" -B "$work_dir/cmake-build" -G "$generator" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_CXX_FLAGS="$extra_flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$extra_flags" \
    -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
    -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF > "$work_dir/configure.log"
"$cmake" --build "$work_dir/cmake-build"
"$work_dir/cmake-build/consumer"
"$work_dir/cmake-build/cli_consumer" --color=always
"$work_dir/cmake-build/cli_as_needed" --color=never

echo "== find_package consumer of the build tree"
"$cmake" -S "$here" -B "$work_dir/build-tree" -G "$generator" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER="$cxx" \
    -DCMAKE_CXX_FLAGS="$extra_flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$extra_flags" \
    -Dquarn_DIR="$build_dir" \
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF \
    -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF > "$work_dir/configure-build-tree.log"
"$cmake" --build "$work_dir/build-tree" --target cli_consumer
"$work_dir/build-tree/cli_consumer" --color=always

echo "== pkg-config consumer"
# quarn-cli.pc requires CLI11's own .pc file, wherever the system keeps it.
cli11_pc_dir=$(pkg-config --variable=pcfiledir CLI11)
export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
# Only the scratch install may answer, never a copy installed on the system.
export PKG_CONFIG_LIBDIR=$PKG_CONFIG_PATH
# A static build needs the private dependencies too.
static=""
[[ -e $prefix/$libdir/libquarn.so ]] || static=--static
pkg_flags=$(pkg-config $static --cflags --libs quarn quarn-tty)
echo "pkg-config: $pkg_flags"
# The installed headers must compile cleanly for users with strict warnings.
# C++23 is spelled -std=c++2b, which both g++ 12 and clang++ 14 accept.
# shellcheck disable=SC2086 # flag lists are meant to be split
"$cxx" -std=c++2b -DQUARN_CONSUMER_EXPECT_CXX23 $extra_flags -Wall -Wextra -Wpedantic -Werror \
    "$here/main.cpp" $pkg_flags -o "$work_dir/consumer-pc"
LD_LIBRARY_PATH=$prefix/$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH} "$work_dir/consumer-pc"

# quarn-cli brings quarn-tty, which the program uses too.
pkg_cli_flags=$(PKG_CONFIG_LIBDIR=$PKG_CONFIG_PATH:$cli11_pc_dir pkg-config $static --cflags --libs quarn-cli)
echo "pkg-config (cli): $pkg_cli_flags"
# shellcheck disable=SC2086
"$cxx" -std=c++20 $extra_flags -Wall -Wextra -Wpedantic -Werror \
    "$here/cli_main.cpp" $pkg_cli_flags -o "$work_dir/cli-consumer-pc"
LD_LIBRARY_PATH=$prefix/$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH} "$work_dir/cli-consumer-pc" --color=always
