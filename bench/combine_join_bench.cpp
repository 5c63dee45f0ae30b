// The whole combiner run on a large study: 20,000 observed arcs (5,000 hours of four
// arcs), 20,000 AERMOD and 20,000 ISCST3 records, every AERMOD record joined.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/combine_files.h"

namespace {

using namespace combine_test;

constexpr int kHours = 5000;
const char* const kArcs[] = {"      0.50", "      1.00", "      2.00", "      5.00"};
const char* const kDists[] = {"  500.000", " 1000.000", " 2000.000", " 5000.000"};

struct LargeStudy {
  testsupport::ScratchDir dir;

  LargeStudy() {
    std::string observed = "observed header 1\nobserved header 2\n";
    std::string models = "model header 1\nmodel header 2\n";
    std::string surface = "surface header\n";
    for (int n = 0; n < kHours; ++n) {
      // Consecutive hours from 1980-01-01 01:00, 24 hours a day, 28 days a month.
      const int year = 80 + n / (12 * 28 * 24);
      const int month = 1 + n / (28 * 24) % 12;
      const int day = 1 + n / 24 % 28;
      const int hour = 1 + n % 24;
      char key[16];
      std::snprintf(key, sizeof key, "%02d%02d%02d%02d", year, month, day, hour);
      char obk[16];
      std::snprintf(obk, sizeof obk, "%8.1f", -500.0 + n % 1000);
      surface += surface_record(year, month, day, hour, obk) + "\n";
      for (int a = 0; a < 4; ++a) {
        observed +=
            observed_line("   " + std::to_string(n % 100), std::string(key) + "00", kArcs[a]) +
            "\n";
        models += model_record(key, kDists[a], "1.2345E-02") + "\n";
      }
    }
    dir.write(kObservedName, observed);
    dir.write(kIscst3Name, models);
    dir.write(kAermodName, models);
    dir.write(kSurfaceName, surface);
  }
};

void BM_CombineLargeStudy(benchmark::State& state) {
  LargeStudy study;
  const std::vector<std::string> args;
  for (auto _ : state) {
    std::istringstream in;
    std::ostringstream out, err;
    runframe::RunContext ctx{study.dir.path(), args, in, out, err};
    const int status = run_combine(ctx);
    if (status != 0) state.SkipWithError(err.str().c_str());
  }
  const std::string table = study.dir.read(kTableName);
  if (table.find("iallthree:    20000") == std::string::npos) {
    state.SkipWithError("the table does not hold 20000 joined lines");
  }
}
BENCHMARK(BM_CombineLargeStudy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
