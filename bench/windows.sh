#!/usr/bin/env bash
# The Windows program's export through its real dialog beside its batch export, under Wine and
# Xvfb: the same kcsakura.exe started by kccaller.exe with the same caller's line, once with the
# condition dialog filled and confirmed by kcuser.exe (who presses 実行 as soon as the dialog is
# up, answers the boxes and presses OK on the completion notice), once with --ui batch. Each time
# is the caller's, from its start to its exit, as kcuser.exe measures it (--no-user for batch).
# usage: windows.sh WIN_BUILD [SIZES...]   (default: sample 10000 100000; sample = the sample books)
#   BENCH_RUNS      runs of each kind per size (default 3); the table shows the median
#   KC_BENCH_DIR    where the books and files go (default $TMPDIR/kc-bench-windows)
# Beside the times, the share of each run the progress window stood at its end (集計中 100％ or
# the bar full) until it closed: the script sets KC_PROGRESS_TRACE, a test-only variable by which
# the program writes down, as it goes, what its progress window (the real one in the dialog run,
# the console's in batch) was told, with the run's milliseconds (host/ProgressTrace.h).
# Every export is of the whole fiscal year with the general ledger. The script runs its own X
# server and its own Wine prefix (WIN_BUILD/bench-wineprefix), so it disturbs no test run.
set -eu
build=$(cd "${1:?usage: windows.sh WIN_BUILD [SIZES...]}" && pwd)
shift
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(sample 10000 100000)
runs=${BENCH_RUNS:-3}
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../tests/lib/wine.sh"
work=${KC_BENCH_DIR:-${TMPDIR:-/tmp}/kc-bench-windows}
dist=$build/dist
kcuser=$build/tests/host/win32/kcuser.exe
for needed in "$dist/kccaller.exe" "$dist/kcbooks.exe" "$dist/kcsakura/kcsakura.exe" "$kcuser"; do
  [ -f "$needed" ] || { echo "windows.sh: $needed is missing: make windows-build first" >&2; exit 2; }
done
mkdir -p "$work"

export WINEPREFIX=$build/bench-wineprefix WINEDEBUG=-all LC_ALL=ja_JP.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
export XDG_RUNTIME_DIR=$work
wine() { /usr/lib/wine/wine64 "$@"; }

xvfb_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

start_display 160 windows.sh

# The prefix is made first (that restarts the server), then one server serves every run. The
# windows go on one virtual desktop: on a bare X server Wine takes seconds to show each window.
wine wineboot -i >/dev/null 2>&1
wineserver -w
wineserver -p >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
  /v 'ＭＳ Ｐゴシック' /t REG_SZ /d IPAPGothic /f >/dev/null 2>&1
# The desktop is taken when the first program starts it, and `reg add` is such a program: the
# server starts again, so that the desktop the runs get is the virtual one.
wineserver -k >/dev/null 2>&1
wineserver -w
wineserver -p >/dev/null 2>&1
wine reg query 'HKCU\Software\Wine\Explorer' >/dev/null 2>&1

# store SIZE: the books of that size, made once and kept in $work; prints "STORE USER".
store() {
  local size=$1
  if [ "$size" = sample ]; then
    [ -f "$work/sample.books" ] ||
      wine "$(winpath "$dist/kcbooks.exe")" import "$(winpath "$here/../examples/sample-books")" \
        "$(winpath "$work/sample.books")" >/dev/null
    echo "$work/sample.books yamada"
  else
    if [ ! -f "$work/$size.books" ]; then
      wine "$(winpath "$dist/kcbooks.exe")" generate "$(winpath "$work/books-$size")" --entries "$size" >/dev/null
      wine "$(winpath "$dist/kcbooks.exe")" import "$(winpath "$work/books-$size")" \
        "$(winpath "$work/$size.books")" >/dev/null
      rm -rf "$work/books-$size"
    fi
    echo "$work/$size.books gen"
  fi
}

# export_run KIND STORE USER OUT: one export, the dialog's (gui) or the batch's; leaves kcuser's
# summary line in $work/summary and fails when the export did not end as it should.
export_run() {
  local kind=$1 books=$2 user=$3 out=$4 settings=$work/settings-$1
  rm -rf "$out" "$settings" "$work/trace"
  export KC_PROGRESS_TRACE
  KC_PROGRESS_TRACE=$(winpath "$work/trace")
  local caller=("$(winpath "$dist/kccaller.exe")" --message 1025 --wparam 7 --
                "$(winpath "$dist/kcsakura/kcsakura.exe")" --books "$(winpath "$books")" --user "$user"
                --settings-folder "$(winpath "$settings")" --output-folder "$(winpath "$work")")
  local rc=0
  if [ "$kind" = gui ]; then
    wine "$(winpath "$kcuser")" --start-month 4 --end-month 3 --ledger --path "$(winpath "$out")" \
      --run-timeout 7200 -- "${caller[@]}" >"$work/run.out" 2>"$work/run.err" || rc=$?
  else
    wine "$(winpath "$kcuser")" --no-user --run-timeout 7200 -- "${caller[@]}" --ui batch \
      --start-month 4 --end-month 3 --ledger --out "$(winpath "$out")" --yes \
      >"$work/run.out" 2>"$work/run.err" || rc=$?
  fi
  sed -n 's/^kcuser: [0-9.]* summary //p' "$work/run.out" >"$work/summary"
  grep -q '^POST 1025 7 0$' "$work/run.out" && [ -f "$out" ] && return 0
  echo "windows.sh: the $kind export failed (exit $rc):" >&2
  cat "$work/run.out" "$work/run.err" >&2
  return 1
}

# shellcheck source=bench/timing.sh
source "$here/timing.sh"

field() { sed -n "s/.*\\b$1=\\([^ ]*\\).*/\\1/p" "$work/summary"; }

# at_end_share: the share (per cent) of the last run (its trace is Windows text: CRLF lines), from the caller's start to its exit, for
# which its progress window stood at its end: from the first caption of 100 per cent or the first
# position at the bar's end, whichever came first, to the window's closing.
at_end_share() {
  LC_ALL=C awk -v elapsed="$(field elapsed)" '
    { sub(/\r$/, "") }
    $2 == "range" { high = $4 + 0 }
    $2 == "position" && full == "" && high != "" && $3 + 0 >= high { full = $1 }
    $2 == "caption" && full == "" { p = $0; sub(/^[0-9]+ caption [^0-9]*/, "", p); if (p + 0 == 100) full = $1 }
    $2 == "close" && closed == "" { closed = $1 }
    END {
      if (closed == "" || elapsed <= 0) { print "n/a"; exit }
      at_end = full == "" ? 0 : closed - full
      printf "%.0f", 100 * at_end / (elapsed * 1000)
    }' "$work/trace"
}

# Wine's first start in a prefix takes seconds: an export before the timed ones.
read -r warm_store warm_user <<<"$(store sample)"
export_run batch "$warm_store" "$warm_user" "$work/warm.xml" >/dev/null
rm -f "$work/warm.xml"

echo "kcsakura.exe under Wine $(wine --version 2>/dev/null | sed 's/^wine-//'), whole fiscal year with the general ledger, through kccaller.exe; $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "seconds from kccaller.exe's start to its exit, median of $runs runs of each, batch and dialog runs alternating"
echo
echo "at 100 %: the median share of the run for which the progress window read 100 % (bar full)"
echo
printf '| %-8s | %-6s | %-7s | %-9s | %-10s | %-16s | %-15s | %-9s | %-14s | %-15s |\n' \
  books "XML MB" "batch s" "dialog s" "difference" "WM_NULL answered" "slowest answer" identical \
  "batch at 100 %" "dialog at 100 %"
printf '|%s|\n' "----------|-------:|--------:|----------:|-----------:|-----------------:|----------------:|-----------|---------------:|----------------:"
goal=met
progress_goal=met
for size in "${sizes[@]}"; do
  read -r books user <<<"$(store "$size")"
  batch_times=() gui_times=() batch_shares=() gui_shares=()
  pings=0 unanswered=0 slowest=0 identical=yes
  for ((run = 1; run <= runs; run++)); do
    export_run batch "$books" "$user" "$work/batch.xml"
    batch_times+=("$(field elapsed)")
    batch_shares+=("$(at_end_share)")
    cp "$work/trace" "$work/trace-batch-$size-$run"
    export_run gui "$books" "$user" "$work/gui.xml"
    gui_times+=("$(field elapsed)")
    gui_shares+=("$(at_end_share)")
    cp "$work/trace" "$work/trace-gui-$size-$run"
    pings=$((pings + $(field pings)))
    unanswered=$((unanswered + $(field unanswered)))
    slowest=$(( $(field slowest_ms) > slowest ? $(field slowest_ms) : slowest ))
    cmp -s "$work/batch.xml" "$work/gui.xml" || identical=no
  done
  mb=$(awk -v b="$(stat -c %s "$work/gui.xml")" 'BEGIN { printf "%.1f", b / 1e6 }')
  batch_s=$(median "${batch_times[@]}")
  gui_s=$(median "${gui_times[@]}")
  difference=$(awk -v g="$gui_s" -v b="$batch_s" 'BEGIN { printf "%+.2f", g - b }')
  awk -v d="$difference" 'BEGIN { exit !(d > 1) }' && goal="not met"
  label=$size
  [ "$size" = sample ] || label=$(awk -v n="$size" 'BEGIN { printf "%gk", n / 1000 }')
  batch_share=$(median "${batch_shares[@]}")
  gui_share=$(median "${gui_shares[@]}")
  # Small books end within a few frames of the bar's end: the goal is the big ones'.
  if [ "$size" != sample ] && [ "$size" -ge 100000 ]; then
    awk -v b="$batch_share" -v g="$gui_share" 'BEGIN { exit !(b >= 10 || g >= 10) }' &&
      progress_goal="not met"
  fi
  printf '| %-8s | %6s | %7.2f | %9.2f | %10s | %16s | %12s ms | %-9s | %12s %% | %13s %% |\n' \
    "$label" "$mb" "$batch_s" "$gui_s" "$difference" "$((pings - unanswered)) of $pings" \
    "$slowest" "$identical" "$batch_share" "$gui_share"
  rm -f "$work/batch.xml" "$work/gui.xml"
done
echo
echo "goal (dialog ≤ batch + 1 s at every size): $goal"
echo "goal (at 100 % for under 10 % of the run from 100k entries up): $progress_goal"
