// tlvstats on 10,000 combined lines with 1,000 resamples: the evaluation alone
// (measures and the stratified bootstrap of every group) and the whole run (reading
// the table, evaluating, writing the table and the two pictures).
#include <benchmark/benchmark.h>

#include <cmath>
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

constexpr int kLines = 10000;
constexpr int kResamples = 1000;
constexpr float kArcs[12] = {0.5f,  1.0f,  2.0f,  3.0f,  5.0f,  7.0f,
                             10.0f, 15.0f, 20.0f, 30.0f, 40.0f, 50.0f};

struct LineShape {
  float arc, obk, cy, cmax, aer_cy, aer_cmax, isc_cy, isc_cmax;
};

std::vector<LineShape> shapes() {
  std::mt19937 rng(20111105);
  std::normal_distribution<double> z(0.0, 1.0);
  std::vector<LineShape> out;
  for (int k = 0; k < kLines; ++k) {
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
        records::format(report, {++exp, 80, 7, 15, 10, 0, 60, s.arc, s.arc, 1000.0f, s.obk, 1.0f,
                                 1.0f, 1.0f, s.cmax, s.cy, 150.0f, 200.0f});
    line.resize(180, ' ');
    for (auto [cy, cmax] : {std::pair{s.aer_cy, s.aer_cmax}, std::pair{s.isc_cy, s.isc_cmax}}) {
      std::string r = records::format(
          model, {std::string_view("80071510"), s.arc * 1000.0f, cmax, 12.5f, 250.0f, cy, 1.0f});
      r.resize(80, ' ');
      line += r;
    }
    text += line + "\r\n";
  }
  text += "     ISC Zero Cy:  0\r\n     Iaerobs:      10000\r\n     iallthree:    10000\r\n";
  return text;
}

void BM_EvaluateLines(benchmark::State& state) {
  const auto lines = lines_of(shapes());
  for (auto _ : state) {
    const evaluate::Evaluation ev = evaluate::evaluate_lines(lines, kResamples, 1);
    benchmark::DoNotOptimize(ev.bootstrap.models.data());
  }
}
BENCHMARK(BM_EvaluateLines)->Unit(benchmark::kMillisecond);

void BM_WholeRun(benchmark::State& state) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("tlvstats-bench-" + std::to_string(std::random_device{}()));
  std::filesystem::create_directory(dir);
  {
    std::ofstream f(dir / "TLV-Combined-NoFill-Results.txt", std::ios::binary);
    f << table_text(shapes());
  }
  const std::vector<std::string> args;
  std::istringstream in;
  std::ostringstream out, err;
  const records::RunContext ctx{dir, std::span<const std::string>(args), in, out, err};
  for (auto _ : state) {
    if (run_tlvstats(ctx) != 0) state.SkipWithError(err.str().c_str());
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WholeRun)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
