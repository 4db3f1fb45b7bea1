#!/bin/bash
# Installs the build into a temporary prefix and runs the installed programs on the sample:
# they find their plug-ins in lib/tessarine and keep settings and log in the user's
# folders (a temporary XDG home), never in the prefix. A portable copy keeps its settings
# beside itself, unless its folder is read-only: that is tried in a private mount
# namespace, where root too meets a read-only folder (skipped where none can be made).
#   install-test.sh BUILD_DIR
set -euo pipefail
BUILD="$(cd "$1" && pwd)"
WORK="$(mktemp -d)"
EDITOR_PID=""
cleanup() {
    if [ -n "$EDITOR_PID" ]; then kill "$EDITOR_PID" 2>/dev/null || true; fi
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

PREFIX="$WORK/prefix"
cmake --install "$BUILD" --prefix "$PREFIX" >/dev/null
for file in bin/tessarine bin/tessarine-cli share/applications/tessarine.desktop \
    share/icons/hicolor/scalable/apps/tessarine.svg share/bash-completion/completions/tessarine-cli \
    lib/tessarine/plugins/{dxt,etc1,pvrtc,unc}.so \
    share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/tessarine.png; do
    [ -e "$PREFIX/$file" ] || fail "$file is not installed"
done
if command -v help2man >/dev/null; then
    for page in tessarine tessarine-cli; do
        [ -e "$PREFIX/share/man/man1/$page.1.gz" ] || fail "no man page of $page"
    done
    if command -v man >/dev/null; then
        MANPATH="$PREFIX/share/man" man -P cat tessarine-cli 2>/dev/null | grep -c '^COMMANDS' >/dev/null ||
            fail "man tessarine-cli shows no COMMANDS"
    fi
fi

# Help and version need no display.
NO_DISPLAY=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
"${NO_DISPLAY[@]}" "$PREFIX/bin/tessarine" --version | grep -c '^tessarine [0-9]' >/dev/null ||
    fail "tessarine --version"
"${NO_DISPLAY[@]}" "$PREFIX/bin/tessarine" --help | grep -c '^Usage: tessarine ' >/dev/null ||
    fail "tessarine --help"
"$PREFIX/bin/tessarine-cli" --version | grep -c '^tessarine-cli [0-9]' >/dev/null || fail "tessarine-cli --version"

export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_STATE_HOME="$WORK/state"
mkdir -p "$HOME"
SETTINGS="$XDG_CONFIG_HOME/tessarine/tessarine.ini"
cp -r "$BUILD/samples/sa" "$WORK/sample"
INDEX="$WORK/sample/sample.txt"
CLI="$PREFIX/bin/tessarine-cli"

"$CLI" plugins | grep -c 'dxt.so' >/dev/null || fail "the installed tool finds no plug-ins"
grep -q '^plugin=dxt.so' "$SETTINGS" || fail "the settings are not in $SETTINGS"
"$CLI" export "$INDEX" --category Interface --out "$WORK/pictures" --format png >/dev/null
picture="$(find "$WORK/pictures" -name '*.png' | head -n 1)"
[ -n "$picture" ] || fail "nothing exported"
cp "$picture" "$WORK/fresh_texture.png"
"$CLI" import "$INDEX" "$WORK/fresh_texture.png" >/dev/null || fail "import with the installed codecs"
"$CLI" list "$INDEX" | grep -c 'fresh_texture' >/dev/null || fail "the imported texture is not listed"
# Options before the command, as after it.
before="$("$CLI" --settings "$WORK/other.ini" txd list "$WORK/none.txd" 2>&1)" && fail "txd list"
after="$("$CLI" txd list "$WORK/none.txd" --settings "$WORK/other.ini" 2>&1)" && fail "txd list"
[ "$before" = "$after" ] || fail "options before the command: '$before', after it: '$after'"
"$CLI" --settings "$WORK/other.ini" --yes plugins set ETC1 --quality 1 >/dev/null ||
    fail "options before the command"
grep -q '^quality=1' "$WORK/other.ini" || fail "--settings before the command was not used"

# The editor, offscreen: it reads the settings from the user's folder (no first-run
# notice, no logo), binds its plug-ins and writes its choices back there.
printf '[global]\nfucked_up=1\nshow_loading_screen=0\n' >"$SETTINGS"
QT_QPA_PLATFORM=offscreen "$PREFIX/bin/tessarine" "$INDEX" >"$WORK/editor.out" 2>&1 &
EDITOR_PID=$!
for _ in $(seq 300); do # slow under the sanitizers
    grep -q '^plugin=pvrtc.so' "$SETTINGS" && break
    kill -0 "$EDITOR_PID" 2>/dev/null || fail "the editor ended: $(cat "$WORK/editor.out")"
    sleep 0.1
done
grep -q '^plugin=pvrtc.so' "$SETTINGS" || fail "the editor kept no settings in $SETTINGS"
[ -e "$XDG_STATE_HOME/tessarine/tessarine.log" ] || fail "the editor's log is not in $XDG_STATE_HOME"
kill "$EDITOR_PID"
wait "$EDITOR_PID" 2>/dev/null || true
EDITOR_PID=""
leftovers="$(find "$PREFIX" -name 'tessarine.ini' -o -name 'tessarine.log')"
[ -z "$leftovers" ] || fail "files written into the prefix: $leftovers"

# A portable copy: the tool with plugins/ beside it keeps the settings there.
PORTABLE="$WORK/portable"
mkdir -p "$PORTABLE"
cp "$CLI" "$PORTABLE/"
cp -r "$PREFIX/lib/tessarine/plugins" "$PORTABLE/plugins"
rm -rf "$XDG_CONFIG_HOME"
"$PORTABLE/tessarine-cli" plugins >/dev/null
[ -e "$PORTABLE/tessarine.ini" ] || fail "the portable copy keeps no settings beside itself"
[ ! -e "$SETTINGS" ] || fail "the portable copy wrote into the user's folder"

# The same copy read-only: its settings go to the user's folder instead.
rm "$PORTABLE/tessarine.ini"
readonly_run='mount --bind "$1" "$1" && mount -o remount,bind,ro "$1" "$1" && "$1/tessarine-cli" plugins'
if [ "$(id -u)" = 0 ] && unshare -m --propagation private true 2>/dev/null; then
    unshare -m --propagation private bash -c "$readonly_run" _ "$PORTABLE" >/dev/null ||
        fail "the read-only portable copy failed"
    [ -e "$SETTINGS" ] || fail "a read-only portable copy kept no settings in the user's folder"
    [ ! -e "$PORTABLE/tessarine.ini" ] || fail "settings written beside a read-only copy"
else
    echo "install: no private mount namespace here; the read-only portable copy is not tried"
fi
echo "install: programs, plug-ins, man pages, icons and settings folders as they should be"
