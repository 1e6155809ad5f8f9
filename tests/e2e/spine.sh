#!/usr/bin/env bash
# The real executables started through kccaller: what reaches the caller's window, in order.
# usage: spine.sh BUILD_DIR SAMPLE_BOOKS WORK_DIR
set -u
build=$1
sample=$2
work=$3
rm -rf "$work"
mkdir -p "$work"
export XDG_RUNTIME_DIR="$work"
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# expect NAME EXPECTED_EXIT EXPECTED_OUTPUT -- COMMAND...
expect() {
  local name=$1 code=$2 output=$3
  shift 4
  local out rc
  out=$("$@" 2>"$work/stderr")
  rc=$?
  if [ "$rc" != "$code" ]; then fail "$name: exit $rc, expected $code"; cat "$work/stderr"; fi
  if [ "$out" != "$output" ]; then
    fail "$name: got"
    printf '%s\n' "$out"
    echo "expected"
    printf '%s\n' "$output"
  fi
}

"$build/kcbooks" import "$sample" "$work/sample.books" >/dev/null || fail "import"
books=(--books "$work/sample.books" --user yamada --ui batch --yes --out "$work/out/report.xml"
       --settings-folder "$work/settings" --output-folder "$work")

completed=$'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST 1025 7 0\nENABLE 1\nEXIT 0'
# Each edition reads the SUPPORT.INF of its own folder.
declare -A product=([kcsakura]="記帳丸２２ さくら版" [kcqb7]="QB7" [kcneo]="記帳丸２２ NEO" [kcstd]="記帳丸２２")
for edition in kcsakura kcqb7 kcneo kcstd; do
  expect "$edition completes" 0 "$completed" -- \
    "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- "$build/$edition/$edition" "${books[@]}"
  iconv -f CP932 -t UTF-8 "$work/out/report.xml" | grep -q "<PROGRAMNAME>${product[$edition]}</PROGRAMNAME>" ||
    fail "$edition: the product name of its own SUPPORT.INF is not in the file"
done

expect "wParam low 16 bits" 0 $'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST 1025 4464 0\nENABLE 1\nEXIT 0' -- \
  "$build/kccaller" --window 4242 --message 1025 --wparam 70000 -- "$build/kcsakura/kcsakura" "${books[@]}"
expect "wParam sign-extended" 0 $'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST 1025 -25536 0\nENABLE 1\nEXIT 0' -- \
  "$build/kccaller" --window 4242 --message 1025 --wparam 40000 -- "$build/kcsakura/kcsakura" "${books[@]}"

# A store named relative to where the program was started, not to the program's folder.
(cd "$work" && expect "relative store path" 0 "$completed" -- \
  "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" --books sample.books --user yamada \
  --ui batch --yes --out out/relative.xml --settings-folder settings) || failures=$((failures + 1))
[ -f "$work/out/relative.xml" ] || fail "relative --out: no file"

expect "two fields: not a caller's line" 3 "EXIT 0" -- \
  "$build/kccaller" --window 4242 --line "4242,1025" -- "$build/kcsakura/kcsakura" "${books[@]}"

expect "declined login" 1 $'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST 1025 7 1\nENABLE 1\nEXIT 1' -- \
  "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" --books "$work/sample.books" --ui batch --no

expect "missing store" 2 $'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST 1025 7 2\nENABLE 1\nEXIT 2' -- \
  "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" --books "$work/none.books" --ui batch
grep -q "会計データを開けません" "$work/stderr" || fail "missing store: no message"

printf 'not a store at all' > "$work/garbage.books"
expect "not a store" 2 $'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST 1025 7 2\nENABLE 1\nEXIT 2' -- \
  "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" --books "$work/garbage.books" --ui batch
grep -q "会計データとして読み込めません" "$work/stderr" || fail "not a store: no message"

# A FIFO in place of the store is refused at once instead of waiting for a writer.
mkfifo "$work/fifo.books"
expect "store is a FIFO" 2 $'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST 1025 7 2\nENABLE 1\nEXIT 2' -- \
  timeout 20 "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" --books "$work/fifo.books" --ui batch
grep -q "会計データを開けません" "$work/stderr" || fail "store is a FIFO: no message"

# Stores damaged by another program (the sqlite3 shell, where it is installed).
if command -v sqlite3 >/dev/null; then
  cp "$work/sample.books" "$work/nousers.books" && sqlite3 "$work/nousers.books" "DELETE FROM users"
  expect "store without users" 2 $'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST 1025 7 2\nENABLE 1\nEXIT 2' -- \
    "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" --books "$work/nousers.books" --ui batch
  grep -q "会計データに利用者が登録されていません" "$work/stderr" || fail "store without users: no message"
  cp "$work/sample.books" "$work/nonotes.books" && sqlite3 "$work/nonotes.books" "DROP TABLE notes"
  expect "store without notes table" 2 $'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST 1025 7 2\nENABLE 1\nEXIT 2' -- \
    "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" --books "$work/nonotes.books" \
    --user yamada --ui batch --yes --out "$work/out/nonotes.xml" --settings-folder "$work/settings"
  grep -q "nonotes.books" "$work/stderr" || fail "store without notes table: the message does not name the file"
  [ ! -e "$work/out/nonotes.xml" ] || fail "store without notes table: a file was written"
else
  echo "sqlite3 shell not installed: the damaged-store cases are left out"
fi

# The definition file is read beside the program, wherever it is started from.
mkdir -p "$work/old" "$work/bare"
cp "$build/kcsakura/kcsakura" "$work/old/" && cp "$build/kcsakura/kcsakura" "$work/bare/"
printf '[ProgramLevel]\r\nHJ21=2\r\n' > "$work/old/ZezavareDef.ini"
expect "older tax application" 2 $'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST 1025 7 2\nENABLE 1\nEXIT 2' -- \
  "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- "$work/old/kcsakura" "${books[@]}"
grep -q "ES_APRPACKAGENAMEの最新版を入手して" "$work/stderr" || fail "older: no message"
expect "no definition file" 2 $'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST 1025 7 2\nENABLE 1\nEXIT 2' -- \
  "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- "$work/bare/kcsakura" "${books[@]}"
grep -q "動作環境が不正です" "$work/stderr" || fail "no definition file: no message"

# A caller's line too long for its buffer is not taken: the program runs on its own.
long=$(printf 'a%.0s' $(seq 1 300))
expect "long line" 3 "EXIT 0" -- "$build/kccaller" --window 4242 --path "Z:\\tmp\\$long.xml" -- "$build/kcsakura/kcsakura" "${books[@]}"

# Host options that are not understood end the run with a message.
"$build/kcsakura/kcsakura" --data x >/dev/null 2>"$work/stderr"
[ $? = 2 ] && grep -q "not a number" "$work/stderr" || fail "bad option"

# The sample's whole fiscal year, byte for byte as the expected document (checked by hand).
expected=$(dirname "$0")/expected/sample.xml
"$build/kccaller" --window 4242 --message 1025 --wparam 3 -- "$build/kcsakura/kcsakura" --books "$work/sample.books" \
  --user yamada --ui batch --start-month 4 --end-month 3 --no-ledger --out "$work/sample.xml" --yes \
  --settings-folder "$work/sample-settings" >"$work/sample.log" 2>&1 || fail "sample export: $(cat "$work/sample.log")"
cmp "$work/sample.xml" "$expected" || fail "the sample document differs from $expected"
xmllint --noout "$work/sample.xml" || fail "the sample document is not well-formed"

[ $failures = 0 ] && echo "all spine cases passed"
exit $failures
