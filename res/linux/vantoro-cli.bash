# bash completion for vantoro-cli. The commands and options come from the program's own --help
# (a command's options from "vantoro-cli COMMAND --help"), so new ones complete without an edit.

# Prints the words of the section titled $1 ("Commands:" or "Options:") of help text $2: each
# entry's command name, or every option spelling of an entry.
_vantoro_cli_section() {
    local title=$1 help=$2
    awk -v title="$title" '
        $0 == title { inside = 1; next }
        inside && /^$/ { exit }
        inside && /^  [^ ]/ {
            if (title == "Commands:") { print $1; next }
            for (i = 1; i <= NF; i++) {
                word = $i
                sub(/,$/, "", word)
                if (word !~ /^-/) break
                print word
            }
        }' <<<"$help"
}

_vantoro_cli() {
    COMPREPLY=()
    local cur=${COMP_WORDS[COMP_CWORD]}
    local program=${COMP_WORDS[0]}
    local command="" i
    for ((i = 1; i < COMP_CWORD; i++)); do
        if [[ ${COMP_WORDS[i]} != -* ]]; then
            command=${COMP_WORDS[i]}
            break
        fi
    done

    local help words
    if [[ -n $command ]]; then
        help=$("$program" "$command" --help 2>/dev/null) || return 0
        [[ $cur == -* ]] || return 0 # a MAC address or an option's value: nothing to offer
        words=$(_vantoro_cli_section "Options:" "$help")
    else
        help=$("$program" --help 2>/dev/null) || return 0
        if [[ $cur == -* ]]; then
            words=$(_vantoro_cli_section "Options:" "$help")
        else
            words=$(_vantoro_cli_section "Commands:" "$help")
        fi
    fi
    mapfile -t COMPREPLY < <(compgen -W "$words" -- "$cur")
}

complete -F _vantoro_cli vantoro-cli
