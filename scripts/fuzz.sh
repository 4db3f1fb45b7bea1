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
mkdir -p "$WORK/index" "$WORK/names" "$WORK/unpack" "$WORK/cache" "$WORK/txd" "$WORK/dff" "$WORK/img" \
    "$WORK/aliases"
cp samples/demo/*.txt "$WORK/index/"
# Names: plain, with blanks and Latin-1, and the hostile ones (paths, line breaks, quotes).
printf 'wall' >"$WORK/names/plain"
printf 'door_close \xc3\xa9' >"$WORK/names/blank"
printf '../../../../PWNED' >"$WORK/names/path"
printf 'wood\ncat=3 x"' >"$WORK/names/injection"
printf 'wall_old wall\n"door two" "door close "\n# note\r\nx sub\n' >"$WORK/aliases/list"
REAL=../shared/testdata/real
if [ -d "$REAL" ]; then
    find "$REAL/mobile_cache" -name '*.txt' -exec cp {} "$WORK/index/" \;
    # The small real files: dictionaries of every flavour, models, archives.
    find "$REAL/txd" -size -12k -type f -exec cp {} "$WORK/txd/" \;
    find "$REAL/dff" -size -12k -type f -exec cp {} "$WORK/dff/" \;
    find "$REAL/img" -size -12k -type f -exec cp {} "$WORK/img/" \;
fi
export ASAN_OPTIONS=detect_leaks=1
export TESSARINE_FUZZ_SEEDS="$WORK/cache"
for target in FuzzCacheFiles FuzzIndexFile FuzzNames FuzzUnpackData FuzzImgDirectory FuzzRwStream \
    FuzzRwStreamMobile FuzzTxdPC FuzzTxdPS2 FuzzTxdMobile FuzzDffNames FuzzAliasList; do
    corpus="$WORK/unpack"
    max_len=4096
    case "$target" in
    FuzzIndexFile) corpus="$WORK/index" ;;
    FuzzNames) corpus="$WORK/names" max_len=256 ;;
    FuzzAliasList) corpus="$WORK/aliases" ;;
    FuzzCacheFiles) corpus="$WORK/cache" ;;
    FuzzImgDirectory) corpus="$WORK/img" max_len=16384 ;;
    FuzzDffNames) corpus="$WORK/dff" max_len=16384 ;;
    FuzzRw* | FuzzTxd*) corpus="$WORK/txd" max_len=16384 ;;
    esac
    echo "fuzz: $target for ${SECONDS_EACH}s"
    "$BUILD_DIR/bin/$target" -max_total_time="$SECONDS_EACH" -max_len="$max_len" \
        -artifact_prefix="$WORK/" -print_final_stats=1 "$corpus" 2>&1 | tail -n 12
done
