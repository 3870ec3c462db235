# bash completion for korvalind                                    -*- shell-script -*-
_korvalind() {
  local cur prev words cword
  _init_completion || return

  local commands="query info encipher decipher convert-areacodes convert-segments build
    make-directory serve --help --version"
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
      COMPREPLY=($(compgen -W "text tsv json" -- "$cur"))
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
