#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is needed, builds Quarn in build/ with g++, and runs the demo.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

cmake -S . -B build -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=gcc \
    -DCMAKE_CXX_COMPILER=g++
cmake --build build -j "$(nproc)"
build/examples/quarn_demo
