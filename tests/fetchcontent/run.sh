#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Clones the repository holding SOURCE_DIR into WORK_DIR, then configures the
# FetchContent consumer beside this script against it (a file:// URL at the
# checked-out commit, so no network), builds the consumer alone and runs it.
# Skipped (exit 77) when SOURCE_DIR is not a git checkout.
#
# usage: run.sh SOURCE_DIR WORK_DIR CXX CMAKE GENERATOR
set -euo pipefail
source_dir=$1 work_dir=$2 cxx=$3 cmake=$4 generator=$5
here=$(cd "$(dirname "$0")" && pwd)

commit=$(git -C "$source_dir" rev-parse HEAD 2> /dev/null) || { echo "not a git checkout: skipped"; exit 77; }
rm -rf "$work_dir"
mkdir -p "$work_dir"
git clone --quiet --no-checkout "$source_dir" "$work_dir/quarn.git"

"$cmake" -S "$here" -B "$work_dir/build" -G "$generator" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_COMPILER="$cxx" \
    -DQUARN_GIT_URL="file://$work_dir/quarn.git" \
    -DQUARN_GIT_TAG="$commit" \
    -DFETCHCONTENT_QUIET=ON > "$work_dir/configure.log"
"$cmake" --build "$work_dir/build" --target consumer
"$work_dir/build/consumer"
