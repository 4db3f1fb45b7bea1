#!/bin/bash
# Makes the man pages of both programs from their --help and --version, with help2man:
#   make-man.sh OUT_FOLDER EDITOR CLI
# The command-line tool's page gets a COMMANDS section from each command's own help.
set -euo pipefail
OUT="$1" EDITOR_BIN="$2" CLI_BIN="$3"
mkdir -p "$OUT"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT

# Text as roff: backslashes and minus signs escaped, no line starting with a control character.
roff() { sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\([.']\)/\\\\\&\1/"; }

cat >"$WORK/see-also.h2m" <<'H2M'
[SEE ALSO]
.BR tessarine (1),
.BR tessarine\-cli (1)
H2M

# The tool's list of commands gives way to the COMMANDS section, which describes each.
mkdir "$WORK/bin"
cat >"$WORK/bin/tessarine-cli" <<SH
#!/bin/bash
"$CLI_BIN" "\$@" | sed '/^Commands:\$/,/^\$/d'
SH
chmod +x "$WORK/bin/tessarine-cli"

{
    echo "[COMMANDS]"
    for command in $("$CLI_BIN" --help | sed -n '/^Commands:$/,/^$/s/^  \([a-z]\+\) .*/\1/p'); do
        usage="$("$CLI_BIN" help "$command" | sed -n 's/^Usage: tessarine-cli //p')"
        echo ".TP"
        echo ".B $(printf '%s\n' "$usage" | roff)"
        "$CLI_BIN" help "$command" | sed '1,2d' | roff
    done
    cat "$WORK/see-also.h2m"
} >"$WORK/cli.h2m"

# The version is the second word of --version's first line; the line after it (the
# build) is no part of a man page.
version="$("$EDITOR_BIN" --version | sed -n '1s/^[^ ]* //p')"
help2man --no-info --section=1 --version-string="$version" \
    --name="texture cache editor for the mobile GTA games" \
    --include="$WORK/see-also.h2m" --output="$WORK/tessarine.1" "$EDITOR_BIN"
help2man --no-info --section=1 --version-string="$version" --name="texture cache work from a shell" \
    --include="$WORK/cli.h2m" --output="$WORK/tessarine-cli.1" "$WORK/bin/tessarine-cli"
for page in tessarine tessarine-cli; do
    gzip -9n -c "$WORK/$page.1" >"$OUT/$page.1.gz"
done
