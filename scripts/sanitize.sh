#!/bin/bash
# Builds the tests with AddressSanitizer + UndefinedBehaviorSanitizer and runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR="${1:-build-asan}"
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Debug -DTESSARINE_SANITIZE=ON -DTESSARINE_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Killed editors are slow to start under the sanitizers: a short pass of the kill test.
export TESSARINE_KILL_TRIALS=8
ctest --test-dir "$BUILD_DIR" --output-on-failure -j"$(nproc)"
