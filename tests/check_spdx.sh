#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks that every tracked source file (C++, CMake, shell, awk, templates,
# suppression lists) carries "SPDX-License-Identifier: MIT" on its first
# line, or on its second after a "#!" line.  Documentation, JSON and test data
# are left out.  Skipped (exit 77) outside a git checkout.
#
# usage: check_spdx.sh SOURCE_DIR
set -euo pipefail
cd "$1"
git rev-parse --is-inside-work-tree > /dev/null 2>&1 || { echo "not a git checkout: skipped"; exit 77; }

missing=0
while IFS= read -r -d '' file; do
    case $file in
        fuzz/corpus/* | tests/data/*) continue ;;
        *.cpp | *.hpp | *.h | *.c | *.cmake | *.in | *.sh | *.awk | *.supp | CMakeLists.txt | */CMakeLists.txt | .ci/*) ;;
        *) continue ;;
    esac
    [[ -f $file ]] || continue
    head=$(head -n 2 "$file")
    first=${head%%$'\n'*}
    if [[ $first == '#!'* ]]; then
        line=${head#*$'\n'}
    else
        line=$first
    fi
    if [[ $line != *"SPDX-License-Identifier: MIT"* ]]; then
        echo "no SPDX-License-Identifier line: $file"
        missing=1
    fi
done < <(git ls-files -z)
exit $missing
