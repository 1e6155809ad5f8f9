#!/bin/bash
# The export's warning and kcview together: one fixed-asset account of the sample books made
# noncurrent only (no kind), exported; kcview --check must name it under every kind and fail.
#
# Usage: unclassified.sh DIST SAMPLE_BOOKS WORK
set -euo pipefail
dist=$1 books=$2 work=$3
rm -rf "$work"
mkdir -p "$work"
cp -r "$books" "$work/books"
# 工具器具備品, tangible (0x80848004), becomes noncurrent only (0x80840004).
sed -i 's/^\(SAKURA,13400000,[^,]*,[^,]*,\)0x80848004,/\10x80840004,/' "$work/books/accounts.csv"
grep -q '^SAKURA,13400000,.*,0x80840004,' "$work/books/accounts.csv" || { echo "the account was not changed"; exit 1; }
"$dist/kcbooks" import "$work/books" "$work/store.books" >/dev/null
"$dist/kcsakura/kcsakura" --books "$work/store.books" --user yamada --ui batch --yes --no-ledger \
  --start-month 4 --end-month 3 --out "$work/export.xml" --settings-folder "$work/settings" \
  2>"$work/export.log" || { cat "$work/export.log"; exit 1; }
grep -q '正しい分類に出力することができません' "$work/export.log" || { echo "the export did not warn"; exit 1; }

status=0
"$dist/kcview" "$work/export.xml" --check >"$work/check.txt" 2>"$work/check.log" || status=$?
cat "$work/check.txt"
[ "$status" -eq 1 ] || { echo "kcview --check exited $status, not 1"; exit 1; }
grep -q '^one-section-per-item: 有形固定資産合計の工具器具備品 .* ≠ 同じ科目（無形固定資産合計、投資その他の資産合計にも） ' \
  "$work/check.txt" || { echo "the unclassified asset was not flagged"; exit 1; }
echo "flagged"
