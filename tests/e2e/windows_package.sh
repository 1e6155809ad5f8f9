#!/usr/bin/env bash
# Each edition's zip as a Windows user receives it: what it holds, its texts as Notepad on a
# Japanese system reads them (Shift_JIS, CR LF), and the README's three steps followed under Wine
# from the unpacked zip: import the sample books, fill in the shipped kcbooks.ini, run.
# usage: windows_package.sh SOURCE WIN_DIST VERSION WORK_DIR WINE_RUN [WINEPREFIX]
set -u
. "$(cd "$(dirname "$0")" && pwd)/../lib/wine.sh"
[ $# -ge 5 ] || { echo "usage: windows_package.sh SOURCE WIN_DIST VERSION WORK_DIR WINE_RUN [WINEPREFIX]" >&2; exit 2; }
source=$(realpath -m "$1")
dist=$(realpath -m "$2")
version=$3
work=$(realpath -m "$4")
winerun=$(realpath -m "$5")
if [ $# -ge 6 ]; then WINEPREFIX=$6 wineserver -p >/dev/null 2>&1; fi

rm -rf "$work"
mkdir -p "$work"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# A text as the user's Notepad reads it: Shift_JIS, every line ended by CR LF.
check_windows_text() {
  local name=$1 file=$2
  [ -f "$file" ] || { fail "$name: missing"; return; }
  iconv -f CP932 -t UTF-8 "$file" >/dev/null 2>&1 || fail "$name: not Shift_JIS"
  [ "$(grep -c $'\r$' "$file")" = "$(wc -l <"$file")" ] || fail "$name: a line without CR LF"
  [ "$(tail -c 2 "$file" | od -An -tx1 | tr -d ' ')" = "0d0a" ] || fail "$name: no CR LF at its end"
}

declare -A product=([kcsakura]="記帳丸２２ さくら版" [kcqb7]="QB7" [kcneo]="記帳丸２２ NEO" [kcstd]="記帳丸２２")
sample_listing=$(cd "$source/examples/sample-books" && find . -mindepth 1 | sed 's|^\./|サンプル帳簿/|')
# The guide as cmake/Guide.cmake makes it from docs/, its index and three documents among it.
cmake -DDOCS="$source/docs" -DOUT="$work/guide" -P "$source/cmake/Guide.cmake" >/dev/null || fail "the guide: making it"
guide_listing=$(cd "$work" && find guide -type f)
for page in index books export messages; do
  grep -qx "guide/$page.html" <<<"$guide_listing" || fail "the guide: no $page.html"
done

for edition in kcsakura kcqb7 kcneo kcstd; do
  zip="$work/$edition-$version-win64.zip"
  cmake -DDIST="$dist" -DEDITION="$edition" -DVERSION="$version" -DSOURCE="$source" \
    -DWORK="$work/layout-$edition" -DZIP="$zip" -P "$source/cmake/PackEdition.cmake" ||
    { fail "$edition: packing"; continue; }
  expected=$(
    printf '%s\n' "$edition" "$edition/$edition.exe" "$edition/ZezavareDef.ini" \
      "$edition/SUPPORT.INF" "$edition/kcbooks.ini" kcbooks.exe kcview.exe kcoffice.exe README.txt サンプル帳簿 \
      "$sample_listing" guide "$guide_listing"
  )
  listing=$(cmake -E tar tf "$zip" | sed 's|/$||' | LC_ALL=C sort)
  if [ "$listing" != "$(printf '%s\n' "$expected" | LC_ALL=C sort)" ]; then
    fail "$edition: the zip holds otherwise than expected"
    diff <(printf '%s\n' "$expected" | LC_ALL=C sort) <(printf '%s\n' "$listing")
  fi

  unpacked="$work/unpacked-$edition"
  mkdir -p "$unpacked"
  (cd "$unpacked" && cmake -E tar xf "$zip") || { fail "$edition: unpacking"; continue; }
  cmp -s "$unpacked/$edition/$edition.exe" "$dist/$edition/$edition.exe" ||
    fail "$edition: the program in the zip is not the one built"
  check_windows_text "$edition README.txt" "$unpacked/README.txt"
  check_windows_text "$edition kcbooks.ini" "$unpacked/$edition/kcbooks.ini"
  # The sample books as a spreadsheet on a Japanese system saves them, the same texts as the
  # examples.
  while IFS= read -r sample; do
    check_windows_text "$edition $sample" "$unpacked/サンプル帳簿/$sample"
    cmp -s <(iconv -f CP932 -t UTF-8 "$unpacked/サンプル帳簿/$sample" | tr -d '\r') \
      <(tr -d '\r' <"$source/examples/sample-books/$sample") || fail "$edition $sample: not the example's text"
  done < <(cd "$source/examples/sample-books" && find . -type f | sed 's|^\./||')
  readme=$(iconv -f CP932 -t UTF-8 "$unpacked/README.txt" 2>/dev/null | tr -d '\r')
  for words in "${product[$edition]}" "$version" "$edition\\$edition.exe" "$edition\\kcbooks.ini" \
               "kcbooks.exe import サンプル帳簿 " "kcview.exe のアイコンにドラッグ＆ドロップ" \
               "guide\\index.html" "「帳簿の取り込み」" "「決算書の確認」"; do
    grep -qF -- "$words" <<<"$readme" || fail "$edition README.txt: no \"$words\""
  done
  # The guide's pages as the browser opens them, the same as made from docs/; the sample books'
  # README leads to them.
  diff -r "$work/guide" "$unpacked/guide" >/dev/null 2>&1 || fail "$edition guide: not the guide of docs/"
  iconv -f CP932 -t UTF-8 "$unpacked/サンプル帳簿/README.md" | grep -qF 'guide\index.html' ||
    fail "$edition サンプル帳簿/README.md: no guide\\index.html"
done

# The README's steps from kcsakura's unpacked zip, in its own folder as the user runs them.
unpacked="$work/unpacked-kcsakura"
store="$unpacked/sample.books"
if [ -d "$unpacked" ]; then
  (cd "$unpacked" && "$winerun" kcbooks.exe import サンプル帳簿 "$(winpath "$store")") \
    >"$work/import.log" 2>&1 || { fail "step 1, kcbooks.exe import: exit $?"; cat "$work/import.log"; }
  # The Shift_JIS books are the examples' books: the same trial balance.
  "$winerun" "$(winpath "$unpacked/kcbooks.exe")" show "$(winpath "$store")" 2>&1 | tr -d '\r' | grep -v "^store" >"$work/show-zip.txt"
  (cd "$work" && "$winerun" "$(winpath "$dist/kcbooks.exe")" import "$(winpath "$source/examples/sample-books")" \
    "$(winpath "$work/examples.books")" >/dev/null 2>&1 &&
    "$winerun" "$(winpath "$dist/kcbooks.exe")" show "$(winpath "$work/examples.books")" 2>&1 |
    tr -d '\r' | grep -v "^store" >"$work/show-examples.txt")
  cmp -s "$work/show-zip.txt" "$work/show-examples.txt" ||
    fail "step 1: the zip's sample books import otherwise than the examples"
  # Step 2: Store and User taken out of their comments, as the README says; the settings folder
  # too, to keep the test's settings inside its own folder.
  ini="$unpacked/kcsakura/kcbooks.ini"
  iconv -f CP932 -t UTF-8 "$ini" |
    sed -e "s|^;Store=.*|Store=$(winpath "$store" | sed 's/\\/\\\\/g')\r|" \
        -e "s|^;User=yamada|User=yamada|" \
        -e "s|^;SettingsFolder=.*|SettingsFolder=$(winpath "$work/settings" | sed 's/\\/\\\\/g')\r|" |
    iconv -f UTF-8 -t CP932 >"$ini.edited" && mv "$ini.edited" "$ini"
  grep -q '^Store=' "$ini" && grep -q '^User=yamada' "$ini" || fail "step 2: kcbooks.ini has no Store or User line to fill in"
  # Step 3, in batch: the run finds the books through kcbooks.ini alone.
  env -u KC_BOOKS "$winerun" "$(winpath "$unpacked/kcsakura/kcsakura.exe")" --ui batch --yes \
    --out "$(winpath "$work/sample.xml")" --start-month 4 --end-month 3 --no-ledger \
    >"$work/run.log" 2>&1 || { fail "step 3, kcsakura.exe: exit $?"; cat "$work/run.log"; }
  iconv -f CP932 -t UTF-8 "$work/sample.xml" 2>/dev/null |
    grep -q "<PROGRAMNAME>記帳丸２２ さくら版</PROGRAMNAME>" || fail "step 3: no file of the sample books"
  [ -f "$work/settings/kcsakura.env" ] || fail "step 3: the settings folder of kcbooks.ini was not used"
  # A user kcbooks.ini names that the books do not have: the refusal says where to correct it.
  iconv -f CP932 -t UTF-8 "$ini" | sed -e "s|^User=yamada|User=nobody|" | iconv -f UTF-8 -t CP932 >"$ini.edited" &&
    mv "$ini.edited" "$ini"
  env -u KC_BOOKS "$winerun" "$(winpath "$unpacked/kcsakura/kcsakura.exe")" --ui batch --yes \
    --out "$(winpath "$work/nobody.xml")" --start-month 4 --end-month 3 --no-ledger >"$work/nobody.log" 2>&1
  grep -q "kcbooks.ini の User= を確認してください。" "$work/nobody.log" ||
    { fail "a user of kcbooks.ini the books lack: kcbooks.ini and User= not named"; cat "$work/nobody.log"; }
fi

[ $failures = 0 ] && echo "every edition's zip holds what a Windows user starts from"
exit $failures
