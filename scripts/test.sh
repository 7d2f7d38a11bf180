#!/usr/bin/env bash
# Builds and tests Quarn three ways, each in its own folder under build/:
#   build/gcc    g++
#   build/clang  clang++
#   build/asan   g++ with AddressSanitizer (leak checking on) and UBSan
# then runs every libFuzzer target for 20 s (scripts/fuzz.sh, in build/fuzz).
# Every step runs even if an earlier one fails; the script fails if any did.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

jobs=2

# Configures, builds and runs the tests of one configuration.
# usage: run_config NAME CC CXX [CMAKE_ARGS...]
run_config() {
    local name=$1 cc=$2 cxx=$3
    shift 3
    local dir=build/$name
    echo
    echo "==== $name: configure ($cxx)"
    cmake -S . -B "$dir" -G Ninja \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER="$cc" \
        -DCMAKE_CXX_COMPILER="$cxx" \
        "$@" || return 1
    echo "==== $name: build"
    cmake --build "$dir" -j "$jobs" || return 1
    echo "==== $name: test"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs" || return 1
}

failed=()

run_config gcc gcc g++ || failed+=(gcc)
run_config clang clang clang++ || failed+=(clang)
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_config asan gcc g++ -DQUARN_SANITIZE=ON -DQUARN_BUILD_BENCH=OFF \
    || failed+=(asan)

echo
echo "==== fuzz: every target for 20 s"
scripts/fuzz.sh 20 || failed+=(fuzz)

echo
if [[ ${#failed[@]} -gt 0 ]]; then
    echo "FAILED: ${failed[*]}"
    exit 1
fi
echo "all configurations passed: gcc clang asan; fuzzing passed"
