// Whole runs of hlbanalysis on a made-up study of 340 arcs, and the sampler
// conversion alone.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "hlbanalysis/arc_reader.h"
#include "hlbanalysis/hlbanalysis.h"

namespace {

// 340 blocks of `samplers` samplers every 2 degrees across a Gaussian plume.
std::string study(int samplers) {
  std::mt19937 rng(1961);
  std::uniform_real_distribution<double> centre(100.0, 260.0);
  std::string text = "'bench study'\n";
  char buf[128];
  const int radii[] = {50, 100, 200, 400, 800};
  for (int b = 0; b < 340; ++b) {
    const int radius = radii[b % 5];
    const double c0 = centre(rng);
    std::snprintf(buf, sizeof buf,
                  "%d %d ' 08/03/61 ' '1400-1410' 4.5\n%d 1 %d %d 1.0 0 0 95.0 0.46\n", b / 5 + 1,
                  b % 5 + 1, samplers, samplers, radius);
    text += buf;
    const int first = static_cast<int>(c0) - samplers;
    for (int k = 0; k < samplers; ++k) {
      const int bearing = first + 2 * k;
      const double d = (bearing - c0) / 12.0;
      std::snprintf(buf, sizeof buf, "%4d%3d%5d     %3d%7.2f%3d%10.1f\n", b / 5 + 1, b % 5 + 1,
                    k + 1, bearing, 1.5, radius, 50000.0 * std::exp(-0.5 * d * d));
      text += buf;
    }
  }
  return text;
}

void BM_WholeRun(benchmark::State& state) {
  const auto dir = std::filesystem::temp_directory_path() /
                   ("hlbanalysis-bench-" + std::to_string(state.range(0)));
  std::filesystem::create_directories(dir);
  const std::string text = study(static_cast<int>(state.range(0)));
  std::ofstream(dir / "hbarcs.txt", std::ios::binary) << text;
  std::istringstream in;
  std::ostringstream out, err;
  const runframe::RunContext ctx{dir, {}, in, out, err};
  for (auto _ : state) {
    if (run_hlbanalysis(ctx) != 0) state.SkipWithError("run failed");
  }
  state.SetItemsProcessed(state.iterations() * 340);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_WholeRun)->Arg(45)->Arg(180)->Unit(benchmark::kMillisecond);

void BM_ReceptorOffset(benchmark::State& state) {
  int bearing = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(hlbanalysis::receptor_offset(bearing, 400));
    bearing = bearing == 360 ? 1 : bearing + 1;
  }
}
BENCHMARK(BM_ReceptorOffset);

}  // namespace
BENCHMARK_MAIN();
