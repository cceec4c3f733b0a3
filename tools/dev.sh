#!/usr/bin/env bash
# Set-up, build and run in one step, on Debian 12.
#
#   tools/dev.sh run              install what is missing, build, start velmora
#   tools/dev.sh test             install what is missing, build, run the test suite
#   tools/dev.sh test --sanitize  the same with AddressSanitizer and UBSan (build-asan/)
#
# Packages are installed with apt-get (through sudo when not root). Both
# commands are idempotent: with everything in place they only rebuild what
# changed.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
sanitize=no
[ "${2:-}" = "--sanitize" ] && sanitize=yes

packages=(build-essential cmake qt6-base-dev libgl-dev libgtest-dev libbenchmark-dev
          fonts-liberation2 fonts-nanum)

. tools/install-missing.sh

build() {
    local dir=$1; shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    fi
    cmake --build "$dir" -j "$(nproc)"
}

case "$mode" in
run)
    install_missing "${packages[@]}"
    build build -DVELMORA_BENCH=OFF
    exec build/velmora
    ;;
test)
    install_missing "${packages[@]}"
    if [ "$sanitize" = yes ]; then
        build build-asan -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF
        dir=build-asan
    else
        build build
        dir=build
    fi
    cd "$dir"
    ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j 2
    ;;
*)
    echo "usage: tools/dev.sh run | test [--sanitize]" >&2
    exit 2
    ;;
esac
