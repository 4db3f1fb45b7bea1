#!/bin/bash
# The bash completion of tessarine-cli, held against the tool's own help: every command it
# lists, every verb and option its usage lines name (and no option they do not), the
# values of options whose usage lists them, with options standing before the command.
#   completion-test.sh TESSARINE-CLI COMPLETION-FILE
set -uo pipefail
CLI="$1"
# shellcheck source=/dev/null
source "$2"
failed=0

# Completion of the last word of a command line given as words.
offered() {
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    COMPREPLY=()
    _tessarine_cli
    printf '%s\n' "${COMPREPLY[@]}"
}

# expect WORD WORDS...: WORD is among what completing WORDS offers.
expect() {
    local word="$1"
    shift
    local offers
    offers=$(offered "$@")
    if ! grep -qxF -- "$word" <<<"$offers"; then
        echo "FAIL: '$*' does not offer $word (offers: ${offers//$'\n'/ })"
        failed=1
    fi
}

global_options="--game --yes --no --settings --help"
commands=$("$CLI" --help | sed -n '/^Commands:$/,/^$/s/^  \([a-z]\+\) .*/\1/p')
[ -n "$commands" ] || { echo "FAIL: no commands in tessarine-cli --help"; exit 1; }

for command in $commands; do
    expect "$command" tessarine-cli ""
    expect "$command" tessarine-cli --settings s.ini --game 1 ""
    expect "$command" tessarine-cli help ""
    usage=$("$CLI" help "$command" | sed -n 's/^Usage: tessarine-cli //p')
    # One alternative per line: "txd info FILE | list FILE [--json]" gives two.
    while read -r alternative; do
        read -r -a words <<<"$alternative"
        [ "${words[0]}" = "$command" ] && words=("${words[@]:1}")
        verb=()
        [[ ${words[0]:-} =~ ^[a-z]+$ ]] && verb=("${words[0]}")
        [ ${#verb[@]} -eq 1 ] && expect "${verb[0]}" tessarine-cli --yes "$command" ""
        line=(tessarine-cli --settings=s.ini "$command" "${verb[@]}")
        named=$(grep -o -- '--[a-z0-9-]\+' <<<"$alternative" | sort -u)
        for option in $named; do
            expect "$option" "${line[@]}" --
        done
        for option in $(offered "${line[@]}" --); do
            if ! grep -qxF -- "$option" <<<"$named"$'\n'"${global_options// /$'\n'}"; then
                echo "FAIL: '${line[*]}' offers $option, which its usage does not name"
                failed=1
            fi
        done
        # "--format png|bmp|gif": each value is offered, after a blank and after "=".
        while read -r option values; do
            for value in ${values//|/ }; do
                expect "$value" "${line[@]}" "$option" ""
                expect "$value" "${line[@]}" "$option" = ""
            done
        done < <(grep -o -- '--[a-z-]\+ [a-z0-9]\+\(|[a-z0-9]\+\)\+' <<<"$alternative")
    done < <(sed 's/ | /\n/g' <<<"$usage")
done

expect hasdetail tessarine-cli set c.txt wall ""
expect ETC1 tessarine-cli plugins set ""
expect 2 tessarine-cli --game ""
# After "--" everything is an argument, so nothing is offered as an option.
[ -z "$(offered tessarine-cli rename c.txt -- --)" ] || { echo "FAIL: options after --"; failed=1; }

if [ "$failed" = 0 ]; then echo "completion: every command, verb, option and value offered"; fi
exit "$failed"
