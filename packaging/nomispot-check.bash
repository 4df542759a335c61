# bash completion for nomispot-check

_nomispot_check() {
    local cur=${COMP_WORDS[COMP_CWORD]} prev=
    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}
    case $prev in
    --format)
        mapfile -t COMPREPLY < <(compgen -W 'text csv json' -- "$cur")
        return
        ;;
    --file | --settings)
        compopt -o filenames 2>/dev/null
        mapfile -t COMPREPLY < <(compgen -f -- "$cur")
        return
        ;;
    --tlds | --nameserver | --delay | --retries)
        COMPREPLY=()
        return
        ;;
    esac
    if [[ $cur == -* ]]; then
        # The options as the program itself lists them, so that none is missed.
        local options
        options=$("${COMP_WORDS[0]}" --help 2>/dev/null |
            sed -n 's/^ *\(-[a-z], \)\{0,1\}\(--[a-z][a-z-]*\).*/\2/p')
        mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
    fi
}
complete -F _nomispot_check nomispot-check
