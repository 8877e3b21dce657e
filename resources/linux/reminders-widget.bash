# bash completion for reminders-widget and reminders-widget-desktop: commands, options, and the values of
# --family, --mode, --request, --demo and --format; files and directories where an option takes one.
# Each command's options are read from its own --help, so they stay those of the installed program.

_reminders_widget_options() {
  # $1: the program, $2: the command (empty: the program's own options)
  "$1" ${2:+"$2"} --help 2>/dev/null | grep -oE -- '(^|[ ,])--?[A-Za-z][A-Za-z-]*' | tr -d ' ,' | sort -u
}

_reminders_widget_values() {
  # Completes the value of option $1; returns 1 when $1 takes no known kind of value.
  local cur=$2
  case $1 in
    --family)
      COMPREPLY=($(compgen -W "systemSmall systemMedium systemLarge systemExtraLarge accessoryCircular
                               accessoryRectangular accessoryInline $3" -- "$cur")) ;;
    --mode) COMPREPLY=($(compgen -W "fullColor accented vibrant" -- "$cur")) ;;
    --request) COMPREPLY=($(compgen -W "placeholder snapshot timeline" -- "$cur")) ;;
    --demo) COMPREPLY=($(compgen -W "counters-row list counter-layouts" -- "$cur")) ;;
    --format) COMPREPLY=($(compgen -W "binary xml" -- "$cur")) ;;
    --locale) COMPREPLY=($(compgen -W "en_US de_DE pl_PL C" -- "$cur")) ;;
    --time-zone)
      local zones=/usr/share/zoneinfo
      COMPREPLY=($(cd "$zones" 2>/dev/null && compgen -f -- "$cur")) ;;
    --container | --strings) COMPREPLY=($(compgen -d -- "$cur")) ;;
    --instance)  # the widgets that have kept settings
      local kept=${XDG_CONFIG_HOME:-$HOME/.config}/reminders-widget
      COMPREPLY=($(compgen -W "default $(cd "$kept" 2>/dev/null && ls -- *.ini 2>/dev/null | sed 's/\.ini$//')" \
        -- "$cur")) ;;
    -o | --output | --tree) COMPREPLY=($(compgen -f -- "$cur")) ;;
    --size | --now | --entry | --scale | --os-version | --at | --position) COMPREPLY=() ;;
    *) return 1 ;;
  esac
  return 0
}

# Sets cur, prev, words and cword, the caller's locals: through bash-completion where it is loaded.
_reminders_widget_words() {
  _init_completion 2>/dev/null && return
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD - 1]}
  words=("${COMP_WORDS[@]}")
  cword=$COMP_CWORD
}

_reminders_widget() {
  local cur prev words cword
  _reminders_widget_words
  local commands="payload placeholder snapshot timeline draw render gallery tap describe host"
  local command="" i
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      -*) ;;
      *) if [[ " $commands " == *" ${words[i]} "* ]]; then command=${words[i]}; break; fi ;;
    esac
  done

  if [[ $prev == -* ]] && _reminders_widget_values "$prev" "$cur"; then
    [[ $prev == -o || $prev == --output || $prev == --tree || $prev == --container || $prev == --strings ]] &&
      compopt -o filenames 2>/dev/null
    return
  fi
  if [[ -z $command ]]; then
    if [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W "--help --version" -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$commands" -- "$cur"))
    fi
    return
  fi
  if [[ $command == payload && $cur != -* ]]; then
    COMPREPLY=($(compgen -W "encode check" -- "$cur"))
    return
  fi
  COMPREPLY=($(compgen -W "$(_reminders_widget_options "${words[0]}" "$command")" -- "$cur"))
}

_reminders_widget_desktop() {
  local cur prev words cword
  _reminders_widget_words
  if [[ $prev == -* ]] && _reminders_widget_values "$prev" "$cur" "small medium large extra-large"; then
    return
  fi
  COMPREPLY=($(compgen -W "$(_reminders_widget_options "${words[0]}" "")" -- "$cur"))
}

complete -F _reminders_widget reminders-widget
complete -F _reminders_widget_desktop reminders-widget-desktop
