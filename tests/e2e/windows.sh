#!/usr/bin/env bash
# The Windows executables under Wine, started by kccaller.exe through a real window: what reaches
# the caller's window, in order, and files byte for byte as the POSIX host writes them.
# usage: windows.sh WIN_DIST NATIVE_DIST SAMPLE_BOOKS WORK_DIR WINE_RUN [WINEPREFIX [KCUSER]]
#   WIN_DIST     the Windows build's dist folder (kccaller.exe, kcbooks.exe, one folder per edition)
#   NATIVE_DIST  the POSIX build's dist folder, the same layout without .exe
#   WINE_RUN     the build's script that runs a Windows program under Wine
#   WINEPREFIX   when given, its wineserver is started persistent first
#   KCUSER       when given, kcuser.exe holds a target open while a run tries to replace it
# kccaller.exe creates a window: Wine needs a display (DISPLAY, e.g. an Xvfb server).
set -u
. "$(cd "$(dirname "$0")" && pwd)/../lib/wine.sh"
if [ $# -lt 5 ]; then
  echo "usage: windows.sh WIN_DIST NATIVE_DIST SAMPLE_BOOKS WORK_DIR WINE_RUN [WINEPREFIX [KCUSER]]" >&2
  exit 2
fi
win=$(realpath -m "$1")
native=$(realpath -m "$2")
sample=$(realpath -m "$3")
work=$(realpath -m "$4")
winerun=$(realpath -m "$5")
if [ -z "${DISPLAY:-}" ]; then
  echo "windows.sh: kccaller.exe needs a display for its window: set DISPLAY (e.g. Xvfb :99)" >&2
  exit 2
fi
for program in "$win/kccaller.exe" "$win/kcbooks.exe" "$native/kccaller" "$native/kcbooks"; do
  [ -f "$program" ] || { echo "windows.sh: $program is missing: build it first" >&2; exit 2; }
done
# A wineserver started by the first program would keep the output pipes of the cases open.
if [ $# -ge 6 ]; then WINEPREFIX=$6 wineserver -p >/dev/null 2>&1; fi

rm -rf "$work"
mkdir -p "$work"
export XDG_RUNTIME_DIR="$work"
failures=0
started=$SECONDS

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# expect NAME EXPECTED_EXIT EXPECTED_OUTPUT -- COMMAND...   (stderr kept in $work/stderr)
expect() {
  local name=$1 code=$2 output=$3
  shift 4
  local out rc
  out=$("$@" 2>"$work/stderr")
  rc=$?
  if [ "$rc" != "$code" ]; then fail "$name: exit $rc, expected $code"; cat "$work/stderr"; fi
  if [ "$out" != "$output" ]; then
    fail "$name: got"
    printf '%s\n' "$out"
    echo "expected"
    printf '%s\n' "$output"
  fi
}

# shellcheck disable=SC2317  # called through expect
# filtered_lines FLAG PATTERN COMMAND...: the lines of the command's output that grep FLAG
# PATTERN keeps, with the command's exit status.
filtered_lines() {
  local flag=$1 pattern=$2 rc
  shift 2
  "$@" >"$work/unfiltered"
  rc=$?
  grep "$flag" "$pattern" "$work/unfiltered"
  return $rc
}

# shellcheck disable=SC2317  # called through expect
wincaller() { "$winerun" "$(winpath "$win/kccaller.exe")" "$@"; }

# What the caller's window sees on Windows. EnableWindow sends WM_ENABLE only when the state
# changes, so the program's second enabling after it posted is silent here, unlike the POSIX
# host's datagrams; sent messages are taken before posted ones, so ENABLE 1 precedes POST.
reached() { printf 'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST %s\nEXIT %s' "$1" "$2"; }

# --- the stores: the sample imported by each host's kcbooks.

mkdir -p "$work/win" "$work/posix"
"$winerun" "$(winpath "$win/kcbooks.exe")" import "$(winpath "$sample")" "$(winpath "$work/win/sample.books")" \
  >/dev/null 2>"$work/stderr" || { fail "kcbooks.exe import"; cat "$work/stderr"; }
"$native/kcbooks" import "$sample" "$work/posix/sample.books" >/dev/null 2>"$work/stderr" ||
  { fail "kcbooks import"; cat "$work/stderr"; }
# The same SQLite format: the POSIX tool reads the store the Windows tool wrote as its own.
if ! diff <("$native/kcbooks" show "$work/win/sample.books" 2>&1) \
          <("$native/kcbooks" show "$work/posix/sample.books" 2>&1) >"$work/show.diff"; then
  fail "the store kcbooks.exe wrote shows otherwise than the POSIX one"
  head -20 "$work/show.diff"
fi

# --- every edition on both hosts: the same file, byte for byte.

# run_windows EDITION STORE OUT_FILE [OPTIONS...]: one batch export through kccaller.exe.
run_windows() {
  local edition=$1 store=$2 out=$3 name
  shift 3
  name=$(basename "$out" .xml)
  expect "$edition on Windows ($name)" 0 "$(reached '1025 7 0' 0)" -- \
    wincaller --message 1025 --wparam 7 -- "$(winpath "$win/$edition/$edition.exe")" \
    --books "$(winpath "$store")" --user yamada --ui batch --yes --out "$(winpath "$out")" \
    --settings-folder "$(winpath "$out.settings")" --output-folder "$(winpath "$(dirname "$out")")" \
    --start-month 4 --end-month 3 "$@"
}

# run_posix EDITION STORE OUT_FILE [OPTIONS...]: the same export through the POSIX kccaller.
run_posix() {
  local edition=$1 store=$2 out=$3
  shift 3
  "$native/kccaller" --window 4242 --message 1025 --wparam 7 -- "$native/$edition/$edition" \
    --books "$store" --user yamada --ui batch --yes --out "$out" --settings-folder "$out.settings" \
    --output-folder "$(dirname "$out")" --start-month 4 --end-month 3 "$@" \
    >"$work/posix.log" 2>&1 || { fail "$edition on POSIX ($(basename "$out")): exit $?"; cat "$work/posix.log"; }
}

same_file() {
  local name=$1 windows=$2 posix=$3
  [ -f "$windows" ] || { fail "$name: Windows wrote no file"; return; }
  cmp "$windows" "$posix" || fail "$name: the Windows file differs from the POSIX one"
}

# Each edition reads the SUPPORT.INF of its own folder.
declare -A product=([kcsakura]="記帳丸２２ さくら版" [kcqb7]="QB7" [kcneo]="記帳丸２２ NEO" [kcstd]="記帳丸２２")
for edition in kcsakura kcqb7 kcneo kcstd; do
  run_windows "$edition" "$work/win/sample.books" "$work/win/$edition.xml" --no-ledger
  run_posix "$edition" "$work/posix/sample.books" "$work/posix/$edition.xml" --no-ledger
  same_file "$edition" "$work/win/$edition.xml" "$work/posix/$edition.xml"
  iconv -f CP932 -t UTF-8 "$work/win/$edition.xml" 2>/dev/null |
    grep -q "<PROGRAMNAME>${product[$edition]}</PROGRAMNAME>" ||
    fail "$edition: the product name of its own SUPPORT.INF is not in the Windows file"
done

# The general ledger as well.
run_windows kcsakura "$work/win/sample.books" "$work/win/ledger.xml" --ledger
run_posix kcsakura "$work/posix/sample.books" "$work/posix/ledger.xml" --ledger
same_file "with the ledger" "$work/win/ledger.xml" "$work/posix/ledger.xml"
if command -v xmllint >/dev/null; then
  xmllint --noout "$work/win/kcsakura.xml" "$work/win/ledger.xml" || fail "a Windows file is not well-formed"
fi

# Each host on the other's store.
run_windows kcsakura "$work/posix/sample.books" "$work/win/posix-store.xml" --no-ledger
same_file "Windows on the POSIX store" "$work/win/posix-store.xml" "$work/posix/kcsakura.xml"
run_posix kcsakura "$work/win/sample.books" "$work/posix/win-store.xml" --no-ledger
same_file "POSIX on the Windows store" "$work/win/kcsakura.xml" "$work/posix/win-store.xml"

# --- the caller's line.

# wParam is posted sign-extended from its low 16 bits.
expect "wParam sign-extended" 0 "$(reached '1025 -25536 0' 0)" -- \
  wincaller --message 1025 --wparam 40000 -- "$(winpath "$win/kcsakura/kcsakura.exe")" \
  --books "$(winpath "$work/win/sample.books")" --user yamada --ui batch --yes \
  --out "$(winpath "$work/win/wparam.xml")" --settings-folder "$(winpath "$work/win/wparam.settings")" \
  --start-month 4 --end-month 3 --no-ledger

# The output path of the caller's line, spaces and all, unquoted as the caller writes it; the
# program's own arguments quoted (a blank, a final backslash before the closing quote).
mkdir -p "$work/win/出力 先"
expect "caller's path with a space" 0 "$(reached '1025 7 0' 0)" -- \
  wincaller --message 1025 --wparam 7 --path "$(winpath "$work/win/出力 先/決算書.xml")" -- \
  "$(winpath "$win/kcsakura/kcsakura.exe")" --books "$(winpath "$work/win/sample.books")" --user yamada \
  --ui batch --yes --settings-folder "$(winpath "$work/win/設定 フォルダ")" \
  --output-folder "$(winpath "$work/win/出力 先/")" --start-month 4 --end-month 3 --no-ledger
same_file "caller's path" "$work/win/出力 先/決算書.xml" "$work/posix/kcsakura.xml"
[ -f "$work/win/設定 フォルダ/kcsakura.env" ] || fail "caller's path: no settings in the quoted folder"

# Two fields are not a caller's line: the program runs on its own and posts nothing.
expect "two fields: not a caller's line" 3 "EXIT 0" -- \
  wincaller --line "4242,1025" -- "$(winpath "$win/kcsakura/kcsakura.exe")" \
  --books "$(winpath "$work/win/sample.books")" --user yamada --ui batch --yes \
  --out "$(winpath "$work/win/alone.xml")" --settings-folder "$(winpath "$work/win/alone.settings")" \
  --start-month 4 --end-month 3 --no-ledger
[ -f "$work/win/alone.xml" ] || fail "two fields: no file"

# A caller's path over the limit, a double-byte character ending at byte 256, is refused whole:
# the message, nothing written, and the caller told that the run failed.
toolong="$(winpath "$work/win")\\"
toolong="$toolong$(printf 'a%.0s' $(seq 1 $((256 - ${#toolong} - 2))))あ"
expect "caller's path too long" 2 "$(reached '1025 7 2' 2)" -- \
  wincaller --message 1025 --wparam 7 --path "$toolong" -- "$(winpath "$win/kcsakura/kcsakura.exe")" \
  --books "$(winpath "$work/win/sample.books")" --user yamada --ui batch --yes
grep -q "呼び出し元から指定された出力先が長すぎます" "$work/stderr" || fail "caller's path too long: no message"
ls "$work/win" | grep -q '^aaaa' && fail "caller's path too long: a file was written"

# Started with the caller's line alone, the program finds its books through kcbooks.ini in its
# own folder (Shift_JIS, as Notepad saves it on a Japanese system); a relative store path starts
# at that folder.
mkdir -p "$work/installed"
cp -r "$win/kcsakura" "$work/installed/"
cp "$work/win/sample.books" "$work/installed/kcsakura/帳簿.books"
printf '[Books]\r\nStore=帳簿.books\r\nUser=yamada\r\nSettingsFolder=%s\r\n' \
  "$(winpath "$work/installed/settings")" | iconv -f UTF-8 -t CP932 >"$work/installed/kcsakura/kcbooks.ini"
expect "books from kcbooks.ini" 0 "$(reached '1025 7 0' 0)" -- \
  env -u KC_BOOKS "$winerun" "$(winpath "$win/kccaller.exe")" --message 1025 --wparam 7 -- \
  "$(winpath "$work/installed/kcsakura/kcsakura.exe")" --ui batch --yes \
  --out "$(winpath "$work/installed/out.xml")" --start-month 4 --end-month 3 --no-ledger
same_file "books from kcbooks.ini" "$work/installed/out.xml" "$work/posix/kcsakura.xml"
[ -f "$work/installed/settings/kcsakura.env" ] || fail "kcbooks.ini: its settings folder was not used"
# Notepad's UTF-8 without a byte-order mark reads the same; a relative settings folder starts at
# the program's folder too, wherever the program was started from.
printf '[Books]\r\nStore=帳簿.books\r\nUser=yamada\r\nSettingsFolder=設定\r\n' \
  >"$work/installed/kcsakura/kcbooks.ini"
(cd "$work" && expect "kcbooks.ini in UTF-8" 0 "$(reached '1025 7 0' 0)" -- \
  env -u KC_BOOKS "$winerun" "$(winpath "$win/kccaller.exe")" --message 1025 --wparam 7 -- \
  "$(winpath "$work/installed/kcsakura/kcsakura.exe")" --ui batch --yes \
  --out "$(winpath "$work/installed/utf8.xml")" --start-month 4 --end-month 3 --no-ledger) ||
  failures=$((failures + 1))
same_file "kcbooks.ini in UTF-8" "$work/installed/utf8.xml" "$work/posix/kcsakura.xml"
[ -f "$work/installed/kcsakura/設定/kcsakura.env" ] ||
  fail "kcbooks.ini in UTF-8: the relative settings folder is not in the program's folder"
# A kcbooks.ini of more than a megabyte is no file a person wrote: it is not read, not even its
# first megabyte.
{
  printf '[Books]\r\nStore=帳簿.books\r\nUser=yamada\r\n'
  head -c 1100000 /dev/zero | tr '\0' ';'
} >"$work/installed/kcsakura/kcbooks.ini"
env -u KC_BOOKS "$winerun" "$(winpath "$work/installed/kcsakura/kcsakura.exe")" --ui batch --yes \
  --out "$(winpath "$work/installed/huge-ini.xml")" --start-month 4 --end-month 3 --no-ledger \
  >/dev/null 2>"$work/stderr"
huge_rc=$?
[ "$huge_rc" = 2 ] && grep -q "会計データ（帳簿ファイル）が指定されていません。" "$work/stderr" ||
  fail "kcbooks.ini over a megabyte: exit $huge_rc: $(cat "$work/stderr")"
[ -f "$work/installed/huge-ini.xml" ] && fail "kcbooks.ini over a megabyte: its first megabyte was read"

# --- cancelled and failed runs: the result is still posted, and the message reaches stderr.

# Two users select the sample's data set: with no --user the login asks, and --no declines.
expect "declined login" 1 "$(reached '1025 7 1' 1)" -- \
  wincaller --message 1025 --wparam 7 -- "$(winpath "$win/kcsakura/kcsakura.exe")" \
  --books "$(winpath "$work/win/sample.books")" --ui batch --no

expect "month check" 1 "$(reached '1025 7 1' 1)" -- \
  wincaller --message 1025 --wparam 7 -- "$(winpath "$win/kcsakura/kcsakura.exe")" \
  --books "$(winpath "$work/win/sample.books")" --user yamada --ui batch --yes \
  --out "$(winpath "$work/win/month.xml")" --settings-folder "$(winpath "$work/win/month.settings")" \
  --start-month 13 --end-month 3 --no-ledger
grep -q "集計期間に誤りがあります" "$work/stderr" || fail "month check: no message on stderr"
[ -e "$work/win/month.xml" ] && fail "month check: a file was written"

expect "missing store" 2 "$(reached '1025 7 2' 2)" -- \
  wincaller --message 1025 --wparam 7 -- "$(winpath "$win/kcsakura/kcsakura.exe")" \
  --books "$(winpath "$work/none.books")" --ui batch
grep -q "会計データを開けません" "$work/stderr" || fail "missing store: no message on stderr"

# A read-only target is refused before the books are read, and stays as it was.
printf 'the previous export' >"$work/win/read-only.xml"
chmod 444 "$work/win/read-only.xml"
expect "read-only target" 2 "$(reached '1025 7 2' 2)" -- \
  wincaller --message 1025 --wparam 7 -- "$(winpath "$win/kcsakura/kcsakura.exe")" \
  --books "$(winpath "$work/win/sample.books")" --user yamada --ui batch --yes \
  --out "$(winpath "$work/win/read-only.xml")" --settings-folder "$(winpath "$work/win/ro.settings")" \
  --start-month 4 --end-month 3 --no-ledger
grep -A1 "出力先のファイルを置き換えられません。" "$work/stderr" | tail -1 |
  grep -qx "ファイルが読み取り専用になっています。" || fail "read-only target: no reason"
[ "$(cat "$work/win/read-only.xml")" = "the previous export" ] || fail "read-only target: it changed"
chmod 644 "$work/win/read-only.xml"

# The settings file is the run's own before it exists: an output named as it, in a settings folder
# the run makes, is refused before anything is written.
expect "output at the settings file to be" 2 "$(reached '1025 7 2' 2)" -- \
  wincaller --message 1025 --wparam 7 -- "$(winpath "$win/kcsakura/kcsakura.exe")" \
  --books "$(winpath "$work/win/sample.books")" --user yamada --ui batch --yes \
  --out "$(winpath "$work/win/st/kcsakura.env")" --settings-folder "$(winpath "$work/win/st")" \
  --start-month 4 --end-month 3 --no-ledger
grep -q "出力先は決算書の設定ファイルです" "$work/stderr" || fail "output at the settings file to be: no message"
[ -e "$work/win/st/kcsakura.env" ] && fail "output at the settings file to be: written"

# A lock file that is no file is a reason of its own, said at once: never another export's.
mkdir -p "$work/win/.locked.xml.kclock"
expect "lock file a folder" 2 "$(reached '1025 7 2' 2)" -- \
  wincaller --message 1025 --wparam 7 -- "$(winpath "$win/kcsakura/kcsakura.exe")" \
  --books "$(winpath "$work/win/sample.books")" --user yamada --ui batch --yes \
  --out "$(winpath "$work/win/locked.xml")" --settings-folder "$(winpath "$work/win/locked.settings")" \
  --start-month 4 --end-month 3 --no-ledger
grep -q "出力先のロックファイルを使用できません" "$work/stderr" || fail "lock file a folder: no message"
grep -q "別の決算書の出力が書き込んでいます" "$work/stderr" && fail "lock file a folder: taken for another export"
[ -e "$work/win/locked.xml" ] && fail "lock file a folder: written"

# A target another program holds open, shared with nobody, is found before the books are read:
# the message says why on a line of its own, and the previous export stays whole.
if [ $# -ge 7 ]; then
  printf 'the previous export' >"$work/win/held.xml"
  # kcuser.exe says what it did on the same output: the caller's lines are taken apart.
  expect "held target" 2 "$(reached '1025 7 2' 2)" -- filtered_lines -v '^kcuser: ' \
    "$winerun" "$(winpath "$7")" --no-user --hold "$(winpath "$work/win/held.xml")" -- \
    "$(winpath "$win/kccaller.exe")" --message 1025 --wparam 7 -- \
    "$(winpath "$win/kcsakura/kcsakura.exe")" --books "$(winpath "$work/win/sample.books")" \
    --user yamada --ui batch --yes --out "$(winpath "$work/win/held.xml")" \
    --settings-folder "$(winpath "$work/win/held.settings")" --start-month 4 --end-month 3 --no-ledger
  grep -A1 "出力先のファイルを置き換えられません。" "$work/stderr" | tail -1 |
    grep -qx "ファイルが別のプログラムで開かれています。" ||
    { fail "held target: the reason is not the message's second line"; cat "$work/stderr"; }
  [ "$(cat "$work/win/held.xml")" = "the previous export" ] || fail "held target: the file changed"
  compgen -G "$work/win/*.kctmp" >/dev/null && fail "held target: a temporary file was left"
fi

echo "windows end to end: $((SECONDS - started)) s"
[ $failures = 0 ] && echo "all Windows cases passed"
exit $failures
