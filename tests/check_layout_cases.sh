#!/bin/sh
# SPDX-License-Identifier: MIT
# Replays the layout case file through layout_replay and compares its output,
# one line per case, with the expected strings of the file.
#
# usage: check_layout_cases.sh LAYOUT_REPLAY CASE_FILE
#
# In the case file, the expected output of a case is the line right after its
# `expect` line: a double-quoted, escaped string. layout_replay prints, for
# each case in order, its actual output in the same form, so the two can be
# compared as text.
set -eu

if [ $# -ne 2 ]; then
    echo "usage: $0 LAYOUT_REPLAY CASE_FILE" >&2
    exit 2
fi
replay=$1
cases=$2

if [ ! -r "$cases" ]; then
    echo "layout case file not found: $cases" >&2
    echo "(set QUARN_LAYOUT_CASES when configuring to point at another copy)" >&2
    exit 1
fi

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT INT TERM
LC_ALL=C
export LC_ALL

# NAME<TAB>EXPECTED, one line per case, in file order.
awk '
    /^case / { name = $2; next }
    want { print name "\t" $0; want = 0; next }
    $0 == "expect" { want = 1 }
' "$cases" > "$tmp/expected"

status=0
"$replay" "$cases" > "$tmp/actual" || status=$?

awk -F '\t' -v shown_max=20 -v replay_status="$status" '
    # \xHH may be written with either case of hex digit; compare in one case.
    function canon(s,    out, i, c) {
        out = ""
        for (i = 1; i <= length(s); i++) {
            c = substr(s, i, 1)
            if (c == "\\") {
                c = substr(s, i, 2)
                if (c == "\\x") { c = c toupper(substr(s, i + 2, 2)); i += 2 }
                i++
            }
            out = out c
        }
        return out
    }
    FILENAME == ARGV[1] { name[NR] = $1; want[NR] = substr($0, length($1) + 2); n = NR; next }
    {
        m = FNR
        if (FNR > n) { extra++; next }
        if ($0 != want[FNR] && canon($0) != canon(want[FNR])) {
            bad++
            if (bad <= shown_max) {
                printf "case %s differs\n  expected: %s\n  actual:   %s\n", name[FNR], want[FNR], $0
            }
        }
    }
    END {
        if (bad > shown_max) printf "... and %d more differing cases\n", bad - shown_max
        if (m < n) { printf "layout_replay printed %d lines for %d cases; missing from case %s on\n", m, n, name[m + 1]; bad++ }
        if (extra) { printf "layout_replay printed %d lines more than the %d cases\n", extra, n; bad++ }
        if (replay_status != 0) { printf "layout_replay exited with status %d\n", replay_status; bad++ }
        if (n == 0) { print "no cases found in the case file"; bad++ }
        if (bad) exit 1
        printf "all %d layout cases match\n", n
    }
' "$tmp/expected" "$tmp/actual"
