// Bootstrap limits of the measures. A resample draws the lines of a block with
// replacement within each stratum (arc or label), so that it keeps the number of
// lines of every stratum, and is evaluated as the point estimate is, each line
// counted as often as it was drawn.
//
// Reproducible for a seed on any platform: the generator is std::mt19937_64 seeded
// with the seed, and a draw below n takes the high 32 bits of one output, x, and
// returns floor(x * n / 2^32), rejecting (and drawing again) the outputs whose low
// product word is below 2^32 mod n, which makes every value equally likely. The
// draws of a resample run over the strata in report order and, within a stratum,
// one draw per line of the stratum; resamples follow one another on the same
// generator, and the blocks of a study (the quantities of a pairs file) follow one
// another on it too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "evaluate/input/study.h"
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

// The bytes a run is taken to hold per line and model of its input besides the
// resample values (the lines as read and evaluated, the pictures' points).
inline constexpr double kBytesPerLineAndModel = 384;

// What the run asks of the bootstrap: the memory bound, and (if set) a call after
// each resample with the resamples done, their total and the lines the resample drew.
struct Watch {
  MemoryBound memory;
  std::function<void(long done, long total, std::size_t lines)> resampled;
};

// A uniform integer in [0, bound), bound at least 1.
std::uint32_t bounded_draw(std::mt19937_64& rng, std::uint32_t bound);

// The lines of each stratum of a block, members in line order; one entry per
// stratum of the study (empty where the block has no line of it).
struct Strata {
  std::vector<std::vector<std::size_t>> members;
};

// Throws std::length_error for a stratum of more than 2^32 - 1 lines.
Strata strata_of(const Block& block, std::size_t strata);

// One resample: `out` receives, stratum after stratum, as many line indices as the
// stratum has lines, each drawn uniformly from that stratum's lines.
void draw_resample(std::mt19937_64& rng, const Strata& strata, std::vector<std::size_t>& out);

// The limits of the formed (not NaN) values among `values`: with n of them sorted
// ascending, the values at 0-based index floor(0.025 n) and ceil(0.975 n) - 1.
// Reorders `values`.
Limits percentile_limits(std::vector<double>& values);

struct Evaluation;

// Runs `ev.resamples` resamples of `block` on `rng` through `evaluator` (prepared
// for the block and ev.groups) and fills the limits and resample counts of the
// block's quantities in `ev`, whose point values are set; with `exceedance`
// (prepared for the block's thresholds) those of the exceedance scores too, on the
// same resamples. A run whose estimated memory (the block's resample values, 8
// bytes each, and kBytesPerLineAndModel per line of the study and model) exceeds
// `watch.memory` ends with RunError status 2 giving the figures.
void bootstrap(std::mt19937_64& rng, const Study& study, const Block& block, Evaluator& evaluator,
               Evaluation& ev, ExceedanceCounter* exceedance = nullptr, const Watch& watch = {});

}  // namespace evaluate
