#!/usr/bin/env bash
# kcview at scale: the review page, with the general ledger, of an export of generated books.
# usage: review.sh BUILD_DIR [ENTRIES] [EXPORT.xml]   (default 100000 entries; an export given
# is used as it is). One run on a shared machine. Goal: under 2 s at 100k entries.
set -eu
build=$1
entries=${2:-100000}
work=${KC_BENCH_DIR:-${TMPDIR:-/tmp}/kc-bench-review}
mkdir -p "$work"
xml=${3:-$work/export-$entries.xml}
if [ ! -f "$xml" ]; then
  dir=$work/books-$entries
  [ -f "$dir/journal.csv" ] || "$build/dist/kcbooks" generate "$dir" --entries "$entries" >/dev/null
  rm -f "$work/store-$entries.books"
  "$build/dist/kcbooks" import "$dir" "$work/store-$entries.books" >/dev/null
  "$build/dist/kcsakura/kcsakura" --books "$work/store-$entries.books" --user gen --ui batch --yes \
    --ledger --kind 1 --out "$xml" --settings-folder "$work/settings" >/dev/null 2>&1
fi
/usr/bin/time -f "%e %M" -o "$work/time" "$build/dist/kcview" "$xml" -o "$work/review.html" \
  2>"$work/stderr" || { cat "$work/stderr" >&2; exit 1; }
read -r seconds kib <"$work/time"
awk -v n="$entries" -v x="$(stat -c %s "$xml")" -v h="$(stat -c %s "$work/review.html")" \
  -v s="$seconds" -v k="$kib" 'BEGIN {
    printf "kcview: %dk entries, %.0f MB export -> %.0f MB review page with the ledger in %.2f s, peak %.0f MB (goal: under 2 s)\n",
      n / 1000, x / 1e6, h / 1e6, s, k / 1024 }'
