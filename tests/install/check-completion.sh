#!/usr/bin/env bash
# calvenor-export's bash completion, called as bash calls it at a Tab: the words of the line so far
# (split where bash splits them), and what it offers. Report names come from the build's own
# calvenor-export --list on the sample database. Usage: check-completion.sh <build folder>
set -uo pipefail

build=$(cd "$1" && pwd)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
framework=/usr/share/bash-completion/bash_completion
[ -r "$framework" ] || {
  echo "SKIP: bash-completion is not installed"
  exit 77
}
# shellcheck source=/dev/null
source "$framework"
# shellcheck source=../../packaging/linux/calvenor-export.bash
source "$root/packaging/linux/calvenor-export.bash"

program=$build/calvenor-export
sample=$build/Samples/sample.mdb
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
files=$scratch/files
mkdir -p "$files/Reports Folder" "$files/other"
touch "$files/a.mdb" "$files/b.ACCDB" "$files/notes.txt"
# Databases named as a user may type them: with a space, and with a name that looks like an option.
mkdir "$scratch/named"
ln -s "$sample" "$scratch/named/My Sales.mdb"
ln -s "$sample" "$scratch/named/-sample.mdb"
cd "$scratch/named" || exit 1

# Each case, ";" between: what is offered (sorted, "|" between), then the line's words; the last is
# the one completed.
cases=(
  "--list|--list-parameters; $program; --li"
  "--not-containing; $program; --not"
  "Sales by Month; $program; $sample; --report; Sales"
  "Customer Accounts|Customer Labels; $program; --output; /tmp; $sample; --report; cust"
  "Sales by Month; $program; $sample; --report; =; sal"
  "Sales by Month; $program; $sample; --report; \"Sales b"
  "Top 10 Products; $program; --report; Top; --; -sample.mdb; --report; T"
  "Price List|Product Catalogue; $program; $scratch/named/My\\ Sales.mdb; --report; p"
  "Orders by Customer; $program; \"$scratch/named/My Sales.mdb\"; --report; o"
  "; $program; $sample; --containing; Sales"
  "; $program; $scratch/missing.mdb; --report; S"
  "$files/Reports Folder|$files/a.mdb|$files/b.ACCDB|$files/other; $program; $files/"
  "$files/Reports Folder|$files/other; $program; $sample; --output; $files/"
)

failures=0
for case in "${cases[@]}"; do
  IFS=';' read -r -a fields <<<"$case"
  fields=("${fields[@]# }")
  expected=${fields[0]}
  COMP_WORDS=("${fields[@]:1}")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  # The line as typed: words joined by spaces, except around the "=" bash splits off.
  COMP_LINE=
  for word in "${COMP_WORDS[@]}"; do
    if [[ -z $COMP_LINE || $word == "=" || $COMP_LINE == *= ]]; then COMP_LINE+=$word; else COMP_LINE+=" $word"; fi
  done
  COMP_POINT=${#COMP_LINE}
  COMPREPLY=()
  _calvenor_export "$program" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  offered=$(printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd '|')
  if [ "$offered" != "$expected" ]; then
    echo "FAIL: $COMP_LINE: offered \"$offered\", expected \"$expected\"" >&2
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] || exit 1
echo "completion: ${#cases[@]} lines completed as expected"
