#!/usr/bin/env bash
# calvenor-export.exe's command line under Wine: help, version, usage errors and their exit statuses,
# Unicode arguments arriving whole, relative paths made full. No Access or ADO is reached: a full run
# needs COM servers standing in for them.
# Usage: windows-arguments.sh <calvenor-export.exe> <emulator> <version>
set -uo pipefail

program=$1
emulator=$2
version=$3
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Runs the program; its output goes to files, as Wine's helper processes may hold a pipe open.
run() {
  "$emulator" "$program" "$@" >"$scratch/out" 2>"$scratch/err" </dev/null
  status=$?
  tr -d '\r' <"$scratch/out" >"$scratch/out.txt"
  tr -d '\r' <"$scratch/err" >"$scratch/err.txt"
}
# expect STATUS STREAM TEXT ARGUMENTS...: the exit status, and the text found in out or err.
expect() {
  local want=$1 stream=$2 text=$3
  shift 3
  run "$@"
  [ "$status" -eq "$want" ] || fail "$* exited $status, not $want: $(cat "$scratch/err.txt")"
  grep -qF -- "$text" "$scratch/$stream.txt" || fail "$* did not say '$text' on $stream: $(cat "$scratch/$stream.txt")"
}

expect 0 out "calvenor-export $version" --version
expect 0 out "Exit status: 0 every chosen report was saved" --help
expect 2 err "no database named"
expect 2 err "Try 'calvenor-export --help'." --bogus
expect 2 err "--output DIR is needed" 'C:\Data\Sales.mdb'
expect 2 err "set CALVENOR_PASSWORD" 'C:\Data\Sales.mdb' --password=secret --list
expect 2 err 'the database C:\Daten\Übersicht ñ 日本.mdb does not exist' 'C:\Daten\Übersicht ñ 日本.mdb' --list
run relative.mdb --list
[ "$status" -eq 2 ] || fail "a missing relative database exited $status"
grep -qE '^calvenor-export: the database [A-Za-z]:\\.*\\relative\.mdb does not exist$' "$scratch/err.txt" ||
  fail "a relative database path was not made full: $(cat "$scratch/err.txt")"

[ "$failures" -eq 0 ] || exit 1
echo "windows arguments: every check passed"
