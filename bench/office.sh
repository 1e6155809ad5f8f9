#!/usr/bin/env bash
# The accounting office's year-end at scale: kcoffice run over CLIENTS generated clients of ENTRIES
# entries each, beside the same work done as plain commands one after another (import, the
# edition's batch export, kcview's review page against last year's export).
# usage: office.sh BUILD_DIR [CLIENTS] [ENTRIES]   (defaults 100 and 10000)
#   BENCH_RUNS   runs of the plain commands and of kcoffice (default 3); medians shown, and the
#                largest peaks
# A third of the clients come as stores, a third as books folders (every other one in a subfolder,
# the others in the client's folder itself) and a third as interchange journals, both years alike.
# Last year's outputs are made once, untimed, by kcoffice and by the plain commands (each side's
# pages are made against its own); the generated clients and last year's outputs are kept for the
# next run. kcoffice runs with its default jobs (one per core); a quarter of the clients is run
# too, so that its peak memory shows beside the whole run's: with the jobs bounding what runs at
# once, the whole run should take about as much memory as the quarter. The process tree's peak is
# sampled from /proc every ~50 ms by this script itself, which costs under a tenth of one core; a
# run of a fraction of a second can slip between the samples. The plain commands and kcoffice
# take turns, so that a busy spell of the shared machine falls on both alike; this year's exports
# of both must be byte-identical. Goals: the whole run in under 30 s on 2 cores, at least 1.5
# times as fast as the plain commands; the script exits 0 when a goal is missed, and says MISSED.
set -eu
shopt -s inherit_errexit
build=$1
clients=${2:-100}
entries=${3:-10000}
runs=${BENCH_RUNS:-3}
work=${KC_BENCH_DIR:-${TMPDIR:-/tmp}/kc-bench-table}/office
kcbooks=$build/dist/kcbooks
kcsakura=$build/dist/kcsakura/kcsakura
kcview=$build/dist/kcview
kcoffice=$build/dist/kcoffice
last_month=2025-03
this_month=2026-03
mkdir -p "$work"

# shellcheck source=bench/timing.sh
source "$(dirname "$0")/timing.sh"

set_dir=$work/clients-$clients-$entries
office=$work/office-$clients-$entries
plain=$work/plain-$clients-$entries
quarter=$(((clients + 3) / 4))

client_name() { printf 'client-%03d' "$1"; }

# make_client NUMBER MONTH FOLDER: generated books of the fiscal year ending in MONTH, laid in
# FOLDER in the client's form. Each client and year has a seed of its own: books of one seed
# hold the same amounts whatever their year, and last year's would then equal this year's.
make_client() {
  local number=$1 month=$2 folder=$3 name books seed
  name=$(client_name "$number")
  books=$work/generating
  seed=$((number * 2))
  [ "$month" = "$last_month" ] || seed=$((seed + 1))
  rm -rf "$books" "$work/generating.books" "$folder"
  mkdir -p "$folder"
  "$kcbooks" generate "$books" --entries "$entries" --seed "$seed" --year-end "$month" >/dev/null
  case $((number % 3)) in
    1) "$kcbooks" import "$books" "$folder/$name.books" >/dev/null ;;
    2) if ((number / 3 % 2)); then mv "$books" "$folder/books"; else mv "$books"/* "$folder"; fi ;;
    0)
      # The journal as another accounting product writes it, with the chart it was made with,
      # which client.ini names.
      "$kcbooks" import "$books" "$work/generating.books" >/dev/null
      "$kcbooks" export-journal "$work/generating.books" -o "$folder/journal.csv" \
        --openings "$folder/openings.csv" >/dev/null
      iconv -f UTF-8 -t CP932 "$books/accounts.csv" >"$folder/chart.csv"
      printf '[Client]\r\nConvert=--chart chart.csv\r\n' >"$folder/client.ini"
      ;;
  esac
  rm -rf "$books" "$work/generating.books"
}

# make_clients MONTH: the clients of the year ending in MONTH, unless a finished set is there.
make_clients() {
  local month=$1 number
  [ -f "$set_dir/$month.done" ] && return 0
  echo "generating $clients clients of $entries entries, fiscal year ending $month ..."
  # Outputs of earlier clients of that year would pass for these clients'.
  rm -rf "${set_dir:?}/$month" "${office:?}/$month" "${plain:?}/$month" "$plain/$month.done"
  for ((number = 1; number <= clients; number++)); do
    make_client "$number" "$month" "$set_dir/$month/$(client_name "$number")"
  done
  touch "$set_dir/$month.done"
}

# run_plain MICROS_VAR COMMAND...: runs COMMAND and adds its elapsed microseconds to MICROS_VAR.
run_plain() {
  local var=$1 start end
  shift
  start=$EPOCHREALTIME
  "$@" >/dev/null 2>"$work/stderr" || {
    cat "$work/stderr" >&2
    echo "failed: $*" >&2
    return 1
  }
  end=$EPOCHREALTIME
  printf -v "$var" '%s' $((${!var} + ${end//[.,]/} - ${start//[.,]/}))
}

# plain_client FOLDER OUT PREVIOUS: one client's year-end as plain commands, the books imported
# into a scratch store first unless they are a store; prints the elapsed microseconds.
plain_client() {
  local folder=$1 out=$2 previous=$3 name store micros=0
  name=$(basename "$folder")
  store=$plain/stores/$name.books
  rm -rf "$store"* "$plain/settings/$name"
  if [ -f "$folder/$name.books" ]; then
    store=$folder/$name.books
  elif [ -f "$folder/company.csv" ]; then
    run_plain micros "$kcbooks" import "$folder" "$store"
  elif [ -f "$folder/books/company.csv" ]; then
    run_plain micros "$kcbooks" import "$folder/books" "$store"
  else
    run_plain micros "$kcbooks" import --from interchange "$folder/journal.csv" "$store" \
      --openings "$folder/openings.csv" --company "$name" --chart "$folder/chart.csv"
  fi
  run_plain micros "$kcsakura" --books "$store" --ui batch --start-month 4 --end-month 3 --kind 1 \
    --no-ledger --out "$out/$name.xml" --yes --settings-folder "$plain/settings/$name"
  local with_previous=()
  [ -z "$previous" ] || with_previous=(--previous "$previous/$name.xml")
  run_plain micros "$kcview" "$out/$name.xml" -o "$out/$name.html" "${with_previous[@]}" \
    --books "$store"
  echo "$micros"
}

# tree_peak ROOT OUT: until ROOT ends, every ~50 ms the sum of the resident sizes of all of ROOT's
# descendants; the largest sum, in KiB, into OUT. Builtins only, so that sampling starts no
# process of its own.
tree_peak() {
  local root=$1 out=$2 peak=0 sum line pid stats tick page_kib
  page_kib=$(($(getconf PAGESIZE) / 1024))
  exec {tick}<> <(:)
  while [ -e "/proc/$root" ]; do
    local -A children=() rss=()
    set +f
    stats=(/proc/[0-9]*/stat)
    set -f
    for line in "${stats[@]}"; do
      pid=${line#/proc/}
      pid=${pid%/stat}
      { read -r line <"/proc/$pid/stat"; } 2>/dev/null || continue
      # After "pid (command) " come the state, the parent, ... and the resident pages 22nd.
      # shellcheck disable=SC2086
      set -- ${line##*) }
      children[$2]+=" $pid"
      rss[$pid]=${22}
    done
    sum=0
    # shellcheck disable=SC2206
    local queue=(${children[$root]:-})
    while ((${#queue[@]})); do
      pid=${queue[0]}
      # shellcheck disable=SC2206
      queue=("${queue[@]:1}" ${children[$pid]:-})
      sum=$((sum + ${rss[$pid]:-0}))
    done
    if ((sum > peak)); then peak=$sum; fi
    read -r -t 0.05 -u "$tick" || true
  done
  echo $((peak * page_kib)) >"$out"
}

# office_run OUT_VAR CLIENTS OFFICE: kcoffice's run of this year, timed; "seconds process-KiB
# tree-KiB" into OUT_VAR.
office_run() {
  local out=$1 timer sampler
  /usr/bin/time -f "%e %M" -o "$work/time" "$kcoffice" run "$2" --month "$this_month" -o "$3" \
    >"$work/office.log" 2>&1 &
  timer=$!
  tree_peak "$timer" "$work/tree" &
  sampler=$!
  wait "$timer" || {
    wait "$sampler" || true
    cat "$work/office.log" >&2
    echo "failed: kcoffice run $2 --month $this_month -o $3" >&2
    return 1
  }
  wait "$sampler"
  printf -v "$out" '%s %s' "$(cat "$work/time")" "$(cat "$work/tree")"
}

# office_outputs OFFICE COUNT: says what is missing of this year's outputs of the first COUNT
# clients; fails when anything is.
office_outputs() {
  local folder=$1/$this_month number name missing=0 file
  for file in index.html index.csv; do
    [ -s "$folder/$file" ] || { echo "kcoffice wrote no $folder/$file" >&2; missing=1; }
  done
  for ((number = 1; number <= $2; number++)); do
    name=$(client_name "$number")
    for file in "$name.xml" "$name.html" "$name.log"; do
      [ -s "$folder/$name/$file" ] || { echo "kcoffice wrote no $folder/$name/$file" >&2; missing=1; }
    done
  done
  return $missing
}

# The clients of both years.
make_clients "$last_month"
make_clients "$this_month"

echo "The office's year-end: $clients clients of $entries entries, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo), load $(cut -d' ' -f1-3 /proc/loadavg)"

# Last year's exports as plain commands, once (untimed): this year's pages are made against them.
mkdir -p "$plain/stores" "$plain/settings"
if [ ! -f "$plain/$last_month.done" ]; then
  rm -rf "${plain:?}/$last_month"
  mkdir -p "$plain/$last_month"
  for ((number = 1; number <= clients; number++)); do
    plain_client "$set_dir/$last_month/$(client_name "$number")" "$plain/$last_month" "" >/dev/null
  done
  touch "$plain/$last_month.done"
fi

# This year as plain commands, timed: the whole and its first quarter, in seconds.
plain_year() {
  local number micros whole=0 first=0
  rm -rf "${plain:?}/$this_month"
  mkdir -p "$plain/$this_month"
  sync
  for ((number = 1; number <= clients; number++)); do
    micros=$(plain_client "$set_dir/$this_month/$(client_name "$number")" "$plain/$this_month" \
      "$plain/$last_month")
    whole=$((whole + micros))
    ((number > quarter)) || first=$((first + micros))
  done
  rm -rf "${plain:?}/stores" "${plain:?}/settings"
  mkdir -p "$plain/stores" "$plain/settings"
  awk -v w="$whole" -v q="$first" 'BEGIN { printf "%.2f %.2f", w / 1e6, q / 1e6 }'
}

plain_s=() quarter_plain_s=()
if [ ! -x "$kcoffice" ]; then
  for ((run = 1; run <= runs; run++)); do
    times=$(plain_year)
    set -- $times
    plain_s+=("$1") quarter_plain_s+=("$2")
  done
  echo
  echo "plain commands one after another: $(median "${plain_s[@]}") s for $clients clients" \
    "($(median "${quarter_plain_s[@]}") s for the first $quarter), medians of $runs runs"
  echo "kcoffice: skipped, $kcoffice is not built yet"
  exit 0
fi

# Last year's outputs by kcoffice, which its pages of this year are compared with.
if [ ! -f "$office/$last_month/index.csv" ]; then
  rm -rf "${office:?}/$last_month"
  "$kcoffice" run "$set_dir/$last_month" --month "$last_month" -o "$office" >"$work/office.log" 2>&1 || {
    cat "$work/office.log" >&2
    echo "failed: kcoffice run of $last_month" >&2
    exit 1
  }
fi

# The first quarter of the clients, as links, with their last year's outputs.
quarter_clients=$set_dir/$this_month-quarter
quarter_office=$work/office-$clients-$entries-quarter
rm -rf "$quarter_clients" "$quarter_office"
mkdir -p "$quarter_clients" "$quarter_office/$last_month"
for ((number = 1; number <= quarter; number++)); do
  name=$(client_name "$number")
  ln -s "$set_dir/$this_month/$name" "$quarter_clients/$name"
  cp -r "$office/$last_month/$name" "$quarter_office/$last_month/"
done

# kcoffice's runs, the quarter's and the whole's, each from no outputs of this year, taking turns
# with the plain commands.
quarter_s=() whole_s=()
quarter_kb=0 quarter_tree_kb=0 whole_kb=0 whole_tree_kb=0
larger() { [ "$2" -gt "${!1}" ] && printf -v "$1" '%s' "$2"; return 0; }
for ((run = 1; run <= runs; run++)); do
  times=$(plain_year)
  set -- $times
  plain_s+=("$1") quarter_plain_s+=("$2")

  rm -rf "${quarter_office:?}/$this_month"
  sync
  office_run measured "$quarter_clients" "$quarter_office"
  office_outputs "$quarter_office" "$quarter"
  set -- $measured
  quarter_s+=("$1")
  larger quarter_kb "$2"
  larger quarter_tree_kb "$3"

  rm -rf "${office:?}/$this_month"
  sync
  office_run measured "$set_dir/$this_month" "$office"
  office_outputs "$office" "$clients"
  set -- $measured
  whole_s+=("$1")
  larger whole_kb "$2"
  larger whole_tree_kb "$3"
done

# A second run with nothing changed redoes nothing.
touch "$work/before-second-run"
timed again "$kcoffice" run "$set_dir/$this_month" --month "$this_month" -o "$office"
rewritten=$(find "$office/$this_month" -mindepth 2 -type f -newer "$work/before-second-run" | wc -l)

# kcoffice's exports against the plain commands' of the same books.
differing=()
for ((number = 1; number <= clients; number++)); do
  name=$(client_name "$number")
  cmp -s "$office/$this_month/$name/$name.xml" "$plain/$this_month/$name.xml" || differing+=("$name")
done

whole_m=$(median "${whole_s[@]}")
plain_m=$(median "${plain_s[@]}")
echo
printf '| %-7s | %7s | %7s | %10s | %19s | %8s | %17s | %22s |\n' run clients entries "kcoffice s" \
  "one-after-another s" speed-up "peak MB (process)" "peak MB (process tree)"
printf '|%s|\n' "---------|---------|---------|------------|---------------------|----------|-------------------|------------------------"
row() {
  printf '| %-7s | %7s | %7s | %10.2f | %19.2f | %8s | %17s | %22s |\n' "$1" "$2" "$entries" "$3" "$4" \
    "$(awk -v a="$4" -v b="$3" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }')" \
    "$(mib "$5")" "$(mib "$6")"
}
row quarter "$quarter" "$(median "${quarter_s[@]}")" "$(median "${quarter_plain_s[@]}")" \
  "$quarter_kb" "$quarter_tree_kb"
row whole "$clients" "$whole_m" "$plain_m" "$whole_kb" "$whole_tree_kb"
echo
echo "medians of $runs runs; seconds of each run: kcoffice ${whole_s[*]} (quarter ${quarter_s[*]});" \
  "one after another ${plain_s[*]} (quarter ${quarter_plain_s[*]})"
set -- $again
echo "a second run with nothing changed: $1 s, $rewritten client files written again"
if ((${#differing[@]})); then
  echo "kcoffice's export DIFFERS from the plain commands' for ${#differing[@]} clients: ${differing[*]:0:5}"
else
  echo "kcoffice's exports are byte-identical to the plain commands'"
fi
awk -v s="$whole_m" -v p="$plain_m" -v cores="$(nproc)" 'BEGIN {
  printf "Goal: the whole run in under 30 s on 2 cores (this machine: %d): %.2f s, %s\n", cores, s,
    (s < 30 ? "holds" : "MISSED")
  speed = s > 0 ? p / s : 0
  printf "Goal: a speed-up of at least 1.5 over the plain commands one after another: %.2f, %s\n",
    speed, (speed >= 1.5 ? "holds" : "MISSED")
}'
