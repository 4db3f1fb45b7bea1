#!/bin/bash
# Natural test pictures for the codec benchmark, from ImageMagick's built-in images:
# rose:, logo:, wizard:, netscape:, a seeded plasma fractal and a smooth gradient, each at
# 256x256 and 512x512. Writes them to the folder given (default build/bench-images).
set -euo pipefail
OUT="${1:-build/bench-images}"
CONVERT=/usr/bin/convert
if [ ! -x "$CONVERT" ]; then
    echo "ImageMagick is needed: apt-get install imagemagick" >&2
    exit 1
fi
mkdir -p "$OUT"
for size in 256 512; do
    for image in rose logo wizard netscape; do
        "$CONVERT" "$image:" -resize "${size}x${size}!" "$OUT/${image}_${size}.png"
    done
    "$CONVERT" -seed 7 -size "${size}x${size}" plasma:fractal "$OUT/plasma_${size}.png"
    "$CONVERT" -size "${size}x${size}" gradient:navy-orange "$OUT/gradient_${size}.png"
done
ls "$OUT"/*.png
