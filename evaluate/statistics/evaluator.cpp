#include "evaluate/statistics/evaluator.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "evaluate/statistics/full_lines.h"

namespace evaluate {
namespace {

constexpr std::size_t kCells = 3;   // stability classes per stratum
constexpr std::size_t kAhead = 16;  // lines fetched ahead in the passes by group
constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// The indices 0 to n - 1 of a list's entries, walked in order.
struct Indices {
  struct Iterator {
    std::uint32_t at;
    std::uint32_t operator*() const { return at; }
    Iterator& operator++() {
      ++at;
      return *this;
    }
    bool operator!=(const Iterator& other) const { return at != other.at; }
  };
  std::uint32_t n;
  Iterator begin() const { return {0}; }
  Iterator end() const { return {n}; }
};

}  // namespace

// A measure that needs an uncertainty is formed only when a quantity has one.
bool Evaluator::selected(const MeasureEntry& entry, Selection selection) const {
  // The per-threshold measures are formed by the exceedance counter.
  if (entry.per_threshold || (entry.needs != Needs::nothing && !at_->objective)) return false;
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
                     std::vector<const Uncertainty*> uncertainty) {
  auto prepared = std::make_shared<Prepared>();
  Prepared& d = *prepared;
  d.block = &block;
  d.nq = block.nq();
  d.nm = static_cast<std::size_t>(block.models);
  d.np = d.nm * (d.nm - 1) / 2;
  d.ns = d.nm + 2 * d.np;
  d.n_lines = block.size();
  d.n_cells = strata * kCells;
  d.n_groups = groups.size();
  if (d.n_lines >= std::numeric_limits<std::uint32_t>::max() ||
      d.n_cells >= std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("too many lines in one block");
  }
  d.uncertainty = std::move(uncertainty);
  d.uncertainty.resize(d.nq, nullptr);
  for (const Uncertainty* u : d.uncertainty) d.objective = d.objective || u != nullptr;
  for (std::size_t m = 0; m < d.nm; ++m) d.series.push_back({static_cast<int>(m), 1u << m});
  for (const auto& [a, b] : model_pairs(block.models)) {
    const unsigned mask = (1u << a) | (1u << b);
    d.series.push_back({a, mask});
    d.series.push_back({b, mask});
  }
  d.index_lines();
  d.index_groups(groups);
  d.rank_values();
  d.make_heads();
  d.index_cells();
  at_ = std::move(prepared);
  nq_ = d.nq;
  nm_ = d.nm;
  np_ = d.np;
  ns_ = d.ns;
  n_groups_ = d.n_groups;
  slots_.resize(std::max(d.n_cells, n_groups_) * nq_ * ns_);
  cell_squares_.resize(d.n_cells * nq_ * ns_);
  full_sums_.resize(kSets * d.n_cells * nq_ * nm_);
  full_squares_.resize(kSets * d.n_cells * nq_ * nm_);
  full_drawn_.resize(kSets * d.n_cells * nq_);
  stats_.resize(n_groups_ * nq_ * ns_);
  above_.resize(n_groups_ * nq_ * ns_);
  values_.resize(n_groups_ * nq_ * (nm_ + np_));
  head_drawn_.resize(d.heads.items.size());
}

LineCounts Evaluator::counts(std::size_t g, std::size_t k, int model) const {
  std::array<long, 4> by_state{};
  for (std::size_t c : at_->group_cells[g]) {
    const auto& n = at_->state_counts[(c * nq_ + k) * nm_ + static_cast<std::size_t>(model)];
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

// Each line's terms, times its count, into its slots: the line's cell, or every group
// that holds it. One pass over the lines, by cell in the order of the positions (a
// cell's lines are in line order there too), by group in line order; a line's terms
// (and by cell its squares about the cell's centre) are formed as it is met.
void Evaluator::add_lines(Drawn drawn, Gathering gathering, InLineOrder lines) {
  const Prepared& d = *at_;
  const bool by_cell = gathering == Gathering::by_cell;
  if (by_cell) {
    // Only the cells with lines that lack a model have rest sums; add_full_lines()
    // sets the others' slots.
    for (std::size_t j = 0; j < d.n_cells * nq_; ++j) {
      if (d.partial[j] == 0) continue;
      std::fill_n(&slots_[j * ns_], ns_, PairSums{});
      std::fill_n(&cell_squares_[j * ns_], ns_, Squares{});
    }
  } else {
    std::fill(slots_.begin(), slots_.end(), PairSums{});
  }
  const std::size_t nq = nq_, nm = nm_, ns = ns_;
  const unsigned every = (1u << nm) - 1;  // the valid bits of a line with every model
  const Series* series = d.series.data();
  std::array<PairSums, kMaxModels> t{};
  std::array<Squares, kMaxModels> q{};
  // The line's terms into one slot; a cell's squares as well (`cq`).
  auto add = [&](PairSums* c, Squares* cq, unsigned valid, double w) {
    for (std::size_t m = 0; m < nm; ++m) {
      if ((valid & (1u << m)) == 0) continue;
      c[m].add_times(t[m], w);
      if (cq != nullptr) cq[m].add_times(q[m], w);
    }
    // Both sides of a pair of models hold the same lines.
    for (std::size_t s = nm; s < ns; s += 2) {
      if (!covers(valid, series[s])) continue;
      const auto a = static_cast<std::size_t>(series[s].model);
      const auto b = static_cast<std::size_t>(series[s + 1].model);
      c[s].add_times(t[a], w);
      c[s + 1].add_times(t[b], w);
      if (cq == nullptr) continue;
      cq[s].add_times(q[a], w);
      cq[s + 1].add_times(q[b], w);
    }
  };
  if (!by_cell) {
    // In line order: the values from the block, the logarithms by position.
    const Block& block = *d.block;
    for (std::size_t i = 0; i < d.n_lines; ++i) {
      if (i + kAhead < d.n_lines) {
        const std::size_t ahead = lines.position[i + kAhead];
        __builtin_prefetch(d.ln_co.data() + ahead * nq);
        __builtin_prefetch(d.ln_cp.data() + ahead * nq * nm);
      }
      const double w = lines.times[i];
      if (w == 0) continue;
      const std::size_t p = lines.position[i];
      const auto groups = d.cell_groups[line_cell(*d.block, i)];
      for (std::size_t k = 0; k < nq; ++k) {
        const unsigned valid = d.block_valid(i, k);
        if (valid == 0) continue;
        for (std::size_t m = 0; m < nm; ++m) {
          if ((valid & (1u << m)) == 0) continue;
          t[m] = pair_terms(block.co(i, k), block.cp(i, k, static_cast<int>(m)),
                            d.ln_co[p * nq + k], d.ln_cp[(p * nq + k) * nm + m]);
        }
        for (std::size_t g : groups) add(&slots_[(g * nq + k) * ns], nullptr, valid, w);
      }
    }
    return;
  }
  // By cell only the lines in `rest` have terms to add here, in position order.
  std::size_t stratum = 0;
  for (const std::uint32_t p : d.rest) {
    while (p >= d.stratum_first[stratum + 1]) ++stratum;
    for (std::size_t k = 0; k < nq; ++k) {
      const unsigned valid = d.valid[p * nq + k];
      // The lines with every model valid are summed by add_full().
      if (valid == 0 || valid == every || drawn[p] == 0) continue;
      const double w = drawn[p];
      const std::size_t cell = stratum * kCells + d.class_of[p];
      const float co = d.co[p * nq + k];
      const double ln_co = d.ln_co[p * nq + k];
      for (std::size_t m = 0; m < nm; ++m) {
        if ((valid & (1u << m)) == 0) continue;
        const std::size_t j = (p * nq + k) * nm + m;
        const float cp = d.cp[j];
        t[m] = pair_terms(co, cp, ln_co, d.ln_cp[j]);
        const auto [c_o, c_p] = d.centre[(cell * nq + k) * nm + m];
        const double d_o = static_cast<double>(co) - c_o;
        const double d_p = static_cast<double>(cp) - c_p;
        q[m] = {d_o * d_o, d_p * d_p, d_o * d_p, (d_p - d_o) * (d_p - d_o)};
      }
      add(&slots_[(cell * nq + k) * ns], &cell_squares_[(cell * nq + k) * ns], valid, w);
    }
  }
}

// By cell, the sums and squares of the lines where every model is valid, each
// cell's in position order: every series holds such a line, and its models' sums
// serve the pairs' sides too.
void Evaluator::add_full(std::span<const std::uint32_t> words, unsigned resamples) {
  const Prepared& d = *at_;
  const LineColumns in{
      words.data(),   d.valid.data(),    d.co.data(),     d.cp.data(), d.ln_co.data(),
      d.ln_cp.data(), d.class_of.data(), d.centre.data(), nq_,         nm_};
  std::array<double, kSets * kCells * kMaxModels * kLineFields> out;
  const std::size_t per_set = d.n_cells * nq_ * nm_, per_out = kCells * nm_ * kLineFields;
  parts_summed_ = 0;  // set 0 is a single resample's now
  for (std::size_t s = 0; s + 1 < d.stratum_first.size(); ++s) {
    for (std::size_t k = 0; k < nq_; ++k) {
      const std::size_t from = d.stratum_first[s], to = d.stratum_first[s + 1];
      add_full_stratum(in, from, to, k, s * kCells, d.stratum_class[s], resamples, out.data());
      for (std::size_t r = 0; r < resamples; ++r) {
        for (std::size_t cls = 0; cls < kCells; ++cls) {
          const std::size_t cell_k = (s * kCells + cls) * nq_ + k;
          const std::size_t at = r * per_set + cell_k * nm_;
          full_drawn_[r * d.n_cells * nq_ + cell_k] = out[r * per_out + cls * nm_ * kLineFields];
          for (std::size_t m = 0; m < nm_; ++m) {
            const double* f = &out[r * per_out + (cls * nm_ + m) * kLineFields];
            full_sums_[at + m] = {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9]};
            full_squares_[at + m] = {f[10], f[11], f[12], f[13]};
          }
        }
      }
    }
  }
}

void Evaluator::sum_full_parts(std::span<const std::uint32_t> words, unsigned parts) {
  if (parts != 2 && parts != kSets) throw std::logic_error("words hold 2 or 4 resamples");
  add_full(words, parts);
  parts_summed_ = parts;
  parts_words_ = words.data();
}

// By cell, each series' sums of a cell from those of the lines with every model valid
// (the series' model's) and of the other lines (the series' own): full + rest.
void Evaluator::add_full_lines() {
  const Series* series = at_->series.data();
  const PairSums* full_sums = full_sums_.data() + set_ * at_->n_cells * nq_ * nm_;
  const Squares* full_squares = full_squares_.data() + set_ * at_->n_cells * nq_ * nm_;
  for (std::size_t j = 0; j < at_->n_cells * nq_; ++j) {
    PairSums* sums = &slots_[j * ns_];
    Squares* squares = &cell_squares_[j * ns_];
    const bool rest = at_->partial[j] != 0;
    for (std::size_t s = 0; s < ns_; ++s) {
      const std::size_t m = j * nm_ + static_cast<std::size_t>(series[s].model);
      if (!rest) {  // every line of the cell is full
        sums[s] = full_sums[m];
        squares[s] = full_squares[m];
        continue;
      }
      PairSums x = full_sums[m];
      x.add(sums[s]);
      sums[s] = x;
      Squares q = full_squares[m];
      q.add_times(squares[s], 1.0);
      squares[s] = q;
    }
  }
}

// A group's sums are those of its slots, added in order: its cells', or its own.
void Evaluator::gather(Gathering gathering) {
  for (std::size_t g = 0; g < n_groups_; ++g) {
    PairStats* out = &stats_[g * nq_ * ns_];
    std::fill(out, out + nq_ * ns_, PairStats{});
    for (std::size_t j = 0; j < nq_ * ns_; ++j) out[j].uncertainty = at_->uncertainty[j / ns_];
    auto add_slot = [&](std::size_t slot) {
      const PairSums* sums = &slots_[slot * nq_ * ns_];
      for (std::size_t j = 0; j < nq_ * ns_; ++j) out[j].sums.add(sums[j]);
    };
    if (gathering == Gathering::by_group) {
      add_slot(g);
      continue;
    }
    for (std::size_t c : at_->group_cells[g]) add_slot(c);
  }
}

// The deviations about each group's means of the first `series` series, line by
// line: each group's sums receive its lines in line order.
void Evaluator::deviations(std::size_t series, std::span<const std::uint32_t> times) {
  const Prepared& d = *at_;
  const Block& block = *d.block;
  means_.resize(stats_.size());
  for (std::size_t j = 0; j < stats_.size(); ++j) {
    const PairSums& sums = stats_[j].sums;
    means_[j] = {sums.co / sums.n, sums.cp / sums.n};
  }
  for (std::size_t i = 0; i < d.n_lines; ++i) {
    const double w = times[i];
    if (w == 0) continue;
    for (std::size_t g : d.cell_groups[line_cell(*d.block, i)]) {
      for (std::size_t k = 0; k < nq_; ++k) {
        const unsigned valid = d.block_valid(i, k);
        if (valid == 0) continue;
        const float co = block.co(i, k);
        const std::size_t first = (g * nq_ + k) * ns_;
        for (std::size_t s = 0; s < series; ++s) {
          if (!covers(valid, d.series[s])) continue;
          const auto [mo, mp] = means_[first + s];
          stats_[first + s].add_deviations(mo, mp, co, block.cp(i, k, d.series[s].model), w);
        }
      }
    }
  }
}

void Evaluator::gather_heads(Drawn drawn) {
  const Prepared& d = *at_;
  for (std::size_t j = 0; j + 1 < d.heads.first.size(); ++j) {
    const std::span<const std::uint32_t> list = j < nq_ ? d.observed[j] : d.predicted[j - nq_];
    std::uint32_t* out = head_drawn_.data() + d.heads.first[j];
    const std::size_t length = d.heads[j].size();
    for (std::size_t e = 0; e < length; ++e) out[e] = drawn[list[e]];
  }
}

// The robust highest concentrations (and the percentiles) of every group and
// series: a walk down the group's ranked lines, those of its stratum or all lines;
// a line counts as often as it is drawn where the series holds it and it is of the
// group's stability class. The walks over all lines read the lists' heads first.
void Evaluator::high_values(Drawn drawn, std::size_t series) {
  const Prepared& d = *at_;
  if (!d.heads.items.empty()) gather_heads(drawn);
  for (std::size_t g = 0; g < n_groups_; ++g) {
    const GroupKind kind = d.kinds[g];
    const bool own = kind == GroupKind::arc || kind == GroupKind::label;
    const std::size_t cls = kind == GroupKind::stable     ? std::size_t{kStable}
                            : kind == GroupKind::unstable ? std::size_t{kUnstable}
                                                          : kCells;
    const std::size_t stratum = d.group_stratum[g];
    for (std::size_t k = 0; k < nq_; ++k) {
      const std::size_t j = g * nq_ + k;
      // Where no line of the group lacks a model, every series holds the same lines:
      // the first series' observed values and each model's predicted ones serve all.
      const bool full = d.group_full[j] != 0;
      for (std::size_t s = 0; s < series; ++s) {
        PairStats& st = stats_[j * ns_ + s];
        const Series& se = d.series[s];
        const auto m = static_cast<std::size_t>(se.model);
        // The observed values' of the series they are taken from: the first side of a
        // pair for the second, the first series where the group is full.
        const bool second = s >= nm_ && (s - nm_) % 2 == 1;
        const PairStats* same_o = full && s > 0 ? &stats_[j * ns_]
                                  : second      ? &stats_[j * ns_ + s - 1]
                                                : nullptr;
        if (same_o != nullptr) {
          st.rhc_o = same_o->rhc_o;
          st.perc_o = same_o->perc_o;
        }
        if (full && s >= nm_) {  // the predicted values' of the side's model
          st.rhc_p = stats_[j * ns_ + m].rhc_p;
          st.perc_p = stats_[j * ns_ + m].perc_p;
          continue;
        }
        // The walk of list `list` (entries are its indices) of positions less `base`,
        // whose head is list `h` of the heads (none for a stratum's list), its values
        // `of`.
        auto walk = [&](auto list, std::size_t base, std::size_t h, const float* of,
                        std::size_t stride, auto formed) {
          const auto head = own ? std::span<const Prepared::HeadEntry>{} : d.heads[h];
          const std::uint32_t* head_drawn = own ? nullptr : head_drawn_.data() + d.heads.first[h];
          auto held = [&](std::uint32_t e) -> std::uint32_t {
            if (e < head.size()) {
              const std::uint32_t c = head_drawn[e];
              if (c == 0 || !covers(head[e].valid, se)) return 0;
              return cls == kCells || head[e].cls == cls ? c : 0;
            }
            const std::size_t p = base + list[e];
            const std::uint32_t c = drawn[p];
            if (c == 0 || !covers(d.valid[p * nq_ + k], se)) return 0;
            return cls == kCells || d.class_of[p] == cls ? c : 0;
          };
          auto value = [&](std::uint32_t e) {
            return e < head.size() ? head[e].value : of[(base + list[e]) * stride];
          };
          return formed(Indices{static_cast<std::uint32_t>(list.size())}, value, held);
        };
        const double n = st.sums.n;
        const double* pct = st.uncertainty == nullptr ? nullptr : &st.uncertainty->percentile;
        auto walk_both = [&](auto list, std::size_t base, std::size_t h, const float* of,
                             std::size_t stride, double& rhc, double& perc) {
          rhc = walk(list, base, h, of, stride, [&](auto entries, auto value, auto held) {
            return rhc_held(entries, value, held, n);
          });
          if (pct == nullptr) return;
          perc = walk(list, base, h, of, stride, [&](auto entries, auto value, auto held) {
            return percentile_held(entries, value, held, n, *pct);
          });
        };
        // A stratum's group walks the stratum's lists, any other the lists over all
        // lines.
        auto walk_list = [&](const StratumLists& by_stratum, std::size_t j,
                             std::span<const std::uint32_t> over_all, std::size_t h,
                             const float* of, std::size_t stride, double& rhc, double& perc) {
          if (!own) return walk_both(over_all, 0, h, of, stride, rhc, perc);
          by_stratum.with(j, [&](auto list) {
            walk_both(list, d.stratum_first[stratum], h, of, stride, rhc, perc);
          });
        };
        if (same_o == nullptr) {
          walk_list(d.stratum_observed, stratum * nq_ + k, d.observed[k], k, d.co.data() + k, nq_,
                    st.rhc_o, st.perc_o);
        }
        walk_list(d.stratum_predicted, (stratum * nq_ + k) * nm_ + m, d.predicted[k * nm_ + m],
                  nq_ + k * nm_ + m, d.cp.data() + k * nm_ + m, nq_ * nm_, st.rhc_p, st.perc_p);
      }
    }
  }
}

// The selected measures of every group; the others NaN.
void Evaluator::measures(Selection selection) {
  const auto table = measure_table();
  std::vector<int> formed;
  for (std::size_t id = 0; id < table.size(); ++id) {
    if (selected(table[id], selection)) formed.push_back(static_cast<int>(id));
  }
  for (std::size_t j = 0; j < n_groups_ * nq_; ++j) {
    const PairStats* st = &stats_[j * ns_];
    for (std::size_t m = 0; m < nm_; ++m) {
      MeasureValues& v = values_[j * (nm_ + np_) + m];
      v.fill(kNan);
      for (int id : formed)
        v[static_cast<std::size_t>(id)] = table[static_cast<std::size_t>(id)].of(st[m]);
    }
    for (std::size_t p = 0; p < np_; ++p) {
      MeasureValues& v = values_[j * (nm_ + np_) + nm_ + p];
      v.fill(kNan);
      for (int id : formed) {
        v[static_cast<std::size_t>(id)] =
            measure_difference(id, st[nm_ + 2 * p], st[nm_ + 2 * p + 1]);
      }
    }
  }
}

// MQI90, Y90 and groups_above_1 of each model on the group all, from the MQI and
// MQI_Y of the arc and label groups with at least 3 valid pairs.
void Evaluator::over_groups(Selection selection) {
  const Prepared& d = *at_;
  if (!d.objective) return;
  const auto all = std::find(d.kinds.begin(), d.kinds.end(), GroupKind::all);
  if (all == d.kinds.end()) return;
  const auto g_all = static_cast<std::size_t>(all - d.kinds.begin());
  std::vector<double> mqi, mqi_y;
  for (std::size_t k = 0; k < nq_; ++k) {
    if (d.uncertainty[k] == nullptr) continue;
    for (std::size_t m = 0; m < nm_; ++m) {
      mqi.clear();
      mqi_y.clear();
      for (std::size_t g = 0; g < n_groups_; ++g) {
        if (d.kinds[g] != GroupKind::arc && d.kinds[g] != GroupKind::label) continue;
        if (stats_[(g * nq_ + k) * ns_ + m].sums.n < 3) continue;
        const MeasureValues& v = values_[row(g, k, m)];
        if (!std::isnan(v[kMqi])) mqi.push_back(v[kMqi]);
        if (!std::isnan(v[kMqiY])) mqi_y.push_back(v[kMqiY]);
      }
      MeasureValues& out = values_[row(g_all, k, m)];
      out[kMqi90] = groups_percentile90(mqi);
      out[kY90] = d.uncertainty[k]->of_means() ? groups_percentile90(mqi_y) : kNan;
      if (selection == Selection::all) {
        out[kGroupsAbove1] = static_cast<double>(
            std::count_if(mqi.begin(), mqi.end(), [](double x) { return x > 1.0; }));
      }
    }
  }
}

void Evaluator::evaluate(std::span<const std::uint32_t> times, Selection selection,
                         Gathering gathering) {
  std::vector<std::uint32_t> position = draw_positions(*at_->block, at_->stratum_first.size() - 1);
  std::vector<std::uint32_t> drawn(at_->n_lines);
  for (std::size_t i = 0; i < position.size(); ++i) drawn[position[i]] = times[i];
  // By cell the positions are let go before the evaluation's own arrays are made.
  if (gathering != Gathering::by_group) std::vector<std::uint32_t>().swap(position);
  evaluate_lines(drawn, times, selection, gathering, std::move(position));
}

void Evaluator::evaluate_drawn(Drawn drawn, Selection selection, Gathering gathering) {
  std::vector<std::uint32_t> times, position;
  if (gathering == Gathering::by_group) {
    position = draw_positions(*at_->block, at_->stratum_first.size() - 1);
    times.resize(at_->n_lines);
    for (std::size_t i = 0; i < times.size(); ++i) times[i] = drawn[position[i]];
  }
  evaluate_lines(drawn, times, selection, gathering, std::move(position));
}

void Evaluator::evaluate_lines(Drawn drawn, std::span<const std::uint32_t> times,
                               Selection selection, Gathering gathering,
                               std::vector<std::uint32_t> position) {
  if (drawn.parts > 1 && (gathering != Gathering::by_cell || parts_summed_ != drawn.parts ||
                          drawn.words.data() != parts_words_)) {
    throw std::logic_error("counts in parts of words are evaluated by cell after sum_full_parts()");
  }
  set_ = drawn.part();
  if (gathering == Gathering::by_cell && drawn.parts == 1) add_full(drawn.words, 1);
  // By group (once, for the point estimate), each line's position.
  if (gathering == Gathering::by_group && position.empty()) {
    position = draw_positions(*at_->block, at_->stratum_first.size() - 1);
  }
  add_lines(drawn, gathering, {position, times});
  if (gathering == Gathering::by_cell) add_full_lines();
  gather(gathering);
  // The passes run over the models' series, and over those of the differences only
  // where a difference needs them.
  for (Formed formed : {Formed::about_means, Formed::high_values}) {
    const std::size_t series = needed(formed, selection, true)    ? ns_
                               : needed(formed, selection, false) ? nm_
                                                                  : 0;
    if (series == 0) continue;
    if (formed == Formed::about_means && gathering == Gathering::by_group) {
      deviations(series, times);
    } else if (formed == Formed::about_means) {
      cell_deviations(drawn, series);
    }
    if (formed == Formed::high_values) high_values(drawn, series);
  }
  measures(selection);
  over_groups(selection);
}

}  // namespace evaluate
