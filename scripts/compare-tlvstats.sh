#!/usr/bin/env bash
# compare-tlvstats.sh OLD_BIN_DIR NEW_BIN_DIR [WORK_DIR]
# Runs two builds of tlvstats on the same inputs and compares every output: the
# example table and pairs file, generated tables of 3,000 to 100,000 lines,
# generated pairs files of 1, 3 and 8 models, each under both criteria sets. Every
# file must be byte-identical, except the tidy file's value, lower and upper
# fields, which may differ within 1e-12 relative. The inputs come from
# make_study_inputs of NEW_BIN_DIR and from example-run/ (scripts/run-example.sh).
# Extra tlvstats arguments may be given in TLVSTATS_ARGS.
set -euo pipefail
# The page states the time of its run: a fixed one keeps it the same in both builds.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-1700000000}
root=$(cd "$(dirname "$0")/.." && pwd)
old=$(cd "$1" && pwd)
new=$(cd "$2" && pwd)
work=${3:-$(mktemp -d)}
mkdir -p "$work/inputs"
gen=$new/make_study_inputs
[ -x "$gen" ] || gen=$old/make_study_inputs
in=$work/inputs
table=$root/example-run/tolvern/TLV-Combined-NoFill-Results.txt
[ -f "$table" ] || { echo "compare-tlvstats: run scripts/run-example.sh first" >&2; exit 2; }
cp "$table" "$in/example-table.txt"
cp "$root/example/holmby/holmby-pairs.csv" "$in/example-pairs.csv"
for n in 3000 10000 30000 100000; do
  [ -f "$in/table-$n.txt" ] || "$gen" table "$n" "$in/table-$n.txt"
done
for m in 1 3 8; do
  [ -f "$in/pairs-$m.csv" ] || "$gen" pairs 4000 "$m" "$in/pairs-$m.csv"
done

fail=0
cases=0
run_case() {  # run_case NAME INPUT_FILE INPUT_NAME ARGS...
  local name=$1 file=$2 as=$3
  shift 3
  for build in old new; do
    local d=$work/$name/$build
    rm -rf "$d"
    mkdir -p "$d"
    cp "$file" "$d/$as"
    local bin=$old
    [ $build = new ] && bin=$new
    (cd "$d" && "$bin/tlvstats" ${TLVSTATS_ARGS:-} "$@" >stdout.txt 2>stderr.txt) || {
      echo "$name ($build): status $?" >&2
      fail=1
    }
  done
  cases=$((cases + 1))
  for f in "$work/$name/old"/*; do
    local b
    b=$(basename "$f")
    [ "$b" = "$as" ] && continue
    if [ ! -f "$work/$name/new/$b" ]; then
      echo "$name: $b missing in the new build" >&2
      fail=1
    elif [[ $b == *.csv ]]; then
      python3 "$root/scripts/compare-tidy.py" "$f" "$work/$name/new/$b" || fail=1
    elif ! cmp -s "$f" "$work/$name/new/$b"; then
      echo "$name: $b differs" >&2
      fail=1
    fi
  done
}

for crit in rural urban; do
  run_case "example-table-$crit" "$in/example-table.txt" TLV-Combined-NoFill-Results.txt --criteria $crit
  run_case "example-pairs-$crit" "$in/example-pairs.csv" holmby-pairs.csv --pairs holmby-pairs.csv --criteria $crit
  for n in 3000 10000 30000 100000; do
    run_case "table-$n-$crit" "$in/table-$n.txt" TLV-Combined-NoFill-Results.txt --criteria $crit
  done
  for m in 1 3 8; do
    run_case "pairs-$m-$crit" "$in/pairs-$m.csv" pairs.csv --pairs pairs.csv --criteria $crit
  done
done
if [ $fail = 0 ]; then
  echo "compare-tlvstats: $cases cases, every output as before ($work)"
else
  echo "compare-tlvstats: differences found ($work)" >&2
  exit 1
fi
