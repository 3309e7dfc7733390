#!/usr/bin/env bash
# tools/report-census over the bundled sample database and a file that is no database: the sample's
# seven reports counted as saved with right page numbers, the other file named as a problem.
# Usage: report-census.sh <build folder>
set -euo pipefail

build=$1
census=$(cd "$(dirname "$0")/../../.." && pwd)/tools/report-census
command -v python3 >/dev/null && command -v pdftotext >/dev/null || { echo "skipped: no python3 or pdftotext"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export HOME=$scratch CUPS_SERVER=$scratch/no-cups-server.sock
unset DISPLAY CALVENOR_PASSWORD
cp "$build/Samples/sample.mdb" "$scratch/"
echo "not a database" >"$scratch/notes.mdb"

status=0
CALVENOR_BUILD=$build "$census" "$scratch" >"$scratch/table" || status=$?
cat "$scratch/table"
[ "$status" -eq 1 ] || { echo "FAIL: exit status $status, not 1 for the file that is no database"; exit 1; }
# reports saved approx. failed no-rows blank stand-in code code-ran #Error #Name? (pages) page-x/y
read -r -a sample < <(grep '^sample.mdb ' "$scratch/table")
[ "${sample[*]:1:11} ${sample[13]}" = "7 7 0 0 0 0 0 0 0 0 0 0" ] || { echo "FAIL: sample row: ${sample[*]}"; exit 1; }
[ "${sample[12]}" -ge 7 ] || { echo "FAIL: ${sample[12]} pages for seven reports"; exit 1; }
grep -q '^problem: notes.mdb: .*did not open' "$scratch/table" || { echo "FAIL: the foreign file is not named"; exit 1; }
