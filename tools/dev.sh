#!/usr/bin/env bash
# Set-up, build and run in one step, on Debian 12.
#
#   tools/dev.sh run              install what is missing, build the program, start it
#   tools/dev.sh test             install what is missing, build everything, run the test suite
#   tools/dev.sh test --sanitize  the same with AddressSanitizer and UBSan (build-asan/)
#
# The packages are the Build-Depends of debian/control, installed with
# apt-get (through sudo when not root). Both commands are idempotent: with
# everything in place they only rebuild what changed. `run` builds only the
# program and the libraries it links, not the tests, tools and benchmarks.
set -euo pipefail
cd "$(dirname "$0")/.."

mode=${1:-}
sanitize=no
[ "${2:-}" = "--sanitize" ] && sanitize=yes

. tools/install-missing.sh

configure() {
    local dir=$1; shift
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    fi
}

case "$mode" in
run)
    install_build_depends
    configure build
    cmake --build build --target velmora -j "$(nproc)"
    exec build/velmora
    ;;
test)
    install_build_depends
    if [ "$sanitize" = yes ]; then
        dir=build-asan
        configure "$dir" -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF
    else
        dir=build
        configure "$dir"
    fi
    cmake --build "$dir" -j "$(nproc)"
    cd "$dir"
    ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j 2
    ;;
*)
    echo "usage: tools/dev.sh run | test [--sanitize]" >&2
    exit 2
    ;;
esac
