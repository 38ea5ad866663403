#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The bash completion of tarcfg-cli: sourced into a shell and asked as bash
# asks it, with COMP_WORDS and COMP_CWORD set.
#
#   completion_test.sh COMPLETION-FILE TARCFG-CLI
set -u

completion=$1
program=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

export XDG_CACHE_HOME=$work/cache HOME=$work
mkdir -p "$XDG_CACHE_HOME/tarcfg" "$work/files/sub"
printf '00-60-1a-10-00-01\t198.51.100.10\n00-60-1a-10-00-04\t---------\n' \
  >"$XDG_CACHE_HOME/tarcfg/routers"
touch "$work/files/edited.cfg" "$work/files/other.cfg"

# shellcheck source=/dev/null
source "$completion" || fail "the completion file does not load"

complete_words() {  # WORD... (the last one is being typed): prints the answers sorted
  COMP_WORDS=("$program" "$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _tarcfg_cli
  [[ ${#COMPREPLY[@]} -eq 0 ]] || printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
expect() {  # EXPECTED WORD...
  local expected=$1
  shift
  local got
  got=$(complete_words "$@")
  [[ $got == "$expected" ]] || fail "'$*': got '$got', expected '$expected'"
}

expect "read restore " re
expect "history " hi
expect "scan serve set status " s
expect "--settings " --set
expect "--dry-run " write --d
expect "--no-history " restore --no
expect "--last " restore 198.51.100.10 --la
# Only what the command takes: help and version, no --help-all.
expect "--help " accounting --he
expect "--version " status 198.51.100.10 --ver
# Routers by hardware address (a loader's too) and by name.
expect "00-60-1a-10-00-01 00-60-1a-10-00-04 198.51.100.10 " write ''
expect "00-60-1a-10-00-01 00-60-1a-10-00-04 " history 00-
expect "198.51.100.10 " firmware 19
expect "$work/files/edited.cfg " write 198.51.100.10 "$work/files/ed"
expect "$work/files/other.cfg " restore 00-60-1a-10-00-01 "$work/files/o"
expect "$work/files/edited.cfg " read 198.51.100.10 -o "$work/files/ed"
expect "$work/files/sub " backup --dir "$work/files/s"
expect "$work/files/edited.cfg " --settings "$work/files/ed"
expect "$work/files/edited.cfg " check "$work/files/e"
# diff: a router or a first file, then a file.
expect "diff " dif
expect "--index " diff 198.51.100.10 --ind
expect "00-60-1a-10-00-01 00-60-1a-10-00-04 " diff 00-
expect "$work/files/edited.cfg " diff "$work/files/ed"
expect "$work/files/other.cfg " diff "$work/files/edited.cfg" "$work/files/o"
# A password is no file name, and nothing follows the last argument.
expect "" read -p ''
expect "" history 198.51.100.10 ''
# Without a cache there is no router to offer, and nothing fails.
rm "$XDG_CACHE_HOME/tarcfg/routers"
expect "" write ''

if [[ $failures -gt 0 ]]; then
  echo "completion test: $failures failures" >&2
  exit 1
fi
echo "completion test: all checks passed"
