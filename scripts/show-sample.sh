#!/bin/bash
# Opens the bundled sample cache in the editor; where no display is available, says so
# and shows the sample with the command-line tool instead.
set -euo pipefail
cd "$(dirname "$0")/.."
SAMPLE=build/samples/sa/sample.txt
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/bin/tessarine "$SAMPLE"
fi
echo "No display is available (DISPLAY and WAYLAND_DISPLAY are unset), so the editor cannot"
echo "open a window here. This is the sample it would show, from tessarine-cli:"
echo
build/bin/tessarine-cli info "$SAMPLE"
build/bin/tessarine-cli list "$SAMPLE" --category Interface
