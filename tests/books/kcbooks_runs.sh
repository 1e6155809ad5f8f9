#!/usr/bin/env bash
# kcbooks runs against other runs, signals and a file-size limit: real processes of this host.
# Each run writes its files as temporaries of its own and says what became of them: two converts
# into one folder never share one, a signal removes the run's temporaries and lock files and the
# run says which files stay as they were, a write over the limit names the user's path.
# usage: kcbooks_runs.sh KCBOOKS WORK_DIR
set -u
kcbooks=$(realpath "$1")
work=$2
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# What stands in the work folder, the runs' own output aside: a run that ends leaves what it
# wrote and nothing else (no temporary, no lock file), whatever it names them.
listing() { ls -A | grep -v -e '\.out$' -e '\.err$' | sort; }
# left WHAT BEFORE [NEW...]: the folder holds what it held before and the names given, no more.
left() {
  local what=$1 before=$2 now
  shift 2
  now=$(listing)
  [ "$now" = "$(printf '%s\n' "$before" "$@" | grep -v '^$' | sort)" ] ||
    fail "$what: left $(comm -13 <(echo "$before") <(echo "$now") | tr '\n' ' ')"
}
# Waits until a run began writing here (a name appeared other than a lock file's), and stops the
# run there.
writing() { [ "$(listing | grep -v -e '\.kclock$' -e '\.lock$')" != "$1" ]; }
stop_when_writing() {
  local run=$1 what=$2 before=$3
  for _ in $(seq 1 6000); do writing "$before" && break; sleep 0.01; done
  kill -STOP "$run" 2>/dev/null
  writing "$before" || fail "$what: the run never began writing"
}

"$kcbooks" generate big --entries 100000 --seed 5 >/dev/null || exit 1
"$kcbooks" import big big.books >/dev/null || exit 1
"$kcbooks" export-journal big.books -o big.csv --openings big-openings.csv >/dev/null || exit 1
printf 'previous' >kept.csv
cp big.books kept.books
convert=(--openings big-openings.csv --chart big/accounts.csv)

# Two converts into one folder: the second, started while the first writes, is refused after a
# short wait and touches nothing; the first writes its own company's books.
before=$(listing)
"$kcbooks" convert big.csv "${convert[@]}" --company first -o shared >first.out 2>&1 &
first=$!
stop_when_writing "$first" "two converts" "$before"
"$kcbooks" convert big.csv "${convert[@]}" --company second -o shared >second.out 2>&1
second_rc=$?
kill -CONT "$first"
wait "$first"
first_rc=$?
[ "$second_rc" = 1 ] &&
  grep -q "kcbooks: convert refused: shared: another convert into this folder is still running; nothing was written" second.out ||
  fail "two converts: the second exited $second_rc: $(cat second.out)"
[ "$first_rc" = 0 ] || fail "two converts: the first exited $first_rc: $(tail -3 first.out)"
grep -q "^BOOKS,1,first," shared/company.csv || fail "two converts: shared holds $(cat shared/company.csv)"
left "two converts" "$before" shared

# A signal while a run writes: its temporaries and lock files go, its targets stay as they were,
# one line says so, and the run fails. SIGINT needs job control: a background job of a script
# otherwise starts with SIGINT ignored, and a signal ignored from the start stays ignored.
# interrupted WHAT SIGNAL EXPECTED-LINE KCBOOKS-ARGUMENTS...
interrupted() {
  local what=$1 signal=$2 expected=$3 run rc before
  shift 3
  before=$(listing)
  [ "$signal" = INT ] && set -m
  "$kcbooks" "$@" >/dev/null 2>interrupted.err &
  run=$!
  set +m
  stop_when_writing "$run" "$what" "$before"
  kill "-$signal" "$run"
  kill -CONT "$run"
  wait "$run"
  rc=$?
  [ "$rc" = 1 ] || fail "$what, $signal: exit $rc"
  [ "$(cat interrupted.err)" = "$expected" ] || fail "$what, $signal: said $(cat interrupted.err)"
  left "$what, $signal" "$before"
}
interrupted "convert" TERM "kcbooks: convert interrupted; converted stays as it was" \
  convert big.csv "${convert[@]}" --company c -o converted
interrupted "one-step import" INT "kcbooks: import interrupted; kept.books stays as it was" \
  import --from interchange big.csv kept.books "${convert[@]}" --company c
interrupted "import" HUP "kcbooks: import interrupted; kept.books stays as it was" \
  import big kept.books
cmp -s kept.books big.books || fail "interrupted imports: the store changed"
interrupted "export-journal" TERM \
  "kcbooks: export-journal interrupted; kept.csv stays as it was, openings.csv stays as it was" \
  export-journal big.books -o kept.csv --openings openings.csv
[ "$(cat kept.csv)" = previous ] || fail "export-journal, TERM: kept.csv changed"
interrupted "generate" INT "kcbooks: generate interrupted; generated stays as it was" \
  generate generated --entries 100000

# A write over the file-size limit (as a full disk) fails the run with the reason, naming the
# path the user gave, and leaves nothing.
too_large="the file would be larger than the system or a file-size limit allows"
before=$(listing)
(ulimit -f 2000; exec "$kcbooks" convert big.csv "${convert[@]}" --company c -o limited) \
  >/dev/null 2>limited.err
rc=$?
[ "$rc" = 1 ] && [ "$(cat limited.err)" = "kcbooks: convert failed: limited/journal.csv: $too_large" ] ||
  fail "convert over the size limit: exit $rc: $(cat limited.err)"
(ulimit -f 2000; exec "$kcbooks" import --from interchange big.csv kept.books "${convert[@]}" --company c) \
  >/dev/null 2>limited.err
rc=$?
[ "$rc" = 1 ] && [ "$(cat limited.err)" = "kcbooks: import failed: kept.books: $too_large" ] ||
  fail "one-step import over the size limit: exit $rc: $(cat limited.err)"
cmp -s kept.books big.books || fail "one-step import over the size limit: the store changed"
left "over the size limit" "$before"

[ "$failures" = 0 ] || exit 1
echo "kcbooks runs: all cases hold"
