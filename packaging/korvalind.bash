# bash completion for korvalind                                    -*- shell-script -*-
_korvalind() {
  local cur prev words cword
  _init_completion || return

  local commands="query info encipher decipher convert-areacodes convert-segments build
    make-directory export list diff import-phone-dat export-phone-dat serve --help --version"
  if [[ $cword -eq 1 ]]; then
    COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    return
  fi

  case $prev in
    --directory | --output)
      _filedir
      return
      ;;
    --data)
      _filedir -d
      return
      ;;
    --format)
      if [[ ${words[1]} == list || ${words[1]} == diff ]]; then
        COMPREPLY=($(compgen -W "tsv json" -- "$cur"))
      else
        COMPREPLY=($(compgen -W "text tsv json" -- "$cur"))
      fi
      return
      ;;
    --kind)
      COMPREPLY=($(compgen -W "0 1 2 3 4 5 6 7" -- "$cur"))
      return
      ;;
    --encoding)
      COMPREPLY=($(compgen -W "utf-8 gbk" -- "$cur"))
      return
      ;;
    --listen | --threads | --max-connections | --idle-timeout | --read-timeout)
      return
      ;;
  esac

  local options=""
  case ${words[1]} in
    query) options="--directory --format --encoding --any-prefix" ;;
    info) options="--directory" ;;
    convert-areacodes | convert-segments | build) options="--data" ;;
    make-directory) options="--data --output" ;;
    export) options="--directory --data" ;;
    list) options="--directory --province --city --kind --count --format --encoding" ;;
    diff | import-phone-dat)
      [[ ${words[1]} == diff ]] && options="--format --encoding" || options="--data"
      if [[ $cur != -* ]]; then
        _filedir
        return
      fi
      ;;
    export-phone-dat) options="--directory --output" ;;
    serve)
      options="--directory --listen --threads --max-connections --idle-timeout --read-timeout
        --access-log"
      ;;
    encipher | decipher)
      _filedir
      return
      ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options --" -- "$cur"))
  fi
} && complete -F _korvalind korvalind
