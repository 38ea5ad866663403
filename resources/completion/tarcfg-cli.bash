# SPDX-License-Identifier: GPL-3.0-or-later
# bash completion for tarcfg-cli
#
# Commands, their options and argument kinds come from the program's own
# --help texts, so a new command completes without a change here. ROUTER
# arguments complete from the routers of the last 'tarcfg-cli scan'
# ($XDG_CACHE_HOME/tarcfg/routers), FILE and DIR arguments from the file
# system.

_tarcfg_cli_program() {
  local program=${COMP_WORDS[0]}
  program=${program/#\~/$HOME}
  if [[ $program == */* && -x $program ]] || type -P "$program" >/dev/null 2>&1; then
    printf '%s\n' "$program"
  else
    printf 'tarcfg-cli\n'
  fi
}

# The routers of the last scan: hardware addresses and names.
_tarcfg_cli_routers() {
  local cache=${XDG_CACHE_HOME:-$HOME/.cache}/tarcfg/routers
  [[ -r $cache ]] || return
  local hardware name
  while IFS=$'\t' read -r hardware name; do
    [[ -n $hardware ]] && printf '%s\n' "$hardware"
    [[ -n $name && $name != -* ]] && printf '%s\n' "$name"
  done <"$cache"
}

_tarcfg_cli_files() {  # KIND CURRENT
  local IFS=$'\n'
  if [[ $1 == DIR ]]; then
    COMPREPLY=($(compgen -d -- "$2"))
  else
    COMPREPLY=($(compgen -f -- "$2"))
  fi
  compopt -o filenames 2>/dev/null
}

_tarcfg_cli() {
  local cur=${COMP_WORDS[COMP_CWORD]}
  local prev=${COMP_WORDS[COMP_CWORD - 1]}
  local program
  program=$(_tarcfg_cli_program)
  COMPREPLY=()

  # The command: the first word that is neither an option nor the value of
  # the global --settings.
  local i command= command_index=0
  for ((i = 1; i < COMP_CWORD; i++)); do
    case ${COMP_WORDS[i]} in
      --settings) ((i++)) ;;
      -*) ;;
      *)
        command=${COMP_WORDS[i]}
        command_index=$i
        break
        ;;
    esac
  done

  if [[ -z $command ]]; then
    if [[ $prev == --settings ]]; then
      _tarcfg_cli_files FILE "$cur"
    elif [[ $cur == -* ]]; then
      COMPREPLY=($(compgen -W '--settings --help --version' -- "$cur"))
    else
      COMPREPLY=($(compgen -W "$("$program" --help 2>/dev/null |
        sed -n 's/^  \([a-z][a-z-]*\)\( .*\)\{0,1\}$/\1/p')" -- "$cur"))
    fi
    return
  fi

  # The command's options ("-o, --output <FILE>") and its positional
  # arguments, from its usage line ("Usage: tarcfg-cli write [options] ROUTER FILE").
  local help
  help=$("$program" "$command" --help 2>/dev/null) || return
  local -a positional
  read -r -a positional <<<"$(sed -n 's/^Usage: tarcfg-cli [^ ]* \[options\] *//p' <<<"$help" |
    tr -d '[]')"
  # Option lines: "  -o, --output <FILE>  text" or "  --json  text"; one
  # "option VALUE" line each, VALUE empty for a switch.
  local table
  table=$(awk '/^ +-/ {
      o = $1; n = 2
      if (o ~ /,$/) { sub(/,$/, "", o); v = ($3 ~ /^</) ? $3 : ""; gsub(/[<>]/, "", v); print o, v; o = $2; n = 3 }
      v = ($n ~ /^</) ? $n : ""; gsub(/[<>]/, "", v); print o, v
    }' <<<"$help")
  local options with_values
  options=$(awk '{ print $1 }' <<<"$table")
  with_values=$(awk 'NF == 2' <<<"$table")

  local value_kind
  value_kind=$(awk -v o="$prev" '$1 == o { print $2; exit }' <<<"$with_values")
  if [[ $prev == --settings ]]; then
    value_kind=FILE
  fi
  if [[ -n $value_kind ]]; then
    case $value_kind in
      FILE | OUT) _tarcfg_cli_files FILE "$cur" ;;
      DIR) _tarcfg_cli_files DIR "$cur" ;;
    esac
    return
  fi
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W "$options --settings" -- "$cur"))
    return
  fi

  # Which positional argument is being typed.
  local position=0 word
  for ((i = command_index + 1; i < COMP_CWORD; i++)); do
    word=${COMP_WORDS[i]}
    if [[ $word == -* ]]; then
      if [[ $word == --settings ]] || awk -v o="$word" '$1 == o { f = 1 } END { exit !f }' <<<"$with_values"; then
        ((i++))
      fi
      continue
    fi
    ((position++))
  done
  case ${positional[position]:-} in
    ROUTER) COMPREPLY=($(compgen -W "$(_tarcfg_cli_routers)" -- "$cur")) ;;
    # A router or a file (diff compares two files too).
    '(ROUTER|FILE1)')
      _tarcfg_cli_files FILE "$cur"
      COMPREPLY+=($(compgen -W "$(_tarcfg_cli_routers)" -- "$cur"))
      ;;
    FILE | OUT) _tarcfg_cli_files FILE "$cur" ;;
    DIR) _tarcfg_cli_files DIR "$cur" ;;
  esac
}

complete -F _tarcfg_cli tarcfg-cli
