#include "evaluate/statistics/bootstrap.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

#include "evaluate/statistics/evaluation.h"
#include "records/errors.h"

namespace evaluate {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// The lines of every block of the study.
std::size_t lines_of(const Study& study) {
  std::size_t n = 0;
  for (const Block& block : study.blocks) n += block.size();
  return n;
}

// A whole number of values or bytes, in digits.
std::string whole(double value) {
  return std::to_string(static_cast<unsigned long long>(value));
}

// The measures given with limits: on a model's line, and on a difference line; those
// of the modelling quality objective only when it is formed (`objective`).
std::vector<int> limited(bool differences, bool objective) {
  std::vector<int> out;
  for (int id = 0; id < kMeasures; ++id) {
    const MeasureEntry& entry = measure_entry(id);
    if (entry.per_threshold || (entry.needs != Needs::nothing && !objective)) continue;
    if (entry.limits && (!differences || entry.difference != Difference::none)) out.push_back(id);
  }
  return out;
}

// The limits of the b resample values at values[start ...], sorted in `scratch`.
Limits limits_at(const std::vector<double>& values, std::size_t start, std::size_t b,
                 std::vector<double>& scratch) {
  scratch.assign(values.begin() + static_cast<std::ptrdiff_t>(start),
                 values.begin() + static_cast<std::ptrdiff_t>(start + b));
  return percentile_limits(scratch);
}

// Every resample value of a block, kept until the limits are taken: per group,
// quantity and model (then pair of models) the B values of each measure with limits.
class ResampleValues {
 public:
  ResampleValues(const Study& study, const Block& block, std::size_t groups, int resamples,
                 bool objective, double other_values, const MemoryBound& bound)
      : on_model_(limited(false, objective)),
        on_pair_(limited(true, objective)),
        nq_(block.nq()),
        nm_(static_cast<std::size_t>(block.models)),
        np_(nm_ * (nm_ - 1) / 2),
        b_(static_cast<std::size_t>(resamples)),
        per_q_(nm_ * on_model_.size() + np_ * on_pair_.size()) {
    // A bound keeps a file of very many group values from exhausting the memory.
    const double wanted = static_cast<double>(groups) * static_cast<double>(nq_) *
                              static_cast<double>(per_q_) * static_cast<double>(b_) +
                          other_values;
    const double lines = static_cast<double>(lines_of(study));
    const double estimate = wanted * 8.0 + lines * static_cast<double>(nm_) * kBytesPerLineAndModel;
    if (estimate > bound.bytes) {
      std::string reason = "Not enough memory for the bootstrap: ";
      reason += std::to_string(groups) + " groups, " + std::to_string(nm_) + " models and ";
      reason += std::to_string(resamples) + " resamples need " + whole(wanted);
      reason += " resample values (8 bytes each) and " + whole(lines) + " lines (";
      reason += whole(kBytesPerLineAndModel) + " bytes per model each), an estimated ";
      reason += whole(estimate) + " bytes, more than the bound of " + whole(bound.bytes);
      reason += " bytes (" + bound.source + "); use fewer groups or resamples";
      throw records::RunError(records::kStatusBadInput, reason,
                              records::Location{study.source, 0, 0, 0, {}});
    }
    values_.resize(groups * nq_ * per_q_ * b_);
    model_boot_.assign(groups * nq_ * nm_, 0);
    pair_boot_.assign(groups * nq_ * np_, 0);
  }

  // Keeps resample b's values of `evaluator`.
  void keep(const Evaluator& evaluator, std::size_t b) {
    for (std::size_t g = 0; g < evaluator.groups(); ++g) {
      for (std::size_t k = 0; k < nq_; ++k) {
        for (std::size_t m = 0; m < nm_; ++m) {
          const int model = static_cast<int>(m);
          for (std::size_t j = 0; j < on_model_.size(); ++j) {
            values_[model_slot(g, k, m, j) + b] = evaluator.value(g, k, model, on_model_[j]);
          }
          if (evaluator.sums(g, k, model).n > 0) ++model_boot_[(g * nq_ + k) * nm_ + m];
        }
        for (std::size_t p = 0; p < np_; ++p) {
          const int pair = static_cast<int>(p);
          for (std::size_t j = 0; j < on_pair_.size(); ++j) {
            values_[pair_slot(g, k, p, j) + b] = evaluator.difference(g, k, pair, on_pair_[j]);
          }
          if (evaluator.both(g, k, pair) > 0) ++pair_boot_[(g * nq_ + k) * np_ + p];
        }
      }
    }
  }

  // A line's resample count and limits: none for fewer than kLeastPairsForLimits
  // pairs (n), else the limits of each measure `on` lists, its values at slot(j).
  template <class Result, class Slot>
  void set_limits(Result& r, long boot, long n, const std::vector<int>& on, Slot slot) {
    r.boot = boot;
    r.limits.fill({kNan, kNan});
    if (n < kLeastPairsForLimits) return;
    for (std::size_t j = 0; j < on.size(); ++j) r.limits[on[j]] = limits_of(slot(j));
  }

  // The limits and resample counts of every line of the block's quantities.
  void fill(const Block& block, Evaluation& ev) {
    for (std::size_t g = 0; g < ev.groups.size(); ++g) {
      for (std::size_t k = 0; k < nq_; ++k) {
        GroupResult& gr = ev.results[static_cast<std::size_t>(block.quantities[k])][g];
        for (std::size_t m = 0; m < nm_; ++m) {
          ModelGroupResult& r = gr.models[m];
          set_limits(r, model_boot_[(g * nq_ + k) * nm_ + m], r.n, on_model_,
                     [&](std::size_t j) { return model_slot(g, k, m, j); });
        }
        for (std::size_t p = 0; p < np_; ++p) {
          DifferenceResult& d = gr.differences[p];
          set_limits(d, pair_boot_[(g * nq_ + k) * np_ + p], d.n_both, on_pair_,
                     [&](std::size_t j) { return pair_slot(g, k, p, j); });
        }
      }
    }
  }

 private:
  std::size_t model_slot(std::size_t g, std::size_t k, std::size_t m, std::size_t j) const {
    return ((g * nq_ + k) * per_q_ + m * on_model_.size() + j) * b_;
  }
  std::size_t pair_slot(std::size_t g, std::size_t k, std::size_t p, std::size_t j) const {
    return ((g * nq_ + k) * per_q_ + nm_ * on_model_.size() + p * on_pair_.size() + j) * b_;
  }
  Limits limits_of(std::size_t start) { return limits_at(values_, start, b_, one_); }

  std::vector<int> on_model_, on_pair_;
  std::size_t nq_, nm_, np_, b_, per_q_;
  std::vector<double> values_, one_;
  std::vector<long> model_boot_, pair_boot_;
};

// Every resample value of the exceedance scores of a block, as ResampleValues: per
// group and quantity, per model and threshold, then per pair of models and
// threshold, the B values of each score.
class ExceedanceResamples {
 public:
  ExceedanceResamples(const Block& block, const ExceedanceCounter& counter, std::size_t groups,
                      int resamples)
      : scores_(threshold_measures(true)),
        nq_(block.nq()),
        nm_(static_cast<std::size_t>(block.models)),
        np_(nm_ * (nm_ - 1) / 2),
        b_(static_cast<std::size_t>(resamples)) {
    for (std::size_t k = 0; k < nq_; ++k) {
      first_.push_back(per_group_);
      per_group_ += counter.thresholds(k) * (nm_ + np_);
    }
    lines_ = groups * per_group_;
  }
  // The values to hold.
  double wanted() const {
    return static_cast<double>(lines_) * static_cast<double>(scores_.size()) *
           static_cast<double>(b_);
  }
  void allocate() { values_.resize(lines_ * scores_.size() * b_); }

  void keep(const ExceedanceCounter& counter, std::size_t groups, std::size_t b) {
    for (std::size_t g = 0; g < groups; ++g) {
      for (std::size_t k = 0; k < nq_; ++k) {
        const std::size_t nt = counter.thresholds(k);
        for (std::size_t t = 0; t < nt; ++t) {
          for (std::size_t m = 0; m < nm_; ++m) {
            put(line(g, k, m * nt + t), threshold_values(counter.table(g, k, t, m)), b);
          }
          for (std::size_t p = 0; p < np_; ++p) {
            put(line(g, k, (nm_ + p) * nt + t),
                threshold_differences(counter.table(g, k, t, nm_ + 2 * p),
                                      counter.table(g, k, t, nm_ + 2 * p + 1)),
                b);
          }
        }
      }
    }
  }

  void fill(const Block& block, Evaluation& ev) {
    for (std::size_t g = 0; g < ev.groups.size(); ++g) {
      for (std::size_t k = 0; k < nq_; ++k) {
        GroupResult& gr = ev.results[static_cast<std::size_t>(block.quantities[k])][g];
        const std::size_t nt = gr.models.empty() ? 0 : gr.model_exceedances.size() / nm_;
        for (std::size_t j = 0; j < gr.model_exceedances.size(); ++j) {
          const std::size_t m = j / std::max<std::size_t>(nt, 1);
          take(gr.model_exceedances[j], line(g, k, j), gr.models[m].n);
        }
        for (std::size_t j = 0; j < gr.difference_exceedances.size(); ++j) {
          const std::size_t p = j / std::max<std::size_t>(nt, 1);
          take(gr.difference_exceedances[j], line(g, k, nm_ * nt + j), gr.differences[p].n_both);
        }
      }
    }
  }

 private:
  std::size_t line(std::size_t g, std::size_t k, std::size_t j) const {
    return g * per_group_ + first_[k] + j;
  }
  void put(std::size_t at, const MeasureValues& v, std::size_t b) {
    for (std::size_t j = 0; j < scores_.size(); ++j) {
      values_[(at * scores_.size() + j) * b_ + b] = v[scores_[j]];
    }
  }
  void take(ExceedanceResult& r, std::size_t at, long n) {
    r.limits.fill({kNan, kNan});
    if (n < kLeastPairsForLimits) return;
    for (std::size_t j = 0; j < scores_.size(); ++j) {
      r.limits[scores_[j]] = limits_at(values_, (at * scores_.size() + j) * b_, b_, one_);
    }
  }

  std::vector<int> scores_;  // the per-threshold measures with limits
  std::size_t nq_, nm_, np_, b_, per_group_ = 0, lines_ = 0;
  std::vector<std::size_t> first_;  // [k]: its first line within a group
  std::vector<double> values_, one_;
};

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

void bootstrap(std::mt19937_64& rng, const Study& study, const Block& block, Evaluator& evaluator,
               Evaluation& ev, ExceedanceCounter* exceedance, const Watch& watch) {
  std::optional<ExceedanceResamples> exceeded;
  if (exceedance != nullptr) exceeded.emplace(block, *exceedance, ev.groups.size(), ev.resamples);
  ResampleValues kept(study, block, ev.groups.size(), ev.resamples, ev.objective(),
                      exceeded ? exceeded->wanted() : 0.0, watch.memory);
  if (exceeded) exceeded->allocate();
  const Strata strata = strata_of(block, study.strata.size());
  std::vector<std::size_t> drawn;
  drawn.reserve(block.size());
  std::vector<std::uint32_t> times(block.size());
  for (std::size_t b = 0; b < static_cast<std::size_t>(ev.resamples); ++b) {
    draw_resample(rng, strata, drawn);
    std::fill(times.begin(), times.end(), 0u);
    for (std::size_t i : drawn) ++times[i];
    evaluator.evaluate(times, Selection::with_limits, Gathering::by_cell);
    kept.keep(evaluator, b);
    if (exceeded) {
      exceedance->count(times);
      exceeded->keep(*exceedance, ev.groups.size(), b);
    }
    if (watch.resampled) watch.resampled(static_cast<long>(b) + 1, ev.resamples, drawn.size());
  }
  kept.fill(block, ev);
  if (exceeded) exceeded->fill(block, ev);
}

}  // namespace evaluate
