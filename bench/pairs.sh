#!/usr/bin/env bash
# The export and a copy of its file, each writing into memory of the same kind. On this kind of
# virtual machine writing into pages the kernel has just got back (from a file deleted a moment
# before) is several times cheaper than writing into pages it must find anew, and `make bench`
# cannot tell which a run gets. Here nothing is deleted between the writes: PAIRS exports, each
# followed by a copy of its file, all into new files, so that after the first pair both sides
# write into memory the kernel must find anew. Then everything is deleted, and PAIRS more pairs
# run, each deleting its files before the next pair, so that both sides write into pages just
# given back.
# usage: pairs.sh BUILD_DIR [ENTRIES] [PAIRS]   (defaults: 1000000 and 3; needs about
#        2.5 GB of disk per pair at 1M entries)
set -eu
build=$1
entries=${2:-1000000}
pairs=${3:-3}
work=${KC_BENCH_DIR:-${TMPDIR:-/tmp}/kc-bench-table}
kcbooks=$build/dist/kcbooks
kcsakura=$build/dist/kcsakura/kcsakura
mkdir -p "$work"
dir=$work/books-$entries
store=$work/store-$entries.books
[ -f "$dir/journal.csv" ] || "$kcbooks" generate "$dir" --entries "$entries" >/dev/null
[ -f "$store" ] || "$kcbooks" import "$dir" "$store" >/dev/null

seconds() {
  /usr/bin/time -f "%e" -o "$work/pair-time" "$@" >/dev/null 2>"$work/pair-stderr" || {
    cat "$work/pair-stderr" >&2
    return 1
  }
  cat "$work/pair-time"
}

pair() {
  local out=$work/pair-out-$1.xml copy=$work/pair-copy-$1.xml
  local export_s copy_s
  export_s=$(seconds "$kcsakura" --books "$store" --user gen --ui batch --yes --ledger --kind 1 \
    --out "$out" --settings-folder "$work/pair-settings")
  copy_s=$(seconds sh -c "cat '$out' > '$copy'")
  printf '| %-28s | %8s | %6s | %10s |\n' "$2" "$export_s" "$copy_s" \
    "$(awk -v a="$export_s" -v b="$copy_s" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }')"
}

echo "$entries entries, $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d' ' -f1-3 /proc/loadavg)"
printf '| %-28s | %8s | %6s | %10s |\n' "written into" "export s" "cat s" "export/cat"
printf '|%s|\n' "------------------------------|----------|--------|------------"
for i in $(seq 1 "$pairs"); do pair "$i" "memory found anew ($i)"; done
rm -f "$work"/pair-out-*.xml "$work"/pair-copy-*.xml
for i in $(seq 1 "$pairs"); do
  pair "$i" "pages just given back ($i)"
  rm -f "$work/pair-out-$i.xml" "$work/pair-copy-$i.xml"
done
rm -rf "$work/pair-settings" "$work/pair-time" "$work/pair-stderr"
