# bash completion for tessarine-cli: commands, their verbs and options, and the values of
# options that take one of a few words. Everything else completes as file names.

_tessarine_cli_commands="create info list check fix rename delete alias category set import
    export plugins txd img dff sync dump convert optimize help
    radar aliases stats alias-list"
_tessarine_cli_global="--game --yes --no --settings --help"
# Options that take a value, of any command.
_tessarine_cli_valued="--game --settings --category --out --format --cache --level --plugin
    --quality --dithering --create --from --to --threshold"

# The verbs of a command; empty when it has none.
_tessarine_cli_verbs() {
    case $1 in
    category) echo "add rename delete move" ;;
    plugins) echo "set menu" ;;
    txd) echo "info list export import" ;;
    img) echo "list extract import add delete rebuild" ;;
    dff) echo "list rename names" ;;
    radar) echo "list export import optimize" ;;
    alias-list) echo "export import" ;;
    esac
}

# The options of a command (and verb), besides the global ones.
_tessarine_cli_options() {
    case "$1 $2" in
    "create "*) echo "--force" ;;
    "info "* | "check "*) echo "--json" ;;
    "list "*) echo "--category --json" ;;
    "import "*) echo "--category --no-alpha --uncompressed --replace" ;;
    "export "*) echo "--category --out --format --cache --level --thumb --aliases" ;;
    "plugins set") echo "--plugin --quality --dithering" ;;
    "plugins menu") ;;
    "plugins "*) echo "--json" ;;
    "txd list" | "img list") echo "--json" ;;
    "txd export") echo "--out --format" ;;
    "txd import") echo "--category --replace" ;;
    "img extract" | "dff rename" | "dff names") echo "--out" ;;
    "img import") echo "--category" ;;
    "img add") echo "--create --json" ;;
    "img delete" | "img rebuild") echo "--json" ;;
    "sync "*) echo "--delete --include-case --json" ;;
    "dump "*) echo "--cache --thumb" ;;
    "convert "*) echo "--from --to --json" ;;
    "optimize "*) echo "--names --md5 --pixels --delete --decoded --threshold --cache --json" ;;
    "radar list") echo "--cache --json" ;;
    "radar export") echo "--cache --out" ;;
    "radar import") echo "--no-alpha" ;;
    "radar optimize") echo "--cache --json" ;;
    "aliases "* | "stats "* | "alias-list import") echo "--json" ;;
    "alias-list export") echo "--out" ;;
    esac
}

_tessarine_cli() {
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    # "--out=x" comes as "--out" "=" "x".
    if [[ $cur == "=" ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 1]}
        cur=""
    elif [[ $prev == "=" ]]; then
        prev=${COMP_WORDS[COMP_CWORD - 2]}
    fi

    case $prev in
    --game) mapfile -t COMPREPLY < <(compgen -W "0 1 2" -- "$cur"); return ;;
    --create) mapfile -t COMPREPLY < <(compgen -W "1 2" -- "$cur"); return ;;
    --format) mapfile -t COMPREPLY < <(compgen -W "png bmp gif jpg tif" -- "$cur"); return ;;
    --cache | --from | --to) mapfile -t COMPREPLY < <(compgen -W "dxt etc pvr unc" -- "$cur"); return ;;
    --category | --level | --quality | --dithering | --threshold)
        COMPREPLY=()
        compopt +o default +o bashdefault 2>/dev/null # a name or number, not a file
        return
        ;;
    --settings | --out | --plugin) return ;; # file names
    esac

    # The command, its verb and how many arguments stand after them; options may stand
    # before the command, and "--" ends the options.
    local command="" verb="" positional=0 ended="" word i
    for ((i = 1; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        if [[ -z $ended && $word == "--" ]]; then
            ended=1
        elif [[ -z $ended && $word == -* ]]; then
            if [[ ${COMP_WORDS[i + 1]} == "=" ]]; then
                i=$((i + 2)) # --name=value
            elif [[ " ${_tessarine_cli_valued//$'\n'/ } " == *" $word "* ]]; then
                i=$((i + 1)) # --name value
            fi
        elif [[ $word == "=" ]]; then
            :
        elif [[ -z $command ]]; then
            command=$word
        elif [[ -z $verb && -n $(_tessarine_cli_verbs "$command") ]]; then
            verb=$word
        else
            positional=$((positional + 1))
        fi
    done

    if [[ -z $ended && $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$_tessarine_cli_global $(_tessarine_cli_options "$command" "$verb")" -- "$cur")
        return
    fi
    if [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$_tessarine_cli_commands" -- "$cur")
        return
    fi
    if [[ $command == help && $positional -eq 0 && -z $verb ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$_tessarine_cli_commands" -- "$cur")
        return
    fi
    local verbs
    verbs=$(_tessarine_cli_verbs "$command")
    if [[ -n $verbs && -z $verb ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$verbs" -- "$cur")
        return
    fi
    # set INDEX TEXTURE FLAG VALUE; plugins set FAMILY
    if [[ $command == set && $positional -eq 2 ]]; then
        mapfile -t COMPREPLY < <(compgen -W "camnorm hasbias hasdetail" -- "$cur")
    elif [[ $command == plugins && $verb == set && $positional -eq 0 ]]; then
        mapfile -t COMPREPLY < <(compgen -W "DXT ETC1 PVRTC UNC" -- "$cur")
    fi
}

complete -o bashdefault -o default -F _tessarine_cli tessarine-cli
