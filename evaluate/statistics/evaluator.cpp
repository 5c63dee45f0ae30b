#include "evaluate/statistics/evaluator.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace evaluate {
namespace {

constexpr std::size_t kCells = 3;  // stability classes per stratum
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

}  // namespace

// A measure that needs an uncertainty is formed only when a quantity has one.
bool Evaluator::selected(const MeasureEntry& entry, Selection selection) const {
  // The per-threshold measures are formed by the exceedance counter.
  if (entry.per_threshold || (entry.needs != Needs::nothing && !objective_)) return false;
  return selection == Selection::all || entry.limits;
}

// Whether a selected measure is formed in the way `formed`, on a model's series
// (`differences` false) or on the series of the differences.
bool Evaluator::needed(Formed formed, Selection selection, bool differences) const {
  for (const MeasureEntry& entry : measure_table()) {
    if (!selected(entry, selection) || entry.formed != formed) continue;
    if (!differences || entry.difference != Difference::none) return true;
  }
  return false;
}

std::vector<std::pair<int, int>> model_pairs(int models) {
  std::vector<std::pair<int, int>> pairs;
  for (int a = 0; a < models; ++a) {
    for (int b = a + 1; b < models; ++b) pairs.emplace_back(a, b);
  }
  return pairs;
}

Evaluator::Evaluator(const Block& block, const std::vector<Group>& groups, std::size_t strata,
                     std::vector<const Uncertainty*> uncertainty)
    : block_(block),
      nq_(block.nq()),
      nm_(static_cast<std::size_t>(block.models)),
      np_(nm_ * (nm_ - 1) / 2),
      ns_(nm_ + 2 * np_),
      n_lines_(block.size()),
      n_cells_(strata * kCells),
      n_groups_(groups.size()) {
  if (n_lines_ >= std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("too many lines in one block");
  }
  uncertainty_ = std::move(uncertainty);
  uncertainty_.resize(nq_, nullptr);
  for (const Uncertainty* u : uncertainty_) objective_ = objective_ || u != nullptr;
  for (const Group& group : groups) kinds_.push_back(group.kind);
  for (std::size_t m = 0; m < nm_; ++m) series_.push_back({static_cast<int>(m), 1u << m});
  for (const auto& [a, b] : model_pairs(block.models)) {
    const unsigned mask = (1u << a) | (1u << b);
    series_.push_back({a, mask});
    series_.push_back({b, mask});
  }
  index_lines();
  index_groups(groups);
  rank_values();
  index_cells();
  slots_.resize(std::max(n_cells_, n_groups_) * nq_ * ns_);
  stats_.resize(n_groups_ * nq_ * ns_);
  values_.resize(n_groups_ * nq_ * (nm_ + np_));
}

// Each line's cell, terms, valid models and the count of its pairs' states.
void Evaluator::index_lines() {
  const Block& block = block_;
  terms_.resize(n_lines_ * nq_ * nm_);
  valid_.assign(n_lines_ * nq_, 0);
  cell_of_.resize(n_lines_);
  state_counts_.assign(n_cells_ * nq_ * nm_, {});
  for (std::size_t i = 0; i < n_lines_; ++i) {
    cell_of_[i] = block.stratum[i] * kCells + static_cast<std::size_t>(stability_of(block.obk[i]));
    for (std::size_t k = 0; k < nq_; ++k) {
      for (std::size_t m = 0; m < nm_; ++m) {
        const PairState state = block.pair_state(i, k, static_cast<int>(m));
        ++state_counts_[(cell_of_[i] * nq_ + k) * nm_ + m][static_cast<std::size_t>(state)];
        if (state != PairState::valid) continue;
        terms_[(i * nq_ + k) * nm_ + m] =
            pair_terms(block.co(i, k), block.cp(i, k, static_cast<int>(m)));
        valid_[i * nq_ + k] |= static_cast<std::uint8_t>(1u << m);
      }
    }
  }
}

// A group holds whole cells: a cell is in it when a line of the cell is.
void Evaluator::index_groups(const std::vector<Group>& groups) {
  std::vector<std::size_t> line_of_cell(n_cells_, n_lines_);
  for (std::size_t i = n_lines_; i-- > 0;) line_of_cell[cell_of_[i]] = i;
  in_group_.assign(n_groups_ * n_cells_, 0);
  group_cells_.resize(n_groups_);
  cell_groups_.resize(n_cells_);
  for (std::size_t g = 0; g < n_groups_; ++g) group_index_.push_back(g);
  for (std::size_t g = 0; g < n_groups_; ++g) {
    for (std::size_t c = 0; c < n_cells_; ++c) {
      const std::size_t i = line_of_cell[c];
      if (i == n_lines_ || !in_group(groups[g], block_.stratum[i], block_.obk[i])) continue;
      in_group_[g * n_cells_ + c] = 1;
      group_cells_[g].push_back(c);
      cell_groups_[c].push_back(g);
    }
  }
}

// Each model's values of a quantity are sorted once over all lines, the observed
// values once; a series' list per group keeps that order.
void Evaluator::rank_values() {
  predicted_.assign(n_groups_ * nq_ * ns_, {});
  observed_.assign(n_groups_ * nq_ * ns_, {});
  std::vector<Ranked> all;
  auto spread = [&](std::vector<std::vector<Ranked>>& lists, std::size_t k, std::size_t s) {
    for (const Ranked& e : all) {
      if (!holds(e.line, k, series_[s])) continue;
      for (std::size_t g = 0; g < n_groups_; ++g) {
        if (in_group_[g * n_cells_ + cell_of_[e.line]]) lists[(g * nq_ + k) * ns_ + s].push_back(e);
      }
    }
  };
  for (std::size_t k = 0; k < nq_; ++k) {
    all.clear();
    for (std::size_t i = 0; i < n_lines_; ++i) {
      if (valid_[i * nq_ + k]) all.push_back({block_.co(i, k), static_cast<std::uint32_t>(i)});
    }
    sort_ranked(all);
    for (std::size_t s = 0; s < ns_; ++s) {
      if (s < nm_ || (s - nm_) % 2 == 0) spread(observed_, k, s);
    }
    for (std::size_t m = 0; m < nm_; ++m) {
      all.clear();
      for (std::size_t i = 0; i < n_lines_; ++i) {
        if (valid_[i * nq_ + k] & (1u << m)) {
          all.push_back({block_.cp(i, k, static_cast<int>(m)), static_cast<std::uint32_t>(i)});
        }
      }
      sort_ranked(all);
      for (std::size_t s = 0; s < ns_; ++s) {
        if (series_[s].model == static_cast<int>(m)) spread(predicted_, k, s);
      }
    }
  }
}

LineCounts Evaluator::counts(std::size_t g, std::size_t k, int model) const {
  std::array<long, 4> by_state{};
  for (std::size_t c : group_cells_[g]) {
    const auto& n = state_counts_[(c * nq_ + k) * nm_ + static_cast<std::size_t>(model)];
    for (std::size_t s = 0; s < by_state.size(); ++s) by_state[s] += n[s];
  }
  LineCounts out;
  out.observed_out = by_state[static_cast<std::size_t>(PairState::observed_out)];
  out.model_unread = by_state[static_cast<std::size_t>(PairState::model_unread)];
  out.model_negative = by_state[static_cast<std::size_t>(PairState::model_negative)];
  out.lines = out.observed_out + out.model_unread + out.model_negative +
              by_state[static_cast<std::size_t>(PairState::valid)];
  return out;
}

std::span<const std::size_t> Evaluator::group_slots(std::size_t g, Gathering gathering) const {
  if (gathering == Gathering::by_cell) return group_cells_[g];
  return {&group_index_[g], 1};
}

// Each line's terms, times its count, in line order into its slots: one sequential
// pass over the lines.
void Evaluator::add_lines(std::span<const std::uint32_t> times, Gathering gathering) {
  std::fill(slots_.begin(), slots_.end(), PairSums{});
  const bool by_cell = gathering == Gathering::by_cell;
  if (by_cell) std::fill(cell_squares_.begin(), cell_squares_.end(), Squares{});
  const std::size_t nq = nq_, nm = nm_, ns = ns_;
  const Series* series = series_.data();
  const PairSums* terms = terms_.data();
  const Squares* squares = squares_.data();
  const std::uint8_t* valid = valid_.data();
  // A cell's lines add their squares about the cell's centre as well (`sq`).
  auto add_line = [&](std::size_t i, PairSums* sums, Squares* sq, double w) {
    for (std::size_t k = 0; k < nq; ++k) {
      const PairSums* t = terms + (i * nq + k) * nm;
      const Squares* q = squares + (i * nq + k) * nm;
      PairSums* c = sums + k * ns;
      Squares* cq = sq == nullptr ? nullptr : sq + k * ns;
      // A model's terms are zero where its pair is not valid: added as they stand.
      for (std::size_t m = 0; m < nm; ++m) c[m].add_times(t[m], w);
      if (cq != nullptr) {
        for (std::size_t m = 0; m < nm; ++m) cq[m].add_times(q[m], w);
      }
      // Both sides of a pair of models hold the same lines.
      for (std::size_t s = nm; s < ns; s += 2) {
        if (!covers(valid[i * nq + k], series[s])) continue;
        const auto a = static_cast<std::size_t>(series[s].model);
        const auto b = static_cast<std::size_t>(series[s + 1].model);
        c[s].add_times(t[a], w);
        c[s + 1].add_times(t[b], w);
        if (cq == nullptr) continue;
        cq[s].add_times(q[a], w);
        cq[s + 1].add_times(q[b], w);
      }
    }
  };
  for (std::size_t i = 0; i < n_lines_; ++i) {
    if (times[i] == 0) continue;
    const double w = times[i];
    if (by_cell) {
      add_line(i, &slots_[cell_of_[i] * nq * ns], &cell_squares_[cell_of_[i] * nq * ns], w);
    } else {
      for (std::size_t slot : cell_groups_[cell_of_[i]]) {
        add_line(i, &slots_[slot * nq * ns], nullptr, w);
      }
    }
  }
}

// A group's sums are those of its slots, added in order.
void Evaluator::gather(Gathering gathering) {
  for (std::size_t g = 0; g < n_groups_; ++g) {
    PairStats* out = &stats_[g * nq_ * ns_];
    std::fill(out, out + nq_ * ns_, PairStats{});
    for (std::size_t j = 0; j < nq_ * ns_; ++j) out[j].uncertainty = uncertainty_[j / ns_];
    for (std::size_t slot : group_slots(g, gathering)) {
      const PairSums* sums = &slots_[slot * nq_ * ns_];
      for (std::size_t j = 0; j < nq_ * ns_; ++j) out[j].sums.add(sums[j]);
    }
  }
}

// The deviations about each group's means of the first `series` series, line by
// line: each group's sums receive its lines in line order.
void Evaluator::deviations(std::span<const std::uint32_t> times, std::size_t series) {
  means_.resize(stats_.size());
  for (std::size_t j = 0; j < stats_.size(); ++j) {
    const PairSums& sums = stats_[j].sums;
    means_[j] = {sums.co / sums.n, sums.cp / sums.n};
  }
  for (std::size_t i = 0; i < n_lines_; ++i) {
    if (times[i] == 0) continue;
    const double w = times[i];
    for (std::size_t g : cell_groups_[cell_of_[i]]) {
      for (std::size_t k = 0; k < nq_; ++k) {
        const unsigned valid = valid_[i * nq_ + k];
        if (valid == 0) continue;
        const float co = block_.co(i, k);
        const std::size_t first = (g * nq_ + k) * ns_;
        for (std::size_t s = 0; s < series; ++s) {
          if (!covers(valid, series_[s])) continue;
          const auto [mo, mp] = means_[first + s];
          stats_[first + s].add_deviations(mo, mp, co, block_.cp(i, k, series_[s].model), w);
        }
      }
    }
  }
}

void Evaluator::high_values(std::span<const std::uint32_t> times, std::size_t series) {
  for (std::size_t j = 0; j < n_groups_ * nq_; ++j) {
    for (std::size_t s = 0; s < series; ++s) {
      PairStats& st = stats_[j * ns_ + s];
      // The second side of a pair has the first side's lines and observed values.
      const bool second = s >= nm_ && (s - nm_) % 2 == 1;
      st.rhc_o = second ? stats_[j * ns_ + s - 1].rhc_o
                        : rhc_of_ranked(observed_[j * ns_ + s], times, st.sums.n);
      st.rhc_p = rhc_of_ranked(predicted_[j * ns_ + s], times, st.sums.n);
      if (st.uncertainty == nullptr) continue;
      const double p = st.uncertainty->percentile;
      st.perc_o = second ? stats_[j * ns_ + s - 1].perc_o
                         : percentile_of_ranked(observed_[j * ns_ + s], times, st.sums.n, p);
      st.perc_p = percentile_of_ranked(predicted_[j * ns_ + s], times, st.sums.n, p);
    }
  }
}

void Evaluator::measures(Selection selection) {
  const auto table = measure_table();
  for (std::size_t j = 0; j < n_groups_ * nq_; ++j) {
    const PairStats* st = &stats_[j * ns_];
    for (std::size_t m = 0; m < nm_; ++m) {
      MeasureValues& v = values_[j * (nm_ + np_) + m];
      for (std::size_t id = 0; id < table.size(); ++id) {
        v[id] = selected(table[id], selection) ? table[id].of(st[m]) : kNan;
      }
    }
    for (std::size_t p = 0; p < np_; ++p) {
      MeasureValues& v = values_[j * (nm_ + np_) + nm_ + p];
      for (std::size_t id = 0; id < table.size(); ++id) {
        v[id] = selected(table[id], selection)
                    ? measure_difference(static_cast<int>(id), st[nm_ + 2 * p], st[nm_ + 2 * p + 1])
                    : kNan;
      }
    }
  }
}

// MQI90, Y90 and groups_above_1 of each model on the group all, from the MQI and
// MQI_Y of the arc and label groups with at least 3 valid pairs.
void Evaluator::over_groups(Selection selection) {
  if (!objective_) return;
  const auto all = std::find(kinds_.begin(), kinds_.end(), GroupKind::all);
  if (all == kinds_.end()) return;
  const auto g_all = static_cast<std::size_t>(all - kinds_.begin());
  std::vector<double> mqi, mqi_y;
  for (std::size_t k = 0; k < nq_; ++k) {
    if (uncertainty_[k] == nullptr) continue;
    for (std::size_t m = 0; m < nm_; ++m) {
      mqi.clear();
      mqi_y.clear();
      for (std::size_t g = 0; g < n_groups_; ++g) {
        if (kinds_[g] != GroupKind::arc && kinds_[g] != GroupKind::label) continue;
        if (stats_[(g * nq_ + k) * ns_ + m].sums.n < 3) continue;
        const MeasureValues& v = values_[row(g, k, m)];
        if (!std::isnan(v[kMqi])) mqi.push_back(v[kMqi]);
        if (!std::isnan(v[kMqiY])) mqi_y.push_back(v[kMqiY]);
      }
      MeasureValues& out = values_[row(g_all, k, m)];
      out[kMqi90] = groups_percentile90(mqi);
      out[kY90] = uncertainty_[k]->of_means() ? groups_percentile90(mqi_y) : kNan;
      if (selection == Selection::all) {
        out[kGroupsAbove1] = static_cast<double>(
            std::count_if(mqi.begin(), mqi.end(), [](double x) { return x > 1.0; }));
      }
    }
  }
}

void Evaluator::evaluate(std::span<const std::uint32_t> times, Selection selection,
                         Gathering gathering) {
  add_lines(times, gathering);
  gather(gathering);
  // The passes run over the models' series, and over those of the differences only
  // where a difference needs them.
  for (Formed formed : {Formed::about_means, Formed::high_values}) {
    const std::size_t series = needed(formed, selection, true)    ? ns_
                               : needed(formed, selection, false) ? nm_
                                                                  : 0;
    if (series == 0) continue;
    if (formed == Formed::about_means && gathering == Gathering::by_group) {
      deviations(times, series);
    } else if (formed == Formed::about_means) {
      cell_deviations(times, series);
    }
    if (formed == Formed::high_values) high_values(times, series);
  }
  measures(selection);
  over_groups(selection);
}

}  // namespace evaluate
