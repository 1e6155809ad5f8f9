#!/usr/bin/env bash
# Each edition's Windows Installer package (cmake/PackMsi.cmake): for every edition its tables
# (name, version, publisher, upgrade code, shortcuts, the files of the zip's layout); for kcsakura
# the life of an installation under Wine, as a user without administrator rights lives it:
# install, import the sample books and export through the calling window with the installed
# programs, upgrade to the next version with kcbooks.ini as the user left it, the older version
# refused, uninstall leaving the user's files.
# usage: windows_msi.sh SOURCE WIN_DIST VERSION WORK_DIR WINE_RUN [WINEPREFIX [SCREENSHOT]]
#   WINEPREFIX  when given, its wineserver is started persistent first
#   SCREENSHOT  when given, a PNG of the installed Start menu folder as Wine's explorer shows it
# kccaller.exe creates a window: Wine needs a display (DISPLAY, e.g. an Xvfb server).
set -u
. "$(cd "$(dirname "$0")" && pwd)/../lib/wine.sh"
usage="usage: windows_msi.sh SOURCE WIN_DIST VERSION WORK_DIR WINE_RUN [WINEPREFIX [SCREENSHOT]]"
[ $# -ge 5 ] || { echo "$usage" >&2; exit 2; }
source=$(realpath -m "$1")
dist=$(realpath -m "$2")
version=$3
work=$(realpath -m "$4")
winerun=$(realpath -m "$5")
screenshot=${7:+$(realpath -m "$7")}
if [ -z "${DISPLAY:-}" ]; then
  echo "windows_msi.sh: kccaller.exe needs a display for its window: set DISPLAY" >&2
  exit 2
fi
for tool in wixl msibuild msiinfo msiextract; do
  command -v "$tool" >/dev/null || { echo "windows_msi.sh: $tool is missing (make install-windows-deps)" >&2; exit 2; }
done
if [ $# -ge 6 ]; then WINEPREFIX=$6 wineserver -p >/dev/null 2>&1; fi

rm -rf "$work"
mkdir -p "$work"
failures=0
started=$SECONDS
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

declare -A product=([kcsakura]="記帳丸２２ さくら版" [kcqb7]="QB7" [kcneo]="記帳丸２２ NEO" [kcstd]="記帳丸２２")
# Kept as the packages carry them: a changed upgrade code would install a second copy beside
# the user's instead of replacing it.
declare -A upgrade_code=([kcsakura]="{7F272C33-2950-44D5-8236-E640ABA226D0}"
                         [kcqb7]="{D8C686F9-DF92-4080-A8F0-37111CED1509}"
                         [kcneo]="{499002D3-5E8B-4631-B5E7-C04AE546C859}"
                         [kcstd]="{1E79BB46-BD82-466C-9E70-6D390072589C}")

# 22.03.00 as Windows Installer reads it: 22.3.0.
msi_version() { echo "$1" | awk -F. '{ printf "%d.%d.%d", $1, $2, $3 }'; }
next_version=$(echo "$version" | awk -F. '{ printf "%s.%s.%02d", $1, $2, $3 + 1 }')

# pack EDITION VERSION: the zip's layout in $work/layout-EDITION-VERSION and the package from it,
# as `make windows` makes them.
pack() {
  local edition=$1 v=$2
  local layout="$work/layout-$edition-$v"
  cmake -DDIST="$dist" -DEDITION="$edition" -DVERSION="$v" -DSOURCE="$source" -DWORK="$layout" \
    -DZIP="$work/$edition-$v-win64.zip" -P "$source/cmake/PackEdition.cmake" >"$work/pack.log" 2>&1 &&
    cmake -DLAYOUT="$layout" -DEDITION="$edition" -DVERSION="$v" -DSOURCE="$source" \
      -DMSI="$work/$edition-$v-win64.msi" -P "$source/cmake/PackMsi.cmake" >>"$work/pack.log" 2>&1 ||
    { fail "$edition $v: packing"; cat "$work/pack.log"; return 1; }
}

# table MSI TABLE: the table's rows, tab-separated, without msiinfo's three header lines.
table() { msiinfo export "$1" "$2" | tail -n +4 | tr -d '\r'; }
# column MSI TABLE KEY N: column N of the row whose first column is KEY.
column() { table "$1" "$2" | awk -F'\t' -v key="$3" -v n="$4" '$1 == key { print $n }'; }

# --- every edition's tables.

for edition in kcsakura kcqb7 kcneo kcstd; do
  pack "$edition" "$version" || continue
  msi="$work/$edition-$version-win64.msi"
  layout="$work/layout-$edition-$version"
  [ "$(column "$msi" Property ProductName 2)" = "${product[$edition]}" ] ||
    fail "$edition: ProductName is \"$(column "$msi" Property ProductName 2)\""
  [ "$(column "$msi" Property ProductVersion 2)" = "$(msi_version "$version")" ] ||
    fail "$edition: ProductVersion is \"$(column "$msi" Property ProductVersion 2)\""
  [ "$(column "$msi" Property Manufacturer 2)" = kessan-link ] || fail "$edition: Manufacturer is not kessan-link"
  [ "$(column "$msi" Property UpgradeCode 2)" = "${upgrade_code[$edition]}" ] ||
    fail "$edition: UpgradeCode $(column "$msi" Property UpgradeCode 2), not ${upgrade_code[$edition]}"
  [ -z "$(column "$msi" Property ALLUSERS 2)" ] || fail "$edition: ALLUSERS is set: not a per-user package"
  # Word count bit 8: the package asks for no elevation.
  source_flags=$(msiinfo suminfo "$msi" | sed -n 's/^Source: \([0-9]*\).*/\1/p')
  [ $((${source_flags:-0} & 8)) = 8 ] || fail "$edition: the package asks for elevation (Source $source_flags)"
  msiinfo suminfo "$msi" | grep -q '^Template: x64;1041' || fail "$edition: not an x64 package in Japanese"
  # The refusal of an older package over a newer one, in Japanese (docs/messages.md).
  refusal="より新しい版の${product[$edition]}が入っています。この版を入れるには、先に［設定］の［アプリ］で新しい版をアンインストールしてください。"
  [ "$(column "$msi" LaunchCondition "NOT WIX_DOWNGRADE_DETECTED" 2)" = "$refusal" ] ||
    fail "$edition: the refusal of an older package reads \"$(column "$msi" LaunchCondition "NOT WIX_DOWNGRADE_DETECTED" 2)\""
  # The upgrade row that finds any older version of this edition to remove.
  table "$msi" Upgrade | awk -F'\t' -v code="${upgrade_code[$edition]}" -v max="$(msi_version "$version")" \
    '$1 == code && $2 == "" && $3 == max && $7 == "WIX_UPGRADE_DETECTED" { found = 1 } END { exit !found }' ||
    fail "$edition: no upgrade row below $(msi_version "$version")"
  # What the package installs is the zip's layout, file for file, Japanese names included.
  extracted="$work/extract-$edition"
  mkdir -p "$extracted"
  msiextract -C "$extracted" "$msi" >/dev/null 2>"$work/extract.log" || { fail "$edition: msiextract"; cat "$work/extract.log"; }
  diff -r "$layout" "$extracted/Programs/kessan-link/$edition" >"$work/extract.diff" 2>&1 ||
    { fail "$edition: the package holds otherwise than the zip's layout"; head -20 "$work/extract.diff"; }
  # The Start menu folder, named after the product, with its shortcuts and no arguments.
  [ "$(column "$msi" Directory MenuFolder 3)" = "${product[$edition]}" ] ||
    fail "$edition: the Start menu folder is \"$(column "$msi" Directory MenuFolder 3)\""
  expected=$(printf '%s\n' "帳簿の取り込み|[INSTALLDIR]kcbooks.exe||MenuFolder" \
                            "決算書の確認|[INSTALLDIR]kcview.exe||MenuFolder" \
                            "使い方|[INSTALLDIR]guide\\index.html||MenuFolder")
  shortcuts=$(table "$msi" Shortcut | awk -F'\t' '{ print $3 "|" $5 "|" $6 "|" $2 }' | LC_ALL=C sort)
  if [ "$shortcuts" != "$(printf '%s\n' "$expected" | LC_ALL=C sort)" ]; then
    fail "$edition: the shortcuts are"
    printf '%s\n' "$shortcuts"
  fi
  # kcbooks.ini alone is permanent (16) and never overwritten (128): the user's settings.
  ini_component=$(table "$msi" File | awk -F'\t' '$3 == "kcbooks.ini" { print $2 }')
  table "$msi" Component | awk -F'\t' -v ini="$ini_component" '
    $1 == ini { if (int($4 / 16) % 2 != 1 || int($4 / 128) % 2 != 1) bad = bad " kcbooks.ini" }
    $1 != ini && $4 != "" { if (int($4 / 16) % 2 == 1 || int($4 / 128) % 2 == 1) bad = bad " " $1 }
    END { if (bad != "") { print bad; exit 1 } }' >"$work/components.txt" ||
    fail "$edition: components kept otherwise than kcbooks.ini alone:$(cat "$work/components.txt")"
done

# --- kcsakura installed, used, upgraded and uninstalled, under Wine.

edition=kcsakura
msi="$work/$edition-$version-win64.msi"
[ -f "$msi" ] || { echo "windows_msi.sh: no package to install"; exit 1; }
pack "$edition" "$next_version" || exit 1
next_msi="$work/$edition-$next_version-win64.msi"
product_code=$(column "$msi" Property ProductCode 2)
next_product_code=$(column "$next_msi" Property ProductCode 2)
[ "$product_code" != "$next_product_code" ] || fail "$next_version has the product code of $version"

# A folder of Wine's user, in both forms.
windows_folder() { "$winerun" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r' | sed 's/ *$//'; }
unix_path() { "$winerun" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
installdir_win="$(windows_folder LOCALAPPDATA)\\Programs\\kessan-link\\$edition"
installdir=$(unix_path "$installdir_win")
menu_win="$(windows_folder APPDATA)\\Microsoft\\Windows\\Start Menu\\Programs\\${product[$edition]}"
menu=$(unix_path "$menu_win")
[ -n "$installdir" ] && [ -n "$menu" ] || { echo "windows_msi.sh: Wine names no user folders"; exit 1; }

msiexec() { "$winerun" msiexec "$@" >>"$work/msiexec.log" 2>&1; }
# What an earlier run left: the packages' products and the folders they install.
msiexec /x "$product_code" /qn
msiexec /x "$next_product_code" /qn
rm -rf "$installdir" "$menu"
# A permanent component stays registered once its product is gone: kcbooks.ini's would keep the
# next run's uninstall from removing it whatever the package says. Its registration goes too.
squashed_guid() {
  local g=${1//[\{\}-]/} out i
  out=$(rev <<<"${g:0:8}")$(rev <<<"${g:8:4}")$(rev <<<"${g:12:4}")
  for ((i = 16; i < 32; i += 2)); do out+="${g:i+1:1}${g:i:1}"; done
  echo "$out"
}
ini_guid=$(column "$msi" Component "$(table "$msi" File | awk -F'\t' '$3 == "kcbooks.ini" { print $2 }')" 2)
"$winerun" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Installer\UserData' 2>/dev/null |
  tr -d '\r' | grep '\\UserData\\' | while IFS= read -r user; do
    "$winerun" reg delete "$user\\Components\\$(squashed_guid "$ini_guid")" /f >/dev/null 2>&1
  done

# uninstall_entry CODE: the product's entry in Apps & features (Wine keeps a per-user product's
# beside the others, under HKLM), as UTF-8.
uninstall_entry() {
  local key
  for key in 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall' \
             'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'; do
    # A key that is not there is said on the standard output too.
    "$winerun" reg query "$key\\$1" >"$work/entry" 2>/dev/null &&
      iconv -f CP932 -t UTF-8 "$work/entry" | tr -d '\r'
  done
}
entry_value() { uninstall_entry "$1" | awk -v name="$2" '$1 == name { sub(/^ *[^ ]+ +REG_[A-Z_]+ +/, ""); print }'; }

# 1. Installed by the user, quietly, without elevation.
msiexec /i "$(winpath "$msi")" /qn /l*v "$(winpath "$work/install.log")" ||
  fail "msiexec /i $edition-$version: exit $? (log: $work/install.log)"
diff -r "$work/layout-$edition-$version" "$installdir" >"$work/installed.diff" 2>&1 ||
  { fail "the installed folder $installdir_win holds otherwise than the layout"; head -20 "$work/installed.diff"; }
expected_links=$(printf '%s\n' 帳簿の取り込み.lnk 決算書の確認.lnk 使い方.lnk)
links=$(cd "$menu" 2>/dev/null && ls)
[ "$(printf '%s\n' "$links" | LC_ALL=C sort)" = "$(printf '%s\n' "$expected_links" | LC_ALL=C sort)" ] ||
  fail "the Start menu folder ${product[$edition]} holds: $(tr '\n' ' ' <<<"$links")"
for link in "帳簿の取り込み.lnk|kcbooks.exe" "決算書の確認.lnk|kcview.exe" "使い方.lnk|guide\\index.html"; do
  [ -f "$menu/${link%%|*}" ] || continue
  grep -qaF "$installdir_win\\${link#*|}" "$menu/${link%%|*}" ||
    fail "${link%%|*} does not lead to $installdir_win\\${link#*|}"
done
[ "$(entry_value "$product_code" Publisher)" = kessan-link ] || fail "the uninstall entry names no publisher kessan-link"
[ "$(entry_value "$product_code" DisplayVersion)" = "$(msi_version "$version")" ] ||
  fail "the uninstall entry's version is \"$(entry_value "$product_code" DisplayVersion)\""
[ "$(entry_value "$product_code" DisplayName)" = "${product[$edition]}" ] ||
  fail "the uninstall entry's name is \"$(entry_value "$product_code" DisplayName)\""

if [ -n "$screenshot" ]; then
  # Wine's explorer on a virtual desktop of its own, the folder's window filling it.
  desktop="kcmenu$$"
  "$winerun" explorer "/desktop=$desktop,640x480" explorer.exe "$menu_win" >"$work/explorer.log" 2>&1 &
  explorer_pid=$!
  sleep 8
  window=$(xdotool search --name "^$desktop" | head -n 1)
  if [ -n "$window" ] && import -window "$window" "$screenshot"; then
    echo "the Start menu folder: $screenshot"
  else
    fail "no picture of the Start menu folder"
  fi
  # Alt+F4 closes the folder's window; the desktop ends with its last window.
  [ -n "$window" ] && xdotool windowfocus --sync "$window" key alt+F4 2>/dev/null
  for _ in $(seq 50); do kill -0 "$explorer_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$explorer_pid" 2>/dev/null
  wait "$explorer_pid" 2>/dev/null
fi

# 2. The README's steps with the installed programs: the sample books imported beside them,
# kcbooks.ini pointed at the store, the export started by the tax application's window.
store_win="$installdir_win\\sample.books"
export_win="$installdir_win\\sample.xml"
(cd "$installdir" && "$winerun" kcbooks.exe import サンプル帳簿 "$store_win") >"$work/import.log" 2>&1 ||
  { fail "the installed kcbooks.exe import: exit $?"; cat "$work/import.log"; }
ini="$installdir/$edition/kcbooks.ini"
iconv -f CP932 -t UTF-8 "$ini" |
  sed -e "s|^;Store=.*|Store=..\\\\sample.books\r|" -e "s|^;User=yamada|User=yamada|" \
      -e "s|^;SettingsFolder=.*|SettingsFolder=$(winpath "$work/settings" | sed 's/\\/\\\\/g')\r|" |
  iconv -f UTF-8 -t CP932 >"$work/kcbooks.ini" && cp "$work/kcbooks.ini" "$ini"
grep -q '^Store=\.\.\\sample\.books' "$ini" || fail "the installed kcbooks.ini has no Store line to fill in"
env -u KC_BOOKS "$winerun" "$(winpath "$dist/kccaller.exe")" --message 1025 --wparam 7 -- \
  "$installdir_win\\$edition\\$edition.exe" --ui batch --yes --out "$export_win" --start-month 4 \
  --end-month 3 --no-ledger >"$work/caller.log" 2>"$work/export.log"
status=$?
tr -d '\r' <"$work/caller.log" | grep -qx 'POST 1025 7 0' && [ $status = 0 ] ||
  { fail "the installed $edition.exe through the calling window: exit $status"; cat "$work/caller.log" "$work/export.log"; }
iconv -f CP932 -t UTF-8 "$installdir/sample.xml" 2>/dev/null |
  grep -q "<PROGRAMNAME>${product[$edition]}</PROGRAMNAME>" || fail "the installed program wrote no file of the sample books"

# 3. The next version over it: the program replaced, kcbooks.ini as the user left it.
msiexec /i "$(winpath "$next_msi")" /qn /l*v "$(winpath "$work/upgrade.log")" ||
  fail "msiexec /i $edition-$next_version: exit $? (log: $work/upgrade.log)"
cmp -s "$work/kcbooks.ini" "$ini" || fail "the upgrade did not keep the user's kcbooks.ini"
iconv -f CP932 -t UTF-8 "$installdir/README.txt" 2>/dev/null | head -n 1 | grep -qF "$next_version" ||
  fail "the upgrade left the README.txt of $version"
cmp -s "$work/layout-$edition-$next_version/$edition/$edition.exe" "$installdir/$edition/$edition.exe" ||
  fail "the upgrade left no $edition.exe"
[ "$(entry_value "$next_product_code" DisplayVersion)" = "$(msi_version "$next_version")" ] ||
  fail "the uninstall entry's version is not $(msi_version "$next_version") after the upgrade"
[ -z "$(uninstall_entry "$product_code")" ] || fail "$version is still in Apps & features beside $next_version"
# The older package refused while the newer is installed.
msiexec /i "$(winpath "$msi")" /qn && fail "$version installed over $next_version"
[ -z "$(uninstall_entry "$product_code")" ] || fail "$version registered over $next_version"
cmp -s "$work/layout-$edition-$next_version/README.txt" "$installdir/README.txt" ||
  fail "the refused $version changed the installed README.txt"

# 4. Uninstalled: what the package put there gone, the user's settings, store and export left.
msiexec /x "$next_product_code" /qn || fail "msiexec /x $edition-$next_version: exit $?"
left=$(cd "$installdir" 2>/dev/null && find . -type f ! -name '.*.kclock' | sed 's|^\./||' | LC_ALL=C sort)
expected_left=$(printf '%s\n' "$edition/kcbooks.ini" sample.books sample.xml | LC_ALL=C sort)
[ "$left" = "$expected_left" ] || { fail "after the uninstall the install folder holds:"; printf '%s\n' "$left"; }
[ -d "$installdir/サンプル帳簿" ] && fail "the uninstall left the folder サンプル帳簿"
cmp -s "$work/kcbooks.ini" "$ini" || fail "the uninstall changed the user's kcbooks.ini"
[ -d "$menu" ] && fail "the uninstall left the Start menu folder: $(cd "$menu" && ls)"
[ -z "$(uninstall_entry "$next_product_code")" ] || fail "$edition is still in Apps & features"
[ -d "$work/settings" ] || fail "the settings folder of kcbooks.ini is gone"
rm -rf "$installdir"

echo "$(( SECONDS - started )) s"
[ $failures = 0 ] && echo "each edition's package installs the zip's layout per user; kcsakura's upgrade keeps kcbooks.ini"
exit $failures
