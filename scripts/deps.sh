#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian packages needed to build, test and benchmark Quarn.
# Silent when everything is already there; otherwise installs only what is
# missing. Uses sudo when not run as root.
#
# Every script of this folder runs it first.  On a machine whose packages
# are managed otherwise, set QUARN_SKIP_DEPS=1 and it does nothing.
set -euo pipefail

if [[ ${QUARN_SKIP_DEPS:-0} == 1 ]]; then
    exit 0
fi

# ---- packages the project needs (one per line; append new ones here) ----
packages=(
    cmake
    ninja-build
    gcc
    g++
    clang
    libgtest-dev
    googletest
    libbenchmark-dev
    pkg-config
    libfmt-dev
    libclang-19-dev
    llvm-19-dev
    clang-19
    clang-format-19
    clang-tidy-19
    libedit-dev
    libcli11-dev
    xxd
    time
    libutf8proc-dev
    g++-mingw-w64-x86-64-posix
    wine
    wine64
    dpkg-dev
    libc++-dev
    libc++abi-dev
    doxygen
    chromium
    nodejs
    bsdutils
)
# npm comes with Node.js from some sources and as Debian's own package otherwise.
command -v npm >/dev/null || packages+=(npm)
# --------------------------------------------------------------------------

missing=()
for pkg in "${packages[@]}"; do
    # dpkg -s also succeeds for removed packages whose config files remain,
    # so look at the status line.
    if ! dpkg -s "$pkg" 2>/dev/null | grep -q '^Status: install ok installed$'; then
        missing+=("$pkg")
    fi
done

if [[ ${#missing[@]} -eq 0 ]]; then
    exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
    as_root=()
else
    as_root=(sudo)
fi

echo "deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
