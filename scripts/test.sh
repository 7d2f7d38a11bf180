#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds and tests Quarn in six configurations, each in its own folder under build/,
# through the presets of CMakePresets.json:
#   build/gcc    g++
#   build/clang  clang++
#   build/asan   g++ with AddressSanitizer (leak checking on) and UBSan
#   build/release g++ -O3 (Release)
#   build/libcxx clang++ with libc++
#   build/mingw  MinGW-w64 g++ for Windows, tests under Wine (its configure
#                step cross-builds utf8proc first: scripts/mingw-deps.sh)
# then builds, installs and purges the Debian packages (scripts/package-test.sh,
# in build/package),
# then builds the reference site and checks it in headless Chromium
# (scripts/docs.sh --check, in build/docs and build/docs-check),
# then runs every libFuzzer target for 20 s (scripts/fuzz.sh, in build/fuzz).
# Every step runs even if an earlier one fails; the script fails if any did.
#
# scripts/test.sh --quick is the loop for everyday work: one g++ -O0 build in
# build/quick (the quick preset: no benchmarks or examples, the installed
# consumers tested against the shared build only) and every test of it;
# no sanitizers, no second compiler, no packages, docs or fuzzing.
set -euo pipefail
cd "$(dirname "$0")/.."

quick=0
case ${1:-} in
    --quick) quick=1 ;;
    "") ;;
    *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
esac

scripts/deps.sh

jobs=$(nproc)

# Configures, builds and runs the tests of one preset.
# usage: run_config PRESET
run_config() {
    local name=$1
    echo
    echo "==== $name: configure"
    cmake --preset "$name" || return 1
    echo "==== $name: build"
    cmake --build --preset "$name" -j "$jobs" || return 1
    echo "==== $name: test"
    ctest --preset "$name" -j "$jobs" || return 1
}

failed=()

if [[ $quick == 1 ]]; then
    run_config quick || failed+=(quick)
    echo
    if [[ ${#failed[@]} -gt 0 ]]; then
        echo "FAILED: quick"
        exit 1
    fi
    echo "quick: every test passed (g++; the sanitizers, clang, libc++, MinGW, packages, docs and fuzzing only in the full run)"
    exit 0
fi

for preset in gcc clang asan release libcxx mingw; do
    run_config "$preset" || failed+=("$preset")
done

echo
echo "==== package: Debian packages built, installed, used and purged"
scripts/package-test.sh build/package || failed+=(package)

echo
echo "==== docs: reference site built with no warning, checked in Chromium"
scripts/docs.sh --check || failed+=(docs)

echo
echo "==== fuzz: every target for 20 s"
scripts/fuzz.sh 20 || failed+=(fuzz)

echo
if [[ ${#failed[@]} -gt 0 ]]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "all configurations passed: gcc clang asan release libcxx mingw; packages, docs and fuzzing passed"
