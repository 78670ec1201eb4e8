# Bash completion for quarvex-cli: subcommands first, then each one's options, then files.
# Install as /usr/share/bash-completion/completions/quarvex-cli, or source it.

_quarvex_cli() {
  local cur prev subcommand
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  local subcommands="report check recover facts timeline ls get find diff history stats hives summary help"
  local report_options="-o --output --json --json-series --charts --export --salvage --export-root --encoding --codepage
    --partial --progress --now --windows-dir --prescan --no-analysis --no-analysis-report --no-keys
    --structure --all --set --verbose --help --version"
  local codepages="auto 874 932 936 949 950 1250 1251 1252 1253 1254 1255 1256 1257 1258 none"

  case $prev in
    --codepage) mapfile -t COMPREPLY < <(compgen -W "$codepages" -- "$cur"); return ;;
    --encoding) mapfile -t COMPREPLY < <(compgen -W "native utf-8 locale" -- "$cur"); return ;;
    --min-confidence) mapfile -t COMPREPLY < <(compgen -W "high medium low" -- "$cur"); return ;;
    --type) mapfile -t COMPREPLY < <(compgen -W "REG_NONE REG_SZ REG_EXPAND_SZ REG_BINARY REG_DWORD REG_MULTI_SZ" -- "$cur"); return ;;
    --charts|--windows-dir) mapfile -t COMPREPLY < <(compgen -d -- "$cur"); return ;;
    --now|--export-root|--set|-d|-j) return ;;
  esac

  # The subcommand: the first word that names one, past options (and their values) given
  # before it, as `quarvex-cli --codepage 932 check FILE` has them.
  subcommand=""
  local word value="" options_only=1
  for word in "${COMP_WORDS[@]:1:COMP_CWORD-1}"; do
    if [[ -n $value ]]; then value=""; continue; fi
    case " $subcommands " in *" $word "*) subcommand=$word; break ;; esac
    case $word in
      -o|--output|--json|--charts|--export|--export-root|--encoding|--codepage|--set|--now|--windows-dir) value=1 ;;
      -*) ;;
      *) options_only=0; break ;;
    esac
  done

  if [[ -z $subcommand && $options_only -eq 1 && $cur != -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$subcommands" -- "$cur")
    mapfile -t -O "${#COMPREPLY[@]}" COMPREPLY < <(compgen -f -- "$cur")
    return
  fi

  local options
  case $subcommand in
    ""|report) options=$report_options ;;
    check) options="-v --verbose --json --codepage --help" ;;
    recover) options="--json --export --export-root --min-confidence --all --codepage --help" ;;
    facts) options="--json --csv --no-recovered --all --codepage --help" ;;
    timeline) options="--json --csv --bodyfile --no-recovered --codepage --help" ;;
    history) options="--key --json --codepage --help" ;;
    ls) options="-R -v -d --json --codepage --help" ;;
    get) options="--raw --strings --json --codepage --help" ;;
    find) options="--keys --values --data -i -s --regex --hex --type --json --codepage --help" ;;
    diff) options="--keys-only --values-only --json --codepage --help" ;;
    stats) options="--json --codepage --help" ;;
    hives) options="--deleted --carve --carve-all --json --codepage --help" ;;
    summary) options="-j --json --codepage --help" ;;
    help) mapfile -t COMPREPLY < <(compgen -W "$subcommands" -- "$cur"); return ;;
  esac
  if [[ $cur == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
  else
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
  fi
}
complete -o filenames -F _quarvex_cli quarvex-cli
