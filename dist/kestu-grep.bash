# bash completion for kestu-grep

_kestu_grep()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_CWORD:+${COMP_WORDS[COMP_CWORD-1]}}

    # "=" breaks words in bash: "--color=al" arrives as "--color" "=" "al".
    local before=${COMP_WORDS[COMP_CWORD-2]-}
    if [[ $cur == = && ($prev == --color || $prev == --colour) ]]; then
        COMPREPLY=($(compgen -W "auto always never" -- ""))
        return
    fi
    if [[ $prev == = && ($before == --color || $before == --colour) ]]; then
        COMPREPLY=($(compgen -W "auto always never" -- "$cur"))
        return
    fi

    case $prev in
        -l)
            COMPREPLY=($(compgen -W "0 1 2 3 4 5 8 16 32 64" -- "$cur"))
            return
            ;;
        -c)
            COMPREPLY=($(compgen -W "0 1 2 3 4 5 6" -- "$cur"))
            return
            ;;
        -f)
            COMPREPLY=($(compgen -W '"*" "*.txt" "*.txt,*.html,*.htm" "*.c,*.cpp,*.h"' -- "$cur"))
            return
            ;;
    esac

    case $cur in
        --color=* | --colour=*)
            COMPREPLY=($(compgen -W "auto always never" -- "${cur#*=}"))
            return
            ;;
        -*)
            COMPREPLY=($(compgen -W "-b -l -i -W -K -r -c -f -L -A -B -C --follow --ignore-width --ignore-kana --count --files-with-matches --json --color= --help --version" -- "$cur"))
            [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
            return
            ;;
    esac

    # The first word that is not an option is the search text; the target
    # after it is a file or a folder.
    local i words=0
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            -l | -c | -f) ((i++)) ;;
            -*) ;;
            *) ((words++)) ;;
        esac
    done
    if ((words >= 1)); then
        compopt -o filenames 2>/dev/null
        COMPREPLY=($(compgen -f -- "$cur"))
    fi
} &&
    complete -F _kestu_grep kestu-grep
