#!/usr/bin/env bash
# The Windows Installer package in the tests' Wine prefix, as a user meets it: an older version made
# from the same tree is installed first and the package upgrades it; the installed files, the Start
# menu shortcut and the "Apps & features" entry are there; the installed programs run (the wizard shows
# its window, calvenor-export --help answers); file types are taken only when chosen; the uninstall
# leaves no file, folder, shortcut or installer key behind.
# Usage: check-msi.sh <package.msi> <installed tree it was made from> <calvenor.wxs> <wine> <version>
# Runs on a display (the Windows tests' virtual one), with WINEPREFIX set.
set -uo pipefail

msi=$1
stage=$2
wxs=$3
wine=$4
version=$5
scratch=$(mktemp -d)
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# Output goes to files, as Wine's helper processes may hold a pipe open.
winrun() {
  "$wine" "$@" >"$scratch/out" 2>/dev/null </dev/null
  local status=$?
  tr -d '\r' <"$scratch/out"
  return $status
}
msiexec() { "$wine" msiexec "$@" /qn >/dev/null 2>&1 </dev/null; }
cleanup() {
  msiexec /x "$msi"
  [ -f "$scratch/older.msi" ] && msiexec /x "$scratch/older.msi"  # when the upgrade failed
  rm -rf "$scratch"
}
trap cleanup EXIT

# An older version: the same package with a lower version and its own product code.
(cd "$stage" && wixl -a x64 -D Version=0.0.1 -D ProductCode=5E1D3C0B-8F57-4B4E-9D0A-0C1E2F3A4B5C \
  -D Publisher=Drevmark -D HomePage=https://www.drevmark.com/ -o "$scratch/older.msi" "$wxs") ||
  fail "wixl cannot make an older version"
msiexec /i "$scratch/older.msi" || fail "the older version does not install"

# A folder of Windows' (LOCALAPPDATA, APPDATA) as this side sees it.
folder_of() { "$wine" winepath -u "$(winrun cmd /c "echo %$1%")" 2>/dev/null | tr -d '\r'; }
programs_folder=$(folder_of LOCALAPPDATA)/Programs
folder=$programs_folder/Calvenor
shortcut="$(folder_of APPDATA)/Microsoft/Windows/Start Menu/Programs/Calvenor.lnk"
# The "Apps & features" entries named Calvenor, wherever this Windows keeps them.
uninstall_entries() {
  for root in HKCU HKLM; do
    winrun reg query "$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s
  done | awk '/^HKEY_/ { if (entry ~ /DisplayName +REG_SZ +Calvenor\n/) printf "%s", entry; entry = "" }
              { entry = entry $0 "\n" }
              END { if (entry ~ /DisplayName +REG_SZ +Calvenor\n/) printf "%s", entry }'
}

msiexec /i "$msi" || fail "the package does not install"
for file in calvenor.exe calvenor-export.exe HAND-M.CUR Samples/sample.mdb; do
  [ -s "$folder/$file" ] || fail "$file is not installed in $folder"
done
[ -f "$shortcut" ] || fail "no Start menu shortcut"
entries=$(uninstall_entries)
[ "$(grep -c '^HKEY_' <<<"$entries")" -eq 1 ] ||
  fail "the upgrade left other than one \"Apps & features\" entry: $entries"
grep -qE "DisplayVersion +REG_SZ +$version$" <<<"$entries" || fail "the entry's version is not $version: $entries"
grep -qE 'Publisher +REG_SZ +Drevmark$' <<<"$entries" || fail "the entry names no publisher: $entries"
# "Apps & features" shows the icon the installer keeps with the product's registration.
icon=$(winrun reg query 'HKCU\Software\Microsoft\Installer\Products' /s |
  awk '/^HKEY_/ { found = ""; named = 0 } / ProductIcon / { sub(/.*REG_SZ +/, ""); found = $0 }
       /ProductName +REG_SZ +Calvenor$/ { named = 1 } named && found { print found; exit }')
if [ -z "$icon" ] || [ ! -s "$("$wine" winepath -u "$icon" 2>/dev/null)" ]; then fail "the product has no icon: $icon"; fi
winrun reg query 'HKCU\Software\Classes\.accdb' >/dev/null && fail "the default installation took the .accdb files"

# The installed programs run.
help=$(winrun "$folder/calvenor-export.exe" --help) || help=
grep -q -- '--output DIR' <<<"$help" || fail "the installed calvenor-export.exe --help does not answer"
"$wine" "$folder/calvenor.exe" >/dev/null 2>&1 </dev/null &
program=$!
window=
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --pid "$program" --name '^Calvenor' 2>/dev/null | head -1)
  [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || fail "the installed calvenor.exe shows no window"
kill "$program" 2>/dev/null
wait "$program" 2>/dev/null

# Chosen, the file types open with the installed program.
msiexec /i "$msi" ADDLOCAL=Program,FileTypes || fail "the file types cannot be chosen"
command=$(winrun reg query 'HKCU\Software\Classes\Calvenor.AccessDatabase\shell\open\command' /ve)
grep -qF "$(basename "$folder")\\calvenor.exe\" \"%1\"" <<<"$command" || fail "no open command for Access files: $command"
for extension in .mdb .accdb; do
  winrun reg query "HKCU\\Software\\Classes\\$extension" /ve | grep -q 'Calvenor.AccessDatabase' ||
    fail "$extension does not open with Calvenor"
done

msiexec /x "$msi" || fail "the package does not uninstall"
[ ! -e "$folder" ] || fail "the uninstall left $(find "$folder" | head -5)"
[ ! -e "$programs_folder" ] || [ -n "$(ls -A "$programs_folder")" ] || fail "the uninstall left an empty Programs folder"
[ ! -e "$shortcut" ] || fail "the uninstall left the Start menu shortcut"
[ -z "$(uninstall_entries)" ] || fail "the uninstall left the \"Apps & features\" entry"
for key in 'HKCU\Software\Drevmark\Calvenor' 'HKCU\Software\Classes\Calvenor.AccessDatabase' 'HKCU\Software\Classes\.accdb'; do
  winrun reg query "$key" >/dev/null && fail "the uninstall left $key"
done

[ "$failures" -eq 0 ] || exit 1
echo "Windows Installer package: every check passed"
