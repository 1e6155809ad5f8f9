#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each one for a few seconds, starting from its
# seed corpus in fuzz/corpus/TARGET. A crash, a leak, a sanitizer finding or a timeout of any
# target fails the run; libFuzzer's output and the input that failed are kept in the build
# folder.
#
#   fuzz/run.sh [BUILD-FOLDER]      (default build-fuzz; KC_FUZZ_SECONDS per target, default 3)
set -u -o pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
build=${1:-$root/build-fuzz}
seconds=${KC_FUZZ_SECONDS:-3}
jobs=${JOBS:-2}
targets="csv profile settings notes command_line import export convert"

if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$here" -B "$build" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    >/dev/null || exit 1
fi
cmake --build "$build" -j "$jobs" || exit 1

status=0
passed=0
failed=0
for target in $targets; do
  # What the run finds goes into a corpus of the build folder; the seeds stay as committed.
  found="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  log="$build/fuzz_$target.log"
  mkdir -p "$found" "$artifacts"
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/" "$found" "$here/corpus/$target" \
    >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  if [ $rc -eq 0 ]; then
    passed=$((passed + 1))
    echo "fuzz_$target: ${runs:-?} inputs in ${seconds} s, no finding"
  else
    status=1
    failed=$((failed + 1))
    echo "fuzz_$target: FAILED (exit $rc); the input is in $artifacts, the log in $log"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|fuzz finding|.*runtime error)' "$log" | head -5
  fi
done
echo "fuzz: $passed passed, $failed failed"
exit $status
