# bash completion for quillon-cli                                 -*- shell-script -*-

_quillon_cli() {
    local cur prev words cword
    _init_completion -s || return

    local command="" i
    for ((i = 1; i < cword; i++)); do
        case ${words[i]} in
            colorize | page | batch | site | css) command=${words[i]}; break ;;
        esac
    done

    case $prev in
        -o | --output | -s | --scheme | --header | --footer | --link-css)
            _filedir
            return ;;
        --output-dir)
            _filedir -d
            return ;;
        -e | --encoding)
            COMPREPLY=($(compgen -W 'auto UTF-8 UTF-16LE UTF-16BE CP1250 CP1251 CP1252 CP1253 CP1254 CP1256 CP932 CP936 CP949 CP950 KOI8-R ISO-8859-1 ISO-8859-2' -- "$cur"))
            return ;;
        --eol)
            COMPREPLY=($(compgen -W 'crlf lf' -- "$cur"))
            return ;;
        --theme | --theme-dark)
            COMPREPLY=($(compgen -W 'default vb6 paper dark' -- "$cur"))
            return ;;
        --format)
            COMPREPLY=($(compgen -W 'html html-inline bbcode markdown markdown-html rtf' -- "$cur"))
            return ;;
        --off)
            local prefix=""
            [[ $cur == *,* ]] && prefix=${cur%,*},
            COMPREPLY=($(compgen -P "$prefix" -W 'comment string keyword other number' -- "${cur##*,}"))
            compopt -o nospace
            return ;;
        -j | --jobs | --font | --font-size | --pattern)
            return ;;
    esac
    $split && return

    if [[ -z $command ]]; then
        if [[ $cur == -* ]]; then
            COMPREPLY=($(compgen -W '--help --version' -- "$cur"))
        else
            COMPREPLY=($(compgen -W 'colorize page batch site css' -- "$cur"))
        fi
        return
    fi

    if [[ $cur == -* ]]; then
        local options='--help --version --off --eol'
        case $command in
            colorize) options+=' --output --encoding --scheme --theme --no-optimize --font --font-size --format' ;;
            page) options+=' --output --encoding --scheme --theme --theme-dark --format --no-optimize --font --font-size --link-css --header --footer --progress --no-progress' ;;
            batch) options+=' --encoding --scheme --theme --theme-dark --no-optimize --font --font-size --link-css --header --footer --jobs --recursive --pattern --output-dir --quiet --progress --no-progress' ;;
            site) options='--help --version --off --output --encoding --scheme --theme --theme-dark --no-optimize --font --font-size --link-css --header --footer --jobs --quiet --progress --no-progress' ;;
            css) options+=' --output --scheme --theme --font --font-size' ;;
        esac
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        [[ ${COMPREPLY-} == *= ]] && compopt -o nospace
        return
    fi

    case $command in
        site) _filedir '@(vbp|vbg|VBP|VBG)' ;;
        page | colorize) _filedir '@(frm|cls|bas|ctl|pag|txt|FRM|CLS|BAS|CTL|PAG|TXT)' ;;
        css) _filedir css ;;
        *) _filedir ;;
    esac
} &&
    complete -F _quillon_cli quillon-cli

# ex: filetype=sh
