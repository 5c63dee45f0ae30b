// Bootstrap limits of the measures. A resample draws the lines of a block with
// replacement within each stratum (arc or label), so that it keeps the number of
// lines of every stratum, and is evaluated as the point estimate is, each line
// counted as often as it was drawn.
//
// Reproducible for a seed on any platform and any number of threads: resample b
// (0-based) of the j-th block of a study (0-based, in the order they are evaluated:
// the quantities of a pairs file; the combined table is one block) draws from its own
// splitmix64 stream r = j B + b (B the resamples; draw.h gives the stream and the
// unbiased draw below n). The draws of a resample run over the strata in report
// order and, within a stratum, one draw per line of the stratum. Resamples run on
// threads, each taking batches of them; the limits are read from bounded heaps
// (extremes.h) merged at the end, so no value depends on the threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "evaluate/input/study.h"
#include "evaluate/statistics/draw.h"
#include "evaluate/statistics/evaluator.h"
#include "evaluate/statistics/exceedance.h"
#include "evaluate/statistics/measures.h"

namespace evaluate {

// The memory a run may hold, in bytes, and where that bound comes from
// ("--max-memory", "cgroup memory limit", "physical memory"); none by default.
struct MemoryBound {
  double bytes = std::numeric_limits<double>::infinity();
  std::string source;
};

// The bytes a run is taken to hold whatever its input: the program and its libraries,
// the threads' stacks, the buffers of the files (a run of 20 lines peaks at 6.6 MB).
inline constexpr double kBytesOfProgram = 16.0 * 1024 * 1024;

// The bytes a run is taken to hold per line of its input while it lasts (the
// columns as read, which the pictures read again), with nq quantities a line and
// `models` models: 24 + nq (8 + 8 models); and per line of the block being resampled,
// besides (the evaluator's columns and ranked lists, each thread's counts):
// 8 + 4 threads + nq (40 + 24 models). Whole runs of 10^6 to 10^7 lines in 1,000
// groups peak at 74 to 81 bytes a line with 1 model, 115 to 119 with 3 and 219 with
// 8 (pairs files), and at 195 with the combined table (2 quantities, 2 models): a
// quarter to a half below these.
inline double held_bytes_per_line(std::size_t nq, std::size_t models) {
  return 24.0 + static_cast<double>(nq) * (8.0 + 8.0 * static_cast<double>(models));
}
inline double evaluated_bytes_per_line(std::size_t nq, std::size_t models, std::size_t threads) {
  return 8.0 + 4.0 * static_cast<double>(threads) +
         static_cast<double>(nq) * (40.0 + 24.0 * static_cast<double>(models));
}

// The bytes a run is taken to hold per statistic besides its heaps: on each thread
// (the evaluator's sums and values of the statistic's group) and once (the point
// values and limits kept, the outputs' text). Whole runs of 10^5 lines in 10^3 or
// 10^4 groups, with 1 or 3 models, with and without the options, peak at up to 101
// bytes a statistic per thread and 274 once.
inline constexpr double kBytesPerStatisticAndThread = 128;
inline constexpr double kBytesPerStatistic = 320;

// What the run asks of the bootstrap: the memory bound, (if set) a call after each
// resample with the resamples done, their total and the lines the resample drew
// (made by one thread at a time, the counts rising), and the threads to run on.
struct Watch {
  MemoryBound memory;
  std::function<void(long done, long total, std::size_t lines)> resampled;
  int threads = 1;
};

// The resamples a thread takes at a time.
inline constexpr std::size_t kResampleBatch = 4;

// The lines of each stratum of a block, members in line order; one entry per
// stratum of the study (empty where the block has no line of it).
struct Strata {
  std::vector<std::vector<std::size_t>> members;
};

// Throws std::length_error for a stratum of more than 2^32 - 1 lines.
Strata strata_of(const Block& block, std::size_t strata);

// One resample: `out` receives, stratum after stratum, as many line indices as the
// stratum has lines, each drawn uniformly from that stratum's lines.
void draw_resample(Splitmix64& rng, const Strata& strata, std::vector<std::size_t>& out);

// The same draws as counts by position, from the number of lines of each stratum:
// drawn[p] how often the p-th line of the strata's members held back to back
// (Evaluator::order()) was drawn; drawn has one entry per line of the block. The
// counts are those of part `part` of `parts` of the words (Drawn): part 0 clears
// the words first, a later part adds to the counts already there (every stratum
// below kHalfLines lines). Returns false where a count overflowed its part (then
// the words hold no usable counts).
bool draw_counts(Splitmix64& rng, std::span<const std::uint32_t> sizes,
                 std::vector<std::uint32_t>& drawn, unsigned part = 0, unsigned parts = 1);

// The limits of the formed (not NaN) values among `values`: with n of them sorted
// ascending, the values at 0-based index floor(0.025 n) and ceil(0.975 n) - 1.
// Reorders `values`.
Limits percentile_limits(std::vector<double>& values);

struct Evaluation;

// Runs `ev.resamples` resamples of `block`, the study's block number `number`, from
// `seed` through `evaluator` (prepared for the block and ev.groups) and fills the
// limits and resample counts of the block's quantities in `ev`, whose point values
// are set; with `exceedance` (prepared for the block's thresholds) those of the
// exceedance scores too, on the same resamples. Runs on watch.threads threads (at
// most one per batch of resamples), each with its own copies of `evaluator` and
// `exceedance` but the first, which uses them. A run whose estimated memory (per
// thread and statistic its heaps, Extremes::bytes_per_statistic, and
// kBytesPerStatisticAndThread; kBytesPerStatistic per statistic;
// held_bytes_per_line per line of the study and evaluated_bytes_per_line per line of
// the block; and kBytesOfProgram) exceeds `watch.memory` ends
// with RunError status 2 giving the figures. A failure on any thread ends the
// others and is thrown here.
void bootstrap(std::uint64_t seed, std::size_t number, const Study& study, const Block& block,
               Evaluator& evaluator, Evaluation& ev, ExceedanceCounter* exceedance = nullptr,
               const Watch& watch = {});

}  // namespace evaluate
