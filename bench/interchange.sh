#!/usr/bin/env bash
# Books through the journal interchange form at scale: kcbooks export-journal of generated books,
# then, once kcbooks has convert, convert + import of that journal beside the import of the same
# books' own folder. The aim: convert + import in at most 1.5 times the folder's import, each
# step within 150 MB.
# usage: interchange.sh BUILD_DIR [ENTRIES]   (default 1000000)
# Every figure is one run on a shared machine: read them with that in mind.
set -eu
build=$1
entries=${2:-1000000}
work=${KC_BENCH_DIR:-${TMPDIR:-/tmp}/kc-bench-table}
kcbooks=$build/dist/kcbooks
mkdir -p "$work"
dir=$work/books-$entries
store=$work/store-$entries.books
[ -f "$dir/journal.csv" ] || "$kcbooks" generate "$dir" --entries "$entries" >/dev/null
[ -f "$store" ] || "$kcbooks" import "$dir" "$store" >/dev/null

# shellcheck source=bench/timing.sh
source "$(dirname "$0")/timing.sh"

journal=$work/interchange-$entries.csv
openings=$work/interchange-openings-$entries.csv
echo "$entries entries through the journal interchange form, $(date -u '+%Y-%m-%d %H:%M UTC'), load $(cut -d' ' -f1-3 /proc/loadavg)"
timed written "$kcbooks" export-journal "$store" -o "$journal" --openings "$openings"
set -- $written
bytes=$(stat -c %s "$journal")
printf '| %-32s | %8s | %8s | %8s | %8s |\n' step seconds "peak MB" "file MB" "MB/s"
printf '|%s|\n' "----------------------------------|----------|----------|----------|----------"
printf '| %-32s | %8s | %8s | %8s | %8s |\n' "export-journal" "$1" "$(mib "$2")" \
  "$(awk -v b="$bytes" 'BEGIN { printf "%.0f", b / 1e6 }')" \
  "$(awk -v b="$bytes" -v s="$1" 'BEGIN { if (s > 0) printf "%.0f", b / 1e6 / s; else printf "-" }')"

usage=$("$kcbooks" 2>&1 || true)
if [[ $usage != *"kcbooks convert"* ]]; then
  echo
  echo "convert + import: skipped, kcbooks has no convert command yet"
  exit 0
fi
rm -rf "$work/converted-$entries" "$work/reimport-$entries.books"* "$work/converted-$entries.books"*
timed folder "$kcbooks" import "$dir" "$work/reimport-$entries.books"
# The books' own chart serves as the chart, in Shift_JIS as the journal is.
iconv -f UTF-8 -t CP932 "$dir/accounts.csv" >"$work/chart-$entries.csv"
timed convert "$kcbooks" convert "$journal" --openings "$openings" --company gen \
  --chart "$work/chart-$entries.csv" -o "$work/converted-$entries"
timed import "$kcbooks" import "$work/converted-$entries" "$work/converted-$entries.books"
set -- $folder; folder_s=$1; folder_kb=$2
set -- $convert; convert_s=$1; convert_kb=$2
set -- $import; import_s=$1; import_kb=$2
printf '| %-32s | %8s | %8s | %8s | %8s |\n' "import of the books' folder" "$folder_s" "$(mib "$folder_kb")" "" ""
printf '| %-32s | %8s | %8s | %8s | %8s |\n' "convert" "$convert_s" "$(mib "$convert_kb")" "" ""
printf '| %-32s | %8s | %8s | %8s | %8s |\n' "import of the converted folder" "$import_s" "$(mib "$import_kb")" "" ""
awk -v c="$convert_s" -v i="$import_s" -v f="$folder_s" -v ck="$convert_kb" -v ik="$import_kb" 'BEGIN {
  ratio = f > 0 ? (c + i) / f : 0
  peak = (ck > ik ? ck : ik) / 1024
  printf "\nconvert + import: %.2f times the folder'\''s import (aim: at most 1.5), peak %.0f MB (aim: at most 150)\n", ratio, peak
}'
rm -rf "$work/converted-$entries" "$work/reimport-$entries.books"* "$work/converted-$entries.books"* "$work/chart-$entries.csv"
