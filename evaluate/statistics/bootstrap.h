// Bootstrap limits of the measures. A resample draws the lines of a block with
// replacement within each stratum (arc or label), so that it keeps the number of
// lines of every stratum; each model's measures on a resample use the resample's
// lines where that model's pair is valid, and the differences between two models
// use the resample's lines where both models' pairs are valid.
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
#include <random>
#include <vector>

#include "evaluate/input/groups.h"
#include "evaluate/input/study.h"

namespace evaluate {

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

// 95% limits. NaN when not formed.
struct Limits {
  double lower;
  double upper;
};

// The limits of the formed (not NaN) values among `values`: with n of them sorted
// ascending, the values at 0-based index floor(0.025 n) and ceil(0.975 n) - 1.
// Reorders `values`.
Limits percentile_limits(std::vector<double>& values);

// A difference is significant when its 95% limits exclude zero (both formed).
bool significant(const Limits& limits);

struct Evaluation;

// Runs `ev.resamples` resamples of every block of `study` on one generator seeded
// with `ev.seed` and fills the limits and resample counts of `ev`, whose groups and
// point values evaluate_study() has set.
void bootstrap(const Study& study, Evaluation& ev);

}  // namespace evaluate
