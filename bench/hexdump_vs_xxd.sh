#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# quarn-hexdump against xxd on the same 16 MiB of random bytes: the best CPU
# time (user + system) of several runs, the two programs taking turns, and
# the peak resident size of each; then quarn-hexdump's peak resident size on
# 64 MiB, from a file and from a pipe (it streams: memory stays flat).  The dumps are not byte-identical (xxd
# always writes 8-digit addresses, quarn-hexdump as many as the largest
# address needs), so their sizes are shown too.
#
#   bench/hexdump_vs_xxd.sh [PATH-TO-quarn-hexdump [RUNS]]
#
# Without a path, the quarn-hexdump of the Release tree (build/release) is
# used; RUNS is 5 by default.
set -euo pipefail
cd "$(dirname "$0")/.."

tool=${1:-}
runs=${2:-5}
if [[ -z $tool ]]; then
    tool=$(find build/release -name quarn-hexdump -type f -perm -u+x 2>/dev/null | head -n 1)
    if [[ -z $tool ]]; then
        echo "hexdump_vs_xxd: no quarn-hexdump under build/release; build it or pass its path" >&2
        exit 1
    fi
fi
for prog in "$tool" xxd /usr/bin/time; do
    if ! command -v "$prog" >/dev/null; then
        echo "hexdump_vs_xxd: $prog not found (scripts/deps.sh installs xxd and time)" >&2
        exit 1
    fi
done

input=$(mktemp)
trap 'rm -f "$input"' EXIT
head -c $((16 << 20)) /dev/urandom >"$input"

# Prints "CPU-SECONDS PEAK-KB" for one run of the command, its output
# thrown away.
measure() {
    local out
    out=$( { /usr/bin/time -f '%U %S %M' "$@" >/dev/null; } 2>&1 | tail -n 1)
    awk '{ printf "%.3f %d\n", $1 + $2, $3 }' <<<"$out"
}

# Once first, so that a failing run stops the script here.
bytes_tool=$("$tool" "$input" | wc -c)
bytes_xxd=$(xxd "$input" | wc -c)

best_tool= best_xxd= peak_tool=0 peak_xxd=0
for ((r = 0; r < runs; ++r)); do
    read -r t m < <(measure "$tool" "$input")
    if [[ -z $best_tool ]] || awk "BEGIN{exit !($t < $best_tool)}"; then best_tool=$t; fi
    ((m > peak_tool)) && peak_tool=$m
    read -r t m < <(measure xxd "$input")
    if [[ -z $best_xxd ]] || awk "BEGIN{exit !($t < $best_xxd)}"; then best_xxd=$t; fi
    ((m > peak_xxd)) && peak_xxd=$m
done

echo "hex dump of 16 MiB of random bytes, best CPU time of $runs alternating runs:"
printf '  %-14s %7.3f s  peak %7d KB  output %9d bytes\n' quarn-hexdump "$best_tool" "$peak_tool" "$bytes_tool"
printf '  %-14s %7.3f s  peak %7d KB  output %9d bytes\n' xxd "$best_xxd" "$peak_xxd" "$bytes_xxd"
awk -v a="$best_tool" -v b="$best_xxd" -v ma="$peak_tool" -v mb="$peak_xxd" 'BEGIN {
    cpu = b > 0 ? sprintf("%.2f", a / b) : "n/a"
    printf "  quarn-hexdump / xxd: CPU time %s, peak memory %.1f\n", cpu, ma / mb
}'
head -c $((64 << 20)) /dev/urandom >"$input"
peak_file=$( { /usr/bin/time -f %M "$tool" "$input" >/dev/null; } 2>&1 | tail -n 1)
peak_pipe=$( { cat "$input" | /usr/bin/time -f %M "$tool" >/dev/null; } 2>&1 | tail -n 1)
echo "quarn-hexdump on 64 MiB: peak $peak_file KB from the file, $peak_pipe KB from a pipe"
