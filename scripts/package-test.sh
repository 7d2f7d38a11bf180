#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian packages (cpack -G DEB) from a Release build of the
# libraries and tools alone, checks them with lintian, installs them with
# apt-get, builds the consumer in tests/consumer against /usr through
# find_package and through pkg-config (no -I or -L), runs it and the
# installed quarn-hexdump, and purges the packages again.
#
# usage: scripts/package-test.sh [BUILD_DIR]   (default build/package)
# Needs root (or sudo) for apt-get.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

src=$(pwd)
build=${1:-build/package}
jobs=$(nproc)
sudo=""
[[ $(id -u) -eq 0 ]] || sudo=sudo

rm -rf "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX=/usr \
    -DQUARN_BUILD_TESTS=OFF -DQUARN_BUILD_BENCH=OFF -DQUARN_BUILD_EXAMPLES=OFF \
    -DQUARN_BUILD_TOPLEVEL=OFF -DQUARN_WERROR=ON
cmake --build "$build" -j "$jobs"
(cd "$build" && rm -f ./*.deb && cpack -G DEB)

debs=("$build"/*.deb)
echo "== packages"
for deb in "${debs[@]}"; do
    printf '%8s  %s\n' "$(stat -c %s "$deb")" "$(basename "$deb")"
done

echo "== lintian"
if command -v lintian > /dev/null; then
    # Warnings are shown; errors fail the test.
    lintian --tag-display-limit 0 "${debs[@]}" || { echo "lintian reported errors"; exit 1; }
fi

packages=()
for deb in "${debs[@]}"; do
    packages+=("$(dpkg-deb -f "$deb" Package)")
done
purge() {
    $sudo apt-get -o DPkg::Lock::Timeout=900 purge -y "${packages[@]}" > /dev/null
}
trap purge EXIT

abs_debs=()
for deb in "${debs[@]}"; do abs_debs+=("$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")"); done
$sudo apt-get -o DPkg::Lock::Timeout=900 install -y "${abs_debs[@]}"

work=$build/consumer
rm -rf "$work"
echo "== find_package consumer against /usr"
cmake -S tests/consumer -B "$work/cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$work/cmake" -j "$jobs"
"$work/cmake/consumer"
"$work/cmake/cli_consumer" --color=always

echo "== pkg-config consumer against /usr"
flags=$(pkg-config --cflags --libs quarn quarn-tty)
echo "pkg-config: $flags"
case " $flags " in *" -I"* | *" -L"*) echo "pkg-config flags carry -I or -L"; exit 1 ;; esac
# shellcheck disable=SC2086 # a flag list
c++ -std=c++20 -Wall -Wextra -Werror "$src/tests/consumer/main.cpp" $flags -o "$work/consumer-pc"
"$work/consumer-pc"

echo "== installed quarn-hexdump"
quarn-hexdump --version
printf 'hello' | quarn-hexdump | grep -q 'hello'
echo "package test passed"
