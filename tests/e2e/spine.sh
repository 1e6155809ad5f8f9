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
grep -q "法人税申告ソフトの最新版を入手して" "$work/stderr" || fail "older: no message"
expect "no definition file" 2 $'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST 1025 7 2\nENABLE 1\nEXIT 2' -- \
  "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- "$work/bare/kcsakura" "${books[@]}"
grep -q "動作環境が不正です" "$work/stderr" || fail "no definition file: no message"
grep -q "確認したファイル: .*bare.ZezavareDef.ini" "$work/stderr" || fail "no definition file: not named"

failed=$'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST 1025 7 2\nENABLE 1\nEXIT 2'
# The Windows form of a folder of this machine (Z: is /).
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
# Temporary files anywhere under the work folder but the ones a case planted itself.
leftovers() { find "$work" -name '*.kctmp' ! -name 'report.xml.kctmp' ! -name 'kcsakura.env.kctmp'; }

# Output paths: 255 bytes of Shift_JIS at most, never cut. A caller's path of 256 bytes is
# refused and the caller told; one of 255 bytes is written where it says, however long the line.
long=$(printf 'a%.0s' $(seq 1 300))
expect "caller's path too long" 2 "${failed//POST 1025 7/POST 1025 3}" -- \
  "$build/kccaller" --window 4242 --path "Z:\\tmp\\$long.xml" -- "$build/kcsakura/kcsakura" "${books[@]}"
grep -q "呼び出し元から指定された出力先が長すぎます" "$work/stderr" || fail "caller's path too long: no message"
mkdir -p "$work/long"
prefix="$(windows_path "$work/long")\\"
name=$(printf 'b%.0s' $(seq 1 $((255 - ${#prefix} - 4)))).xml
expect "caller's path of 255 bytes" 0 "$completed" -- \
  "$build/kccaller" --window 4242 --message 1025 --wparam 7 --path "$prefix$name" -- "$build/kcsakura/kcsakura" "${books[@]}"
[ -f "$work/long/$name" ] || fail "caller's path of 255 bytes: not written at that path"
[ "$(ls "$work/long" | wc -l)" = 1 ] || fail "caller's path of 255 bytes: other files: $(ls "$work/long")"
# --out of 256 bytes: the dialog refuses it (cancelled), nothing is written, nothing saved.
outlong="$work/long/c$name"
expect "--out too long" 1 $'ENABLE 0\nFOREGROUND\nENABLE 1\nPOST 1025 7 1\nENABLE 1\nEXIT 1' -- \
  "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" --books "$work/sample.books" \
  --user yamada --ui batch --no --out "$outlong" --settings-folder "$work/long-settings"
grep -q "データの出力先が長すぎます" "$work/stderr" || fail "--out too long: no message"
[ "$(ls "$work/long" | wc -l)" = 1 ] || fail "--out too long: a file was written: $(ls "$work/long")"
[ -e "$work/long-settings" ] && fail "--out too long: settings were saved"

# A folder option longer than the limit is not handed to the system, which would cut it.
deep="$work/deep/$(printf 'd%.0s' $(seq 1 150))/$(printf 'e%.0s' $(seq 1 150))"
expect "settings folder too long" 0 "$completed" -- "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- \
  "$build/kcsakura/kcsakura" --books "$work/sample.books" --user yamada --ui batch --yes \
  --out "$work/out/report.xml" --settings-folder "$deep"
grep -q -- "--settings-folder .*longer than 255 bytes" "$work/stderr" || fail "settings folder too long: no note"
[ -e "$work/deep" ] && fail "settings folder too long: settings were saved in $(find "$work/deep" -type f)"
# At the edge, counted in Shift_JIS with the folder's final backslash: 255 bytes, a double-byte
# character last, are used; a byte more is not.
sjis_bytes() { printf '%s' "$1" | iconv -f UTF-8 -t CP932 | wc -c; }
fill=$((255 - 1 - 2 - $(sjis_bytes "$(windows_path "$work/edge")\\")))
for extra in "" "f"; do
  folder="$work/edge/$(printf 'f%.0s' $(seq 1 "$fill"))${extra}あ"
  expect "settings folder of $((255 + ${#extra})) bytes" 0 "$completed" -- "$build/kccaller" --window 4242 \
    --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" --books "$work/sample.books" --user yamada \
    --ui batch --yes --out "$work/out/report.xml" --settings-folder "$folder"
  if [ -z "$extra" ]; then
    [ -f "$folder/kcsakura.env" ] || fail "settings folder of 255 bytes: not used"
  else
    grep -q -- "--settings-folder .*longer than 255 bytes" "$work/stderr" || fail "settings folder of 256 bytes: no note"
    [ -e "$folder" ] && fail "settings folder of 256 bytes: settings were saved there"
  fi
done

# Files the export writes: a new temporary of its own beside the target, never through a name
# that exists; a target that is not a plain file is refused before anything is written.
mkdir -p "$work/victim" "$work/out"
printf 'victim' > "$work/victim/file"
ln -sfn "$work/victim/file" "$work/out/report.xml.kctmp"
ln -sfn "$work/victim/file" "$work/settings/kcsakura.env.kctmp"
expect "names planted at the old temporary names" 0 "$completed" -- \
  "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" "${books[@]}"
[ -L "$work/out/report.xml.kctmp" ] && [ -L "$work/settings/kcsakura.env.kctmp" ] ||
  fail "a planted link was removed"
[ "$(cat "$work/victim/file")" = victim ] || fail "the file a planted link points to was written"
mkfifo "$work/out/pipe.xml"
ln -sfn /dev/full "$work/out/device.xml"
mkdir -p "$work/out/folder.xml"
for target in pipe.xml device.xml folder.xml; do
  expect "target $target" 2 "$failed" -- "$build/kccaller" --window 4242 --message 1025 --wparam 7 \
    --path "$(windows_path "$work/out/$target")" -- "$build/kcsakura/kcsakura" "${books[@]}"
  grep -q "出力先はファイルではありません" "$work/stderr" || fail "target $target: no message"
  grep -q "集計中" "$work/stderr" && fail "target $target: the books were read before the refusal"
done
[ -p "$work/out/pipe.xml" ] && [ -L "$work/out/device.xml" ] && [ -d "$work/out/folder.xml" ] ||
  fail "a target that is not a file was replaced"
expect "--out to a pipe" 2 "$failed" -- "$build/kccaller" --window 4242 --message 1025 --wparam 7 -- \
  "$build/kcsakura/kcsakura" --books "$work/sample.books" --user yamada --ui batch --yes \
  --out "$work/out/pipe.xml" --settings-folder "$work/settings"
[ -p "$work/out/pipe.xml" ] || fail "--out to a pipe: the pipe was replaced"
[ -z "$(leftovers)" ] || fail "temporary files left: $(leftovers)"

# The settings file is the run's own even before it exists: an output named as it, in a settings
# folder the run makes, is refused before anything is written, and nothing is saved after it.
expect "output at the settings file to be" 2 "$failed" -- "$build/kccaller" --window 4242 \
  --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" --books "$work/sample.books" --user yamada \
  --ui batch --yes --settings-folder "$work/st" --out "$work/st/kcsakura.env"
grep -q "出力先は決算書の設定ファイルです" "$work/stderr" || fail "output at the settings file to be: no message"
[ -e "$work/st/kcsakura.env" ] && fail "output at the settings file to be: written"

# Locks: a lock file stands beside the target while a run holds it, and is gone after. One that
# cannot be used has a message of its own, at once: never "another export", never a wait.
[ -z "$(find "$work/out" "$work/settings" -name '*.kclock')" ] ||
  fail "lock files left: $(find "$work/out" "$work/settings" -name '*.kclock')"
mkfifo "$work/out/.locked.xml.kclock"
ln -sfn "$work/victim/file" "$work/out/.linked.xml.kclock"
for target in locked.xml linked.xml; do
  expect "lock file of $target" 2 "$failed" -- timeout 60 "$build/kccaller" --window 4242 \
    --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" "${books[@]}" --out "$work/out/$target"
  grep -q "出力先のロックファイルを使用できません" "$work/stderr" || fail "lock file of $target: no message"
  grep -q ".$target.kclock" "$work/stderr" || fail "lock file of $target: not named"
  grep -q "別の決算書の出力が書き込んでいます" "$work/stderr" && fail "lock file of $target: taken for another export"
  grep -q "集計中" "$work/stderr" && fail "lock file of $target: the books were read before the refusal"
  [ -e "$work/out/$target" ] && fail "lock file of $target: written"
done
[ -p "$work/out/.locked.xml.kclock" ] && [ "$(cat "$work/victim/file")" = victim ] ||
  fail "a planted lock file was replaced or written through"
# The settings' lock file a pipe: the export completes without waiting; the settings are not saved.
mkdir -p "$work/pipe-settings"
mkfifo "$work/pipe-settings/.kcsakura.env.kclock"
expect "settings lock file a pipe" 0 "$completed" -- timeout 60 "$build/kccaller" --window 4242 \
  --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" --books "$work/sample.books" --user yamada \
  --ui batch --yes --settings-folder "$work/pipe-settings" --out "$work/out/pipe-settings.xml"
[ -f "$work/out/pipe-settings.xml" ] || fail "settings lock file a pipe: no file"
[ -e "$work/pipe-settings/kcsakura.env" ] && fail "settings lock file a pipe: settings saved"
rm -f "$work/out/.locked.xml.kclock" "$work/out/.linked.xml.kclock" "$work/out/pipe-settings.xml"

# The file and the settings are on the disk before their renames, and the renames after them
# (where strace is installed): each rename has a sync before it and the folder's after it.
if command -v strace >/dev/null; then
  # LeakSanitizer cannot run under a tracer: a sanitized build is traced without it.
  ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0 \
    strace -f -qq -o "$work/trace" -e trace=fsync,fdatasync,rename,renameat,renameat2 \
    "$build/kcsakura/kcsakura" "${books[@]}" --out "$work/out/synced.xml" >/dev/null 2>&1 ||
    fail "synced export: exit $?"
  syncs=$(sed -E 's/^[0-9]+ +//' "$work/trace" | grep -E '^(fsync|fdatasync|rename)' |
          awk '/^rename/ { if (last !~ /sync/) bad = 1; renames++; pending = 1; next }
               { if (pending) synced++; pending = 0; last = $0 }
               { last = $0 } END { print renames + 0, synced + 0, bad + 0 }')
  [ "$syncs" = "2 2 0" ] || fail "synced export: renames, folder syncs, unsynced renames: $syncs"
  rm -f "$work/out/synced.xml"
else
  echo "strace not installed: the sync order of the export is left out"
fi

# Interrupted runs. SIGTERM, SIGINT and SIGHUP end an export as a failed export ends: the
# temporary removed, the previous file as it was, the caller's window enabled and told, exit 2.
# An interrupted import leaves the store as it was. Big books, so that the runs take a while.
"$build/kcbooks" generate "$work/big" --entries 300000 >/dev/null || fail "generate big books"
"$build/kcbooks" import "$work/big" "$work/big.books" >/dev/null || fail "import big books"
mkdir -p "$work/interrupted"
# interrupt SIGNAL: once the temporary file exists, the export is stopped, sent SIGNAL and let go
# on, so that the signal arrives while it writes however fast the export is.
interrupt() {
  local signal=$1 target="$work/interrupted/report.xml" caller child="" rc i
  printf 'previous' > "$target"
  "$build/kccaller" --window 4343 --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" \
    --books "$work/big.books" --user gen --ui batch --yes --ledger --out "$target" \
    --settings-folder "$work/settings" >"$work/interrupted.out" 2>"$work/stderr" &
  caller=$!
  for i in $(seq 1 1200); do child=$(pgrep -P "$caller") && break; sleep 0.05; done
  for i in $(seq 1 6000); do compgen -G "$work/interrupted/*.kctmp" >/dev/null && break; sleep 0.01; done
  kill -STOP "$child" 2>/dev/null
  compgen -G "$work/interrupted/*.kctmp" >/dev/null || fail "$signal: the export never wrote"
  kill "-$signal" "$child"
  kill -CONT "$child"
  wait "$caller"
  rc=$?
  [ "$rc" = 2 ] || fail "$signal during an export: posted $rc, expected 2"
  [ "$(cat "$work/interrupted.out")" = "${failed//4242/4343}" ] ||
    fail "$signal during an export: the caller got $(cat "$work/interrupted.out")"
  grep -q "処理が中断されました" "$work/stderr" || fail "$signal during an export: no message"
  [ "$(cat "$target")" = previous ] || fail "$signal during an export: the previous file changed"
  [ "$(ls "$work/interrupted")" = report.xml ] ||
    fail "$signal during an export: left $(ls "$work/interrupted")"
}
interrupt TERM
# Job control on: a background job of a script otherwise starts with SIGINT ignored, and a
# signal ignored from the start stays ignored.
set -m
interrupt INT
set +m
interrupt HUP
# A second export to the target of an export under way is refused at its start; the first goes
# on and its file is the one at the target.
shared="$work/interrupted/shared.xml"
"$build/kcsakura/kcsakura" --books "$work/big.books" --user gen --ui batch --yes --out "$shared" \
  --settings-folder "$work/settings" >/dev/null 2>"$work/first.err" &
first=$!
# Stopped only once it holds the target's lock: the lock file appears before it is locked, and
# flock(1) on a held lock fails at once.
lockfile="$work/interrupted/.shared.xml.kclock"
held=
for i in $(seq 1 6000); do
  if [ -e "$lockfile" ]; then
    kill -STOP "$first" 2>/dev/null
    flock -n "$lockfile" true 2>/dev/null || { held=1; break; }
    kill -CONT "$first" 2>/dev/null
  fi
  sleep 0.01
done
[ -n "$held" ] || fail "first export to one target: never held the lock"
expect "second export to one target" 2 "${failed//4242/4343}" -- "$build/kccaller" --window 4343 \
  --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" --books "$work/sample.books" --user yamada \
  --ui batch --yes --out "$shared" --settings-folder "$work/settings"
grep -q "別の決算書の出力が書き込んでいます" "$work/stderr" || fail "second export to one target: no message"
kill -CONT "$first"
wait "$first" || fail "first export to one target: exit $?"
iconv -f CP932 -t UTF-8 "$shared" | grep -q "<KOMONSAKINAME>" || fail "first export to one target: no file"
rm -f "$shared"

# The export never writes over the books it reads, by their name or through a link, nor over a
# file marked read-only; each is refused before the books are read.
cp "$work/sample.books" "$work/sample.books.before"
ln -sf "$work/sample.books" "$work/out/books-link.xml"
printf 'previous' > "$work/out/read-only.xml"
chmod 444 "$work/out/read-only.xml"
for target in sample.books:会計データのファイルです out/books-link.xml:会計データのファイルです \
              out/read-only.xml:ファイルが読み取り専用になっています; do
  expect "--out ${target%%:*}" 2 "$failed" -- "$build/kccaller" --window 4242 --message 1025 \
    --wparam 7 -- "$build/kcsakura/kcsakura" --books "$work/sample.books" --user yamada --ui batch \
    --yes --out "$work/${target%%:*}" --settings-folder "$work/settings"
  grep -q "${target#*:}" "$work/stderr" || fail "--out ${target%%:*}: no reason"
done
cmp -s "$work/sample.books" "$work/sample.books.before" || fail "--out the books: the books changed"
[ "$(cat "$work/out/read-only.xml")" = previous ] || fail "--out a read-only file: it changed"
rm -f "$work/out/books-link.xml" "$work/out/read-only.xml" "$work/sample.books.before"

# A broken pipe and a file size limit are write failures: the run ends as a failed export ends.
# The messages go to a pipe whose reader is gone before the run starts: a reader that leaves
# after the first byte (head -c 1) may, on a busy machine, still be there when the export is done.
printf 'previous' > "$work/interrupted/report.xml"
perl -e 'pipe(my $r, my $w) or die; close $r; open(STDERR, ">&", $w) or die; exec @ARGV or die' -- \
  "$build/kccaller" --window 4343 --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" \
  --books "$work/big.books" --user gen --ui batch --yes --out "$work/interrupted/report.xml" \
  --settings-folder "$work/settings" >"$work/interrupted.out"
rc=$?
[ "$rc" = 2 ] || fail "broken pipe: posted $rc, expected 2"
[ "$(cat "$work/interrupted.out")" = "${failed//4242/4343}" ] || fail "broken pipe: the caller got $(cat "$work/interrupted.out")"
(ulimit -f 64; "$build/kccaller" --window 4343 --message 1025 --wparam 7 -- "$build/kcsakura/kcsakura" \
  --books "$work/big.books" --user gen --ui batch --yes --ledger --out "$work/interrupted/report.xml" \
  --settings-folder "$work/settings" >"$work/interrupted.out" 2>"$work/stderr")
rc=$?
[ "$rc" = 2 ] || fail "file size limit: posted $rc, expected 2"
grep -q "ファイルの大きさが上限を超えました" "$work/stderr" || fail "file size limit: no reason"
[ "$(cat "$work/interrupted/report.xml")" = previous ] || fail "pipe or size limit: the previous file changed"
[ "$(ls "$work/interrupted")" = report.xml ] || fail "pipe or size limit: left $(ls "$work/interrupted")"

cp "$work/sample.books" "$work/kept.books"
"$build/kcbooks" import "$work/big" "$work/kept.books" >/dev/null 2>"$work/stderr" &
importer=$!
partial() { compgen -G "$work/~kc*.kctmp" >/dev/null; }
for i in $(seq 1 6000); do partial && break; sleep 0.01; done
kill -STOP "$importer" 2>/dev/null
partial || fail "interrupted import: the store was never begun"
kill -TERM "$importer"
kill -CONT "$importer"
wait "$importer"
[ $? != 0 ] || fail "interrupted import: exit 0"
partial && fail "interrupted import: the partial store was left"
cmp -s "$work/kept.books" "$work/sample.books" || fail "interrupted import: the store changed"
[ -e "$work/.kept.books.kclock" ] && fail "interrupted import: the store's lock file was left"
grep -q "kcbooks: import interrupted; $work/kept.books stays as it was" "$work/stderr" ||
  fail "interrupted import: $(cat "$work/stderr")"

# One whole export as a user without rights on / (nobody): the drive check asks only whether
# the drive's root exists; a folder the user may not write gets its own message.
if [ "$(id -u)" = 0 ]; then
  # Everything nobody needs in a folder of its own under /tmp, wherever the build is.
  own=$(mktemp -d /tmp/kc-spine-nobody.XXXXXX)
  mkdir -p "$own/out" "$own/locked" "$own/dist"
  cp -r "$build/kcsakura" "$build/kccaller" "$own/dist/"
  cp "$work/sample.books" "$own/"
  chmod 755 "$own"
  chown -R nobody:nogroup "$own/out" "$own/sample.books"
  as_nobody=(env XDG_RUNTIME_DIR="$own/out" setpriv --reuid=nobody --regid=nogroup --clear-groups)
  nobody_books=(--books "$own/sample.books" --user yamada --ui batch --yes
                --settings-folder "$own/out/settings" --output-folder "$own/out")
  expect "export as nobody" 0 "$completed" -- "${as_nobody[@]}" "$own/dist/kccaller" --window 4242 \
    --message 1025 --wparam 7 -- "$own/dist/kcsakura/kcsakura" "${nobody_books[@]}" --out "$own/out/report.xml"
  xmllint --noout "$own/out/report.xml" || fail "export as nobody: no well-formed file"
  [ -f "$own/out/settings/kcsakura.env" ] || fail "export as nobody: settings not saved"
  expect "nobody into a folder of root's" 2 "$failed" -- "${as_nobody[@]}" "$own/dist/kccaller" --window 4242 \
    --message 1025 --wparam 7 -- "$own/dist/kcsakura/kcsakura" "${nobody_books[@]}" --out "$own/locked/report.xml"
  grep -q "出力先のフォルダにファイルを作成できません" "$work/stderr" || fail "nobody into root's folder: no message"
  [ -z "$(ls "$own/locked")" ] || fail "nobody into root's folder: left $(ls "$own/locked")"
  rm -rf "$own"
else
  echo "NOTE: not run as root: the export as an unprivileged user (nobody) is skipped"
fi

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
