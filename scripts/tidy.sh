#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs clang-tidy-19 with the checks of .clang-tidy over the library sources
# (src/, and the headers they include), with the compile database of the
# clang preset (configured in build/clang if it is not yet).  Fails on any
# warning.  Takes several minutes: not part of scripts/test.sh.
# usage: scripts/tidy.sh [JOBS]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

jobs=${1:-$(nproc)}
if [[ ! -f build/clang/compile_commands.json ]]; then
    cmake --preset clang > /dev/null
fi
# Generated headers (version.hpp) exist once configured; nothing needs building.
run-clang-tidy-19 -p build/clang -j "$jobs" -quiet -warnings-as-errors='*' "^$PWD/src/"
