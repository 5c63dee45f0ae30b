// The whole tlvanalysis run on a large generated study: 100,000 observation blocks
// of 50 samplers (14,286 hours of seven arcs), every block admitted by quality
// control, so every block is read, fitted and reported.
//
//   tlvanalysis_bench                         runs the benchmark
//   tlvanalysis_bench --write-study DIR N     writes a study of N blocks into DIR
//                                             (for timing the program itself)
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/scratch.h"
#include "tlvanalysis/tlvanalysis.h"

namespace {

constexpr int kSamplers = 50;
const double kArcKm[] = {0.5, 1.0, 2.0, 3.0, 5.0, 7.0, 10.0};
constexpr int kArcs = 7;

// Writes the quality-control and observation files of `blocks` blocks into `dir`.
void write_study(const std::filesystem::path& dir, int blocks) {
  // The sampler records of each arc: a plume centred on bearing 70 degrees.
  std::vector<std::string> arc_samplers(kArcs);
  for (int a = 0; a < kArcs; ++a) {
    for (int i = 0; i < kSamplers; ++i) {
      const double b = (40.0 + 1.2 * i) * 3.14159265358979 / 180.0;
      const double x = 285.597 + kArcKm[a] * std::sin(b);
      const double y = 4385.088 + kArcKm[a] * std::cos(b);
      double c = 25.0 * std::exp(-0.5 * std::pow((i - 25.0) / 6.0, 2));
      if (c < 0.05) c = 0.0;
      if (i == 17) c = -1.0;
      char rec[128];
      std::snprintf(rec, sizeof rec, "%4d%8.3f%10.3f%10.1f%10.2f\n", i + 1, x, y, 40.0 + 1.2 * i,
                    c);
      arc_samplers[static_cast<std::size_t>(a)] += rec;
    }
  }
  std::string obs, qc;
  obs.reserve(static_cast<std::size_t>(blocks) * 2600);
  for (int i = 0; i < 48; ++i) qc += "QUALITY-CONTROL HEADER RECORD\n";
  char rec[256];
  for (int n = 0; n < blocks; ++n) {
    const int h = n / kArcs, a = n % kArcs;
    const int year = 80 + h / (12 * 28 * 24);
    const int month = 1 + h / (28 * 24) % 12;
    const int day = 1 + h / 24 % 28;
    const int hour = h % 24;
    std::snprintf(rec, sizeof rec, "%-31s %02d/%02d/%02d %-35s %02d00 LST\n", "TOLVERN SF6 BENCH",
                  year, month, day, "", hour);
    obs += rec;
    std::snprintf(rec, sizeof rec, "%-29s%9.2f M\n",
                  " STABILITY  HANNA-PAINE L =", -50.0 - h % 400);
    obs += rec;
    obs += " SIGMA-THETA =  12.0 DEG     WIND FROM = 250.0 DEG\n";
    std::snprintf(rec, sizeof rec, "%-29s%8.2f%-9s%9.2f%-11s%9.2f%-11s%11.4E\n",
                  " STACK  TS (K) =", 400.0 + h % 20, " VS(M/S)=", 12.5,
                  "  Q(G/S) = ", 5.0 + (h % 7) * 0.1, " CFACTOR = ", 1.0 + (h % 10) * 0.1);
    obs += rec;
    std::snprintf(rec, sizeof rec, " ARC(KM)   %5.1f  SAMPLERS =   %5d\n", kArcKm[a], kSamplers);
    obs += rec;
    obs += " NO.  X (KM)    Y (KM)   BRG(DEG)   CONC\n";
    obs += arc_samplers[static_cast<std::size_t>(a)];
    std::snprintf(rec, sizeof rec, "  %02d/%02d/%02d         %02d%20s%4.1f%42s5\n", year, month,
                  day, hour, "", kArcKm[a], "");
    qc += rec;
  }
  std::ofstream(dir / "tolvernsf6-max11052011.txt", std::ios::binary) << qc;
  std::ofstream(dir / "TolvernSF611052011.txt", std::ios::binary) << obs;
}

void BM_TlvanalysisLargeStudy(benchmark::State& state) {
  testsupport::ScratchDir dir;
  const int blocks = static_cast<int>(state.range(0));
  write_study(dir.path(), blocks);
  const std::vector<std::string> args;
  for (auto _ : state) {
    std::istringstream in;
    std::ostringstream out, err;
    runframe::RunContext ctx{dir.path(), args, in, out, err};
    if (run_tlvanalysis(ctx) != 0) state.SkipWithError(err.str().c_str());
  }
  // Every block gives a line: two header lines and one line of 177 columns + CR LF each.
  const auto size = std::filesystem::file_size(dir / "TolvernOBSAnalysis.txt");
  const auto header = std::strlen(
      "                      DUR     Dist         Arc           Q    Hanna-Paine-OBK       OMAX "
      "          CMAX           CY            CMAX/Q          CY/Q            Sy         PHIC\r\n"
      "     Exp  YYMMDDHHMM (min)    (km)         (km)        (g/s)         (m)       (gx10^-6/m^3)"
      "  (gx10^-6/m^3)  (sx10^-6/m^2)  (sx10^-6/m^3)  (sx10^-6/m^2)        (m)      (degrees)\r\n");
  if (size != header + static_cast<std::uintmax_t>(blocks) * 179) {
    state.SkipWithError("the report does not hold one line per block");
  }
  state.counters["blocks/s"] = benchmark::Counter(static_cast<double>(blocks),
                                                  benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_TlvanalysisLargeStudy)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::strcmp(argv[1], "--write-study") == 0) {
    write_study(argv[2], std::atoi(argv[3]));
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
