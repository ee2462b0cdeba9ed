# bash completion of tovel-cli: its commands and options, library files after
# -l and in the LIBRARY place, files after --output, and the routine names of the library (asked
# from "tovel-cli list --names") in the FUNCTION place.

# The library named on the command line so far (by -l, --library, or a
# first argument that looks like a file name); empty for Tovel's current one.
_tovel_cli_library()
{
    local i word
    for ((i = 2; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
        -l | --library)
            printf '%s' "${COMP_WORDS[i + 1]}"
            return
            ;;
        --library=*)
            printf '%s' "${word#--library=}"
            return
            ;;
        esac
    done
    # Only the first argument after the command can be the library.
    word=${COMP_WORDS[2]}
    if ((COMP_CWORD > 2)) && [[ $word != -* && ($word == */* || $word == *.*) ]]; then
        printf '%s' "$word"
    fi
}

# The arguments before the current word that are neither options nor the
# values of -l.
_tovel_cli_positionals()
{
    local i count=0 word
    for ((i = 2; i < COMP_CWORD; i++)); do
        word=${COMP_WORDS[i]}
        case $word in
        -l | --library | --format | -o | --output) ((i++)) ;;
        -*) ;;
        *) ((count++)) ;;
        esac
    done
    printf '%s' "$count"
}

_tovel_cli_files()
{
    local IFS=$'\n'
    compopt -o filenames 2>/dev/null
    COMPREPLY=($(compgen -f -- "$1"))
}

_tovel_cli_routines()
{
    local library=$1 current=$2 IFS=$'\n'
    local cli=${COMP_WORDS[0]}
    local -a args=(list --names)
    [[ -n $library ]] && args+=(-l "$library")
    COMPREPLY=($(compgen -W "$("$cli" "${args[@]}" 2>/dev/null)" -- "$current"))
}

_tovel_cli()
{
    local current=${COMP_WORDS[COMP_CWORD]}
    local previous=${COMP_WORDS[COMP_CWORD - 1]}
    COMPREPLY=()

    if ((COMP_CWORD == 1)); then
        COMPREPLY=($(compgen -W "list show params call check snippets lint lsp --help --version" -- "$current"))
        return
    fi

    local command=${COMP_WORDS[1]}
    case $previous in
    -l | --library | -o | --output)
        _tovel_cli_files "$current"
        return
        ;;
    --format)
        COMPREPLY=($(compgen -W "vscode ultisnips lsp" -- "$current"))
        return
        ;;
    esac

    if [[ $current == -* ]]; then
        local options="--help"
        case $command in
        list) options+=" --library --names" ;;
        show) options+=" --library" ;;
        params) options+=" --library --json" ;;
        call) options+=" --library --copy --presets" ;;
        snippets) options+=" --library --format --output" ;;
        lint) options+=" --library" ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$current"))
        return
    fi

    local library count
    library=$(_tovel_cli_library)
    count=$(_tovel_cli_positionals)
    case $command in
    list | snippets)
        ((count == 0)) && _tovel_cli_files "$current"
        ;;
    check | lint)
        _tovel_cli_files "$current"
        ;;
    show | params | call)
        # The first place takes a library file or a routine; after a library
        # file comes the routine; values follow the routine.
        if ((count == 0)); then
            if [[ -z $library && ($current == */* || $current == *.*) ]]; then
                _tovel_cli_files "$current"
            else
                _tovel_cli_routines "$library" "$current"
                # Without routines to offer, the place may still take a library.
                [[ -z $library && ${#COMPREPLY[@]} -eq 0 ]] && _tovel_cli_files "$current"
            fi
        elif ((count == 1)) && [[ -n $library && $library == "${COMP_WORDS[2]}" ]]; then
            _tovel_cli_routines "$library" "$current"
        fi
        ;;
    esac
}

complete -F _tovel_cli tovel-cli
