#!/usr/bin/env bash
# Builds the Debian package velmora_<version>_amd64.deb in build-package/.
#
#   tools/package.sh
#
# Installs what the build needs (Debian 12, through sudo when not root),
# configures a release build without tests and benchmarks, and runs CPack.
# Install the result with: sudo apt-get install ./build-package/velmora_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

. tools/install-missing.sh
packages=(build-essential cmake dpkg-dev qt6-base-dev libgl-dev)
install_missing "${packages[@]}"

dir=build-package
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)"
(cd "$dir" && cpack -G DEB >/dev/null)
for deb in "$dir"/velmora_*.deb; do
    echo "$deb ($(du -h "$deb" | cut -f1))"
done
