#!/bin/bash
# Checks the Debian package: its fields, its dependencies (computed from the binaries),
# its files, and the programs as it unpacks them. With --apt (as root) it is also
# installed with apt, its programs and man page tried, and removed again; a tessarine
# package already installed is left alone.
#   check-package.sh build/tessarine_VERSION_ARCH.deb [--apt]
set -euo pipefail
DEB="$(realpath "$1")"
APT="${2:-}"
WORK="$(mktemp -d)"
INSTALLED_BY_US=""
cleanup() {
    if [ -n "$INSTALLED_BY_US" ]; then
        DEBIAN_FRONTEND=noninteractive apt-get remove -y --purge tessarine >/dev/null || true
    fi
    rm -rf "$WORK"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

version="$(dpkg-deb -f "$DEB" Version)"
[ "$(dpkg-deb -f "$DEB" Package)" = tessarine ] || fail "the package is not named tessarine"
[ "$(basename "$DEB")" = "tessarine_${version}_$(dpkg-deb -f "$DEB" Architecture).deb" ] ||
    fail "$(basename "$DEB") is not named after its version and architecture"
depends="$(dpkg-deb -f "$DEB" Depends)"
depended="$(tr ',' '\n' <<<"$depends" | awk '{print $1}')"
# Those of the programs and of each codec plug-in, and the Qt plug-ins loaded at run time.
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libimagequant0 libgif7 \
    libsquish0 qt6-qpa-plugins qt6-image-formats-plugins; do
    grep -qxF "$package" <<<"$depended" || fail "Depends lacks $package: $depends"
done

dpkg-deb -c "$DEB" | awk '{print $6}' | sed 's|^\./|/|' >"$WORK/files"
for file in /usr/bin/tessarine /usr/bin/tessarine-cli /usr/lib/tessarine/plugins/{dxt,etc1,pvrtc,unc}.so \
    /usr/lib/tessarine/lang/ru.so \
    /usr/share/applications/tessarine.desktop /usr/share/icons/hicolor/scalable/apps/tessarine.svg \
    /usr/share/icons/hicolor/{16x16,32x32,48x48,256x256}/apps/tessarine.png \
    /usr/share/man/man1/tessarine.1.gz /usr/share/man/man1/tessarine-cli.1.gz \
    /usr/share/bash-completion/completions/tessarine-cli; do
    grep -qxF "$file" "$WORK/files" || fail "the package lacks $file"
done
# Nothing of the build's own: tests, benchmarks, generators, static libraries, headers.
strays="$(grep -v '/$' "$WORK/files" | grep -vE '^/usr/(bin/tessarine(-cli)?|lib/tessarine/(plugins|lang)/[a-z0-9_]+\.so|share/(applications|icons|man|bash-completion)/.*)$' || true)"
[ -z "$strays" ] || fail "the package holds files it should not: $strays"

# Unpacked, the programs find their plug-ins from /usr/lib/tessarine relative to themselves.
dpkg-deb -x "$DEB" "$WORK/root"
export HOME="$WORK/home" XDG_CONFIG_HOME="$WORK/config" XDG_STATE_HOME="$WORK/state"
mkdir -p "$HOME"
"$WORK/root/usr/bin/tessarine-cli" --version | grep -cxF "tessarine-cli $version" >/dev/null ||
    fail "tessarine-cli --version does not say $version"
[ "$("$WORK/root/usr/bin/tessarine-cli" plugins | grep -c '\.so')" -ge 4 ] ||
    fail "the unpacked tool does not find its four plug-ins"
[ -e "$XDG_CONFIG_HOME/tessarine/tessarine.ini" ] || fail "no settings in the user's folder"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$WORK/root/usr/share/applications/tessarine.desktop"
fi
man -l -P cat "$WORK/root/usr/share/man/man1/tessarine-cli.1.gz" 2>/dev/null | grep -c '^COMMANDS' >/dev/null ||
    fail "the man page of tessarine-cli shows no COMMANDS"

if [ "$APT" = --apt ]; then
    if [ "$(id -u)" != 0 ]; then
        echo "package: not root, so not installed with apt"
    elif dpkg -s tessarine >/dev/null 2>&1; then
        echo "package: tessarine is installed on this machine already; not installed again"
    else
        INSTALLED_BY_US=1
        DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "$DEB" >/dev/null
        [ "$(command -v tessarine-cli)" = /usr/bin/tessarine-cli ] || fail "no tessarine-cli on PATH"
        tessarine-cli plugins | grep -c 'dxt.so' >/dev/null || fail "the installed tool finds no plug-ins"
        env -u DISPLAY -u WAYLAND_DISPLAY tessarine --help | grep -c '^Usage: tessarine ' >/dev/null ||
            fail "tessarine --help"
        [ "$(man -w tessarine-cli 2>/dev/null)" = /usr/share/man/man1/tessarine-cli.1.gz ] ||
            [ ! -d /usr/share/man/man1 ] || fail "man does not find tessarine-cli"
        DEBIAN_FRONTEND=noninteractive apt-get remove -y --purge tessarine >/dev/null
        INSTALLED_BY_US=""
        [ ! -e /usr/bin/tessarine ] || fail "removing the package left /usr/bin/tessarine"
    fi
fi
echo "package: $(basename "$DEB") holds what it should; Depends: $depends"
