#!/usr/bin/env bash
# End-to-end tests of the built velmora binary in a real X server, driven
# with real input events and talking to real socat peers and busybox and
# inetutils telnetd, all inside a network namespace (and a PID namespace) of
# their own.
#
#   tests/e2e/run.sh [--build-dir DIR | --binary PATH] [--out DIR] [scenario ...]
#
# Installs what is missing (Debian packages), builds velmora in the build
# folder if it is not there (default build/, as tools/dev.sh makes it), or
# tests the program at PATH instead (an installed /usr/bin/velmora), and
# writes one screenshot per step to the output folder (default
# build/e2e-screenshots/). Needs root for the namespaces.
set -euo pipefail
cd "$(dirname "$0")/../.."

build_dir=build
binary=
out=
while [ $# -gt 0 ]; do
    case "$1" in
    --build-dir) build_dir=$2; shift 2 ;;
    --binary) binary=$2; shift 2 ;;
    --out) out=$2; shift 2 ;;
    *) break ;;
    esac
done
out=${out:-$build_dir/e2e-screenshots}

. tools/install-missing.sh
packages=(xvfb xauth xdotool socat imagemagick x11-utils dbus at-spi2-core python3 python3-gi
          gir1.2-atspi-2.0 iproute2 util-linux fonts-liberation2 fonts-nanum busybox-static
          inetutils-telnetd)
install_missing "${packages[@]}"
# The Korean scenarios run in a Korean locale.
ensure_locale ko_KR.UTF-8

if [ -z "$binary" ]; then
    binary=$build_dir/velmora
    if [ ! -x "$binary" ]; then
        [ -f "$build_dir/CMakeCache.txt" ] || cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
        cmake --build "$build_dir" --target velmora -j "$(nproc)"
    fi
fi

if [ "$(id -u)" -ne 0 ]; then
    echo "tests/e2e/run.sh: needs root (it makes network and PID namespaces); try sudo" >&2
    exit 2
fi

rm -rf "$out"
mkdir -p "$out"
# A fresh network namespace holds only lo: nothing the program or its peers
# send can leave the machine. The PID namespace ends every process the run
# started when the driver ends.
exec timeout --kill-after=10 600 \
    unshare --net --pid --fork --mount-proc -- \
    /usr/bin/python3 tests/e2e/e2e.py --binary "$(realpath "$binary")" --out "$(realpath "$out")" "$@"
