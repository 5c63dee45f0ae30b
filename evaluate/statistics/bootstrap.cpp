#include "evaluate/statistics/bootstrap.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "evaluate/statistics/evaluation.h"
#include "evaluate/statistics/high_end.h"
#include "records/errors.h"

namespace evaluate {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr int kCells = 3;  // stability classes per stratum
// At most this many resample values (8 bytes each) are held for one block.
constexpr double kMaxResampleValues = 256.0 * 1024 * 1024;

// A value and the line it comes from, for the walks down the largest values.
struct Ranked {
  float value;
  std::uint32_t line;
};

// Sorted largest first; ties in line order, so that the walk is the same everywhere.
void sort_ranked(std::vector<Ranked>& v) {
  std::sort(v.begin(), v.end(), [](const Ranked& x, const Ranked& y) {
    return x.value > y.value || (x.value == y.value && x.line < y.line);
  });
}

// The RHC of a resample: `ranked` holds the group's values largest first, `times`
// how often the resample drew each line, `n` the values the resample holds.
double resample_rhc(const std::vector<Ranked>& ranked, const std::vector<std::uint32_t>& times,
                    double n) {
  if (n < 3) return kNan;
  const long r = std::min<long>(kRhcRank, static_cast<long>(n));
  long taken = 0;
  double sum = 0.0;
  for (const Ranked& e : ranked) {
    const long c = times[e.line];
    if (c == 0) continue;
    const long t = std::min(c, r - taken);
    const long to_sum = std::min(t, r - 1 - taken);
    for (long j = 0; j < to_sum; ++j) sum += e.value;
    taken += t;
    if (taken >= r) return rhc_from_top(sum, e.value, r);
  }
  return kNan;
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

Strata strata_of(const Block& block, std::size_t strata) {
  Strata out;
  out.members.resize(strata);
  for (std::size_t i = 0; i < block.size(); ++i) out.members[block.stratum[i]].push_back(i);
  for (const auto& members : out.members) {
    if (members.size() > std::numeric_limits<std::uint32_t>::max()) {
      throw std::length_error("too many lines in one stratum");
    }
  }
  return out;
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

void bootstrap(const Study& study, Evaluation& ev) {
  std::mt19937_64 rng(ev.seed);
  const int nm = static_cast<int>(study.models.size());
  const auto pairs = model_pairs(nm);
  const int np = static_cast<int>(pairs.size());
  // Series of one quantity: each model's pairs, then per pair of models the first's
  // and the second's pairs on the lines where both are valid.
  const int per_q = nm + 2 * np;
  const std::size_t n_strata = study.strata.size();
  const std::size_t n_groups = ev.groups.size();
  const auto b_count = static_cast<std::size_t>(ev.resamples);

  for (const Block& block : study.blocks) {
    const std::size_t nq = block.nq();
    const std::size_t n_lines = block.size();
    const Strata strata = strata_of(block, n_strata);
    const std::size_t series = nq * static_cast<std::size_t>(per_q);

    // Each line's terms per quantity and model (zero for a pair left out), which
    // models are valid, and the cell (stratum, stability) its terms are added to.
    std::vector<PairSums> terms(n_lines * nq * static_cast<std::size_t>(nm));
    std::vector<std::uint8_t> valid(n_lines * nq, 0);
    std::vector<std::size_t> cell_of(n_lines);
    for (std::size_t i = 0; i < n_lines; ++i) {
      for (std::size_t k = 0; k < nq; ++k) {
        for (int m = 0; m < nm; ++m) {
          if (block.pair_state(i, k, m) == PairState::valid) {
            terms[(i * nq + k) * static_cast<std::size_t>(nm) + static_cast<std::size_t>(m)] =
                pair_terms(block.co(i, k), block.cp(i, k, m));
            valid[i * nq + k] |= static_cast<std::uint8_t>(1u << m);
          }
        }
      }
      cell_of[i] = block.stratum[i] * kCells + stability_of(block.obk[i]);
    }
    auto both = [&](std::size_t i, std::size_t k, int a, int b) {
      const unsigned mask = (1u << a) | (1u << b);
      return (valid[i * nq + k] & mask) == mask;
    };

    // The values of every group, largest first: per quantity, the observed and the
    // predicted values of each model's valid pairs, and the predictions of both
    // models of a pair on the lines where both are valid.
    const std::size_t lists_per_q =
        2 * static_cast<std::size_t>(nm) + 2 * static_cast<std::size_t>(np);
    std::vector<std::vector<Ranked>> ranked(n_groups * nq * lists_per_q);
    auto list = [&](std::size_t g, std::size_t k, std::size_t l) -> std::vector<Ranked>& {
      return ranked[(g * nq + k) * lists_per_q + l];
    };
    // Each list is sorted once over all lines; a group's list keeps that order.
    std::vector<Ranked> all_lines;
    for (std::size_t k = 0; k < nq; ++k) {
      for (std::size_t l = 0; l < lists_per_q; ++l) {
        all_lines.clear();
        for (std::size_t i = 0; i < n_lines; ++i) {
          const auto line = static_cast<std::uint32_t>(i);
          if (l < 2 * static_cast<std::size_t>(nm)) {
            const int m = static_cast<int>(l / 2);
            if (!(valid[i * nq + k] & (1u << m))) continue;
            all_lines.push_back({l % 2 == 0 ? block.co(i, k) : block.cp(i, k, m), line});
          } else {
            const auto [a, b] = pairs[(l - 2 * static_cast<std::size_t>(nm)) / 2];
            if (!both(i, k, a, b)) continue;
            all_lines.push_back({block.cp(i, k, l % 2 == 0 ? a : b), line});
          }
        }
        sort_ranked(all_lines);
        for (std::size_t g = 0; g < n_groups; ++g) {
          std::vector<Ranked>& out = list(g, k, l);
          for (const Ranked& e : all_lines) {
            if (in_group(ev.groups[g], block.stratum[e.line], block.obk[e.line])) out.push_back(e);
          }
        }
      }
    }

    // Resample values: per group, quantity and model kLineStats series, per pair
    // kDifferenceStats series, B values each.
    const std::size_t stats_per_q =
        static_cast<std::size_t>(nm) * kLineStats + static_cast<std::size_t>(np) * kDifferenceStats;
    // Every resample value is kept until the limits are taken: a bound keeps a file
    // of very many group values from exhausting the memory.
    const double wanted = static_cast<double>(n_groups) * static_cast<double>(nq) *
                          static_cast<double>(stats_per_q) * static_cast<double>(b_count);
    if (wanted > kMaxResampleValues) {
      std::string reason = "Too many groups for the bootstrap: ";
      reason += std::to_string(n_groups);
      reason += " groups, ";
      reason += std::to_string(nm);
      reason += " models, ";
      reason += std::to_string(ev.resamples);
      reason += " resamples; use fewer groups or resamples";
      throw records::RunError(records::kStatusBadInput, reason,
                              records::Location{study.source, 0, 0, 0, {}});
    }
    std::vector<double> values(n_groups * nq * stats_per_q * b_count);
    auto model_slot = [&](std::size_t g, std::size_t k, int m, int s) {
      return (((g * nq + k) * stats_per_q) + static_cast<std::size_t>(m) * kLineStats +
              static_cast<std::size_t>(s)) *
             b_count;
    };
    auto pair_slot = [&](std::size_t g, std::size_t k, int p, int s) {
      return (((g * nq + k) * stats_per_q) + static_cast<std::size_t>(nm) * kLineStats +
              static_cast<std::size_t>(p) * kDifferenceStats + static_cast<std::size_t>(s)) *
             b_count;
    };
    std::vector<long> model_boot(n_groups * nq * static_cast<std::size_t>(nm), 0);
    std::vector<long> pair_boot(n_groups * nq * static_cast<std::size_t>(np), 0);

    std::vector<std::size_t> drawn;
    drawn.reserve(n_lines);
    std::vector<std::uint32_t> times(n_lines);
    std::vector<PairSums> cells(n_strata * kCells * series);
    std::vector<PairSums> sums(series);
    for (std::size_t b = 0; b < b_count; ++b) {
      draw_resample(rng, strata, drawn);
      // Add each line's terms once, times the number of times it was drawn, in line
      // order: a sequential pass instead of one scattered visit per draw.
      std::fill(times.begin(), times.end(), 0u);
      for (std::size_t i : drawn) ++times[i];
      std::fill(cells.begin(), cells.end(), PairSums{});
      for (std::size_t i = 0; i < n_lines; ++i) {
        if (times[i] == 0) continue;
        PairSums* cell = &cells[cell_of[i] * series];
        const double w = times[i];
        for (std::size_t k = 0; k < nq; ++k) {
          const PairSums* t = &terms[(i * nq + k) * static_cast<std::size_t>(nm)];
          PairSums* c = cell + k * static_cast<std::size_t>(per_q);
          for (int m = 0; m < nm; ++m) c[m].add_times(t[m], w);
          for (int p = 0; p < np; ++p) {
            const auto [a, bm] = pairs[static_cast<std::size_t>(p)];
            if (!both(i, k, a, bm)) continue;
            c[nm + 2 * p].add_times(t[a], w);
            c[nm + 2 * p + 1].add_times(t[bm], w);
          }
        }
      }
      for (std::size_t g = 0; g < n_groups; ++g) {
        std::fill(sums.begin(), sums.end(), PairSums{});
        auto take = [&](std::size_t stratum, int stability) {
          const PairSums* cell =
              &cells[(stratum * kCells + static_cast<std::size_t>(stability)) * series];
          for (std::size_t s = 0; s < series; ++s) sums[s].add(cell[s]);
        };
        const Group& group = ev.groups[g];
        switch (group.kind) {
          case GroupKind::all:
            for (std::size_t st = 0; st < n_strata; ++st) {
              for (int c = 0; c < kCells; ++c) take(st, c);
            }
            break;
          case GroupKind::arc:
          case GroupKind::label:
            for (int c = 0; c < kCells; ++c) take(group.stratum, c);
            break;
          case GroupKind::stable:
            for (std::size_t st = 0; st < n_strata; ++st) take(st, kStable);
            break;
          case GroupKind::unstable:
            for (std::size_t st = 0; st < n_strata; ++st) take(st, kUnstable);
            break;
        }
        for (std::size_t k = 0; k < nq; ++k) {
          const PairSums* s = &sums[k * static_cast<std::size_t>(per_q)];
          for (int m = 0; m < nm; ++m) {
            const MeasureValues mv = measures_of(s[m]);
            for (int j = 0; j < kMeasures; ++j) values[model_slot(g, k, m, j) + b] = mv[j];
            const double ro =
                resample_rhc(list(g, k, 2 * static_cast<std::size_t>(m)), times, s[m].n);
            const double rp =
                resample_rhc(list(g, k, 2 * static_cast<std::size_t>(m) + 1), times, s[m].n);
            values[model_slot(g, k, m, kRhcO) + b] = ro;
            values[model_slot(g, k, m, kRhcP) + b] = rp;
            values[model_slot(g, k, m, kRhcRatio) + b] = rhc_ratio(rp, ro);
            if (s[m].n > 0)
              ++model_boot[(g * nq + k) * static_cast<std::size_t>(nm) +
                           static_cast<std::size_t>(m)];
          }
          for (int p = 0; p < np; ++p) {
            const PairSums& sa = s[nm + 2 * p];
            const PairSums& sb = s[nm + 2 * p + 1];
            const MeasureValues dv = measure_differences(sa, sb);
            for (int j = 0; j < kMeasures; ++j) values[pair_slot(g, k, p, j) + b] = dv[j];
            const std::size_t l =
                2 * static_cast<std::size_t>(nm) + 2 * static_cast<std::size_t>(p);
            values[pair_slot(g, k, p, kDlnRhc) + b] =
                rhc_log_difference(resample_rhc(list(g, k, l), times, sa.n),
                                   resample_rhc(list(g, k, l + 1), times, sb.n));
            if (sa.n > 0)
              ++pair_boot[(g * nq + k) * static_cast<std::size_t>(np) +
                          static_cast<std::size_t>(p)];
          }
        }
      }
    }

    std::vector<double> one(b_count);
    auto limits_of = [&](std::size_t start) {
      one.assign(values.begin() + static_cast<std::ptrdiff_t>(start),
                 values.begin() + static_cast<std::ptrdiff_t>(start + b_count));
      return percentile_limits(one);
    };
    for (std::size_t g = 0; g < n_groups; ++g) {
      for (std::size_t k = 0; k < nq; ++k) {
        GroupResult& gr = ev.results[static_cast<std::size_t>(block.quantities[k])][g];
        for (int m = 0; m < nm; ++m) {
          ModelGroupResult& r = gr.models[static_cast<std::size_t>(m)];
          r.boot =
              model_boot[(g * nq + k) * static_cast<std::size_t>(nm) + static_cast<std::size_t>(m)];
          const bool enough = r.summary.n >= kLeastPairsForLimits;
          for (int s = 0; s < kLineStats; ++s) {
            r.limits[s] = enough ? limits_of(model_slot(g, k, m, s)) : Limits{kNan, kNan};
          }
        }
        for (int p = 0; p < np; ++p) {
          DifferenceResult& d = gr.differences[static_cast<std::size_t>(p)];
          d.boot =
              pair_boot[(g * nq + k) * static_cast<std::size_t>(np) + static_cast<std::size_t>(p)];
          const bool enough = d.n_both >= kLeastPairsForLimits;
          for (int s = 0; s < kDifferenceStats; ++s) {
            d.limits[s] = enough ? limits_of(pair_slot(g, k, p, s)) : Limits{kNan, kNan};
          }
        }
      }
    }
  }
}

}  // namespace evaluate
