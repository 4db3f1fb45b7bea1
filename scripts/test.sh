#!/bin/bash
# Builds (when needed) and runs every test; the last line says PASS or FAIL.
set -uo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${1:-build}"
if ! bash scripts/build.sh "$BUILD_DIR"; then
    echo "FAIL: the build failed"
    exit 1
fi
export QT_QPA_PLATFORM=offscreen
if ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)"; then
    echo "PASS: every test passed"
else
    echo "FAIL: some tests failed (see above)"
    exit 1
fi
