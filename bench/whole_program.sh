#!/usr/bin/env bash
# The whole-program benchmark: the built velmora under Xvfb as a TCP server
# in a network namespace (and a PID namespace) of its own, fed 256 MiB by a
# loopback sender, against a bare receiver fed by the same sender in the
# same run. Uses the end-to-end tests' desktop and driver (tests/e2e).
#
#   bench/whole_program.sh [--build-dir DIR] [--runs N] [MiB]
#
# Installs what is missing (Debian packages), builds velmora and the
# loopback sender in the build folder if they are not there (default
# build/). Needs root for the namespaces.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
runs=1
while [ $# -gt 0 ]; do
    case "$1" in
    --build-dir) build_dir=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) break ;;
    esac
done

. tools/install-missing.sh
install_missing xvfb xauth xdotool x11-utils dbus at-spi2-core python3 python3-gi gir1.2-atspi-2.0 \
    iproute2 util-linux fonts-liberation2 fonts-nanum

if [ ! -x "$build_dir/velmora" ] || [ ! -x "$build_dir/bench/bench_loopback_stream" ]; then
    [ -f "$build_dir/CMakeCache.txt" ] || cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build_dir" --target velmora bench_loopback_stream -j "$(nproc)"
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "bench/whole_program.sh: needs root (it makes network and PID namespaces); try sudo" >&2
    exit 2
fi

exec timeout --kill-after=10 1200 \
    unshare --net --pid --fork --mount-proc -- \
    /usr/bin/python3 bench/whole_program.py --binary "$(realpath "$build_dir/velmora")" \
    --sender "$(realpath "$build_dir/bench/bench_loopback_stream")" --runs "$runs" "$@"
