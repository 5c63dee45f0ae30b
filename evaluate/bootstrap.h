// Bootstrap limits of the measures. A resample draws the combined lines with
// replacement within each arc, so that it keeps the number of lines of every arc;
// each model's measures on a resample use the resample's lines where that model's
// pair is valid, and the differences between the models use the same lines.
//
// Reproducible for a seed on any platform: the generator is std::mt19937_64 seeded
// with the seed, and a draw below n takes the high 32 bits of one output, x, and
// returns floor(x * n / 2^32), rejecting (and drawing again) the outputs whose low
// product word is below 2^32 mod n, which makes every value equally likely. The
// draws of a resample run over the arcs in ascending order and, within an arc, one
// draw per line of the arc; resamples follow one another on the same generator.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "evaluate/groups.h"
#include "evaluate/measures.h"
#include "evaluate/pairs.h"

namespace evaluate {

// A uniform integer in [0, bound), bound at least 1.
std::uint32_t bounded_draw(std::mt19937_64& rng, std::uint32_t bound);

// The lines of each arc: arcs as arcs_of() gives them, members in file order.
struct Strata {
  std::vector<float> arcs;
  std::vector<std::vector<std::size_t>> members;
};

// Throws std::length_error for an arc of more than 2^32 - 1 lines.
Strata strata_of(const std::vector<CombinedLine>& lines);

// One resample: `out` receives, arc after arc, as many line indices as the arc
// has lines, each drawn uniformly from that arc's lines.
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

struct LimitSet {
  std::array<Limits, kMeasures> limits{};
  long with_pairs = 0;  // resamples in which the group had pairs (both models for differences)
};

struct BootstrapResult {
  int resamples = 0;
  std::uint64_t seed = 0;
  // models[group][model][quantity]: the measures' limits
  std::vector<std::array<std::array<LimitSet, kQuantities>, kModels>> models;
  // differences[group][quantity]: the limits of AERMOD minus ISCST3
  std::vector<std::array<LimitSet, kQuantities>> differences;
};

// Runs `resamples` (at least 1) stratified resamples of `lines` for the groups
// `groups` (as groups_of() makes them: all, arcs, stable, unstable).
BootstrapResult bootstrap(const std::vector<CombinedLine>& lines, const std::vector<Group>& groups,
                          int resamples, std::uint64_t seed);

}  // namespace evaluate
