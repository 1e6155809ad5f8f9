#!/usr/bin/env bash
# kcbooks import against other imports, a full disk, a closed pipe and an unusable temporary
# folder: real processes, and what each says is what happened to the store.
# usage: import_conflicts.sh KCBOOKS SAMPLE_BOOKS WORK_DIR
set -u
kcbooks=$(realpath "$1")
sample=$(realpath "$2")
work=$3
rm -rf "$work"
mkdir -p "$work"
cd "$work" || exit 1
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# The floor's temporaries (~kc〈8〉.kctmp) and lock files (.NAME.kclock) in the work folder.
temporaries() { compgen -G './~kc*.kctmp'; }
lock_files() { compgen -G './.*.kclock'; }

"$kcbooks" generate big --entries 100000 --seed 3 >/dev/null || exit 1
"$kcbooks" import "$sample" sample.books >/dev/null || exit 1
"$kcbooks" show sample.books >sample.shown || exit 1
"$kcbooks" export-journal sample.books -o journal.csv --openings openings.csv >/dev/null || exit 1

# Two imports into one store: the second starts while the first builds its store, waits for it,
# then replaces the store with its own books. Both say so, and both are true.
"$kcbooks" import big two.books >first.out 2>&1 &
first=$!
for _ in $(seq 1 3000); do temporaries >/dev/null && break; sleep 0.01; done
temporaries >/dev/null || fail "two imports: the first never began its store"
"$kcbooks" import "$sample" two.books >second.out 2>&1
second_rc=$?
wait "$first"
first_rc=$?
[ "$first_rc" = 0 ] && grep -q "imported big into two.books" first.out ||
  fail "two imports: the first exited $first_rc: $(cat first.out)"
[ "$second_rc" = 0 ] && grep -q "imported .* into two.books" second.out ||
  fail "two imports: the second exited $second_rc: $(cat second.out)"
"$kcbooks" show two.books | cmp -s - sample.shown || fail "two imports: the store is not the second's books"
temporaries && fail "two imports: temporaries left: $(temporaries)"
lock_files && fail "two imports: lock files left: $(lock_files)"

# An import that finds another still running after its wait is refused, and the store stays; so
# is one from the interchange form, which touches no folder of another run's.
cp sample.books held.books
mkdir held.books.converted && touch held.books.converted/journal.csv
flock .held.books.kclock sleep 30 &
holder=$!
for _ in $(seq 1 300); do flock -n .held.books.kclock true || break; sleep 0.01; done
"$kcbooks" import --from interchange journal.csv held.books --openings openings.csv \
  --company sample >held-interchange.out 2>&1 &
interchange=$!
"$kcbooks" import big held.books >held.out 2>&1
held_rc=$?
wait "$interchange"
interchange_rc=$?
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null
[ "$interchange_rc" = 1 ] && grep -q "another import into this store is still running" held-interchange.out ||
  fail "interchange import beside a running one: exit $interchange_rc: $(cat held-interchange.out)"
[ -f held.books.converted/journal.csv ] || fail "interchange import beside a running one: it took the running one's folder"
[ "$held_rc" = 1 ] || fail "import beside a running one: exit $held_rc"
grep -q "another import into this store is still running after 10 seconds; the store is left as it was" held.out ||
  fail "import beside a running one: $(cat held.out)"
cmp -s held.books sample.books || fail "import beside a running one: the store changed"
rm -f .held.books.kclock

# A file-size limit fails the write: a failed import, its temporary removed, the folder named.
cp sample.books limited.books
(ulimit -f 2000; exec "$kcbooks" import big limited.books) >limited.out 2>&1
limited_rc=$?
[ "$limited_rc" = 1 ] || fail "file-size limit: exit $limited_rc"
grep -q "cannot write the store: no room left in the folder $work (the disk is full" limited.out ||
  fail "file-size limit: $(cat limited.out)"
cmp -s limited.books sample.books || fail "file-size limit: the store changed"
temporaries && fail "file-size limit: the temporary was left"

# Standard output a pipe nobody reads any more: the import still ends as it went.
mkfifo closed
exec 3<>closed 4>closed
exec 3<&-
"$kcbooks" import "$sample" piped.books >&4 2>piped.err
piped_rc=$?
exec 4>&-
[ "$piped_rc" = 0 ] || fail "closed pipe: exit $piped_rc"
"$kcbooks" show piped.books | cmp -s - sample.shown || fail "closed pipe: the store is not the books"

# SQLite's temporary files go beside the store, whatever SQLITE_TMPDIR and TMPDIR name: here a
# folder in which no file can be made. Root passes SQLite's check of the folder's permissions;
# any other user's SQLite skips the folder, so only root's run shows the difference.
if [ "$(id -u)" = 0 ]; then
  SQLITE_TMPDIR=/proc TMPDIR=/proc "$kcbooks" import big tmpdir.books >tmpdir.out 2>&1 ||
    fail "unusable temporary folder: $(cat tmpdir.out)"
fi

temporaries && fail "temporaries left: $(temporaries)"
lock_files && fail "lock files left: $(lock_files)"

[ "$failures" = 0 ] || exit 1
echo "import conflicts: all cases hold"
