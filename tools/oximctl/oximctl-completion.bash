# Bash completion of oximctl: commands, options, --adapter values and files,
# tree paths, parameter names and valid values. oximctl itself finds the
# candidates (oximctl __complete LINE); it starts the library only to
# complete a path, with the --adapter and --root of the line.
#
#   source build/tools/oximctl/oximctl-completion.bash
#
# or install it as share/bash-completion/completions/oximctl.

_oximctl() {
  local line=${COMP_LINE:0:COMP_POINT}
  local cur=${COMP_WORDS[COMP_CWORD]}
  local IFS=$'\n'
  local -a reply
  reply=($("${COMP_WORDS[0]}" __complete "$line" 2>/dev/null)) || return
  [[ ${#reply[@]} -gt 0 ]] || return
  # oximctl replaces the whole last word; bash's current word may be only its
  # end, as bash also splits words at "=" and ":".
  local drop=$((reply[0] - ${#cur}))
  ((drop < 0)) && drop=0
  COMPREPLY=()
  local candidate
  for candidate in "${reply[@]:1}"; do
    COMPREPLY+=("${candidate:drop}")
  done
  if [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *[/=:] ]]; then
    compopt -o nospace 2>/dev/null
  fi
}

complete -F _oximctl oximctl
