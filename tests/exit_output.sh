#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs exit_output in one mode and compares what it writes on standard output
# with the expected lines.
#
# usage: exit_output.sh EXIT_OUTPUT MODE EXPECTED_LINE...
bin=$1
mode=$2
shift 2
expected=$(printf '%s\n' "$@")
actual=$("$bin" "$mode")
status=$?
if [ "$status" -ne 0 ]; then
    echo "FAIL: exit_output $mode: exit status $status"
    exit 1
fi
if [ "$actual" != "$expected" ]; then
    printf 'FAIL: exit_output %s\n  expected: %s\n  actual:   %s\n' "$mode" "$expected" "$actual"
    exit 1
fi
echo "exit_output $mode: ok"
