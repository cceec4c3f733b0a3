#!/usr/bin/env bash
# Builds the Telnet protocol fuzz target and runs it for a bounded time.
# Usage: bash fuzz/run.sh [seconds]   (default 60; run from anywhere)
# Exits non-zero if the build fails or the fuzzer finds a crash or a failed
# check; the reproducer is left in build-fuzz/ as crash-*, leak-* or timeout-*.
set -euo pipefail

seconds="${1:-60}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/build-fuzz"

# libFuzzer needs clang and its runtime (Debian: clang, libclang-rt-14-dev).
if ! command -v clang++ >/dev/null ||
    ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq clang libclang-rt-14-dev
fi

mkdir -p "$out/corpus-telnet"
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
    -fno-sanitize-recover=undefined -I"$root/src" "$root/fuzz/telnet_fuzz.cpp" "$root/src/telnet/TelnetProtocol.cpp" \
    -o "$out/telnet_fuzz"

# New inputs go to the scratch corpus in build-fuzz; the seeds in the repo are
# only read.
cd "$out"
./telnet_fuzz -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    "$out/corpus-telnet" "$root/fuzz/corpus/telnet"
