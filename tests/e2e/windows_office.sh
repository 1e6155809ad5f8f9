#!/usr/bin/env bash
# kcoffice.exe from a console under Wine, as an office runs its month: a clients' folder with a
# store, a books folder, an interchange journal (its openings and chart beside it, client.ini
# naming the chart) and a folder without books; last year's outputs for the store's client. The
# edition runs as a child in batch: each exported XML must be kcsakura.exe's own batch export of
# the same books byte for byte, its lines must reach the client's log, and the client's folder
# must hold its outputs alone (no output of the child, no settings, no lock file). A second run
# keeps the three exported clients as they are.
# usage: windows_office.sh WIN_DIST WORK_DIR WINE_RUN [WINEPREFIX]
#   WINEPREFIX  when given, its wineserver is started persistent first
set -u
. "$(cd "$(dirname "$0")" && pwd)/../lib/wine.sh"
[ $# -ge 3 ] || { echo "usage: windows_office.sh WIN_DIST WORK_DIR WINE_RUN [WINEPREFIX]" >&2; exit 2; }
dist=$(realpath -m "$1")
work=$(realpath -m "$2")
winerun=$(realpath -m "$3")
for program in kcoffice.exe kcbooks.exe kcsakura/kcsakura.exe; do
  [ -f "$dist/$program" ] || { echo "windows_office.sh: $dist/$program is missing: build it first" >&2; exit 2; }
done
if [ $# -ge 4 ]; then WINEPREFIX=$4 wineserver -p >/dev/null 2>&1; fi

rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 2
failures=0
started=$SECONDS
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The programs run from the work folder, their paths relative to it.
kcbooks() { "$winerun" "$(winpath "$dist/kcbooks.exe")" "$@"; }
kcoffice() { "$winerun" "$(winpath "$dist/kcoffice.exe")" "$@"; }
kcsakura() { "$winerun" "$(winpath "$dist/kcsakura/kcsakura.exe")" "$@"; }
quiet() { "$@" >quiet.log 2>&1 || { cat quiet.log; fail "$*"; }; }

# --- the clients: 顧問先 for 2026-03, 前期 holding the store client's books of the year before.
store=さくら製作所 folder=つぐみ商事 journal=みどり工業 empty=空き
mkdir -p "顧問先/$store" "顧問先/$folder" "顧問先/$journal" "顧問先/$empty" "前期/$store" gen
quiet kcbooks generate 'gen\store-2025' --entries 300 --seed 21 --year-end 2025-03
quiet kcbooks generate 'gen\store-2026' --entries 300 --seed 21 --year-end 2026-03
quiet kcbooks import 'gen\store-2025' "前期\\$store\\sakura.books"
quiet kcbooks import 'gen\store-2026' "顧問先\\$store\\sakura.books"
quiet kcbooks generate "顧問先\\$folder\\帳簿" --entries 300 --seed 22 --year-end 2026-03
quiet kcbooks generate 'gen\journal' --entries 300 --seed 23 --year-end 2026-03
quiet kcbooks import 'gen\journal' 'gen\journal.books'
quiet kcbooks export-journal 'gen\journal.books' -o "顧問先\\$journal\\仕訳帳.csv" \
  --openings "顧問先\\$journal\\期首残高.csv"
cp gen/journal/accounts.csv "顧問先/$journal/chart.csv"
printf '[Client]\r\nConvert=--chart chart.csv\r\n' >"顧問先/$journal/client.ini"
echo "帳簿はまだありません" >"顧問先/$empty/readme.txt"

# --- last year's month, then this year's: one client refused.
kcoffice run 前期 --month 2025-03 -o 決算書 >run0.out 2>&1 || { cat run0.out; fail "last year's run: exit $?"; }
status=0
kcoffice run 顧問先 --month 2026-03 -o 決算書 >run1.out 2>&1 || status=$?
cat run1.out
[ "$status" = 1 ] || fail "the run with a refused client ended with $status, not 1"
iconv -f UTF-8 -t UTF-8 run1.out >/dev/null 2>&1 || fail "the run's lines are not UTF-8 when redirected"
grep -qF "顧問先 4 件: 書き出し 3 件、中止 1 件" run1.out || fail "the run's last line"
month=決算書/2026-03

# Each client's folder holds its outputs alone: no output of the child, no settings, no store of
# the run, no lock file; the month's folder no temporary.
for client in "$store" "$folder" "$journal"; do
  expected=$(printf '%s\n' .kcoffice "$client.html" "$client.log" "$client.xml")
  held=$(ls -A "$month/$client" | LC_ALL=C sort)
  [ "$held" = "$(printf '%s\n' "$expected" | LC_ALL=C sort)" ] ||
    fail "$month/$client holds: $(echo "$held" | tr '\n' ' ')"
  # The edition's own lines, through the child's streams, in the client's log.
  grep -qF "決算書情報の出力が終了しました。" "$month/$client/$client.log" ||
    fail "$client's log does not hold the edition's lines"
done
held=$(ls -A "$month/$empty" | LC_ALL=C sort)
[ "$held" = "$(printf '%s\n' .kcoffice "$empty.log" | LC_ALL=C sort)" ] ||
  fail "the refused client's folder holds: $(echo "$held" | tr '\n' ' ')"
held=$(ls -A "$month" | LC_ALL=C sort)
[ "$held" = "$(printf '%s\n' index.csv index.html "$store" "$folder" "$journal" "$empty" | LC_ALL=C sort)" ] ||
  fail "$month holds: $(echo "$held" | tr '\n' ' ')"
grep -q "^has-previous=1" "$month/$store/.kcoffice" || fail "the store's review did not take last year's file"
grep -q "^has-previous=0" "$month/$journal/.kcoffice" || fail "the journal had a last year"

# --- the edition's own batch export of the same books, under Wine, byte for byte.
batch() {
  local books=$1 out=$2
  mkdir -p "settings-$out"
  kcsakura --books "$books" --ui batch --start-month 4 --end-month 3 --kind 1 --no-ledger \
    --out "$out" --yes --settings-folder "settings-$out" >batch.log 2>&1 ||
    { cat batch.log; fail "kcsakura.exe's batch export of $books"; }
}
quiet kcbooks import "顧問先\\$folder\\帳簿" folder.books
quiet kcbooks import --from interchange "顧問先\\$journal\\仕訳帳.csv" journal.books \
  --openings "顧問先\\$journal\\期首残高.csv" --chart "顧問先\\$journal\\chart.csv" --company "$journal"
batch "顧問先\\$store\\sakura.books" store.xml
batch folder.books folder.xml
batch journal.books journal.xml
cmp store.xml "$month/$store/$store.xml" || fail "$store's XML is not kcsakura.exe's batch export"
cmp folder.xml "$month/$folder/$folder.xml" || fail "$folder's XML is not kcsakura.exe's batch export"
cmp journal.xml "$month/$journal/$journal.xml" || fail "$journal's XML is not kcsakura.exe's batch export"

# --- a second run: the exported clients are kept as they are, the refused one tried again.
for client in "$store" "$folder" "$journal"; do cp -p "$month/$client/.kcoffice" "$client.record"; done
status=0
kcoffice run 顧問先 --month 2026-03 -o 決算書 >run2.out 2>&1 || status=$?
cat run2.out
[ "$status" = 1 ] || fail "the second run ended with $status, not 1"
grep -qF "前回から変更なし 3 件" run2.out || fail "the second run did not keep the three exported clients"
for client in "$store" "$folder" "$journal"; do
  cmp -s "$client.record" "$month/$client/.kcoffice" || fail "$client was redone"
done

echo "windows_office: $((SECONDS - started)) s"
if [ "$failures" -gt 0 ]; then
  echo "windows_office: $failures failures"
  exit 1
fi
echo "kcoffice.exe from a console: the edition's exports byte for byte, the outputs alone, a second run unchanged"
