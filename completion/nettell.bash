# bash completion for nettell: its options, and host names from the hosts
# database (what `getent hosts` lists; it asks no name server).

_nettell() {
  local current=${COMP_WORDS[COMP_CWORD]}
  local -a words
  if [[ $current == [-/]* ]]; then
    words=(-v -h '-?' /v /h '/?')
  else
    # Every name and alias of every entry, one a line.
    mapfile -t words < <(getent hosts 2>/dev/null | awk '{ for (i = 2; i <= NF; i++) print $i }')
  fi
  COMPREPLY=()
  local word
  for word in "${words[@]}"; do
    if [[ $word == "$current"* ]]; then COMPREPLY+=("$word"); fi
  done
}

complete -F _nettell nettell
