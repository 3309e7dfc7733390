# bash completion for calvenor-export: its options (read from its --help), Access database files,
# output folders, and after --report the names of the database's reports, read from its --list.

# The word as the shell would pass it, without running anything: quotes and backslashes undone and a
# leading "~/" expanded; a variable is left as written.
_calvenor_export_dequote() {
    local word=$1 result='' quote='' c i
    # shellcheck disable=SC2088 # the tilde is matched, not expanded
    [[ $word == "~/"* ]] && word=$HOME${word:1}
    for ((i = 0; i < ${#word}; i++)); do
        c=${word:i:1}
        if [[ $quote == "'" ]]; then
            [[ $c == "'" ]] && quote='' || result+=$c
        elif [[ $c == "\\" ]]; then
            i=$((i + 1))
            result+=${word:i:1}
        elif [[ $c == '"' ]]; then
            [[ $quote ]] && quote='' || quote='"'
        elif [[ $c == "'" && -z $quote ]]; then
            quote="'"
        else
            result+=$c
        fi
    done
    printf '%s' "$result"
}

# The report names of the database named on the line whose names start with the word being completed
# (letter case ignored, as --report compares them).
_calvenor_export_reports() {
    local program=$1 database='' password_file='' ended='' word i
    for ((i = 1; i < cword; i++)); do
        word=${words[i]}
        if [[ -z $ended && $word == -?* ]]; then
            case $word in
                --) ended=1 ;;
                --password-file=*) password_file=${word#*=} ;;
                --password-file) password_file=${words[i + 1]-} i=$((i + 1)) ;;
                --output | --report | --containing | --not-containing | --parameter) i=$((i + 1)) ;;
            esac
        elif [[ -z $database ]]; then
            database=$word
        fi
    done
    [[ $database ]] || return
    local -a command=("$(_calvenor_export_dequote "$program")" --list)
    [[ $password_file ]] && command+=(--password-file "$(_calvenor_export_dequote "$password_file")")
    command+=(-- "$(_calvenor_export_dequote "$database")")  # a name may start with "-"

    local prefix line name escaped
    prefix=$(_calvenor_export_dequote "$cur")
    COMPREPLY=()
    # --list writes a backslash as \\ and a tab as \t; a name holding a line break cannot be completed.
    while IFS= read -r line; do
        name='' escaped=''
        for ((i = 0; i < ${#line}; i++)); do
            if [[ $escaped ]]; then
                case ${line:i:1} in
                    "\\") name+="\\" ;;
                    t) name+=$'\t' ;;
                    *) continue 2 ;;
                esac
                escaped=''
            elif [[ ${line:i:1} == "\\" ]]; then
                escaped=1
            else
                name+=${line:i:1}
            fi
        done
        [[ ${name,,} == "${prefix,,}"* ]] && COMPREPLY+=("$name")
    done < <(timeout 10 "${command[@]}" 2>/dev/null)
    # Readline quotes the names it inserts, as it does file names: many hold spaces.
    compopt -o filenames 2>/dev/null
}

_calvenor_export() {
    local cur prev words cword split
    _init_completion -s -n = || return

    case $prev in
        --output)
            _filedir -d
            return
            ;;
        --password-file)
            _filedir
            return
            ;;
        --report)
            _calvenor_export_reports "$1"
            return
            ;;
        --containing | --not-containing | --parameter)
            return
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        local options
        options=$(LC_ALL=C "$(_calvenor_export_dequote "$1")" --help 2>/dev/null | grep -oE -- '--[a-z][a-z-]*[a-z]' | sort -u)
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
        return
    fi
    _filedir '@(mdb|accdb)'
} &&
    complete -F _calvenor_export calvenor-export
