#!/usr/bin/env bash
# The export and import at scale, measured against what the machine does with the same bytes:
# copying the exported file with cat, and loading the same journal CSV with the sqlite3 shell.
# usage: table.sh BUILD_DIR [SIZES...]   (default sizes: 10000 100000 1000000 2000000)
# Every figure is one run on a shared machine: read them with that in mind.
set -eu
build=$1
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(10000 100000 1000000 2000000)
work=${KC_BENCH_DIR:-${TMPDIR:-/tmp}/kc-bench-table}
here=$(cd "$(dirname "$0")" && pwd)
kcbooks=$build/dist/kcbooks
kcsakura=$build/dist/kcsakura/kcsakura
mkdir -p "$work"

# shellcheck source=bench/timing.sh
source "$(dirname "$0")/timing.sh"

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }

echo "kcsakura export with the general ledger, whole fiscal year; kcbooks import; $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo
printf '| %-9s | %-8s | %-9s | %-9s | %-8s | %-8s | %-10s | %-8s | %-11s | %-8s | %-9s | %-9s | %-9s |\n' \
  entries "XML MB" "export s" "export MB" "MB/s" "cat s" "export/cat" "cat² s" "export/cat²" "import s" "import MB" "sqlite3 s" "imp/sqlite"
printf '|%s|\n' "-----------|----------|-----------|-----------|----------|----------|------------|----------|-------------|----------|-----------|-----------|-----------"
for n in "${sizes[@]}"; do
  dir=$work/books-$n
  [ -f "$dir/journal.csv" ] || "$kcbooks" generate "$dir" --entries "$n" >/dev/null
  rm -f "$work/store-$n.books" "$work/sqlite-$n.db" "$work/out-$n.xml" "$work/copy-$n.xml"
  rm -rf "$work/settings-$n"

  timed import "$kcbooks" import "$dir" "$work/store-$n.books"
  timed sqlite sqlite3 "$work/sqlite-$n.db" ".mode csv" ".import $dir/journal.csv journal"
  timed export "$kcsakura" --books "$work/store-$n.books" --user gen --ui batch --yes --ledger --kind 1 \
    --out "$work/out-$n.xml" --settings-folder "$work/settings-$n"
  timed copy sh -c "cat '$work/out-$n.xml' > '$work/copy-$n.xml'"
  # Copied again, into the pages the first copy just gave back. On this kind of virtual machine
  # writing into memory the kernel has to find anew costs several times more, and varies from
  # run to run. The first copy pays for that; the export, run after the files of an earlier run
  # were deleted, mostly writes into pages given back. The second copy is the like-for-like one.
  rm -f "$work/copy-$n.xml"
  timed copy2 sh -c "cat '$work/out-$n.xml' > '$work/copy-$n.xml'"

  bytes=$(stat -c %s "$work/out-$n.xml")
  set -- $export; export_s=$1; export_kb=$2
  set -- $import; import_s=$1; import_kb=$2
  set -- $sqlite; sqlite_s=$1
  set -- $copy; copy_s=$1
  set -- $copy2; copy2_s=$1
  mb=$(awk -v b="$bytes" 'BEGIN { printf "%.0f", b / 1e6 }')
  rate=$(awk -v b="$bytes" -v s="$export_s" 'BEGIN { if (s > 0) printf "%.0f", b / 1e6 / s; else printf "-" }')
  printf '| %9s | %8s | %9s | %9s | %8s | %8s | %10s | %8s | %11s | %8s | %9s | %9s | %9s |\n' \
    "$n" "$mb" "$export_s" "$(mib "$export_kb")" "$rate" "$copy_s" "$(ratio "$export_s" "$copy_s")" "$copy2_s" \
    "$(ratio "$export_s" "$copy2_s")" "$import_s" "$(mib "$import_kb")" "$sqlite_s" "$(ratio "$import_s" "$sqlite_s")"

  # The 100k export is also the identity test's recorded file.
  if [ "$n" = 100000 ]; then
    recorded=$(sed -n 's/^ *ledger_kind1=\([0-9a-f]*\)$/\1/p' "$here/../tests/e2e/identity.cmake" | tail -1)
    actual=$(sha256sum "$work/out-$n.xml" | cut -d' ' -f1)
    [ "$actual" = "$recorded" ] && identity="the 100k export is byte-identical to the recorded file" ||
      identity="the 100k export DIFFERS from the recorded file ($actual)"
  fi
  rm -f "$work/copy-$n.xml" "$work/sqlite-$n.db"
done
echo
[ -z "${identity:-}" ] || echo "$identity"
# The review page of the 100k export, with its ledger.
if [ -f "$work/out-100000.xml" ] && [ -x "$build/dist/kcview" ]; then
  KC_BENCH_DIR=$work "$here/review.sh" "$build" 100000 "$work/out-100000.xml"
fi
echo "Goals: 100k export <= 0.25 s; export/cat <= 1.5 at 1M (export/cat² compares like with like);"
echo "       export peak <= 150 MB at 1M and flat to 2M;"
echo "       import/sqlite <= 1.5 and import peak <= 150 MB at 1M; kcview of the 100k export < 2 s."
