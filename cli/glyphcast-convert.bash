# Bash completion for glyphcast-convert: its options, the values of --order and --style (classic
# first, the default), folders after --output-dir and files everywhere else.
_glyphcast_convert()
{
    local cur=${COMP_WORDS[COMP_CWORD]} prev=${COMP_WORDS[COMP_CWORD - 1]}
    local options="--columns --rows --style --characters --order --font --background --output --output-dir
        --jobs --memory --force --open --help --version -c -r -b -o -d -j -f -h -V --"
    local styles="classic photo"
    case $prev in
    --order)
        COMPREPLY=($(compgen -W "random sequential" -- "$cur"))
        return
        ;;
    --style)
        COMPREPLY=($(compgen -W "$styles" -- "$cur"))
        return
        ;;
    -d | --output-dir)
        COMPREPLY=($(compgen -d -- "$cur"))
        return
        ;;
    -o | --output)
        COMPREPLY=($(compgen -f -- "$cur"))
        return
        ;;
    -c | --columns | -r | --rows | -j | --jobs | --memory | --characters | --font | -b | --background)
        return
        ;;
    esac
    case $cur in
    --order=*)
        COMPREPLY=($(compgen -W "random sequential" -- "${cur#*=}"))
        ;;
    --style=*)
        COMPREPLY=($(compgen -W "$styles" -- "${cur#*=}"))
        ;;
    -*)
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        ;;
    *)
        COMPREPLY=($(compgen -f -- "$cur"))
        ;;
    esac
}
complete -o filenames -o bashdefault -F _glyphcast_convert glyphcast-convert
