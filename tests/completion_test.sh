#!/usr/bin/env bash
# The bash completion: options after - or /, host names from the hosts
# database otherwise. Run from any folder; globbing must not touch the words.
set -euo pipefail
source "$(dirname "$0")/../completion/nettell.bash"
cd "$(mktemp -d)"
touch -- -a  # a file that '-?' would match as a pattern

failures=0
expect() {  # expect WORD EXPECTED...: the completions of WORD, in order
  local word=$1
  shift
  COMP_WORDS=(nettell "$word")
  COMP_CWORD=1
  _nettell
  if [[ "${COMPREPLY[*]}" != "$*" ]]; then
    echo "FAIL: '$word' completes to '${COMPREPLY[*]}', expected '$*'"
    failures=$((failures + 1))
  fi
}

expect - -v -h '-?'
expect / /v /h '/?'
expect -v -v
expect /? '/?'
expect localh localhost
expect no-such-host-prefix-zz

complete -p nettell | grep -q -- '-F _nettell' || { echo "FAIL: not registered"; failures=$((failures + 1)); }
[ "$failures" -eq 0 ] && echo "completion: all passed"
exit "$failures"
