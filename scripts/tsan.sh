#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the tests that use Quarn from several threads under ThreadSanitizer,
# in a build of their own (build/tsan, g++, no other sanitizer).  Optional:
# building the unit tests takes a few minutes.  Fails on any report.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

dir=build/tsan
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DCMAKE_CXX_FLAGS=-fsanitize=thread \
    -DQUARN_SANITIZE=OFF -DQUARN_BUILD_BENCH=OFF -DQUARN_BUILD_EXAMPLES=OFF -DQUARN_BUILD_TOPLEVEL=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target threads_print quarn_tests

export TSAN_OPTIONS=halt_on_error=1:exitcode=66
"$dir/tests/threads_print"
"$dir/tests/quarn_tests" --gtest_brief=1 --gtest_filter='*Thread*'
echo "tsan: clean"
