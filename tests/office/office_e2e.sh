#!/bin/bash
# kcoffice end to end: a clients' folder with every form of books (a store, a books folder, an
# interchange journal with its openings and chart), a client without books and one whose year
# ends in another month; last year's outputs for two of them. Each exported XML must be the
# edition's own batch export byte for byte; the summary lists the refused client first and is
# opened in headless Chromium (skipped without chromium); a second run redoes only the changed
# client; a run ended by a signal leaves each client whole or absent, and the next completes it.
#
# Usage: office_e2e.sh DIST WORK
set -euo pipefail
dist=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
kcbooks=$dist/kcbooks kcoffice=$dist/kcoffice kcsakura=$dist/kcsakura/kcsakura
rm -rf "$work"
mkdir -p "$work"
cd "$work"
fail() { echo "FAILED: $*"; exit 1; }

# clients YEAR-END DIR ENTRIES: the three forms of books, each of its own generated company.
clients() {
  local end=$1 dir=$2 entries=$3 seed=${1:0:4}
  mkdir -p "$dir/store" "$dir/journal"
  "$kcbooks" generate "$dir/folder" --entries "$entries" --seed "${seed}1" --year-end "$end" >/dev/null
  printf '[Client]\r\nName=株式会社フォルダー\r\n' >"$dir/folder/client.ini"
  "$kcbooks" generate "gen-store-$end" --entries "$entries" --seed "${seed}2" --year-end "$end" >/dev/null
  "$kcbooks" import "gen-store-$end" "$dir/store/books.books" >/dev/null
  "$kcbooks" generate "gen-journal-$end" --entries "$entries" --seed "${seed}3" --year-end "$end" >/dev/null
  "$kcbooks" import "gen-journal-$end" "journal-$end.books" >/dev/null
  "$kcbooks" export-journal "journal-$end.books" -o "$dir/journal/仕訳帳.csv" \
    --openings "$dir/journal/仕訳帳-openings.csv" >/dev/null
  cp "gen-journal-$end/accounts.csv" "$dir/journal/chart.csv"
  printf '[Client]\r\nConvert=--chart chart.csv --company "ジャーナル商事"\r\n' >"$dir/journal/client.ini"
}

clients 2025-03 last 300
clients 2026-03 this 300
mkdir -p this/empty && echo "no books" >this/empty/readme.txt
"$kcbooks" generate this/december --entries 300 --seed 14 --year-end 2026-12 >/dev/null
# Last year's outputs, for the store and the folder only.
rm -rf last/journal
"$kcoffice" run last --month 2025-03 -o office >last.out 2>&1 || { cat last.out; fail "last year's run"; }

status=0
"$kcoffice" run this --month 2026-03 --jobs 2 -o office >run1.out 2>&1 || status=$?
cat run1.out
[ "$status" = 1 ] || fail "the run with a refused client ended with $status, not 1"
grep -q "4 clients end their year this month: 3 exported, 1 refused" run1.out || fail "the clients taken"
month=office/2026-03
for client in store folder journal; do
  for file in "$client.xml" "$client.html" "$client.log" .kcoffice; do
    [ -f "$month/$client/$file" ] || fail "$month/$client/$file is missing"
  done
done
[ -f "$month/empty/empty.log" ] && [ ! -e "$month/empty/empty.xml" ] || fail "the refused client's outputs"
[ ! -e "$month/december" ] || fail "a client of another month was taken"
ls -a "$month"/* | grep -q "kctmp\|\.books\|settings" && fail "a temporary stayed in the outputs"
grep -q "last year's file\|前年" "$month/store/store.log" && fail "last year's file was refused"
grep -q "^has-previous=1" "$month/store/.kcoffice" || fail "the store's review had no last year"
grep -q "^has-previous=0" "$month/journal/.kcoffice" || fail "the journal had a last year"

# The edition's own batch export of the same books, byte for byte.
batch() {
  local store=$1 out=$2
  "$kcsakura" --books "$store" --ui batch --start-month 4 --end-month 3 --kind 1 --no-ledger \
    --out "$out" --yes --settings-folder "$work/settings" >batch.log 2>&1 || { cat batch.log; fail "batch export of $store"; }
}
"$kcbooks" import this/folder folder.books >/dev/null
"$kcbooks" import --from interchange "this/journal/仕訳帳.csv" journal.books \
  --openings "this/journal/仕訳帳-openings.csv" --chart this/journal/chart.csv --company ジャーナル商事 >/dev/null
batch this/store/books.books store.xml
batch folder.books folder.xml
batch journal.books journal.xml
for client in store folder journal; do
  cmp "$client.xml" "$month/$client/$client.xml" || fail "$client's XML is not the batch export's"
done

# The summary: the refused client first, a row per client, the same rows in the CSV.
[ "$(grep -c 'ng\|wn\|ok' <(grep -o '<tr class=[a-z]*' "$month/index.html"))" = 4 ] || fail "summary rows"
first=$(grep -o '<tr class=[a-z]*><td class=name>[^<]*' "$month/index.html" | head -1)
[[ $first == *empty ]] || fail "the refused client is not first: $first"
[ "$(wc -l <"$month/index.csv")" = 5 ] || fail "the CSV's rows"
grep -q "株式会社フォルダー" "$month/index.csv" || fail "client.ini's name in the CSV"
if command -v chromium >/dev/null && command -v node >/dev/null; then
  node --no-warnings --experimental-websocket "$here/summary_in_browser.mjs" \
    "$month/index.html" "$work/summary.png" empty 4 || fail "the summary in the browser"
else
  echo "chromium is not installed: the summary is not opened in a browser"
fi

# A second run: nothing changed but one journal line's amount.
cp -p "$month/store/.kcoffice" store-record
sed -i '5s/,1,/,2,/' "this/journal/仕訳帳.csv" || true
echo "; changed" >>this/journal/client.ini
"$kcoffice" run this --month 2026-03 -o office >run2.out 2>&1 || true
cat run2.out
grep -q "1 exported, 1 refused, 2 unchanged since the last run" run2.out || fail "the second run did not keep the unchanged clients"
cmp -s store-record "$month/store/.kcoffice" || fail "an unchanged client was redone"

# Interrupted: more clients of more entries, one at a time, ended by a signal while a client is
# under way. Every client folder is whole (its XML, page and log) or absent; the next run ends
# the month.
mkdir -p many
for n in 1 2 3 4 5 6; do
  "$kcbooks" generate "many/c$n" --entries 20000 --seed "$n" --year-end 2026-03 >/dev/null
done
"$kcoffice" run many --month 2026-03 --jobs 1 -o interrupted >run3.out 2>&1 &
runner=$!
for _ in $(seq 1 600); do
  compgen -G "interrupted/2026-03/c2" >/dev/null && compgen -G "interrupted/2026-03/~kc*.kctmp" >/dev/null && break
  sleep 0.05
done
kill -TERM "$runner"
status=0
wait "$runner" || status=$?
cat run3.out
[ "$status" = 2 ] || fail "the interrupted run ended with $status"
compgen -G "interrupted/2026-03/~kc*" >/dev/null && fail "the interrupted run left its temporaries"
kept=0
for dir in interrupted/2026-03/c*; do
  [ -d "$dir" ] || continue
  name=$(basename "$dir")
  for file in "$name.xml" "$name.html" "$name.log" .kcoffice; do
    [ -f "$dir/$file" ] || fail "$dir is half written: no $file"
  done
  kept=$((kept + 1))
done
[ "$kept" -lt 6 ] || fail "the run was not interrupted before its end"
"$kcoffice" run many --month 2026-03 -o interrupted >run4.out 2>&1 || { cat run4.out; fail "the run after the interrupted one"; }
cat run4.out
grep -q "$kept unchanged since the last run" run4.out || fail "the clients done before the signal were redone"
for n in 1 2 3 4 5 6; do [ -f "interrupted/2026-03/c$n/c$n.html" ] || fail "c$n was not finished"; done
echo "kcoffice end to end: passed"
