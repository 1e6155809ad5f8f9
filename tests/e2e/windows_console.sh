#!/usr/bin/env bash
# What a Windows user reads in a console (code page 932): kcbooks' lines and the edition's batch
# messages are characters there, not UTF-8 bytes shown as garbage; redirected to a file, the same
# programs write UTF-8 bytes, as on POSIX.
# usage: windows_console.sh WIN_DIST SAMPLE_BOOKS WORK_DIR WINE_RUN CONSOLE_SHOWS_EXE
set -u
[ $# -eq 5 ] || { echo "usage: windows_console.sh WIN_DIST SAMPLE_BOOKS WORK_DIR WINE_RUN CONSOLE_SHOWS_EXE" >&2; exit 2; }
dist=$(realpath -m "$1")
books=$(realpath -m "$2")
work=$(realpath -m "$3")
winerun=$(realpath -m "$4")
shows=$(realpath -m "$5")
rm -rf "$work"
mkdir -p "$work/alone"
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
win() { printf 'Z:%s' "$1" | tr '/' '\134'; }

# kcbooks in a console: the chart's Japanese names as characters.
"$winerun" "$dist/kcbooks.exe" import "$(win "$books")" "$(win "$work/s.books")" >"$work/import.txt" 2>&1 ||
  fail "import: $(cat "$work/import.txt")"
"$winerun" "$shows" "$(win "$dist/kcbooks.exe")" show "$(win "$work/s.books")" >"$work/show-console.txt" 2>&1 ||
  fail "show in a console: $(head -3 "$work/show-console.txt")"
grep -q "減価償却累計額" "$work/show-console.txt" || fail "show in a console: no 減価償却累計額 on the screen"
# Redirected: UTF-8 bytes.
"$winerun" "$dist/kcbooks.exe" show "$(win "$work/s.books")" >"$work/show-file.txt" 2>&1 ||
  fail "show to a file"
iconv -f UTF-8 -t UTF-8 "$work/show-file.txt" >/dev/null 2>&1 || fail "show to a file: not UTF-8"
grep -q "減価償却累計額" "$work/show-file.txt" || fail "show to a file: no 減価償却累計額"

# The edition copied alone out of its folder, in batch: its message box as console lines.
cp "$dist/kcsakura/kcsakura.exe" "$work/alone/"
"$winerun" "$shows" "$(win "$work/alone/kcsakura.exe")" --ui batch >"$work/alone-console.txt" 2>&1
status=$?
[ "$status" = 2 ] || fail "the edition alone: status $status, not 2"
for shown in "動作環境が不正です。" "法人税申告ソフト" "ZezavareDef.ini"; do
  grep -q "$shown" "$work/alone-console.txt" || fail "the edition alone: no $shown on the screen"
done

if [ "$failures" -gt 0 ]; then
  echo "--- console:"; cat "$work/show-console.txt" "$work/alone-console.txt" | head -30
  exit 1
fi
echo "console text: kcbooks and the edition as characters, UTF-8 when redirected"
