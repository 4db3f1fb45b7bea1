#!/bin/bash
# Installs every Debian 12 package Tessarine needs to build, test, benchmark, fuzz and
# package (man pages, the desktop entry's check, the Debian package), and to draw the
# benchmark pictures (imagemagick; bc times the imports). qt6-translations-l10n gives the
# toolkit's own dialogs in the language packs' languages; without it they stay in English
# and the tests that look at them are skipped.
set -euo pipefail
SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update
$SUDO apt-get install -y --no-install-recommends \
    ca-certificates cmake make g++ pkg-config \
    qt6-base-dev qt6-image-formats-plugins qt6-translations-l10n fonts-dejavu-core \
    libgif-dev libimagequant-dev libmd-dev libsquish-dev android-libetc1-dev \
    libgtest-dev libgmock-dev libbenchmark-dev \
    clang-14 libclang-rt-14-dev \
    help2man desktop-file-utils dpkg-dev file man-db \
    imagemagick bc
