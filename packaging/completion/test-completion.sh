#!/usr/bin/env bash
# The bash completion made from q17ctl's table of commands, run in bash with
# bash-completion's two helpers stubbed: it offers every command the usage
# lists, each command's options, an option's choices, settings files for
# FILE and the interface list for PORT.
#   test-completion.sh COMPLETION Q17CTL
set -euo pipefail
completion=${1:?usage: test-completion.sh COMPLETION Q17CTL}
ctl=${2:?usage: test-completion.sh COMPLETION Q17CTL}
PATH="$(dirname "$ctl"):$PATH"
failed=0

# bash-completion's own, reduced to what the script asks of them (they
# set the completion function's locals, and run only from it).
# shellcheck disable=SC2034,SC2317
{
  _init_completion() {
    words=("${COMP_WORDS[@]}")
    cword=$COMP_CWORD
    cur=${COMP_WORDS[COMP_CWORD]}
    prev=${COMP_WORDS[COMP_CWORD - 1]}
  }
  _filedir() { COMPREPLY=("files:${1:-any}"); }
}
# shellcheck source=/dev/null
source "$completion"

# The words, one order: bash shows them sorted anyway.
sorted() { tr ' ' '\n' <<<"$1" | sed '/^$/d' | sort | tr '\n' ' '; }

# expect "WHAT IS OFFERED" WORD...: the last word is the one being completed.
expect() {
  local want
  want=$(sorted "$1")
  shift
  COMP_WORDS=(q17ctl "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _q17ctl
  local got
  got=$(sorted "${COMPREPLY[*]}")
  if [[ $got != "$want" ]]; then
    echo "test-completion: q17ctl $*<TAB> offers '$got', not '$want'" >&2
    failed=1
  fi
}

expect "$(q17ctl --help | sed -n '/^commands:/,$s/^  \([a-z][a-z-]*\).*/\1/p')" ""
expect "echo-test" --port /dev/ttyUSB0 --timeout 100 ec
expect "--count --length" echo-test --
expect "--channel --etalon --test --seconds" radio-test --
expect "1 2" radio-test --channel ""
expect "" radio-test --seconds ""
expect "--yes" restore-radio ""
expect "files:set" --address 1,2 write-config ""
expect "files:set" save-config ""
expect "$(q17ctl ports)" doctor ""
expect "--port --address --timeout --trace --version --help" --
exit $failed
