#!/usr/bin/env bash
# Usage: check-completion.sh BUILD_DIR SOURCE_DIR
# Completes verbalto-cli command lines the way bash does on Tab and checks the offers.
set -uo pipefail
build=$1
source=$2
# shellcheck disable=SC1091
source /usr/share/bash-completion/bash_completion
# shellcheck disable=SC1091
source "$source/data/completion/verbalto-cli"
program=$build/bin/verbalto-cli
failed=0

# offers LINE: what Tab at the end of LINE offers, one per line.
offers()
{
  COMP_LINE="$program $1"
  COMP_POINT=${#COMP_LINE}
  read -ra COMP_WORDS <<<"$COMP_LINE"
  [[ $COMP_LINE == *" " ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _verbalto_cli
  printf '%s\n' "${COMPREPLY[@]}"
}

# expect LINE WORD... : each WORD is offered; a WORD starting with ! is not.
expect()
{
  local line=$1 got
  shift
  got=$(offers "$line")
  for word in "$@"; do
    if [[ $word == !* ]]; then
      grep -qxF -- "${word#!}" <<<"$got" && { echo "'$line' offers ${word#!}"; failed=1; }
    else
      grep -qxF -- "$word" <<<"$got" || { echo "'$line' lacks $word: $got"; failed=1; }
    fi
  done
}

expect "-" -t --to -s --from --hl -f -o --json --list-languages --help --version
expect "--li" --list-languages --list-services !--json
expect "--serv" --service --service-url
expect "--a" --api-key
expect "--spe" --speak --speak-to
expect "--voice " local online
expect "-t f" fr fi !en
expect "--from e" en es !fr
expect "--hl zh" zh-CN zh-TW
expect "--service " page apertium libretranslate deepl google-web
expect "--service de" deepl !page
expect "-s en hello -" --to
expect "--api-key " !-t
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
touch "$dir/letter.txt"
expect "-f $dir/le" "$dir/letter.txt"
[[ $failed == 0 ]] && echo "completion offers what it should"
exit $failed
