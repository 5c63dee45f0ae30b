#!/usr/bin/env bash
# bench/network-scale.sh TLVSTATS [CASE...]
# Runs tlvstats at network scale (bench/NETWORK-SCALE.md, "tlvstats figures") and
# prints one line per run: status, wall, user and sys seconds, CPU (user + sys),
# peak memory (max RSS), the load averages (as `uptime` gives them) just before
# the run, and the outputs' size. Cases, each selectable by name:
#   groups        10^5 lines in 10 vs 1,000 groups (3 models, default options), and
#                 in 10 vs 10^4 groups (1 model, 1,000 resamples, no options) with
#                 the read-to-evaluate phases, before any output is written
#   threads       the example table and a 3-model pairs file with --threads 1 and 2:
#                 every output byte-identical, and the speed-up
#   examples      the example table and the example pairs file, each below 1 s
#   memory        peak memory of 3 models (--resamples 1) at MEMORY_LINES lines and
#                 the slope per line; 8 models at MEMORY8_LINES lines
#   network-year  10^7 lines, 1,000 groups, 3 models, 1,000 resamples, every option
#                 of the measures (long: run only when named)
# Without a CASE: groups, threads, examples, memory.
# Environment: GEN the make_study_inputs that knows `network` (default: next to
# TLVSTATS); WORK the scratch folder (default /tmp/network-scale; inputs are kept
# there and made again only when GEN is newer); EXAMPLE_TABLE the example's
# combined table (default example-run/tolvern/ of this checkout, made by
# scripts/run-example.sh); MEMORY_LINES (default "1000000 10000000");
# MEMORY8_LINES (default "1000000 3000000"); REPEAT runs of each example
# (default 3); MAX_MEMORY passed as --max-memory to every run when set; KEEP=1
# keeps every run's outputs; TLVSTATS_ARGS extra arguments of every run (e.g.
# "--threads 1").
# The read-to-evaluate phases are timed with strace: from the program's start to
# the first output opened for writing (the pictures are drawn before it; the page's
# checksum of the input is read on a thread of its own while the study is
# evaluated, so the input opened a second time no longer ends the phases). All runs
# set SOURCE_DATE_EPOCH.
set -uo pipefail
export LC_ALL=C
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-1700000000}
root=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -lt 1 ] || [ ! -x "$1" ]; then
  sed -n '2,30p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
fi
bin=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
gen=${GEN:-$(dirname "$bin")/make_study_inputs}
work=${WORK:-/tmp/network-scale}
mkdir -p "$work/inputs" "$work/runs"
work=$(cd "$work" && pwd -P)
example_table=${EXAMPLE_TABLE:-$root/example-run/tolvern/TLV-Combined-NoFill-Results.txt}
example_pairs=$root/example/holmby/holmby-pairs.csv
help=$("$bin" --help 2>&1)
has_option() { grep -q -- "$1" <<<"$help"; }
max_memory=()
if [ -n "${MAX_MEMORY:-}" ]; then
  if has_option --max-memory; then max_memory=(--max-memory "$MAX_MEMORY"); else
    echo "note: this tlvstats has no --max-memory; MAX_MEMORY is not passed"
  fi
fi
have_strace=0
command -v strace >/dev/null && strace -f -qq --seccomp-bpf -o /dev/null true 2>/dev/null &&
  have_strace=1
verdicts=()

# network_input LINES GROUPS MODELS: prints the name of the network study, made once.
network_input() {
  local f=$work/inputs/network-$1-$2-$3.csv
  if [ ! -s "$f" ] || [ "$gen" -nt "$f" ]; then
    "$gen" network "$1" "$2" "$3" "$f.part" || {
      echo "network-scale: $gen cannot make the network study (does it know 'network'? set GEN)" >&2
      exit 2
    }
    mv "$f.part" "$f"
  fi
  echo "$f"
}

header() {
  echo "# tlvstats at network scale, $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo "# binary: $bin ($("$bin" --version 2>&1 | head -1), built $(date -u -r "$bin" '+%Y-%m-%d %H:%M UTC'))"
  echo "# machine: $(nproc) CPUs of $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'),"\
    "$(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"
  echo "# --threads: $(has_option --threads && echo known || echo unknown)," \
    "phases by strace: $([ $have_strace = 1 ] && echo yes || echo 'no (strace missing)')"
  printf '%-30s %6s %8s %8s %8s %8s %9s  %-15s %9s  %s\n' case status wall_s user_s sys_s cpu_s \
    maxrss_MiB "load 1/5/15" out_MB note
}

# run NAME INPUT AS [--phases] -- ARGS...: runs tlvstats in a folder of its own on
# INPUT (linked as AS) and prints its line; sets R_status, R_wall, R_cpu, R_rss (KiB),
# R_phase (seconds or empty), R_largest (the largest output but the table and tidy
# files, "name bytes") and R_dir.
run() {
  local name=$1 input=$2 as=$3 phases=0
  shift 3
  [ "${1:-}" = --phases ] && { phases=1; shift; }
  [ "${1:-}" = -- ] && shift
  R_dir=$work/runs/$name
  rm -rf "$R_dir"
  mkdir -p "$R_dir"
  ln -s "$input" "$R_dir/$as"
  local load
  load=$(cut -d' ' -f1-3 /proc/loadavg | tr ' ' /)
  local -a extra
  read -r -a extra <<<"${TLVSTATS_ARGS:-}"
  local -a cmd=("$bin" "$@" "${max_memory[@]}" "${extra[@]}")
  if [ $phases = 1 ] && [ $have_strace = 1 ]; then
    cmd=(strace -f -qq --seccomp-bpf -ttt -e trace=execve,openat,open,creat -o "$R_dir/.strace" "${cmd[@]}")
  fi
  (cd "$R_dir" && /usr/bin/time -f '%e %U %S %M' -o "$R_dir/.time" "${cmd[@]}" \
    >"$R_dir/.stdout" 2>"$R_dir/.stderr")
  R_status=$?
  local wall user sys rss
  read -r wall user sys rss < <(tail -1 "$R_dir/.time")
  R_wall=$wall
  R_cpu=$(awk -v u="$user" -v s="$sys" 'BEGIN {printf "%.2f", u + s}')
  R_rss=$rss
  R_phase=
  if [ $phases = 1 ] && [ -f "$R_dir/.strace" ]; then
    R_phase=$(awk '
      /execve\(/ && !t0 { t0 = $2 }
      /O_WRONLY|O_RDWR|creat\(/ && !t1 { t1 = $2 }
      END { if (t0 && t1) printf "%.2f", t1 - t0 }' "$R_dir/.strace")
  fi
  local out_bytes=0 largest="- 0"
  out_bytes=$(find "$R_dir" -maxdepth 1 -type f ! -name '.*' -printf '%s\n' | awk '{s += $1} END {print s + 0}')
  largest=$(find "$R_dir" -maxdepth 1 -type f ! -name '.*' ! -name '*-Model-Statistics.txt' \
    ! -name '*-Model-Statistics.csv' -printf '%f %s\n' | sort -k2,2n | tail -1)
  R_largest=${largest:-"- 0"}
  local note=""
  [ $R_status != 0 ] && note="$(grep -v '^$' "$R_dir/.stderr" | tail -1 | cut -c1-160)"
  [ $R_status -gt 128 ] && [ -z "$note" ] && note="ended by signal $((R_status - 128))"
  [ -n "$R_phase" ] && note="read-to-evaluate ${R_phase} s${note:+; $note}"
  printf '%-30s %6s %8s %8s %8s %8s %9.1f  %-15s %9.1f  %s\n' "$name" "$R_status" "$wall" "$user" \
    "$sys" "$R_cpu" "$(awk -v k="$rss" 'BEGIN {print k / 1024}')" "$load" \
    "$(awk -v b="$out_bytes" 'BEGIN {print b / 1e6}')" "$note"
}

# done_with: the run's outputs go unless KEEP=1.
done_with() { [ "${KEEP:-0}" = 1 ] || find "$R_dir" -maxdepth 1 -type f ! -name '.*' -delete; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN {if (b > 0) printf "%.2f", a / b; else print "-"}'; }
# verdict TEXT: kept for the summary at the end.
verdict() { verdicts+=("$*"); }

case_groups() {
  local g10 g1000 g10m1 g10000m1
  g10=$(network_input 100000 10 3)
  g1000=$(network_input 100000 1000 3)
  run groups-1e5-10g-3m "$g10" pairs.csv -- --pairs pairs.csv
  local w10=$R_wall c10=$R_cpu
  done_with
  run groups-1e5-1000g-3m "$g1000" pairs.csv -- --pairs pairs.csv
  local s1000=$R_status w1000=$R_wall c1000=$R_cpu
  done_with
  verdict "groups, 3 models, 10^5 lines: 1,000 vs 10 groups: wall $(ratio "$w1000" "$w10")x," \
    "CPU $(ratio "$c1000" "$c10")x (status $s1000; goal at most 1.5x)"
  g10m1=$(network_input 100000 10 1)
  g10000m1=$(network_input 100000 10000 1)
  run groups-1e5-10g-1m "$g10m1" pairs.csv --phases -- --pairs pairs.csv --resamples 1000
  local p10=$R_phase w10m=$R_wall
  done_with
  run groups-1e5-10000g-1m "$g10000m1" pairs.csv --phases -- --pairs pairs.csv --resamples 1000
  local s=$R_status p=$R_phase w=$R_wall largest=$R_largest
  done_with
  verdict "groups, 1 model, 10^5 lines: 10^4 groups status $s, whole run $(ratio "$w" "$w10m")x" \
    "that of 10 groups; read-to-evaluate ${p:-?} s against ${p10:-?} s: $(ratio "${p:-0}" "${p10:-0}")x" \
    "(goal: status 0, at most 1.5x); largest output but table and tidy: $largest bytes"
}

# compare_outputs DIR1 DIR2: every output of DIR1 byte-identical in DIR2.
compare_outputs() {
  local f b differ=0 n=0
  for f in "$1"/*; do
    b=$(basename "$f")
    [ -L "$f" ] && continue
    n=$((n + 1))
    if ! cmp -s "$f" "$2/$b"; then
      differ=$((differ + 1))
      echo "  differs: $b"
    fi
  done
  [ "$(find "$1" -maxdepth 1 -type f ! -name '.*' | wc -l)" = \
    "$(find "$2" -maxdepth 1 -type f ! -name '.*' | wc -l)" ] || {
    differ=$((differ + 1))
    echo "  not the same files"
  }
  echo "$n files, $differ differ"
}

case_threads() {
  if ! has_option --threads; then
    echo "threads: skipped: this tlvstats does not know --threads (see --help)"
    verdict "threads: not measured: this tlvstats does not know --threads"
    return
  fi
  local input as name
  local pairs
  pairs=$(network_input 100000 100 3)
  for input in example-table pairs-1e5-100g-3m; do
    if [ $input = example-table ]; then
      [ -f "$example_table" ] || {
        echo "threads: no example table ($example_table): run scripts/run-example.sh or set EXAMPLE_TABLE"
        continue
      }
      local -a args=()
      name=$example_table as=TLV-Combined-NoFill-Results.txt
    else
      local -a args=(--pairs pairs.csv --uncertainty no2 --beta 2 --percentile 99.8 --threshold 200)
      name=$pairs as=pairs.csv
    fi
    run "threads-$input-t1" "$name" "$as" -- "${args[@]}" --threads 1
    local w1=$R_wall c1=$R_cpu d1=$R_dir
    run "threads-$input-t2" "$name" "$as" -- "${args[@]}" --threads 2
    local w2=$R_wall c2=$R_cpu d2=$R_dir
    local same
    same=$(compare_outputs "$d1" "$d2")
    echo "$same" | sed 's/^/  /'
    verdict "threads, $input: --threads 1 vs 2: $(tail -1 <<<"$same") (goal: none);" \
      "speed-up $(ratio "$w1" "$w2")x wall, CPU $c1 s vs $c2 s"
    done_with
    R_dir=$d1 done_with
  done
}

case_examples() {
  local best k
  if [ -f "$example_table" ]; then
    best=
    for k in $(seq "${REPEAT:-3}"); do
      run "example-table-$k" "$example_table" TLV-Combined-NoFill-Results.txt --
      best=$(awk -v a="$R_wall" -v b="${best:-$R_wall}" 'BEGIN {print (a < b ? a : b)}')
    done
    verdict "examples: the example table: best wall $best s of ${REPEAT:-3} (goal: below 1 s)"
  else
    echo "examples: no example table ($example_table): run scripts/run-example.sh or set EXAMPLE_TABLE"
    verdict "examples: the example table not measured (not found)"
  fi
  best=
  for k in $(seq "${REPEAT:-3}"); do
    run "example-pairs-$k" "$example_pairs" holmby-pairs.csv -- --pairs holmby-pairs.csv
    best=$(awk -v a="$R_wall" -v b="${best:-$R_wall}" 'BEGIN {print (a < b ? a : b)}')
  done
  verdict "examples: the example pairs file: best wall $best s of ${REPEAT:-3} (goal: below 1 s)"
}

# memory_series MODELS LINES...: peak memory at each line count, and the slope.
memory_series() {
  local models=$1 n first_n= first_rss= last_n= last_rss=
  shift
  for n in "$@"; do
    run "memory-$models""m-$n" "$(network_input "$n" 1000 "$models")" pairs.csv -- \
      --pairs pairs.csv --resamples 1
    if [ "$R_status" = 0 ]; then
      [ -z "$first_n" ] && { first_n=$n first_rss=$R_rss; }
      last_n=$n last_rss=$R_rss
    fi
    done_with
  done
  if [ -n "$first_n" ] && [ "$last_n" != "$first_n" ]; then
    verdict "memory, $models models: $(awk -v a="$first_rss" -v b="$last_rss" -v m="$first_n" -v n="$last_n" \
      'BEGIN {s = (b - a) * 1024 / (n - m); printf "%.1f bytes a line between %d and %d lines, A = %.1f MiB", s, m, n, (a * 1024 - s * m) / 1048576}')" \
      "(goal: at most 64 bytes a line with 3 models, 128 with 8)"
  elif [ -n "$first_n" ]; then
    verdict "memory, $models models: $(awk -v a="$first_rss" -v n="$first_n" 'BEGIN {printf "%.0f bytes a line at %d lines (whole peak over lines; one point, no slope)", a * 1024 / n, n}')"
  fi
}

case_memory() {
  # shellcheck disable=SC2086
  memory_series 3 ${MEMORY_LINES:-1000000 10000000}
  # shellcheck disable=SC2086
  memory_series 8 ${MEMORY8_LINES:-1000000 3000000}
}

case_network_year() {
  local input
  input=$(network_input 10000000 1000 3)
  run network-year "$input" pairs.csv -- --pairs pairs.csv --resamples 1000 --uncertainty no2 \
    --beta 2 --percentile 99.8 --threshold 200 --units 'NO2=µg/m³'
  verdict "network-year: status $R_status, wall $R_wall s (goal 120 s, at most 180 s), CPU $R_cpu s," \
    "peak $(awk -v k="$R_rss" 'BEGIN {printf "%.0f MiB", k / 1024}') (at most 1.5 GB);" \
    "largest output but table and tidy: $R_largest bytes (at most 20 MB)"
  done_with
}

cases=("$@")
[ ${#cases[@]} = 0 ] && cases=(groups threads examples memory)
for c in "${cases[@]}"; do
  case $c in
    groups | threads | examples | memory | network-year) ;;
    *)
      echo "network-scale: unknown case '$c' (groups, threads, examples, memory, network-year)" >&2
      exit 2
      ;;
  esac
done
header
for c in "${cases[@]}"; do
  "case_${c//-/_}"
done
echo
echo "# summary"
printf '%s\n' "${verdicts[@]}"
