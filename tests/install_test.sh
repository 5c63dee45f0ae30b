#!/usr/bin/env bash
# Checks of the installed tool set, one per mode:
#   install_test.sh chain    BUILD SOURCE  install into a scratch prefix and run the
#                                          whole example chain from the installed programs
#   install_test.sh pages    BUILD SOURCE  every manual page renders without a warning
#   install_test.sh synopsis BUILD SOURCE  each program's --help usage line is its page's
#                                          SYNOPSIS, its --version the page's version
# The expected figures of the chain come from how the example study is made (see
# example/README.md and the generator scripts), not from earlier runs.
set -uo pipefail

mode=${1:?mode}
build=$(cd "${2:?build dir}" && pwd)
source_dir=$(cd "${3:?source dir}" && pwd)
programs=(tlvanalysis hlbanalysis tessiclip TLVCombineAll tlvstats)

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
expect_eq() {  # expect_eq WHAT ACTUAL EXPECTED
  [ "$2" == "$3" ] || fail "$1: got '$2', expected '$3'"
}
finish() {
  if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
  fi
  echo "all checks passed"
}

need_groff() {
  command -v groff >/dev/null ||
    { echo "FAIL: groff is not installed (.ci/run installs groff-base)" >&2; exit 1; }
}

# Lines of a file (LF count) and the file without its CRs.
lines() { wc -l <"$1" | tr -d ' '; }
plain() { tr -d '\r' <"$1"; }
# The lines of a statistics table in the part whose title line (the line after an
# empty line) begins with TITLE: section FILE TITLE.
section() {
  plain "$1" | awk -v title="$2" '
      prev == "" { on = index($0, title) == 1 } { prev = $0 } on'
}

# ---------------------------------------------------------------------------
# chain

# run_quiet NAME STDIN COMMAND...: runs a program in the current folder; a
# successful run prints nothing on standard error and exits 0.
run_quiet() {
  local name=$1 input=$2
  shift 2
  local err status
  err=$("$@" <"$input" 2>&1 >/dev/null)
  status=$?
  expect_eq "$name exit status" "$status" 0
  [ -z "$err" ] || fail "$name wrote on standard error: $err"
}

nonempty() {
  for f in "$@"; do
    [ -s "$f" ] || fail "$(basename "$f") is missing or empty"
  done
}

# Every record of a file ends with CR LF and, when WIDTH is given, has that width.
records_shaped() {  # records_shaped FILE FIRST_LINE LAST_LINE WIDTH
  local bad
  bad=$(awk -v a="$2" -v b="$3" -v w="$4" \
    'NR >= a && (b == 0 || NR <= b) { if (substr($0, length($0)) != "\r" || length($0) - 1 != w) n++ }
     END { print n + 0 }' "$1")
  expect_eq "$(basename "$1") lines $2-$3 of width $4 ending CR LF (bad lines)" "$bad" 0
}

chain() {
  tmp=$(mktemp -d "${TMPDIR:-/tmp}/tracer-install.XXXXXX")
  trap 'rm -rf "$tmp"' EXIT
  local prefix=$tmp/prefix
  if ! "${CMAKE_COMMAND:-cmake}" --install "$build" --prefix "$prefix" >"$tmp/install.log" 2>&1; then
    cat "$tmp/install.log" >&2
    fail "cmake --install failed"
    finish
  fi

  # What the prefix holds.
  local bin=$prefix/bin share=$prefix/share/tracer-eval/example
  for p in "${programs[@]}"; do
    [ -x "$bin/$p" ] || fail "bin/$p not installed"
    [ -s "$prefix/share/man/man1/$p.1" ] || fail "share/man/man1/$p.1 not installed"
    cmp -s "$source_dir/man/$p.1" "$prefix/share/man/man1/$p.1" || fail "installed $p.1 differs"
  done
  for f in tolvern/TolvernSF611052011.txt tolvern/tolvernsf6-max11052011.txt \
    holmby/hbarcs.txt holmby/holmby-pairs.csv met/dates.txt met/aermet-surface.txt met/aermet-profile.txt \
    met/replies.txt models/TLV-AERMOD-Results.txt models/TLV-iscst3-Results.txt README.md; do
    cmp -s "$source_dir/example/$f" "$share/$f" || fail "example file $f not installed as it is"
  done
  [ -z "$(find "$share" -name 'make_*.py')" ] || fail "generator scripts installed with the example"

  # The user's scratch folders, filled from the installed example.
  local study=$tmp/study
  mkdir -p "$study/tolvern" "$study/holmby"
  cp "$share"/tolvern/* "$share"/met/* "$share"/models/* "$study/tolvern/"
  cp "$share"/holmby/* "$study/holmby/"

  # Elevated-release study: 12 hours x 4 arcs = 48 blocks; 6 carry a flag below 3.
  cd "$study/tolvern" || exit 1
  run_quiet tlvanalysis /dev/null "$bin/tlvanalysis"
  nonempty TolvernOBSAnalysis.txt TLVemissions.txt
  local admitted
  admitted=$(awk 'NR > 48 && substr($0, 88, 1) + 0 >= 3' tolvernsf6-max11052011.txt | wc -l | tr -d ' ')
  expect_eq "quality records with flag 3 or more" "$admitted" 42
  expect_eq "TolvernOBSAnalysis.txt lines" "$(lines TolvernOBSAnalysis.txt)" $((2 + 42))
  records_shaped TolvernOBSAnalysis.txt 3 0 177
  # One emission record per hour with an admitted arc: all 12 hours.
  expect_eq "TLVemissions.txt lines" "$(lines TLVemissions.txt)" 12
  records_shaped TLVemissions.txt 1 0 66
  expect_eq "emission records" "$(plain TLVemissions.txt | grep -c '^SO HOUREMIS .* STACK     1000.000 ')" 12
  expect_eq "first emission hour" "$(plain TLVemissions.txt | head -1 | cut -c12-23)" " 80  7 15 10"
  expect_eq "last emission hour" "$(plain TLVemissions.txt | tail -1 | cut -c12-23)" " 81  5 20 15"
  # Every admitted hour and arc has exactly one report line (key YYMMDDHH, arc km).
  local want got
  want=$(awk 'NR > 48 && substr($0, 88, 1) + 0 >= 3 {
      printf "%s%s%s%s %.2f\n", substr($0, 3, 2), substr($0, 6, 2), substr($0, 9, 2), substr($0, 20, 2), substr($0, 42, 4) }' \
    tolvernsf6-max11052011.txt | sort)
  got=$(plain TolvernOBSAnalysis.txt | awk 'NR > 2 { printf "%s %.2f\n", substr($0, 11, 8), substr($0, 38, 10) }' | sort)
  [ "$want" == "$got" ] || fail "report hours and arcs differ from the admitted ones"

  # Meteorology: 13 dates, one missing from the AERMET files (80 7 30 12), one
  # without profile (80 7 22 14): 11 hours kept.
  run_quiet tessiclip replies.txt "$bin/tessiclip"
  nonempty cutsurf.txt cutprof.txt cutiscst3.txt CutmetSummary.txt
  expect_eq "cutsurf.txt lines" "$(lines cutsurf.txt)" $((1 + 11))
  expect_eq "cutprof.txt lines" "$(lines cutprof.txt)" 11
  expect_eq "cutiscst3.txt lines" "$(lines cutiscst3.txt)" $((1 + 11))
  records_shaped cutsurf.txt 1 1 100
  records_shaped cutsurf.txt 2 0 165
  records_shaped cutprof.txt 1 0 165
  records_shaped cutiscst3.txt 1 1 45
  records_shaped cutiscst3.txt 2 0 48
  expect_eq "cutsurf.txt header" "$(plain cutsurf.txt | head -1 | sed 's/ *$//')" \
    "$(head -1 aermet-surface.txt | cut -c1-100 | sed 's/ *$//')"
  expect_eq "flow vectors" "$(plain cutiscst3.txt | tail -n +2 | cut -c9-17 | sort -u)" "  90.0000"
  expect_eq "CutmetSummary.txt" "$(plain CutmetSummary.txt)" \
    "$(printf ' NoProf:   1 No Prof data for:  80  7 22 14\n NoSurf:   1 No Surf data for:  80  7 30 12')"
  # The kept hours are the dates less the two missing ones, in the dates' order.
  want=$(grep -v -e '^80  7 22 14' -e '^80  7 30 12' dates.txt | awk '{ printf "%02d%02d%02d%02d\n", $1, $2, $3, $4 }')
  got=$(plain cutiscst3.txt | tail -n +2 | awk '{ printf "%02d%02d%02d%02d\n", substr($0,1,2), substr($0,3,2), substr($0,5,2), substr($0,7,2) }')
  [ "$want" == "$got" ] || fail "cutiscst3.txt hours differ from the kept dates"

  # The copies the user makes, then the combiner. 48 AERMOD records: 42 have an
  # admitted observed arc, ISCST3 lacks 80071511 at 1 km (41), and its record of
  # 80072212 at 2 km has CY1/Q 0: 40 combined lines.
  cp TolvernOBSAnalysis.txt TolvernOBSAnalysisNoFill.txt
  cp cutsurf.txt Tlvcutsurf-all.txt
  run_quiet TLVCombineAll /dev/null "$bin/TLVCombineAll"
  local combined=TLV-Combined-NoFill-Results.txt
  nonempty "$combined"
  expect_eq "$combined lines" "$(lines "$combined")" $((2 + 40 + 3))
  records_shaped "$combined" 3 42 340
  expect_eq "count lines" "$(plain "$combined" | tail -3)" \
    "$(printf '     ISC Zero Cy:  1\n     Iaerobs:      42\n     iallthree:    41')"
  # OBK of every line: the Obukhov length of its hour in the cut surface file
  # (columns 56-64), -99999 for the hour without a kept surface record.
  local bad_obk
  bad_obk=$(plain "$combined" | awk -v surf=Tlvcutsurf-all.txt '
      BEGIN { while ((getline s < surf) > 0) if (++n > 1) {
                key = sprintf("%02d%02d%02d%02d", substr(s,1,2), substr(s,3,3), substr(s,6,3), substr(s,13,3))
                L[key] = substr(s, 56, 9) + 0 } }
      NR > 2 && NR <= 42 {
        key = substr($0, 11, 8); obk = substr($0, 64, 10) + 0
        want = (key in L) ? L[key] : -99999
        if (obk != want) { print key; bad++ } }
      END { if (bad == 0) print "none" }')
  expect_eq "combined lines whose OBK is not their hour's" "$bad_obk" none
  expect_eq "combined lines of hour 80072214 (OBK -99999.00)" \
    "$(plain "$combined" | cut -c11-18,64-73 | grep -c '^80072214 -99999.00$')" 4
  # The model records are carried unchanged, each of the line's own hour.
  expect_eq "AERMOD parts not found in the AERMOD file" \
    "$(plain "$combined" | sed -n '3,42p' | cut -c181-260 | sed 's/ *$//' |
       grep -cvxF -f <(tail -n +3 TLV-AERMOD-Results.txt | sed 's/ *$//'))" 0
  expect_eq "ISCST3 parts not found in the ISCST3 file" \
    "$(plain "$combined" | sed -n '3,42p' | cut -c261-340 | sed 's/ *$//' |
       grep -cvxF -f <(tail -n +3 TLV-iscst3-Results.txt | sed 's/ *$//'))" 0
  expect_eq "combined lines whose model keys differ from the observed key" \
    "$(plain "$combined" | awk 'NR > 2 && NR <= 42 && (substr($0, 184, 8) != substr($0, 11, 8) ||
                                  substr($0, 264, 8) != substr($0, 11, 8))' | wc -l | tr -d ' ')" 0

  # Statistics and pictures: 40 lines, arcs 0.5 1 2 5 km with 9 10 11 10 lines.
  run_quiet tlvstats /dev/null "$bin/tlvstats" --resamples 200 --seed 3
  nonempty TLV-Model-Statistics.txt TLV-Scatter.svg TLV-QQ.svg TLV-Taylor.svg TLV-Target.svg
  expect_eq "measure lines" \
    "$(section TLV-Model-Statistics.txt Measures | grep -c -E '^(AERMOD|ISCST3) +(CY/Q|CMAX/Q) ')" 28
  expect_eq "difference lines" \
    "$(section TLV-Model-Statistics.txt Differences | grep -c '^AERMOD-ISCST3 ')" 14
  expect_eq "operational statistics lines" \
    "$(section TLV-Model-Statistics.txt 'Operational statistics' | grep -c -E '^(AERMOD|ISCST3) ')" 28
  expect_eq "lines per group (AERMOD CY/Q)" \
    "$(section TLV-Model-Statistics.txt Measures | grep '^AERMOD        CY/Q ' | cut -c22-44 | tr -s ' ' | sed 's/ $//')" \
    "$(printf 'all 40\narc 0.50 9\narc 1.00 10\narc 2.00 11\narc 5.00 10\nstable 0\nunstable 36')"
  for svg in TLV-Scatter.svg TLV-QQ.svg TLV-Taylor.svg TLV-Target.svg; do
    head -1 "$svg" | grep -q '^<?xml' || fail "$svg does not start as XML"
    plain "$svg" | tail -1 | grep -q '</svg>$' || fail "$svg does not end its svg element"
  done
  # Taylor: one panel per quantity, each with its reference point and the rays of
  # 0.9, 0.95 and 0.99; target: one circle of radius 1 per quantity.
  expect_eq "Taylor panels" "$(grep -c '>observed</text>' TLV-Taylor.svg)" 2
  for r in 0.9 0.95 0.99; do
    expect_eq "Taylor rays of R $r" "$(grep -c ">$r</text>" TLV-Taylor.svg)" 2
  done
  expect_eq "Target panels" "$(grep -c '>CMAX/Q</text>\|>CY/Q</text>' TLV-Target.svg)" 2

  # Near-surface study: 340 arc blocks, one line each.
  cd "$study/holmby" || exit 1
  run_quiet hlbanalysis /dev/null "$bin/hlbanalysis"
  nonempty HolmbyOBSAnalysis.txt
  expect_eq "HolmbyOBSAnalysis.txt lines" "$(lines HolmbyOBSAnalysis.txt)" $((2 + 340))
  records_shaped HolmbyOBSAnalysis.txt 3 0 138
  # Its pairs file: three models, CY/Q and CMAX/Q, all lines and five arcs.
  run_quiet tlvstats /dev/null "$bin/tlvstats" --pairs holmby-pairs.csv --resamples 200
  nonempty holmby-pairs-Model-Statistics.txt holmby-pairs-Model-Statistics.csv \
    holmby-pairs-Taylor.svg holmby-pairs-Target.svg
  for svg in holmby-pairs-Taylor.svg holmby-pairs-Target.svg; do
    plain "$svg" | tail -1 | grep -q '</svg>$' || fail "$svg does not end its svg element"
  done
  expect_eq "pairs measure lines" \
    "$(section holmby-pairs-Model-Statistics.txt Measures | grep -c -E '^Model[ABC] +(CY/Q|CMAX/Q) ')" 36
  expect_eq "pairs difference lines" \
    "$(section holmby-pairs-Model-Statistics.txt Differences | grep -c -E '^Model[AB]-Model[BC] ')" 36
  # With the quality objective and thresholds: their sections, each line per model
  # (and threshold).
  run_quiet tlvstats /dev/null "$bin/tlvstats" --pairs holmby-pairs.csv --resamples 20 \
    --uncertainty no2 --threshold CY/Q=30 --threshold CMAX/Q=1
  expect_eq "pairs objective lines" "$(section holmby-pairs-Model-Statistics.txt \
    'Modelling quality objective per' | grep -c -E '^Model[ABC] +(CY/Q|CMAX/Q) ')" 36
  expect_eq "pairs exceedance lines" "$(section holmby-pairs-Model-Statistics.txt \
    'Exceedances per' | grep -c -E '^Model[ABC] +(CY/Q|CMAX/Q) ')" 36
  finish
}

# ---------------------------------------------------------------------------
# pages

pages() {
  need_groff
  local page warnings
  for p in "${programs[@]}"; do
    page=$source_dir/man/$p.1
    [ -s "$page" ] || { fail "man/$p.1 missing"; continue; }
    warnings=$(groff -man -ww -z "$page" 2>&1)
    [ -z "$warnings" ] || fail "man/$p.1 renders with warnings: $warnings"
    for section in NAME SYNOPSIS DESCRIPTION FILES "EXIT STATUS" EXAMPLES; do
      grep -qx "\.SH \"\?$section\"\?" "$page" || fail "man/$p.1 has no $section section"
    done
    grep -q "^$p \\\\- " "$page" || fail "man/$p.1 NAME does not start with '$p \\-'"
  done
  # No page without a program.
  for page in "$source_dir"/man/*; do
    local name
    name=$(basename "$page" .1)
    [[ " ${programs[*]} " == *" $name "* ]] || fail "man/$(basename "$page") belongs to no program"
  done
  finish
}

# ---------------------------------------------------------------------------
# synopsis

# The SYNOPSIS section of a page as plain text on one line.
page_synopsis() {
  groff -man -Tascii -P-cbou -rLL=300n "$1" 2>/dev/null |
    awk '/^SYNOPSIS$/ { on = 1; next } on && /^[^ ]/ { exit } on { print }' |
    tr -s ' \n' ' ' | sed 's/^ //; s/ $//'
}

synopsis() {
  need_groff
  local usage page_text
  for p in "${programs[@]}"; do
    usage=$("$build/bin/$p" --help | head -1)
    [[ $usage == "usage: "* ]] || fail "$p --help does not start with 'usage: ': $usage"
    page_text=$(page_synopsis "$source_dir/man/$p.1")
    expect_eq "$p: --help usage line against SYNOPSIS of man/$p.1" "${usage#usage: }" "$page_text"
    # The page's footer names the version the program reports.
    local page_version
    page_version=$(sed -n 's/^\.TH .*"tracer-eval \([^"]*\)".*/\1/p' "$source_dir/man/$p.1")
    expect_eq "$p --version against the footer of man/$p.1" "$("$build/bin/$p" --version)" "$p $page_version"
    # An unknown argument gives the same usage line on standard error, status 2.
    local err status
    err=$("$build/bin/$p" --no-such-option 2>&1 >/dev/null)
    status=$?
    expect_eq "$p unknown argument status" "$status" 2
    grep -qxF -- "usage: $page_text" <<<"$err" || fail "$p usage error does not show the page's synopsis"
  done
  finish
}

case $mode in
  chain) chain ;;
  pages) pages ;;
  synopsis) synopsis ;;
  *) echo "unknown mode $mode" >&2; exit 2 ;;
esac
