# bash completion for kelmora-fit. Keep the two lists in step with "kelmora-fit --help": the
# install test checks that every command and option of the help text is offered here.

_kelmora_fit() {
    local commands="compute optimize scan"
    local options="--data --p0 --params --iterations --refine --decimal-separator --json --help
        --version"
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    case $prev in
        --data | --params)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return
            ;;
        --p0 | --iterations | --decimal-separator)
            return
            ;;
    esac
    if [[ $cur == -* ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    # One command per line: offer them until one is there.
    local word
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        if [[ " $commands " == *" $word "* ]]; then
            return
        fi
    done
    mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
}

complete -F _kelmora_fit kelmora-fit
