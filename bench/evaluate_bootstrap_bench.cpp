// tlvstats with 1,000 resamples on 10,000 and 100,000 combined lines: the
// evaluation alone (measures, NAD, RHC and the stratified bootstrap of every group
// and paired difference) and the whole run (reading the table, evaluating, writing
// the table, the tidy file and the two pictures); and the whole run of a pairs file
// of three models and two quantities. The counter "largest_file_MB" is the size of
// the largest output.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench/study_inputs.h"
#include "evaluate/input/combined_table.h"
#include "evaluate/statistics/evaluation.h"
#include "evaluate/tlvstats.h"
#include "records/records.h"

namespace {

constexpr int kResamples = 1000;
using studyinputs::LineShape;
using studyinputs::pairs_text;
using studyinputs::shapes;
using studyinputs::table_text;

std::vector<evaluate::CombinedLine> lines_of(const std::vector<LineShape>& shapes) {
  std::vector<evaluate::CombinedLine> lines;
  for (const LineShape& s : shapes) {
    evaluate::CombinedLine l;
    l.arc = s.arc;
    l.obk = s.obk;
    l.observed = {s.cy, s.cmax};
    l.predicted = {{{s.aer_cy, s.aer_cmax}, {s.isc_cy, s.isc_cmax}}};
    for (int m = 0; m < evaluate::kModels; ++m) {
      for (int q = 0; q < evaluate::kQuantities; ++q) {
        l.state[m][q] =
            l.observed[q] > 0 ? evaluate::PairState::valid : evaluate::PairState::observed_out;
      }
    }
    lines.push_back(l);
  }
  return lines;
}

void BM_EvaluateLines(benchmark::State& state) {
  const auto lines = lines_of(shapes(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    const evaluate::Evaluation ev =
        evaluate::evaluate_study(evaluate::study_of(lines), kResamples, 1);
    benchmark::DoNotOptimize(ev.results.data());
  }
}
BENCHMARK(BM_EvaluateLines)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// Runs tlvstats with `args` in a scratch folder holding `name` with `text`; the
// largest output's size goes to a counter.
void whole_run(benchmark::State& state, const std::string& name, const std::string& text,
               const std::vector<std::string>& args) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("tlvstats-bench-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directory(dir);
  {
    std::ofstream f(dir / name, std::ios::binary);
    f << text;
  }
  std::istringstream in;
  std::ostringstream out, err;
  const runframe::RunContext ctx{dir, std::span<const std::string>(args), in, out, err};
  for (auto _ : state) {
    if (run_tlvstats(ctx) != 0) state.SkipWithError(err.str().c_str());
  }
  std::uintmax_t largest = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().filename() != name) largest = std::max(largest, entry.file_size());
  }
  state.counters["largest_file_MB"] = static_cast<double>(largest) / 1.0e6;
  std::filesystem::remove_all(dir);
}

void BM_WholeRun(benchmark::State& state) {
  whole_run(state, "TLV-Combined-NoFill-Results.txt",
            table_text(shapes(static_cast<int>(state.range(0)))), {});
}
BENCHMARK(BM_WholeRun)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A pairs file of range(0) lines: half of them CY/Q, half CMAX/Q.
void BM_WholePairsRun(benchmark::State& state) {
  whole_run(state, "pairs.csv", pairs_text(shapes(static_cast<int>(state.range(0) / 2))),
            {"--pairs", "pairs.csv"});
}
BENCHMARK(BM_WholePairsRun)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
