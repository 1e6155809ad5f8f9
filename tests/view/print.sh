#!/bin/bash
# The review page printed as an accountant prints it: the sample books' year, exported with its
# general ledger, checked by kcview and printed to PDF by headless Chromium on A4, once as written
# (every ledger account closed) and once with two accounts opened as a reader opens them. The
# pages are read back as text (poppler's pdftotext) and drawn as pictures into WORK; with PICTURE,
# the balance sheet's and the income statement's pages side by side are written there too.
#
# Usage: print.sh DIST SAMPLE_BOOKS WORK [PICTURE]
# Exit 77 (skipped) only when chromium is not installed.
set -euo pipefail
dist=$1 books=$2 work=$3 picture=${4:-}

if ! command -v chromium >/dev/null; then
  echo "chromium is not installed (make install-deps installs it): the print test is skipped"
  exit 77
fi
for tool in pdfinfo pdftotext pdftoppm xmllint; do
  command -v $tool >/dev/null || { echo "$tool is not installed (make install-deps installs it)"; exit 1; }
done

rm -rf "$work"
mkdir -p "$work"
work=$(cd "$work" && pwd)  # the pages are opened as file:// addresses
failed=0
fail() { echo "print: $*"; failed=1; }

"$dist/kcbooks" import "$books" "$work/sample.books" >/dev/null
"$dist/kcsakura/kcsakura" --books "$work/sample.books" --user yamada --ui batch --yes --ledger \
  --start-month 4 --end-month 3 --out "$work/sample.xml" --settings-folder "$work/settings" \
  >"$work/export.log" 2>&1 || { cat "$work/export.log"; echo "the export failed"; exit 1; }
"$dist/kcview" "$work/sample.xml" -o "$work/sample.html" >"$work/kcview.log" 2>&1 \
  || { cat "$work/kcview.log"; echo "kcview failed"; exit 1; }

# The page with 売掛金 and 貸倒引当金 opened, as a reader opens the accounts a question is about.
sed -e 's|<details><summary>売掛金<span|<details open><summary>売掛金<span|' \
    -e 's|<details><summary>貸倒引当金<span|<details open><summary>貸倒引当金<span|' \
    "$work/sample.html" >"$work/opened.html"
[ "$(grep -c '<details open>' "$work/opened.html")" -eq 2 ] || fail "the two accounts were not opened"

print() {
  timeout 300 chromium --headless --no-sandbox --disable-gpu --no-first-run \
    --user-data-dir="$work/profile" --print-to-pdf="$work/$1.pdf" --no-pdf-header-footer \
    "file://$work/$1.html" >"$work/chromium.log" 2>&1 || true
  [ -s "$work/$1.pdf" ] || { cat "$work/chromium.log"; echo "chromium printed no $1.pdf"; exit 1; }
}
print sample
print opened

pages_of() { pdfinfo "$1" | sed -n 's/^Pages: *//p'; }
page_text() { pdftotext -layout -f "$2" -l "$2" "$1" -; }
# The first page whose text holds all of the given texts, or 0.
page_with() {
  local pdf=$1 pages page text found
  shift
  pages=$(pages_of "$pdf")
  for ((page = 1; page <= pages; page++)); do
    text=$(page_text "$pdf" $page)
    found=1
    for wanted in "$@"; do
      [[ "$text" == *"$wanted"* ]] || { found=0; break; }
    done
    [ $found -eq 1 ] && { echo $page; return; }
  done
  echo 0
}
# Whole yen as the page writes it: 1,234,567, a negative after △.
yen() { echo "$1" | sed -e ':a' -e 's/\([0-9]\)\([0-9]\{3\}\)\($\|,\)/\1,\2\3/' -e 'ta' -e 's/^-/△/'; }
amount() { xmllint --xpath "string(/REPORT/DATA/$1/@Amount)" "$work/sample.xml"; }
[ "$(yen 1234567)" = "1,234,567" ] && [ "$(yen -110000)" = "△110,000" ] || { echo "yen() is wrong"; exit 1; }

pdf=$work/sample.pdf
pages=$(pages_of "$pdf")
company=$(xmllint --xpath 'string(/REPORT/BASIC/KOMONSAKINAME)' "$work/sample.xml")
echo "print: sample.pdf has $pages pages"

# Every page: the company in the running header, its number and the count at its foot.
for ((page = 1; page <= pages; page++)); do
  text=$(page_text "$pdf" $page)
  [[ "$text" == *"$company"* ]] || fail "page $page has no running header with $company"
  [[ "$text" =~ (^|[^0-9])$page\ ?/\ ?$pages([^0-9]|$) ]] || fail "page $page has no number $page / $pages"
done

# The first page: the header and the checks.
[[ "$(page_text "$pdf" 1)" == *'検査:'* ]] || fail "the checks are not on the first page"

# The statements: each under its unit on a page of its own, the four of them on four pages.
units=()
for ((page = 1; page <= pages; page++)); do
  count=$(page_text "$pdf" $page | grep -c '（単位：円）' || true)
  [ "$count" -gt 1 ] && fail "page $page begins $count statements"
  [ "$count" -eq 1 ] && units+=($page)
done
[ "${#units[@]}" -eq 4 ] || fail "the statements take ${#units[@]} pages with a unit, not 4: ${units[*]}"
[ "${units[*]}" = "2 3 4 5" ] || fail "the statements are on pages ${units[*]}, not 2 to 5"

# The income statement on one page: its first total and its last line together.
sales=$(yen "$(amount IncomeStatement/NetSales)")
net=$(yen "$(amount IncomeStatement/NetIncome)")
pl=$(page_with "$pdf" '損益計算書' '売上高' "$sales" '当期純利益' "$net")
[ "$pl" -ne 0 ] || fail "no page holds the income statement from 売上高 $sales to 当期純利益 $net"
echo "print: the income statement is on page $pl"
bs=$(page_with "$pdf" '貸借対照表' '（単位：円）' '株主資本合計' '評価・換算差額等合計' '純資産合計')
[ "$bs" -ne 0 ] || fail "no page holds the balance sheet with 純資産の部 in its groups"

# The ledger closed prints its accounts' lines only when opened: one line per account.
ledger=$(page_with "$pdf" '総勘定元帳' '印刷には開いた科目の明細だけが入ります')
[ "$ledger" -ne 0 ] || fail "the ledger's heading is not printed"
[ "$(page_with "$pdf" '日付' '伝票' '相手科目')" -eq 0 ] || fail "a closed ledger printed its lines"
[ "$pages" -le 10 ] || fail "the page printed on $pages pages; the closed ledger should keep it under 11"

# Opened, the accounts print their lines on their sides; the allowance its credit balance.
opened=$work/opened.pdf
[ "$(pages_of "$opened")" -gt "$pages" ] || fail "the opened accounts added no page"
[ "$(page_with "$opened" '日付' '伝票' '相手科目' '摘要' '借方' '貸方' '残高')" -ne 0 ] \
  || fail "an opened account printed without its columns"
[ "$(page_with "$opened" '貸倒引当金' '貸方残高')" -ne 0 ] \
  || fail "貸倒引当金 printed without its credit balance"

# The pages as pictures, to look at.
pdftoppm -png -r 60 "$pdf" "$work/page"
pdftoppm -png -r 60 "$opened" "$work/opened"

# Two printed pages side by side, drawn by the same browser: the balance sheet and the income
# statement, each with a thin frame as paper.
if [ -n "$picture" ]; then
  pdftoppm -png -r 80 -f "$bs" -l "$bs" -singlefile "$pdf" "$work/left"
  pdftoppm -png -r 80 -f "$pl" -l "$pl" -singlefile "$pdf" "$work/right"
  cat >"$work/two-pages.html" <<'EOF'
<!DOCTYPE html><meta charset=utf-8><style>
body{margin:0;padding:16px;background:#d9dde3;display:flex;gap:16px}
img{display:block;width:662px;box-shadow:0 1px 4px rgba(0,0,0,.35)}
</style><img src=left.png><img src=right.png>
EOF
  timeout 120 chromium --headless --no-sandbox --disable-gpu --no-first-run --hide-scrollbars \
    --user-data-dir="$work/profile" --window-size=1372,968 \
    --screenshot="$picture" "file://$work/two-pages.html" >"$work/chromium.log" 2>&1 || true
  [ -s "$picture" ] || { cat "$work/chromium.log"; echo "no picture was drawn"; exit 1; }
  echo "print: wrote $picture (pages $bs and $pl)"
fi
exit $failed
