#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks the reference site that scripts/docs.sh builds, as a reader would
# see it, in Debian's headless Chromium driven by playwright-core (the npm
# package alone: it drives /usr/bin/chromium and downloads no browser).
#
# usage: scripts/docs-check.sh HTML_DIR OUT_DIR
# playwright-core is installed, at the version that
# scripts/docs-check/package-lock.json pins, into OUT_DIR/node.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh

html=${1:?usage: scripts/docs-check.sh HTML_DIR OUT_DIR}
out=${2:?usage: scripts/docs-check.sh HTML_DIR OUT_DIR}
mkdir -p "$out/node"

# Reinstalled only when the pinned versions change.
if ! cmp -s scripts/docs-check/package-lock.json "$out/node/package-lock.json" ||
    [[ ! -d $out/node/node_modules/playwright-core ]]; then
    cp scripts/docs-check/package.json scripts/docs-check/package-lock.json "$out/node/"
    (cd "$out/node" && npm ci --no-audit --no-fund --loglevel=error)
fi

NODE_PATH="$out/node/node_modules" node scripts/docs-check/check.js "$html" "$out"
