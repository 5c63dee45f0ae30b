// bstfit on one full arc of 200 receptors (the largest the library accepts).
#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <random>

#include "arcstats/arcstats.h"

namespace {

struct ArcSample {
  std::array<float, arcstats::NMAX> conc, x, y;
};

ArcSample make_arc() {
  ArcSample a;
  std::mt19937 rng(611052011);
  std::uniform_real_distribution<double> jitter(-0.02, 0.02), noise(0.7, 1.3);
  std::uniform_int_distribution<int> pick(0, arcstats::NMAX - 1);
  for (int i = 0; i < arcstats::NMAX; ++i) {
    const int k = (i * 73) % arcstats::NMAX;  // receptors not in bearing order
    const double b = 5.0 + 1.7 * k;
    const double r = 4.0 * (1.0 + jitter(rng));
    const double rad = b * 3.141592653589793 / 180.0;
    a.x[i] = static_cast<float>(r * std::sin(rad));
    a.y[i] = static_cast<float>(r * std::cos(rad));
    const double d = (b - 170.0) / 12.0;
    a.conc[i] = static_cast<float>(25.0 * std::exp(-0.5 * d * d) * noise(rng));
  }
  for (int m = 0; m < 20; ++m) a.conc[pick(rng)] = -1.0f;  // samplers without a value
  return a;
}

void BM_bstfit_200(benchmark::State& state) {
  const ArcSample input = make_arc();
  const arcstats::SourceSetting src{1000.0f, 0.0f, 0.0f};
  ArcSample work;
  std::array<float, arcstats::NMAX> ylat{}, ang{};
  arcstats::FitResults out;
  for (auto _ : state) {
    work = input;  // the fit reorders the arc in place
    arcstats::bstfit(arcstats::NMAX, work.conc, work.x, work.y, ylat, ang, out, src, {});
    benchmark::DoNotOptimize(out);
    benchmark::DoNotOptimize(ylat.data());
    benchmark::ClobberMemory();
  }
  if (out.IERR != 0) state.SkipWithError("fit failed");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_bstfit_200);

}  // namespace

BENCHMARK_MAIN();
