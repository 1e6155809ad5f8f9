#!/bin/bash
# The sample books as a reviewer reads them: the sample year, checked against the year before, and
# the year before alone hold every check; the sample with mistakes fails or warns in each check its
# README names, for each mistake planted.
#
# Usage: review_samples.sh DIST EXAMPLES WORK
set -euo pipefail
dist=$1 examples=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
export LC_ALL=C.UTF-8

# Each books folder imported and exported for the whole year with its ledger.
for books in sample-books-2024 sample-books sample-books-mistakes; do
  "$dist/kcbooks" import "$examples/$books" "$work/$books.books" >/dev/null
  "$dist/kcsakura/kcsakura" --books "$work/$books.books" --user yamada --ui batch --yes --ledger \
    --start-month 4 --end-month 3 --out "$work/$books.xml" --settings-folder "$work/settings" \
    >"$work/$books.log" 2>&1 || { cat "$work/$books.log"; exit 1; }
done

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# kcview --check of an export: its lines in $work/NAME.txt, its status returned.
check() {
  local name=$1
  shift
  local status=0
  "$dist/kcview" "$@" --check -o "$work/$name.html" >"$work/$name.txt" 2>"$work/$name.log" || status=$?
  return $status
}

check accepted "$work/sample-books.xml" --previous "$work/sample-books-2024.xml" ||
  { fail "the sample year fails a check"; cat "$work/accepted.txt"; }
check year-before "$work/sample-books-2024.xml" ||
  { fail "the year before fails a check"; cat "$work/year-before.txt"; }

status=0
check mistakes "$work/sample-books-mistakes.xml" --previous "$work/sample-books-2024.xml" || status=$?
[ "$status" -eq 1 ] || fail "kcview --check of the mistakes exited $status, not 1"
# Each mistake: the check's line that names it.
while IFS='|' read -r mistake line; do
  grep -q "^$line" "$work/mistakes.txt" || fail "not flagged: $mistake (no line \"$line\")"
done <<'EOF'
last year's consumption tax unpaid|consumption-tax: 前期ファイルの未払消費税等 3032600 
the consumption tax payable off|consumption-tax: 注意: 貸借対照表の未払消費税等 4996300 
last year's corporate taxes unpaid|corporate-taxes: 前期ファイルの未払法人税等 1016500 
the corporate taxes payable holding last year's|corporate-taxes: 貸借対照表の未払法人税等 1783584 
an advance left open|open-suspense: 貸借対照表の仮払金 150000 
insurance below zero|impossible-balances: 損益計算書の保険料 -96000 
cash below zero on a day|impossible-balances: 総勘定元帳の現金（令和8年3月9日の残高） -55470 
a dividend without its reason|changes-add-up: 注意: 繰越利益剰余金の当期変動額合計 .* 理由の書かれていない変動 △1,000,000 円
the officer's pay raised in October|officer-pay: 注意: 総勘定元帳の役員報酬（10月） 700000 
entertainment over the limit|entertainment-limit: 注意: 決算書の交際費 8036400 
EOF
[ $failures -eq 0 ] || { cat "$work/mistakes.txt"; exit 1; }
echo "the sample holds every check; each mistake is flagged"
