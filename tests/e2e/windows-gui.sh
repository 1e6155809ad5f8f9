#!/usr/bin/env bash
# The Windows program as its user sees it: started by kccaller.exe with a caller's line, the real
# condition dialog filled by control ID and confirmed with 実行 by kcuser.exe, the message boxes
# answered, the progress window read back at the completion notice and probed with WM_NULL all
# along. Each file must equal, byte for byte, the batch export's of the same program with the same
# caller's line, months and ledger; the caller must get the same posted result; the progress
# window must end at 10000 captioned 集計中 100％; and it must answer every WM_NULL.
# usage: windows-gui.sh WIN_DIST KCUSER SAMPLE_BOOKS WORK_DIR WINE_RUN [WINEPREFIX]
#   WIN_DIST     the Windows build's dist folder (kccaller.exe, kcbooks.exe, kcsakura/)
#   KCUSER       kcuser.exe of the same build
#   WINE_RUN     the build's script that runs a Windows program under Wine
#   WINEPREFIX   when given, its wineserver is started persistent first
# KC_E2E_SKIP_100K=1 leaves out the 100k-entry books (generated and imported once per run).
# The windows need a display: DISPLAY (e.g. an Xvfb server) and nothing else on it.
set -u
. "$(cd "$(dirname "$0")" && pwd)/../lib/wine.sh"
if [ $# -lt 5 ]; then
  echo "usage: windows-gui.sh WIN_DIST KCUSER SAMPLE_BOOKS WORK_DIR WINE_RUN [WINEPREFIX]" >&2
  exit 2
fi
win=$(realpath -m "$1")
kcuser=$(realpath -m "$2")
sample=$(realpath -m "$3")
work=$(realpath -m "$4")
winerun=$(realpath -m "$5")
if [ -z "${DISPLAY:-}" ]; then
  echo "windows-gui.sh: the dialogs need a display: set DISPLAY (e.g. Xvfb :99)" >&2
  exit 2
fi
for program in "$win/kccaller.exe" "$win/kcbooks.exe" "$win/kcsakura/kcsakura.exe" "$kcuser"; do
  [ -f "$program" ] || { echo "windows-gui.sh: $program is missing: build it first" >&2; exit 2; }
done
if [ $# -ge 6 ]; then WINEPREFIX=$6 wineserver -p >/dev/null 2>&1; fi

rm -rf "$work"
mkdir -p "$work"
export XDG_RUNTIME_DIR="$work"
failures=0
started=$SECONDS

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The run of one export, by both ways: the caller's window, the edition and the host options
# are the same; only the conditions reach the program otherwise (batch options, or the dialog).
# export_both NAME STORE USER LEDGER_OPTION [--existing]
#   --existing: the GUI's target is there before the run, so the overwrite question comes up.
export_both() {
  local name=$1 store=$2 user=$3 ledger=$4 existing=${5:-}
  local dir="$work/$name" batch gui
  mkdir -p "$dir/out"
  batch="$dir/out/batch.xml"
  gui="$dir/out/gui.xml"
  [ -z "$existing" ] || echo "an earlier file" >"$gui"
  local host=(--books "$(winpath "$store")" --user "$user"
              --output-folder "$(winpath "$dir/out")")
  # kcuser.exe starts the caller itself: the dialog's process must descend from its own.
  local caller=("$(winpath "$win/kccaller.exe")" --message 1025 --wparam 7 --
                "$(winpath "$win/kcsakura/kcsakura.exe")")

  "$winerun" "${caller[@]}" "${host[@]}" --settings-folder "$(winpath "$dir/batch.settings")" --ui batch \
    --start-month 4 --end-month 3 "$ledger" --out "$(winpath "$batch")" --yes \
    >"$dir/batch.out" 2>"$dir/batch.err"
  local batch_rc=$?
  [ "$batch_rc" = 0 ] || { fail "$name: the batch export ended $batch_rc"; cat "$dir/batch.err"; }

  "$winerun" "$(winpath "$kcuser")" --start-month 4 --end-month 3 "$ledger" \
    --path "$(winpath "$gui")" --dialog-timeout 120 --run-timeout "${KC_E2E_RUN_TIMEOUT:-600}" -- \
    "${caller[@]}" "${host[@]}" --settings-folder "$(winpath "$dir/gui.settings")" \
    >"$dir/gui.out" 2>"$dir/gui.err"
  local gui_rc=$?
  local said
  said=$(sed -n 's/^kcuser: [0-9.]* //p' "$dir/gui.out")
  if [ "$gui_rc" != 0 ]; then
    fail "$name: the run with the dialog ended $gui_rc"
    cat "$dir/gui.out" "$dir/gui.err"
  fi

  # What the caller's window got: the same posted result, then the same exit.
  local posted_batch posted_gui
  posted_batch=$(grep -E '^(POST|EXIT) ' "$dir/batch.out")
  posted_gui=$(grep -E '^(POST|EXIT) ' "$dir/gui.out")
  [ "$posted_batch" = "$(printf 'POST 1025 7 0\nEXIT 0')" ] ||
    fail "$name: the batch caller got: $posted_batch"
  [ "$posted_gui" = "$posted_batch" ] ||
    fail "$name: the caller got '$posted_gui' with the dialog, '$posted_batch' in batch"

  if ! [ -f "$gui" ] || ! cmp "$gui" "$batch"; then fail "$name: the file differs from the batch export's"; fi

  grep -qx 'progress position=10000 caption=集計中 100％' <<<"$said" ||
    fail "$name: the progress window did not end at 10000, 集計中 100％: $(grep '^progress' <<<"$said")"
  # The caller's window stays disabled to the end of the run: enabled again only once the
  # completion notice has been read, not when the condition dialog closes.
  local readback enabled
  readback=$(grep -n '^kcuser: [0-9.]* progress ' "$dir/gui.out" | head -1 | cut -d: -f1)
  enabled=$(grep -n '^ENABLE 1$' "$dir/gui.out" | head -1 | cut -d: -f1)
  if [ -z "$readback" ] || [ -z "$enabled" ] || [ "$enabled" -lt "$readback" ]; then
    fail "$name: the caller's window was enabled again before the run ended"
  fi
  local summary
  summary=$(grep '^summary ' <<<"$said")
  if ! grep -q ' unanswered=0 ' <<<"$summary" || ! grep -q ' hung=0$' <<<"$summary"; then
    fail "$name: the progress window did not answer every WM_NULL: $summary"
  fi
  grep -q ' pings=[1-9]' <<<"$summary" || fail "$name: the progress window was not probed: $summary"
  local asked=no
  grep -qx 'box 同名のファイルが存在します。\\n\\n上書きしてもよろしいですか？' <<<"$said" && asked=yes
  [ "$asked" = "$([ -n "$existing" ] && echo yes || echo no)" ] ||
    fail "$name: the overwrite question came up: $asked"
  echo "$name: $summary"
}

# --- the sample books: without the ledger into a new file, with it over an earlier file.

"$winerun" "$(winpath "$win/kcbooks.exe")" import "$(winpath "$sample")" "$(winpath "$work/sample.books")" \
  >/dev/null 2>"$work/import.err" || { fail "kcbooks.exe import of the sample"; cat "$work/import.err"; }
export_both sample "$work/sample.books" yamada --no-ledger
export_both sample-ledger "$work/sample.books" yamada --ledger --existing

# --- generated books of 100k entries, with the ledger.

if [ "${KC_E2E_SKIP_100K:-0}" = 1 ]; then
  echo "100k: skipped (KC_E2E_SKIP_100K=1)"
else
  "$winerun" "$(winpath "$win/kcbooks.exe")" generate "$(winpath "$work/books-100k")" --entries 100000 \
    >/dev/null 2>"$work/generate.err" || { fail "kcbooks.exe generate"; cat "$work/generate.err"; }
  "$winerun" "$(winpath "$win/kcbooks.exe")" import "$(winpath "$work/books-100k")" \
    "$(winpath "$work/100k.books")" >/dev/null 2>"$work/import.err" ||
    { fail "kcbooks.exe import of 100k entries"; cat "$work/import.err"; }
  rm -rf "$work/books-100k"
  before=$failures
  export_both 100k-ledger "$work/100k.books" gen --ledger
  # Two files of some 120 MB each: kept only when they tell something.
  [ "$failures" != "$before" ] || rm -f "$work/100k-ledger/out/"*.xml
fi

echo "windows with the dialog, end to end: $((SECONDS - started)) s"
[ $failures = 0 ] && echo "all cases passed"
exit $failures
