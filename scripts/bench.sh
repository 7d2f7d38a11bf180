#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds Quarn in Release mode (build/release) and runs the benchmarks:
# the document layout (both targets, with peak memory at two sizes) and the
# Google Benchmark suites.  Run it on an otherwise idle machine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

dir=build/release
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUARN_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)"

doc=$dir/bench/bench_doc
bytes=$("$doc" 200000 buffer | cut -d' ' -f1)
for mode in buffer null; do
    best=
    for _ in 1 2 3 4 5 6 7; do
        t=$( { /usr/bin/time -f %e "$doc" 200000 "$mode" >/dev/null; } 2>&1 )
        if [[ -z $best ]] || awk "BEGIN{exit !($t < $best)}"; then best=$t; fi
    done
    awk -v b="$bytes" -v t="$best" -v m="$mode" \
        'BEGIN{printf "bench_doc 200000 %-6s best of 7: %.3f s, %.1f MB/s\n", m, t, b / t / 1e6}'
done
for n in 200000 2000000; do
    kb=$( { /usr/bin/time -f %M "$doc" "$n" null; } 2>&1 )
    echo "bench_doc $n null: peak resident size $kb KB"
done

for b in "$dir"/bench/bench_*; do
    [[ $(basename "$b") == bench_doc ]] && continue
    "$b" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
done

bench/hexdump_vs_xxd.sh   # finds quarn-hexdump under build/release
