#!/usr/bin/env bash
# kcview.exe under Wine against the POSIX kcview on the same files: the same page byte for byte,
# the same lines on stdout and stderr and the same exit status, for a sound export, one whose
# figures disagree and files that are no export; then a folder and a file with Japanese names,
# given on the command line and in the drop form (one argument: the page beside the file).
# usage: windows.sh KCVIEW_EXE NATIVE_KCVIEW SAMPLE_EXPORT WORK_DIR WINE_RUN
set -u
. "$(cd "$(dirname "$0")" && pwd)/../lib/wine.sh"
if [ $# -ne 5 ]; then
  echo "usage: windows.sh KCVIEW_EXE NATIVE_KCVIEW SAMPLE_EXPORT WORK_DIR WINE_RUN" >&2
  exit 2
fi
exe=$(realpath -m "$1")
native=$(realpath -m "$2")
sample=$(realpath -m "$3")
work=$(realpath -m "$4")
winerun=$(realpath -m "$5")
[ -f "$native" ] || { echo "windows.sh: $native is missing: build the POSIX kcview first" >&2; exit 2; }
rm -rf "$work"
mkdir -p "$work/win" "$work/posix"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# The browser stays shut in a test.
export KCVIEW_NO_BROWSER=1
# Both programs speak English here, whatever the machine's language: the lines are compared.
export KC_WINE_MESSAGES=C LC_ALL=C.UTF-8

# The cases: a name, how the sample is changed (a sed script on its bytes, which are ASCII where
# it changes them), the exit status both give with --check.
cases=(
  "sound||0"
  "disagreeing|s/Amount=\"78558339\"/Amount=\"79558339\"/|1"
  "malformed|s#</CurrentAssets>#</CurrentAsset>#|2"
  "undecodable|s/<KOMONSAKINAME>/<KOMONSAKINAME>\\x85\\x40/|2"
  "not-an-export|s/<REPORT>/<RAPPORT>/; s#</REPORT>#</RAPPORT>#|2"
)
for entry in "${cases[@]}"; do
  name=${entry%%|*}
  rest=${entry#*|}
  script=${rest%|*}
  status=${rest##*|}
  for side in win posix; do LC_ALL=C sed "$script" "$sample" >"$work/$side/$name.xml"; done
  # Relative paths: both print the same names.
  for mode in "--check" "-o $name.page.html"; do
    # shellcheck disable=SC2086  # the mode's words
    (cd "$work/win" && "$winerun" "$exe" "$name.xml" $mode >stdout 2>stderr; echo $? >status)
    # shellcheck disable=SC2086
    (cd "$work/posix" && "$native" "$name.xml" $mode >stdout 2>stderr; echo $? >status)
    for file in stdout stderr status; do
      cmp -s "$work/win/$file" "$work/posix/$file" ||
        { fail "$name $mode: $file differs"; diff "$work/win/$file" "$work/posix/$file" | head -5; }
    done
    expected=$status
    [ "$mode" = "--check" ] || [ "$status" = 2 ] || expected=0
    [ "$(cat "$work/posix/status")" = "$expected" ] ||
      fail "$name $mode: exit $(cat "$work/posix/status"), expected $expected"
  done
  if [ "$status" != 2 ]; then
    cmp "$work/win/$name.page.html" "$work/posix/$name.page.html" || fail "$name: the pages differ"
  fi
done
grep -q "kcview: .*line [0-9]" "$work/posix/stderr" || fail "a refused file names no line"

# A path with no file and a folder: the same reasons.
mkdir -p "$work/win/folder.xml" "$work/posix/folder.xml"
for name in missing.xml folder.xml; do
  win_err=$(cd "$work/win" && "$winerun" "$exe" "$name" --check 2>&1)
  posix_err=$(cd "$work/posix" && "$native" "$name" --check 2>&1)
  [ "$win_err" = "$posix_err" ] || fail "$name: \"$win_err\", on POSIX \"$posix_err\""
done

# Every double-byte character of code page 932 (as Perl's table has them) in the company's name:
# both hosts decode each one alike.
perl -MEncode -e 'for $l (0x81..0x9F, 0xE0..0xEF, 0xFA..0xFC) { for $t (0x40..0x7E, 0x80..0xFC) {
  $b = chr($l) . chr($t);
  print $b if defined eval { decode("cp932", $b, Encode::FB_CROAK | Encode::LEAVE_SRC) } } }' \
  >"$work/characters"
LC_ALL=C perl -0777 -pe 'BEGIN { local $/; open(F, "<:raw", shift); $c = <F> }
  s/<KOMONSAKINAME>[^<]*/<KOMONSAKINAME>$c/' "$work/characters" "$sample" >"$work/every.xml"
"$winerun" "$exe" "$(winpath "$work/every.xml")" -o "$(winpath "$work/every-win.html")" 2>/dev/null ||
  fail "every character: exit $? on Windows"
"$native" "$work/every.xml" -o "$work/every-posix.html" 2>/dev/null || fail "every character: exit $?"
cmp "$work/every-win.html" "$work/every-posix.html" || fail "every character: the pages differ"

# Japanese names, on the command line and dropped (the page EXPORT.html beside the file).
folder="$work/win/決算 ２０２５年度"
mkdir -p "$folder"
cp "$sample" "$folder/さくら製作所①.xml"
"$winerun" "$exe" "$(winpath "$folder/さくら製作所①.xml")" --check -o "$(winpath "$folder/確認.html")" \
  >/dev/null 2>&1 || fail "a Japanese path with -o: exit $?"
"$winerun" "$exe" "$(winpath "$folder/さくら製作所①.xml")" >/dev/null 2>&1 ||
  fail "a Japanese path dropped: exit $?"
"$native" "$sample" -o "$work/posix/sample.html" 2>/dev/null
for page in 確認.html さくら製作所①.html; do
  cmp "$folder/$page" "$work/posix/sample.html" || fail "the page $page differs from the POSIX page"
done

[ $failures -eq 0 ] && echo "kcview.exe and kcview agree on ${#cases[@]} files, missing ones, every character and Japanese paths"
[ $failures -eq 0 ]
