# bash completion for sardoxa                                          -*- shell-script -*-

# "last" and the sizes the program remembers, newest first, written as --size takes them: the
# presets file holds <string>{640, -1}</string>, -1 standing for *. It is read only when it is a
# regular file, as the program itself does: a FIFO there would hang the shell.
_sardoxa_sizes()
{
    local presets=${XDG_CACHE_HOME:-$HOME/.cache}/sardoxa/presets line width height
    echo last
    [[ -f $presets && ! -L $presets ]] || return 0
    while IFS= read -r line; do
        [[ $line =~ \<string\>\{([0-9.]+|-1),\ ([0-9.]+|-1)\}\</string\> ]] || continue
        width=${BASH_REMATCH[1]/#-1/*} height=${BASH_REMATCH[2]/#-1/*}
        echo "${width}x$height"
    done < <(head -n 64 -- "$presets" 2>/dev/null)
}

_sardoxa()
{
    local cur prev words cword split
    _init_completion -s || return

    case $prev in
        -s | --size)
            local size
            while IFS= read -r size; do
                # Quoted, so that the shell does not take 640x* for a file pattern.
                [[ $size == "$cur"* ]] && COMPREPLY+=("$(printf %q "$size")")
            done < <(_sardoxa_sizes)
            return
            ;;
        -o | --output)
            _filedir -d
            return
            ;;
        --files-from)
            _filedir
            [[ - == "$cur"* ]] && COMPREPLY+=(-)
            return
            ;;
        -f | --format)
            COMPREPLY=($(compgen -W 'tiff jpeg png webp avif' -- "$cur"))
            return
            ;;
        --quality | --shard | -h | --help | -v | --version)
            return
            ;;
    esac
    $split && return

    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W '-s --size= -o --output= -f --format= --quality= --lossless
            --no-enlarge --enlarge -q --quiet --json --strip-location --keep-location
            --keep-folders --no-keep-folders --skip-existing --no-skip-existing --shard=
            --files-from= -0 --null --notify -h --help -v --version' -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi

    _filedir '@(png|tiff|tif|jpeg|jpg|gif|heic|heif|avif|webp|jxl)'
} &&
    complete -F _sardoxa sardoxa

# ex: filetype=sh
