#!/bin/bash
# Kills tessarine-cli at every write and at the given number of random moments (default
# 200) during each kind of edit, and checks that every cache comes back as it was or as
# the edit makes it; the same for archive edits (img add, delete, rebuild). The test suite
# runs a short pass of the same tests.
set -euo pipefail
cd "$(dirname "$0")/.."
TRIALS="${1:-200}"
BUILD_DIR="${2:-build}"
bash scripts/build.sh "$BUILD_DIR"
TESSARINE_KILL_TRIALS="$TRIALS" "$BUILD_DIR/bin/tessarine_tests" \
    --gtest_filter='EditSafety.Kill*:ImgCli.Killed*' --gtest_brief=1
