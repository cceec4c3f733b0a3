#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a bounded time; together they
# take the seconds given.
# Usage: bash fuzz/run.sh [seconds]   (default 60; run from anywhere)
# Exits non-zero if a build fails or a fuzzer finds a crash or a failed
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

# Each target: fuzz/<name>_fuzz.cpp with the sources it tests; its seeds are
# fuzz/corpus/<name>.
targets=(
    "telnet src/telnet/TelnetProtocol.cpp"
    "terminal_layout src/framework/qt/TextRowLayout.cpp"
    "hex_pane src/panes/HexCaret.cpp src/panes/HexLayout.cpp src/panes/HexLine.cpp src/panes/ByteBuffer.cpp src/framework/BlockMemory.cpp"
)
each=$(( seconds / ${#targets[@]} ))
(( each > 0 )) || each=1

for target in "${targets[@]}"; do
    read -r -a words <<<"$target"
    name="${words[0]}"
    sources=("${words[@]:1}")
    mkdir -p "$out/corpus-$name"
    clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined \
        -fno-sanitize-recover=undefined -I"$root/src" "$root/fuzz/${name}_fuzz.cpp" \
        "${sources[@]/#/$root/}" -o "$out/${name}_fuzz"
    # New inputs go to the scratch corpus in build-fuzz; the seeds in the repo
    # are only read.
    (cd "$out" && "./${name}_fuzz" -max_total_time="$each" -max_len=4096 -print_final_stats=1 \
        "$out/corpus-$name" "$root/fuzz/corpus/$name")
done
