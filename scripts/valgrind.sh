#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the unit tests and the layout cases under Valgrind's memcheck, in a
# build of their own (build/valgrind, g++, no sanitizers).  Optional: it takes
# a few minutes.  Fails on any memory error or definite leak.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
command -v valgrind >/dev/null || { echo "valgrind is not installed"; exit 2; }

dir=build/valgrind
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUARN_BUILD_BENCH=OFF -DQUARN_BUILD_EXAMPLES=OFF -DQUARN_BUILD_TOPLEVEL=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target quarn_tests layout_replay

vg=(valgrind --tool=memcheck --error-exitcode=99 --leak-check=full --errors-for-leak-kinds=definite
    --show-leak-kinds=definite --track-origins=yes -q)
# The million-box test is slow under memcheck; everything else runs.
"${vg[@]}" "$dir/tests/quarn_tests" --gtest_brief=1 --gtest_filter='-Engine.MillionNestedBoxesDoNotRecurse'
"${vg[@]}" "$dir/tests/layout_replay" "${QUARN_LAYOUT_CASES:-tests/data/layout-cases.txt}" >/dev/null
echo "valgrind: clean"
