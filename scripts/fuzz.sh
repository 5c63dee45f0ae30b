#!/usr/bin/env bash
# Runs every libFuzzer target (fuzz/) for a bounded time and exits non-zero on any
# finding: a crash, a sanitizer report, a leak, an input running over 10 s, or a
# broken check of the target.
#
#   scripts/fuzz.sh [--seconds N | --minutes M] [--parallel P] [--targets "a b"] [--no-build]
#
# Defaults: 60 s per target, one target at a time, all targets, build first.
# Builds with clang++ into build/fuzz (BUILD_DIR overrides). New corpus entries go
# to <build>/corpus/<target> (the committed seeds in fuzz/corpus/<target> are only
# read); findings to <build>/findings/<target>/, logs to <build>/logs/<target>.log.
# Reproduce a finding with: <build>/bin/fuzz_<target> <finding-file>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/fuzz}
seconds=60
parallel=1
targets="records_layout list_form tlvanalysis hlbanalysis tessiclip combine pairs_file"
do_build=1

while [ $# -gt 0 ]; do
  case "$1" in
    --seconds) seconds=$2; shift 2 ;;
    --minutes) seconds=$(( $2 * 60 )); shift 2 ;;
    --parallel) parallel=$2; shift 2 ;;
    --targets) targets=$2; shift 2 ;;
    --no-build) do_build=0; shift ;;
    -h|--help) sed -n '2,12p' "$0" | cut -c3-; exit 0 ;;
    *) echo "fuzz.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

if [ "$do_build" = 1 ]; then
  cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTRACER_FUZZ=ON -DBUILD_TESTING=OFF -DTRACER_BENCHMARKS=OFF >/dev/null
  cmake --build "$build" --target fuzz_targets -j"${JOBS:-2}"
fi

mkdir -p "$build/logs"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:symbolize=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# run_target NAME: one libFuzzer session of NAME; its status is that of libFuzzer.
run_target() {
  local name=$1
  local bin=$build/bin/fuzz_$name
  local work=$build/corpus/$name findings=$build/findings/$name
  local log=$build/logs/$name.log
  rm -rf "$findings"
  mkdir -p "$work" "$findings"
  local dict=-dict=$root/fuzz/dict/programs.dict
  case "$name" in
    records_layout | list_form) dict=-dict=$root/fuzz/dict/records.dict ;;
    pairs_file) dict=-dict=$root/fuzz/dict/pairs.dict ;;
  esac
  local status=0 start=$SECONDS
  "$bin" "$work" "$root/fuzz/corpus/$name" "$dict" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$log" 2>&1 &
  local pid=$!
  wait "$pid" || status=$?
  # The run's scratch folder stays behind when a finding ends the process.
  rm -rf "/dev/shm/tracer-fuzz-$pid" "${TMPDIR:-/tmp}/tracer-fuzz-$pid"
  local runs
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  awk -v n="$name" -v s="$((SECONDS - start))" -v r="${runs:-?}" -v st="$status" \
    'BEGIN { printf "%-15s %7.1f min %12s runs  status %d\n", n, s / 60, r, st }'
  if [ "$status" -ne 0 ] || [ -n "$(ls -A "$findings")" ]; then
    echo "  finding(s) in $findings; log $log:" >&2
    grep -E 'FUZZ FINDING|ERROR:|runtime error|SUMMARY' "$log" | head -5 >&2 || true
    return 1
  fi
  return 0
}

failed=0
running=0
for name in $targets; do
  if [ ! -x "$build/bin/fuzz_$name" ]; then
    echo "fuzz.sh: $build/bin/fuzz_$name is not built" >&2
    exit 2
  fi
done
for name in $targets; do
  run_target "$name" &
  running=$((running + 1))
  if [ "$running" -ge "$parallel" ]; then
    wait -n || failed=1
    running=$((running - 1))
  fi
done
while [ "$running" -gt 0 ]; do
  wait -n || failed=1
  running=$((running - 1))
done

if [ "$failed" -ne 0 ]; then
  echo "fuzz.sh: findings (see above)" >&2
  exit 1
fi
echo "fuzz.sh: no findings"
