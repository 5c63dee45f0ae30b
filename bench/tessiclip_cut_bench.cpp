// Whole tessiclip runs on a two-year hourly study: 17,544 surface records, a
// profile file of 10 levels per hour, a dates file listing every hour.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "records/records.h"
#include "tessiclip/tessiclip.h"

namespace {

namespace fs = std::filesystem;

class StudyDir {
 public:
  StudyDir() {
    std::random_device rd;
    path_ = fs::temp_directory_path() / ("tessiclip-bench-" + std::to_string(rd()));
    fs::create_directories(path_);
    write_files();
  }
  ~StudyDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  long hours() const { return hours_; }

 private:
  void write_files() {
    std::ofstream dates(path_ / "dates.txt", std::ios::binary);
    std::ofstream surf(path_ / "surface.txt", std::ios::binary);
    std::ofstream prof(path_ / "profile.txt", std::ios::binary);
    surf << "   51.650N    1.350W             UA_ID: 13841     SF_ID: 14757     OS_ID:"
            "         VERSION: 11059\n";
    std::mt19937 rng(1980);
    std::uniform_real_distribution<float> u(0.0f, 1.0f);
    const int month_days[2][12] = {{31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                                   {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};
    char line[256];
    for (int y = 80; y <= 81; ++y) {
      int jday = 0;
      for (int m = 1; m <= 12; ++m) {
        for (int d = 1; d <= month_days[y - 80][m - 1]; ++d) {
          ++jday;
          for (int h = 1; h <= 24; ++h) {
            ++hours_;
            const bool day = h >= 7 && h <= 19;
            const float H = day ? 20.0f + 200.0f * u(rng) : -5.0f - 20.0f * u(rng);
            const float L = (u(rng) < 0.01f)
                                ? -99999.0f
                                : (day ? -5.0f - 300.0f * u(rng) : 5.0f + 500.0f * u(rng));
            std::snprintf(line, sizeof line,
                          "%2d%3d%3d%4d%3d%7.1f%7.3f%7.3f%7.3f%5.0f.%5.0f.%9.1f%8.4f%7.2f%8.2f%7.2f"
                          "%7.1f%7.1f%7.1f%7.1f%5d%7.2f%6.0f%7.0f%5d NAD-SFC\n",
                          y, m, d, jday, h, H, 0.3f, day ? 1.2f : -9.0f, day ? 0.005f : 0.02f,
                          day ? 800.0f : -999.0f, 400.0f, L, 0.1f + 0.2f * u(rng), 0.8f, 0.18f,
                          1.0f + 8.0f * u(rng), 360.0f * u(rng), 10.0f, 280.0f + 20.0f * u(rng),
                          2.0f, 0, 0.0f, 60.0f, 1012.0f, 5);
            surf << line;
            std::snprintf(line, sizeof line, "%2d%3d%3d%3d\n", y, m, d, h);
            dates << line;
            for (int level = 1; level <= 10; ++level) {
              std::snprintf(line, sizeof line,
                            "%2d%3d%3d%3d %6.1f %1d %6.1f %7.2f %7.1f %7.2f %7.2f\n", y, m, d, h,
                            10.0f * level, level == 10 ? 1 : 0, 245.0f, 3.5f, 290.0f, 99.0f, 99.0f);
              prof << line;
            }
          }
        }
      }
    }
  }

  fs::path path_;
  long hours_ = 0;
};

void BM_TwoYearHourlyStudy(benchmark::State& state) {
  static StudyDir study;
  const std::vector<std::string> args;
  for (auto _ : state) {
    std::istringstream in("dates.txt\nsurface.txt\nprofile.txt\n");
    std::ostringstream out, err;
    const runframe::RunContext ctx{study.path(), args, in, out, err};
    const int status = run_tessiclip(ctx);
    if (status != 0) state.SkipWithError(err.str().c_str());
  }
  state.counters["hours"] = static_cast<double>(study.hours());
}
BENCHMARK(BM_TwoYearHourlyStudy)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
