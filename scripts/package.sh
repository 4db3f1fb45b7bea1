#!/bin/bash
# Builds the Debian package into build/ (or the folder given as $1):
# tessarine_VERSION_ARCH.deb, its dependencies computed from the binaries.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${1:-build}"
bash scripts/build.sh "$BUILD_DIR"
rm -f "$BUILD_DIR"/tessarine_*.deb
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
ls "$BUILD_DIR"/tessarine_*.deb
