#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks that the repository's copy of the layout case file equals the shared
# original, when the original is there (a clone on its own has only the copy).
#
# usage: check_case_copy.sh ORIGINAL COPY
set -eu
if [ $# -ne 2 ]; then
    echo "usage: $0 ORIGINAL COPY" >&2
    exit 2
fi
if [ ! -e "$1" ]; then
    echo "$1 not present: nothing to compare"
    exit 0
fi
if ! cmp -s "$1" "$2"; then
    echo "$2 differs from $1: copy the new case file into the repository"
    exit 1
fi
echo "$2 equals $1"
