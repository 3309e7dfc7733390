#!/usr/bin/env bash
# Runs calvenor-export twice into the same folder, without a display, and checks that the second run
# replaced every PDF file whole: a new file took each name (its inode changed), a watcher reading the
# folder during the run never saw a partial file, and no temporary file was left behind.
# Usage: replace-whole.sh <build folder>
set -euo pipefail

build=$1
program=$build/calvenor-export
# A real Access file, whose reports are drawn; skipped (77) without the shared test files.
database=$(cd "$(dirname "$0")/../.." && pwd)/../shared/testdata/asample.accdb
[ -f "$database" ] || { echo "replace whole: skipped, no $database"; exit 77; }
scratch=$(mktemp -d)
watcher=
cleanup() {
  [ -n "$watcher" ] && kill "$watcher" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config XDG_CACHE_HOME=$scratch/home/.cache
export CUPS_SERVER=$scratch/no-cups-server.sock
unset DISPLAY WAYLAND_DISPLAY CALVENOR_PASSWORD
mkdir -p "$HOME" "$scratch/out"
out=$scratch/out
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

inodes() { (cd "$out" && for f in *.pdf; do printf '%s\t%s\n' "$f" "$(stat -c %i "$f")"; done); }
# A whole PDF file ends with its end-of-file marker (and perhaps a line end).
whole() { tail -c 8 "$1" | grep -q '%%EOF'; }

"$program" "$database" --output "$out" 2>"$scratch/first.log" || fail "the first run failed: $(cat "$scratch/first.log")"
count=$(find "$out" -name '*.pdf' | wc -l)
[ "$count" -eq 3 ] || fail "the first run wrote $count PDF files, not 3"
before=$(inodes)

# Reads every PDF file of the folder over and over while the second run replaces them.
(
  while :; do
    for f in "$out"/*.pdf; do
      [ -e "$f" ] || continue
      whole "$f" || echo "partial: $f" >>"$scratch/partial.log"
    done
  done
) &
watcher=$!
"$program" "$database" --output "$out" 2>"$scratch/second.log" || fail "the second run failed: $(cat "$scratch/second.log")"
kill "$watcher" && wait "$watcher" 2>/dev/null || true
watcher=

[ ! -s "$scratch/partial.log" ] || fail "a reader saw a partial file: $(sort -u "$scratch/partial.log")"
after=$(inodes)
[ "$(cut -f1 <<<"$before")" = "$(cut -f1 <<<"$after")" ] || fail "the second run left other file names"
while IFS=$'\t' read -r name inode; do
  [ "$(grep -F "$name"$'\t' <<<"$after" | cut -f2)" != "$inode" ] || fail "$name was written in place, not replaced"
  pdfinfo "$out/$name" >/dev/null 2>&1 || fail "$name is no readable PDF after the second run"
  whole "$out/$name" || fail "$name is not whole"
done <<<"$before"
leftovers=$(find "$out" -name '*.tmp-*')
[ -z "$leftovers" ] || fail "temporary files were left behind: $leftovers"

[ "$failures" -eq 0 ] || exit 1
echo "replace whole: every check passed"
