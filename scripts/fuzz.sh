#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets with clang and runs each for SECONDS (default
# 60), starting from its committed seed corpus in fuzz/corpus/NAME.  New
# inputs go to build/fuzz/corpus/NAME; crashes to build/fuzz/artifacts/.
# Prints the number of executions of each target at the end.
# usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
    echo "usage: scripts/fuzz.sh [SECONDS] [TARGET...]" >&2
    echo "  SECONDS: how long each target runs, a positive whole number (default 60)" >&2
    echo "  TARGET:  fuzz_NAME for a seed corpus fuzz/corpus/NAME (default: all of them)" >&2
    exit 2
}

seconds=${1:-60}
shift || true
if [[ ! $seconds =~ ^[0-9]+$ ]] || ((10#$seconds == 0)); then
    usage
fi

scripts/deps.sh

dir=build/fuzz
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DQUARN_BUILD_FUZZ=ON -DQUARN_BUILD_TESTS=OFF -DQUARN_BUILD_BENCH=OFF -DQUARN_BUILD_EXAMPLES=OFF >/dev/null
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    for seeds in fuzz/corpus/*/; do targets+=("fuzz_$(basename "$seeds")"); done
fi
cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"

mkdir -p "$dir/artifacts"
failed=0
summary=()
for target in "${targets[@]}"; do
    name=${target#fuzz_}
    mkdir -p "$dir/corpus/$name"
    echo "==== $target: ${seconds}s"
    if ! "$dir/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="$dir/artifacts/$target-" \
            "$dir/corpus/$name" "fuzz/corpus/$name" 2>"$dir/$target.log"; then
        failed=1
        tail -n 40 "$dir/$target.log"
    fi
    grep -E '^(stat::number_of_executed_units|Done )' "$dir/$target.log" || true
    runs=$(grep -E '^stat::number_of_executed_units' "$dir/$target.log" | tail -n 1 | awk '{print $2}')
    summary+=("$target: ${runs:-?} executions")
done
echo "==== executions per target (${seconds}s each)"
printf '%s\n' "${summary[@]}"
if [[ $failed -ne 0 ]]; then
    echo "FUZZING FOUND A FAILURE (inputs in $dir/artifacts)"
    exit 1
fi
echo "fuzzing passed: ${targets[*]}"
