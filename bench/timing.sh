# Sourced by the bench scripts; $work is their scratch folder.

# timed OUT_VAR COMMAND...: the elapsed seconds and the peak resident KiB of the command.
timed() {
  local out=$1
  shift
  /usr/bin/time -f "%e %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" || {
    cat "$work/stderr" >&2
    return 1
  }
  printf -v "$out" '%s' "$(cat "$work/time")"
}

mib() { awk -v k="$1" 'BEGIN { printf "%.0f", k / 1024 }'; }

# median VALUES...: the middle value, or the mean of the two middle ones.
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
