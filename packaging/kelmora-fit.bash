# bash completion for kelmora-fit. Keep the lists in step with "kelmora-fit --help" and each
# command's --help: the install test checks that every command and option they show is offered.

_kelmora_fit() {
    local commands="compute optimize scan analyze"
    local fitOptions="--data --p0 --params --iterations --refine --decimal-separator --json
        --open --save --help --version"
    local analyzeOptions="--data --p0 --host-column --models --guest-signals --linear-term --fix --mc --seed
        --conc-error --weight --json --xlsx --csv --report --open --save --spectra --points
        --observable --path-length --ligand-absorbs --spectra-in-rows --help"
    local cur=${COMP_WORDS[COMP_CWORD]}
    local prev=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()
    case $prev in
        --data | --params | --open | --save | --xlsx | --csv | --report | --spectra | --points)
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            return
            ;;
        --p0 | --iterations | --decimal-separator | --models | --guest-signals | --fix | --mc | --seed | --conc-error | \
            --path-length)
            return
            ;;
        --weight)
            mapfile -t COMPREPLY < <(compgen -W "per-signal none" -- "$cur")
            return
            ;;
        --observable)
            mapfile -t COMPREPLY < <(compgen -W "absorbance fluorescence" -- "$cur")
            return
            ;;
    esac
    # One command per line: offer them until one is there, then its options.
    local word command=""
    for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
        if [[ " $commands " == *" $word "* ]]; then
            command=$word
        fi
    done
    if [[ $cur == -* ]]; then
        local options=$fitOptions
        [[ $command == analyze ]] && options=$analyzeOptions
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    elif [[ -z $command ]]; then
        mapfile -t COMPREPLY < <(compgen -W "$commands" -- "$cur")
    fi
}

complete -F _kelmora_fit kelmora-fit
