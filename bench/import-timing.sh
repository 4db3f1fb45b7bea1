#!/bin/bash
# Import timings with tessarine-cli: one 1024x1024 image into a cache with all four caches
# (kept with its alpha, and with --no-alpha, where the "etc" cache gets ETC1 blocks instead
# of the 16-bit chain), and a folder of 256x256 images in one import, on every core and
# pinned to one.
#   bench/import-timing.sh BUILD_DIR [BIG_IMAGE IMAGE_FOLDER]
# Without the images it draws them with ImageMagick: the wizard at 1024x1024 and 200 seeded
# plasma fractals at 256x256.
# Run it under the build lock on a shared machine: flock /tmp/tessarine-build.lock ...
set -euo pipefail
BUILD="${1:-build}"
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
BIG="${2:-}"
FOLDER="${3:-}"
if [ -z "$BIG" ]; then
    BIG="$WORK/wizard_1024.png"
    convert wizard: -resize '1024x1024!' "$BIG"
fi
if [ -z "$FOLDER" ]; then
    FOLDER="$WORK/many"
    mkdir "$FOLDER"
    for i in $(seq 1 200); do
        convert -seed "$i" -size 256x256 plasma:fractal "png24:$FOLDER/p$i.png"
    done
fi
CLI="$BUILD/bin/tessarine-cli"
seconds() { # command... -> wall seconds
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}
import() { # name cpus files...
    local name="$1" cpus="$2"
    shift 2
    "$CLI" create "$WORK/$name.txt" --settings "$WORK/t.ini" >/dev/null
    seconds taskset -c "$cpus" "$CLI" import "$WORK/$name.txt" "$@" --game 2 --settings "$WORK/t.ini"
}
ALLCPUS=$(taskset -cp $$ | sed 's/.*: //')
FIRST=${ALLCPUS%%[-,]*}
echo "one 1024x1024 image into four caches: $(import big-all "$ALLCPUS" "$BIG") s on cpus $ALLCPUS," \
     "$(import big-one "$FIRST" "$BIG") s on cpu $FIRST"
echo "the same with --no-alpha: $(import big-opaque-all "$ALLCPUS" "$BIG" --no-alpha) s on cpus $ALLCPUS," \
     "$(import big-opaque-one "$FIRST" "$BIG" --no-alpha) s on cpu $FIRST"
mapfile -t FILES < <(ls "$FOLDER"/*.png)
ON_ALL=$(import many-all "$ALLCPUS" "${FILES[@]}")
ON_ONE=$(import many-one "$FIRST" "${FILES[@]}")
echo "${#FILES[@]} images in one import: $ON_ALL s on cpus $ALLCPUS, $ON_ONE s on cpu $FIRST," \
     "speed-up $(echo "scale=2; $ON_ONE / $ON_ALL" | bc)"
cmp -s "$WORK/many-all.dxt.dat" "$WORK/many-one.dxt.dat" && echo "the two imports wrote the same DXT data"
