#include "evaluate/bootstrap.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace evaluate {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr int kCells = 3;                       // stability classes per arc
constexpr int kSeries = kModels * kQuantities;  // model and quantity pairs per line

std::size_t stratum_of(const std::vector<float>& arcs, float arc) {
  return static_cast<std::size_t>(std::lower_bound(arcs.begin(), arcs.end(), arc) - arcs.begin());
}

}  // namespace

std::uint32_t bounded_draw(std::mt19937_64& rng, std::uint32_t bound) {
  std::uint64_t product = (rng() >> 32) * bound;
  auto low = static_cast<std::uint32_t>(product);
  if (low < bound) {
    const std::uint32_t threshold = static_cast<std::uint32_t>(0u - bound) % bound;
    while (low < threshold) {
      product = (rng() >> 32) * bound;
      low = static_cast<std::uint32_t>(product);
    }
  }
  return static_cast<std::uint32_t>(product >> 32);
}

Strata strata_of(const std::vector<CombinedLine>& lines) {
  Strata strata;
  strata.arcs = arcs_of(lines);
  strata.members.resize(strata.arcs.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    strata.members[stratum_of(strata.arcs, lines[i].arc)].push_back(i);
  }
  for (const auto& members : strata.members) {
    if (members.size() > std::numeric_limits<std::uint32_t>::max()) {
      throw std::length_error("too many lines on one arc");
    }
  }
  return strata;
}

void draw_resample(std::mt19937_64& rng, const Strata& strata, std::vector<std::size_t>& out) {
  out.clear();
  for (const auto& members : strata.members) {
    const auto n = static_cast<std::uint32_t>(members.size());
    for (std::uint32_t k = 0; k < n; ++k) out.push_back(members[bounded_draw(rng, n)]);
  }
}

Limits percentile_limits(std::vector<double>& values) {
  values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return std::isnan(v); }),
               values.end());
  if (values.empty()) return {kNan, kNan};
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  const std::size_t lower = (25 * n) / 1000;             // floor(0.025 n)
  const std::size_t upper = (975 * n + 999) / 1000 - 1;  // ceil(0.975 n) - 1
  return {values[lower], values[upper]};
}

bool significant(const Limits& limits) {
  return limits.lower > 0.0 || limits.upper < 0.0;
}

BootstrapResult bootstrap(const std::vector<CombinedLine>& lines, const std::vector<Group>& groups,
                          int resamples, std::uint64_t seed) {
  const Strata strata = strata_of(lines);
  const std::size_t n_strata = strata.arcs.size();
  const std::size_t n_groups = groups.size();
  const auto b_count = static_cast<std::size_t>(resamples);

  // Each line's terms for every model and quantity (zero for a pair left out) and
  // the cell (arc, stability) its terms are added to.
  std::vector<std::array<PairSums, kSeries>> terms(lines.size());
  std::vector<std::size_t> cell_of(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const CombinedLine& line = lines[i];
    for (int m = 0; m < kModels; ++m) {
      for (int q = 0; q < kQuantities; ++q) {
        if (line.state[m][q] == PairState::valid) {
          terms[i][m * kQuantities + q] = pair_terms(line.observed[q], line.predicted[m][q]);
        }
      }
    }
    cell_of[i] = stratum_of(strata.arcs, line.arc) * kCells + stability_of(line.obk);
  }

  // Resample values: per group, kSeries model series and kQuantities difference
  // series, kMeasures each, B values each.
  const std::size_t per_group = (kSeries + kQuantities) * kMeasures;
  std::vector<double> values(n_groups * per_group * b_count);
  auto slot = [&](std::size_t g, std::size_t series, int k) {
    return ((g * (kSeries + kQuantities) + series) * kMeasures + static_cast<std::size_t>(k)) *
           b_count;
  };
  std::vector<std::array<long, kSeries>> model_pairs(n_groups, std::array<long, kSeries>{});
  std::vector<std::array<long, kQuantities>> both_pairs(n_groups, std::array<long, kQuantities>{});

  std::mt19937_64 rng(seed);
  std::vector<std::size_t> drawn;
  drawn.reserve(lines.size());
  std::vector<std::uint32_t> times(lines.size());
  std::vector<std::array<PairSums, kSeries>> cells(n_strata * kCells);
  for (std::size_t b = 0; b < b_count; ++b) {
    draw_resample(rng, strata, drawn);
    // Add each line's terms once, times the number of times it was drawn, in line
    // order: a sequential pass instead of one scattered visit per draw.
    std::fill(times.begin(), times.end(), 0u);
    for (std::size_t i : drawn) ++times[i];
    std::fill(cells.begin(), cells.end(), std::array<PairSums, kSeries>{});
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (times[i] == 0) continue;
      auto& cell = cells[cell_of[i]];
      const double w = times[i];
      for (int s = 0; s < kSeries; ++s) cell[s].add_times(terms[i][s], w);
    }
    for (std::size_t g = 0; g < n_groups; ++g) {
      std::array<PairSums, kSeries> sums{};
      auto take = [&](std::size_t stratum, int stability) {
        for (int s = 0; s < kSeries; ++s) sums[s].add(cells[stratum * kCells + stability][s]);
      };
      switch (groups[g].kind) {
        case GroupKind::all:
          for (std::size_t st = 0; st < n_strata; ++st) {
            for (int c = 0; c < kCells; ++c) take(st, c);
          }
          break;
        case GroupKind::arc: {
          const std::size_t st = stratum_of(strata.arcs, groups[g].arc);
          if (st < n_strata && strata.arcs[st] == groups[g].arc) {
            for (int c = 0; c < kCells; ++c) take(st, c);
          }
          break;
        }
        case GroupKind::stable:
          for (std::size_t st = 0; st < n_strata; ++st) take(st, kStable);
          break;
        case GroupKind::unstable:
          for (std::size_t st = 0; st < n_strata; ++st) take(st, kUnstable);
          break;
      }
      for (int s = 0; s < kSeries; ++s) {
        const MeasureValues mv = measures_of(sums[s]);
        for (int k = 0; k < kMeasures; ++k) values[slot(g, s, k) + b] = mv[k];
        if (sums[s].n > 0) ++model_pairs[g][s];
      }
      for (int q = 0; q < kQuantities; ++q) {
        const PairSums& a = sums[kAermod * kQuantities + q];
        const PairSums& i = sums[kIscst3 * kQuantities + q];
        const MeasureValues dv = measure_differences(a, i);
        for (int k = 0; k < kMeasures; ++k) values[slot(g, kSeries + q, k) + b] = dv[k];
        if (a.n > 0 && i.n > 0) ++both_pairs[g][q];
      }
    }
  }

  BootstrapResult result;
  result.resamples = resamples;
  result.seed = seed;
  result.models.resize(n_groups);
  result.differences.resize(n_groups);
  std::vector<double> series(b_count);
  auto limits_of = [&](std::size_t start) {
    series.assign(values.begin() + static_cast<std::ptrdiff_t>(start),
                  values.begin() + static_cast<std::ptrdiff_t>(start + b_count));
    return percentile_limits(series);
  };
  for (std::size_t g = 0; g < n_groups; ++g) {
    for (int m = 0; m < kModels; ++m) {
      for (int q = 0; q < kQuantities; ++q) {
        const int s = m * kQuantities + q;
        LimitSet& set = result.models[g][m][q];
        set.with_pairs = model_pairs[g][s];
        for (int k = 0; k < kMeasures; ++k) set.limits[k] = limits_of(slot(g, s, k));
      }
    }
    for (int q = 0; q < kQuantities; ++q) {
      LimitSet& set = result.differences[g][q];
      set.with_pairs = both_pairs[g][q];
      for (int k = 0; k < kMeasures; ++k) set.limits[k] = limits_of(slot(g, kSeries + q, k));
    }
  }
  return result;
}

}  // namespace evaluate
