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

#include "evaluate/evaluation.h"
#include "evaluate/tlvstats.h"
#include "records/records.h"

namespace {

constexpr int kResamples = 1000;
constexpr float kArcs[12] = {0.5f,  1.0f,  2.0f,  3.0f,  5.0f,  7.0f,
                             10.0f, 15.0f, 20.0f, 30.0f, 40.0f, 50.0f};

struct LineShape {
  float arc, obk, cy, cmax, aer_cy, aer_cmax, isc_cy, isc_cmax;
};

std::vector<LineShape> shapes(int lines) {
  std::mt19937 rng(20111105);
  std::normal_distribution<double> z(0.0, 1.0);
  std::vector<LineShape> out;
  for (int k = 0; k < lines; ++k) {
    LineShape s;
    s.arc = kArcs[k % 12];
    const int stab = k % 5;
    s.obk = stab == 0 ? -99999.0f : stab < 3 ? -50.0f - 10.0f * float(k % 7) : 80.0f;
    s.cy = static_cast<float>(std::exp(3.0 + z(rng)) / s.arc);
    s.cmax = s.cy / (100.0f * s.arc);
    s.aer_cy = static_cast<float>(s.cy * std::exp(0.4 * z(rng)));
    s.aer_cmax = static_cast<float>(s.cmax * std::exp(0.2 + 0.5 * z(rng)));
    s.isc_cy = static_cast<float>(s.cy * std::exp(-0.5 + 0.8 * z(rng)));
    s.isc_cmax = static_cast<float>(s.cmax * std::exp(-0.7 + 0.9 * z(rng)));
    if (k % 97 == 0) s.cy = -99.0f;  // a few hours without an observation
    out.push_back(s);
  }
  return out;
}

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

std::string table_text(const std::vector<LineShape>& shapes) {
  const records::Layout report("(3x,i5,2x,5i2.2,2x,i2,4(f10.2,3x),5(3x,1pe12.4),2x,0pf12.3,f12.2)");
  const records::Layout model("(3x,a8,4x,f9.3,1pe12.4,0p,2f9.2,1pe10.3,0pf10.4)");
  std::string text = "header line 1\r\nheader line 2\r\n";
  int exp = 0;
  for (const LineShape& s : shapes) {
    std::string line =
        records::format(report, {exp++ % 99999 + 1, 80, 7, 15, 10, 0, 60, s.arc, s.arc, 1000.0f,
                                 s.obk, 1.0f, 1.0f, 1.0f, s.cmax, s.cy, 150.0f, 200.0f});
    line.resize(180, ' ');
    for (auto [cy, cmax] : {std::pair{s.aer_cy, s.aer_cmax}, std::pair{s.isc_cy, s.isc_cmax}}) {
      std::string r = records::format(
          model, {std::string_view("80071510"), s.arc * 1000.0f, cmax, 12.5f, 250.0f, cy, 1.0f});
      r.resize(80, ' ');
      line += r;
    }
    text += line + "\r\n";
  }
  const std::string n = std::to_string(shapes.size());
  text +=
      "     ISC Zero Cy:  0\r\n     Iaerobs:      " + n + "\r\n     iallthree:    " + n + "\r\n";
  return text;
}

// The same shapes as a pairs file: one line per quantity, a third model between
// the two, the arc as the group.
std::string pairs_text(const std::vector<LineShape>& shapes) {
  std::string text = "group,quantity,observed,obk,AERMOD,ISCST3,MIDDLE\r\n";
  char buf[200];
  for (const LineShape& s : shapes) {
    const float cy = s.cy > 0 ? s.cy : -99.0f;
    std::snprintf(buf, sizeof buf, "%.2f,CY/Q,%.4e,%.1f,%.4e,%.4e,%.4e\r\n", s.arc, cy, s.obk,
                  s.aer_cy, s.isc_cy, 0.5f * (s.aer_cy + s.isc_cy));
    text += buf;
    std::snprintf(buf, sizeof buf, "%.2f,CMAX/Q,%.4e,%.1f,%.4e,%.4e,%.4e\r\n", s.arc, s.cmax, s.obk,
                  s.aer_cmax, s.isc_cmax, 0.5f * (s.aer_cmax + s.isc_cmax));
    text += buf;
  }
  return text;
}

void BM_EvaluateLines(benchmark::State& state) {
  const auto lines = lines_of(shapes(static_cast<int>(state.range(0))));
  for (auto _ : state) {
    const evaluate::Evaluation ev = evaluate::evaluate_lines(lines, kResamples, 1);
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
