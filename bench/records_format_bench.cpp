// Throughput of the record engine on the system's two busiest layouts, to and from
// a file on disk: the 177-column report line written, the sampler record read.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "records/records.h"

namespace {

std::filesystem::path bench_dir() {
  auto dir = std::filesystem::temp_directory_path() / "records-bench";
  std::filesystem::create_directories(dir);
  return dir;
}

void BM_WriteReportLines(benchmark::State& state) {
  const records::Layout report("(3x,i5,2x,5i2.2,2x,i2,4(f10.2,3x),5(3x,1pe12.4),2x,0pf12.3,f12.2)");
  std::mt19937 rng(7);
  std::uniform_real_distribution<float> conc(0.0f, 5000.0f), tiny(1e-7f, 1e-2f);
  constexpr int kRows = 1024;
  std::vector<std::array<records::Item, 18>> rows(kRows);
  for (auto& r : rows) {
    r = {static_cast<int>(rng() % 500),
         81,
         7,
         static_cast<int>(rng() % 31),
         static_cast<int>(rng() % 24),
         0,
         static_cast<int>(rng() % 9),
         conc(rng),
         conc(rng),
         conc(rng) - 2500.0f,
         conc(rng),
         tiny(rng),
         conc(rng),
         tiny(rng),
         conc(rng) * 1000.0f,
         tiny(rng),
         conc(rng) / 7.0f,
         conc(rng) * 0.072f};
  }
  const auto dir = bench_dir();
  auto out = records::OutputFile::open(dir, "report.txt");
  std::size_t lines = 0;
  for (auto _ : state) {
    const auto& r = rows[lines % kRows];
    out.write(report, std::span<const records::Item>(r.data(), r.size()));
    if (++lines % (1 << 20) == 0) {  // keep the file at a few hundred MB at most
      out.close();
      out = records::OutputFile::open(dir, "report.txt");
    }
  }
  out.close();
  state.SetItemsProcessed(static_cast<std::int64_t>(lines));
  state.SetBytesProcessed(static_cast<std::int64_t>(lines) * 179);
  std::filesystem::remove(dir / "report.txt");
}
BENCHMARK(BM_WriteReportLines)->Unit(benchmark::kNanosecond);

void BM_ReadSamplerRecords(benchmark::State& state) {
  const auto dir = bench_dir();
  constexpr int kRecords = 2'000'000;
  {
    // Sampler records: key columns, two coordinates, a concentration at column 33.
    const records::Layout writer("(i4,f8.2,f10.2,2x,a8,f10.2)");
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> xy(-9000.0f, 9000.0f), conc(0.0f, 900.0f);
    auto out = records::OutputFile::open(dir, "samplers.txt");
    for (int i = 0; i < kRecords; ++i)
      out.write(writer, {i % 1000, xy(rng), xy(rng), "SF6 arc ", conc(rng)});
  }
  const records::Layout sampler("(t5,f8.2,f10.2,t33,f10.2)");
  auto in = records::InputFile::open(dir, "samplers.txt");
  float x = 0, y = 0, c = 0;
  std::int64_t records_read = 0;
  double sum = 0;
  for (auto _ : state) {
    if (!in.read_or_eof(sampler, {&x, &y, &c})) {
      in.rewind();
      in.read(sampler, {&x, &y, &c});
    }
    sum += c;
    ++records_read;
  }
  benchmark::DoNotOptimize(sum);
  state.SetItemsProcessed(records_read);
  in.close();
  std::filesystem::remove(dir / "samplers.txt");
}
BENCHMARK(BM_ReadSamplerRecords)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
