# bash completion for kestu-grep

_kestu_grep()
{
    local cur prev
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_CWORD:+${COMP_WORDS[COMP_CWORD-1]}}

    # "=" breaks words in bash: "--color=al" arrives as "--color" "=" "al".
    local before=${COMP_WORDS[COMP_CWORD-2]-}
    local option= value=
    if [[ $cur == = ]]; then
        option=$prev
    elif [[ $prev == = ]]; then
        option=$before value=$cur
    fi
    case $option in
        --color | --colour | --hyperlink)
            COMPREPLY=($(compgen -W "auto always never" -- "$value"))
            return
            ;;
        --min-filesize | --max-filesize)
            COMPREPLY=($(compgen -W "100K 1M 10M 100M 1G" -- "$cur"))
            return
            ;;
        --newer | --older)
            COMPREPLY=($(compgen -W "30m 12h 1d 7d 30d" -- "$cur"))
            return
            ;;
        --output-encoding)
            COMPREPLY=($(compgen -W "utf-8 sjis euc-jp" -- "$value"))
            return
            ;;
    esac

    case $prev in
        -l | --max-depth)
            COMPREPLY=($(compgen -W "0 1 2 3 4 5 8 16 32 64" -- "$cur"))
            return
            ;;
        -c | --code)
            COMPREPLY=($(compgen -W "0 1 2 3 4 5 6 auto sjis euc-jp iso-2022-jp utf-7 utf-8 utf-8n" -- "$cur"))
            return
            ;;
        --output-encoding)
            COMPREPLY=($(compgen -W "utf-8 sjis euc-jp" -- "$cur"))
            return
            ;;
        -f | --filter)
            COMPREPLY=($(compgen -W '"*" "*.txt" "*.txt,*.html,*.htm" "*.c,*.cpp,*.h"' -- "$cur"))
            return
            ;;
    esac

    case $cur in
        --output-encoding=*)
            COMPREPLY=($(compgen -W "utf-8 sjis euc-jp" -- "${cur#*=}"))
            return
            ;;
        --color=* | --colour=* | --hyperlink=*)
            COMPREPLY=($(compgen -W "auto always never" -- "${cur#*=}"))
            return
            ;;
        -*)
            COMPREPLY=($(compgen -W "-b -l -i -W -K -z -r -c -f -L -j -A -B -C -w -o -m -q -s -H --recursive --max-depth --ignore-case --ignore-width --ignore-kana --search-archives --regex --code --filter --exclude-dir --follow --jobs --after-context --before-context --context --word-regexp --only-matching --max-count --quiet --no-messages --null --with-filename --no-filename --count --files-with-matches --json --color= --output-encoding= --hyperlink= --min-filesize --max-filesize --newer --older --help --version" -- "$cur"))
            [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
            return
            ;;
    esac

    # The first word that is not an option is the search text; the target
    # after it is a file or a folder.
    local i words=0
    for ((i = 1; i < COMP_CWORD; i++)); do
        case ${COMP_WORDS[i]} in
            -l | -c | -f | -j | -A | -B | -C | -m | --max-depth | --code | --filter | --exclude-dir | --jobs | \
                --after-context | --before-context | --context | --max-count) ((i++)) ;;
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
