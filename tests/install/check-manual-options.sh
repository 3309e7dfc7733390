#!/usr/bin/env bash
# calvenor-export's --help and its built manual page name the same long options, so that an option
# added to or dropped from one and not the other is caught. Usage: check-manual-options.sh <build folder>
set -euo pipefail

build=$1
options() { grep -oE -- '--[a-z][a-z-]*[a-z]' | LC_ALL=C sort -u; }
help=$("$build/calvenor-export" --help | options)
# The page as roff: font changes and escaped minus signs taken out, so that option names read whole.
manual=$(gzip -dc "$build/packaging/man/calvenor-export.1.gz" | sed -e 's/\\f[BIRP]//g' -e 's/\\-/-/g' | options)

[ -n "$help" ] || {
  echo "FAIL: calvenor-export --help names no option" >&2
  exit 1
}
[ "$help" = "$manual" ] || {
  echo "FAIL: --help (<) and the manual page (>) name different options:" >&2
  diff <(echo "$help") <(echo "$manual") >&2 || true
  exit 1
}
echo "manual page options: the same $(echo "$help" | wc -l) as --help"
