#!/usr/bin/env bash
# Builds the tool set and runs the whole chain on the example study shipped in
# example/, in the scratch folder example-run/ (inputs are copied there first).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/main}
if [ -z "${BUILD_DIR:-}" ]; then
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DTRACER_BENCHMARKS=OFF >/dev/null
  cmake --build "$build" -j"${JOBS:-2}"
fi
bin=$build/bin
ex=$root/example
run=$root/example-run
rm -rf "$run"
mkdir -p "$run/tolvern" "$run/holmby"

have() {  # have PROGRAM: the program is built
  if [ -x "$bin/$1" ]; then return 0; fi
  echo "-- $1: not built yet (its issue is still open)"
  return 1
}
step() { echo "== $*"; }

# Elevated-release study: observed plume statistics and hourly emissions.
if have tlvanalysis && [ -d "$ex/tolvern" ]; then
  step "tlvanalysis (example-run/tolvern)"
  cp "$ex"/tolvern/* "$run/tolvern/"
  (cd "$run/tolvern" && "$bin/tlvanalysis")
  echo "   wrote TolvernOBSAnalysis.txt ($(($(wc -l <"$run/tolvern/TolvernOBSAnalysis.txt") - 2)) arc lines), TLVemissions.txt"
fi

# Near-surface study.
if have hlbanalysis && [ -d "$ex/holmby" ]; then
  step "hlbanalysis (example-run/holmby)"
  cp "$ex"/holmby/* "$run/holmby/"
  (cd "$run/holmby" && "$bin/hlbanalysis")
  echo "   wrote HolmbyOBSAnalysis.txt"
fi

# Meteorology cutter, replies fed on standard input.
if have tessiclip && [ -d "$ex/met" ]; then
  step "tessiclip (example-run/tolvern)"
  cp "$ex"/met/* "$run/tolvern/"
  (cd "$run/tolvern" && "$bin/tessiclip" <"$ex/met/replies.txt" >/dev/null)
  echo "   wrote cutsurf.txt, cutprof.txt, cutiscst3.txt, CutmetSummary.txt"
fi

# The copies the user makes, the outside model results, then the combiner.
if have TLVCombineAll && [ -d "$ex/models" ] && [ -f "$run/tolvern/TolvernOBSAnalysis.txt" ] &&
  [ -f "$run/tolvern/cutsurf.txt" ]; then
  step "TLVCombineAll (example-run/tolvern)"
  cp "$run/tolvern/TolvernOBSAnalysis.txt" "$run/tolvern/TolvernOBSAnalysisNoFill.txt"
  cp "$run/tolvern/cutsurf.txt" "$run/tolvern/Tlvcutsurf-all.txt"
  cp "$ex"/models/* "$run/tolvern/"
  (cd "$run/tolvern" && "$bin/TLVCombineAll")
  echo "   wrote TLV-Combined-NoFill-Results.txt"
fi

# Model-performance statistics and pictures.
if have tlvstats && [ -f "$run/tolvern/TLV-Combined-NoFill-Results.txt" ]; then
  step "tlvstats (example-run/tolvern)"
  (cd "$run/tolvern" && "$bin/tlvstats")
  echo "   wrote TLV-Model-Statistics.txt, TLV-Model-Statistics.csv, TLV-Evaluation.html"
  echo "   pictures: TLV-Scatter.svg, TLV-QQ.svg, TLV-Residuals.svg, TLV-MG-VG.svg, TLV-FB-NMSE.svg,"
  echo "             TLV-Taylor.svg, TLV-Target.svg"
fi

# The near-surface study's pairs file: three made-up models against its observations.
if have tlvstats && [ -f "$run/holmby/holmby-pairs.csv" ]; then
  step "tlvstats --pairs holmby-pairs.csv (example-run/holmby)"
  (cd "$run/holmby" && "$bin/tlvstats" --pairs holmby-pairs.csv)
  echo "   wrote holmby-pairs-Model-Statistics.txt, holmby-pairs-Model-Statistics.csv,"
  echo "         holmby-pairs-Evaluation.html"
  echo "   pictures: holmby-pairs-Scatter.svg, holmby-pairs-QQ.svg, holmby-pairs-Residuals.svg,"
  echo "             holmby-pairs-MG-VG.svg, holmby-pairs-FB-NMSE.svg, holmby-pairs-Taylor.svg,"
  echo "             holmby-pairs-Target.svg"
fi
echo "done: outputs are in example-run/"
