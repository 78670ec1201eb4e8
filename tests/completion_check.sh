#!/usr/bin/env bash
# The bash completion offers every subcommand quarvex-cli's help lists, and for each
# subcommand every option its own help names: completion and program cannot drift apart.
#   completion_check.sh QUARVEX_CLI COMPLETION_SCRIPT
set -uo pipefail
cli=$1 script=$2
# shellcheck source=/dev/null
source "$script"

complete_words() {  # the words offered for a command line whose last word is being typed
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _quarvex_cli
  printf '%s\n' "${COMPREPLY[@]}"
}

failed=0
subcommands=$("$cli" help | sed -n 's/^\(usage:\|      \) quarvex-cli \[\{0,1\}\([a-z]*\).*/\2/p')
[ -n "$subcommands" ] || { echo "no subcommands in quarvex-cli help"; exit 1; }
offered=$(complete_words quarvex-cli "")
for sub in $subcommands; do
  grep -qx "$sub" <<< "$offered" || { echo "subcommand $sub is not offered"; failed=1; }
  help=$("$cli" help "$sub" 2>&1)
  options=$(complete_words quarvex-cli "$sub" "-")
  for option in $(grep -o -- '--[a-z][a-z-]*' <<< "$help" | sort -u); do
    grep -qx -- "$option" <<< "$options" || { echo "$sub: option $option is not offered"; failed=1; }
  done
done
[ $failed -eq 0 ] && echo "completion offers every subcommand and option"
exit $failed
