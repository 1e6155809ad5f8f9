#!/usr/bin/env bash
# Books through the journal interchange form at scale: kcbooks export-journal of generated books,
# then, once kcbooks has convert, convert + import of that journal beside the import of the same
# books' own folder. The aim: convert + import in at most 1.5 times the folder's import, each
# step within 150 MB.
# usage: interchange.sh BUILD_DIR [ENTRIES]   (default 1000000)
#   BENCH_RUNS   runs of convert + import and of the folder's import (default 5); medians shown
# The export-journal figure is one run on a shared machine: read it with that in mind.
set -eu
build=$1
entries=${2:-1000000}
runs=${BENCH_RUNS:-5}
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
# The chart the books were made with serves as the chart, in Shift_JIS as the journal is.
iconv -f UTF-8 -t CP932 "$dir/accounts.csv" >"$work/chart-$entries.csv"
clean() {
  rm -rf "$work/converted-$entries" "$work/reimport-$entries.books"* "$work/converted-$entries.books"* \
    "$work/onestep-$entries.books"*
}
# The steps run $runs times, so that a busy spell of a shared machine falls on all of them alike;
# the table shows each step's median and the largest peak. Each step starts after the files of
# the one before are on disk (sync). On this machine the third 400 MB store written in a row
# costs up to a second more system time (pages the kernel has to find for it), so the folder's
# import goes first in odd runs and last in even ones.
folder_s=() convert_s=() import_s=() onestep_s=()
folder_kb=0 convert_kb=0 import_kb=0 onestep_kb=0
larger() { [ "$2" -gt "${!1}" ] && printf -v "$1" '%s' "$2"; return 0; }
for ((run = 1; run <= runs; run++)); do
  clean
  sync
  ((run % 2)) && timed folder "$kcbooks" import "$dir" "$work/reimport-$entries.books"
  sync
  timed convert "$kcbooks" convert "$journal" --openings "$openings" --company gen \
    --chart "$work/chart-$entries.csv" -o "$work/converted-$entries"
  sync
  timed import "$kcbooks" import "$work/converted-$entries" "$work/converted-$entries.books"
  sync
  ((run % 2)) || timed folder "$kcbooks" import "$dir" "$work/reimport-$entries.books"
  # What a user runs: both in one command, through a folder beside the store.
  rm -rf "$work/converted-$entries" "$work/converted-$entries.books"* "$work/reimport-$entries.books"*
  sync
  timed onestep "$kcbooks" import --from interchange "$journal" "$work/onestep-$entries.books" \
    --openings "$openings" --company gen --chart "$work/chart-$entries.csv"
  set -- $onestep; onestep_s+=("$1"); larger onestep_kb "$2"
  set -- $folder; folder_s+=("$1"); larger folder_kb "$2"
  set -- $convert; convert_s+=("$1"); larger convert_kb "$2"
  set -- $import; import_s+=("$1"); larger import_kb "$2"
done
folder_m=$(median "${folder_s[@]}")
convert_m=$(median "${convert_s[@]}")
import_m=$(median "${import_s[@]}")
printf '| %-32s | %8s | %8s | %8s | %8s |\n' "import of the books' folder" "$folder_m" "$(mib "$folder_kb")" "" ""
printf '| %-32s | %8s | %8s | %8s | %8s |\n' "convert" "$convert_m" "$(mib "$convert_kb")" "" ""
onestep_m=$(median "${onestep_s[@]}")
printf '| %-32s | %8s | %8s | %8s | %8s |\n' "import of the converted folder" "$import_m" "$(mib "$import_kb")" "" ""
printf '| %-32s | %8s | %8s | %8s | %8s |\n' "import --from interchange" "$onestep_m" "$(mib "$onestep_kb")" "" ""
echo
echo "seconds of each run: folder ${folder_s[*]}; convert ${convert_s[*]}; import ${import_s[*]}; import --from interchange ${onestep_s[*]}"
least() { printf '%s\n' "$@" | sort -g | head -1; }
awk -v c="$convert_m" -v i="$import_m" -v f="$folder_m" -v ck="$convert_kb" -v ik="$import_kb" -v n="$runs" \
  -v lc="$(least "${convert_s[@]}")" -v li="$(least "${import_s[@]}")" -v lf="$(least "${folder_s[@]}")" 'BEGIN {
  ratio = f > 0 ? (c + i) / f : 0
  fastest = lf > 0 ? (lc + li) / lf : 0
  peak = (ck > ik ? ck : ik) / 1024
  printf "convert + import: %.2f times the folder'\''s import, medians of %d runs (fastest runs: %.2f; aim: at most 1.5), peak %.0f MB (aim: at most 150)\n", ratio, n, fastest, peak
}'
awk -v o="$onestep_m" -v f="$folder_m" 'BEGIN { if (f > 0) printf "import --from interchange: %.2f times the folder'\''s import\n", o / f }'
clean
rm -f "$work/chart-$entries.csv"
