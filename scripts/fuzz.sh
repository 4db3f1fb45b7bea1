#!/bin/bash
# Builds the libFuzzer targets with clang and runs each for the given number of seconds
# (default 30), starting from the bundled and real sample files. Any finding fails.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH="${1:-30}"
BUILD_DIR="${2:-build-fuzz}"
if ! command -v clang++-14 >/dev/null; then
    echo "fuzz: clang++-14 is not installed; skipping"
    exit 0
fi
CC=clang-14 CXX=clang++-14 cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTESSARINE_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$WORK/index" "$WORK/unpack" "$WORK/cache"
cp samples/demo/*.txt "$WORK/index/"
if [ -d ../shared/testdata/real/mobile_cache ]; then
    find ../shared/testdata/real/mobile_cache -name '*.txt' -exec cp {} "$WORK/index/" \;
fi
export ASAN_OPTIONS=detect_leaks=1
export TESSARINE_FUZZ_SEEDS="$WORK/cache"
for target in FuzzCacheFiles FuzzIndexFile FuzzUnpackData; do
    corpus="$WORK/unpack"
    [ "$target" = FuzzIndexFile ] && corpus="$WORK/index"
    [ "$target" = FuzzCacheFiles ] && corpus="$WORK/cache"
    echo "fuzz: $target for ${SECONDS_EACH}s"
    "$BUILD_DIR/bin/$target" -max_total_time="$SECONDS_EACH" -max_len=4096 \
        -artifact_prefix="$WORK/" -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
done
