#!/usr/bin/env bash
# Installs the build into a scratch folder as the package does (prefix /usr) and checks the tree: exactly
# the expected files, the program folder complete and runnable, the command links, the desktop entry and
# the file types it opens, the release's version and the theme icons. Usage: check-installed-layout.sh <build folder>
set -euo pipefail

build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
root=$stage/usr
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

# Nothing more, nothing less: no test program, no build tool.
expected=(
  bin/calvenor
  bin/calvenor-describe
  bin/calvenor-export
  lib/calvenor/HAND-M.CUR
  lib/calvenor/Samples/sample.mdb
  lib/calvenor/calvenor
  lib/calvenor/calvenor-describe
  lib/calvenor/calvenor-export
  lib/calvenor/calvenor-jet
  lib/calvenor/calvenor-print
  lib/calvenor/calvenor-report
  share/applications/calvenor.desktop
  share/bash-completion/completions/calvenor-export
  share/doc/calvenor/changelog.gz
  share/doc/calvenor/copyright
  share/man/man1/calvenor-describe.1.gz
  share/man/man1/calvenor-export.1.gz
  share/man/man1/calvenor.1.gz
  share/metainfo/com.drevmark.Calvenor.metainfo.xml
  share/mime/packages/calvenor.xml
)
for size in 128 256 32 48; do expected+=("share/icons/hicolor/${size}x${size}/apps/calvenor.png"); done
actual=$(cd "$stage" && find . ! -type d | sed 's|^\./usr/||' | LC_ALL=C sort)
wanted=$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)
[ "$actual" = "$wanted" ] || fail "installed files differ from the expected ones:
$(diff <(echo "$wanted") <(echo "$actual") || true)"

for program in calvenor calvenor-describe calvenor-export calvenor-jet calvenor-print calvenor-report; do
  [ -f "$root/lib/calvenor/$program" ] && [ -x "$root/lib/calvenor/$program" ] ||
    fail "lib/calvenor/$program is not an executable file"
done
[ -s "$root/lib/calvenor/Samples/sample.mdb" ] || fail "the sample database is empty"

# A relative link, so that the program folder it resolves to is the installed one wherever that is.
for command in calvenor calvenor-describe calvenor-export; do
  [ "$(readlink "$root/bin/$command" || true)" = "../lib/calvenor/$command" ] || fail "bin/$command is not the relative link"
  [ "$(readlink -f "$root/bin/$command")" = "$(readlink -f "$root/lib/calvenor/$command")" ] ||
    fail "bin/$command does not lead to the program"
done
# The batch program runs from the installed tree, without a display: it finds its helpers beside itself.
HOME=$stage XDG_CONFIG_HOME=$stage/.config DISPLAY= WAYLAND_DISPLAY= "$root/bin/calvenor-export" \
  "$root/lib/calvenor/Samples/sample.mdb" --list >"$stage/listed" 2>&1 || fail "calvenor-export --list fails installed: $(cat "$stage/listed")"
grep -qx "Sales by Month" "$stage/listed" || fail "calvenor-export --list does not list the sample's reports"

desktop=$root/share/applications/calvenor.desktop
desktop-file-validate "$desktop" || fail "calvenor.desktop does not validate"
for field in Type=Application Name=Calvenor 'Exec=calvenor %f' Icon=calvenor Terminal=false 'Categories=Office;' \
  'MimeType=application/vnd.ms-access;application/x-msaccess;application/x-ms-accdb;'; do
  grep -qxF "$field" "$desktop" || fail "calvenor.desktop lacks $field"
done
grep -qE '^Comment=.+' "$desktop" || fail "calvenor.desktop has no comment"

# "Open with": with the package's types and entry registered in the scratch tree, as the package's
# triggers register them, an Access file of either kind (by name or, unnamed, by content) opens with
# Calvenor by default.
if command -v gio update-mime-database update-desktop-database >/dev/null; then
  registered=$(update-mime-database "$root/share/mime" 2>&1 && update-desktop-database "$root/share/applications" 2>&1) ||
    fail "the MIME types or the desktop entry do not register: $registered"
  sample=$root/lib/calvenor/Samples/sample.mdb
  ace=$stage/ace
  printf '\0\1\0\0Standard ACE DB\0' >"$ace"
  head -c 4096 /dev/zero >"$stage/named.accdb"  # by its name alone
  for file_type in "$sample application/vnd.ms-access" "$stage/named.accdb application/x-ms-accdb" \
    "$ace application/x-ms-accdb"; do
    read -r file type <<<"$file_type"
    found=$(XDG_DATA_DIRS=$root/share:/usr/share XDG_DATA_HOME=$stage/none gio info -a standard::content-type "$file" |
      sed -n 's/^ *standard::content-type: //p')
    [ "$found" = "$type" ] || fail "$(basename "$file") is $found, not $type"
  done
  for type in application/vnd.ms-access application/x-msaccess application/x-ms-accdb; do
    openers=$(PATH=$root/bin:$PATH XDG_DATA_DIRS=$root/share:/usr/share XDG_DATA_HOME=$stage/none gio mime "$type" 2>/dev/null)
    grep -q "^Default application for .*: calvenor.desktop$" <<<"$openers" || fail "$type does not open with Calvenor"
  done
else
  echo "note: gio or the MIME and desktop database tools are missing; the file types are not checked"
fi

# The changelog's and the software centre's newest release are the version the programs report.
version=$("$root/bin/calvenor-export" --version | sed 's/^calvenor-export //')
gzip -dc "$root/share/doc/calvenor/changelog.gz" | head -1 | grep -qF "calvenor ($version) " ||
  fail "the changelog's newest entry is not version $version"
grep -qF "<release version=\"$version\"" "$root/share/metainfo/com.drevmark.Calvenor.metainfo.xml" ||
  fail "the metainfo's releases lack version $version"

# Each theme icon is a PNG of the size its folder names (width and height from the IHDR chunk).
for size in 32 48 128 256; do
  icon=$root/share/icons/hicolor/${size}x${size}/apps/calvenor.png
  [ -f "$icon" ] || continue
  header=$(od -An -tx1 -N24 "$icon" | tr -d ' \n')
  [ "${header:0:16}" = 89504e470d0a1a0a ] || fail "$icon is not a PNG"
  dimensions=$((16#${header:32:8}))x$((16#${header:40:8}))
  [ "$dimensions" = "${size}x${size}" ] || fail "$icon is $dimensions, not ${size}x${size}"
done

[ "$failures" -eq 0 ] || exit 1
echo "installed layout: every check passed"
