#include "evaluate/statistics/exceedance.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace evaluate {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kCells = 3;  // stability classes per stratum

}  // namespace

std::vector<int> threshold_measures(bool limits) {
  std::vector<int> out;
  for (int id = 0; id < kMeasures; ++id) {
    const MeasureEntry& entry = measure_entry(id);
    if (entry.per_threshold && entry.limits == limits) out.push_back(id);
  }
  return out;
}

MeasureValues threshold_values(const Contingency& t) {
  PairStats stats;
  stats.exceedance = t;
  MeasureValues v;
  v.fill(kNan);
  for (int id = 0; id < kMeasures; ++id) {
    if (measure_entry(id).per_threshold) v[id] = measure_entry(id).of(stats);
  }
  return v;
}

MeasureValues threshold_differences(const Contingency& first, const Contingency& second) {
  PairStats a, b;
  a.exceedance = first;
  b.exceedance = second;
  MeasureValues v;
  v.fill(kNan);
  for (int id : threshold_measures(true)) v[id] = measure_difference(id, a, b);
  return v;
}

std::string threshold_text(float t) {
  std::array<char, 32> buf{};
  const auto r = std::to_chars(buf.data(), buf.data() + buf.size(), t);
  return std::string(buf.data(), r.ptr);
}

ExceedanceCounter::ExceedanceCounter(const Block& block, const std::vector<Group>& groups,
                                     std::vector<std::vector<float>> thresholds)
    : block_(block),
      nq_(block.nq()),
      nm_(static_cast<std::size_t>(block.models)),
      ns_(nm_ + nm_ * (nm_ - 1)),
      n_cells_(0),
      n_groups_(groups.size()),
      thresholds_(std::move(thresholds)) {
  thresholds_.resize(nq_);
  for (const auto& t : thresholds_) {
    first_.push_back(per_group_);
    per_group_ += t.size();
  }
  cell_of_.resize(block.size());
  for (std::size_t i = 0; i < block.size(); ++i) {
    cell_of_[i] = block.stratum[i] * kCells + static_cast<std::size_t>(stability_of(block.obk[i]));
    n_cells_ = std::max(n_cells_, cell_of_[i] + 1);
  }
  // A group holds whole cells: a cell is in it when a line of the cell is.
  std::vector<std::size_t> line_of_cell(n_cells_, block.size());
  for (std::size_t i = block.size(); i-- > 0;) line_of_cell[cell_of_[i]] = i;
  group_cells_.resize(n_groups_);
  for (std::size_t g = 0; g < n_groups_; ++g) {
    for (std::size_t c = 0; c < n_cells_; ++c) {
      const std::size_t i = line_of_cell[c];
      if (i < block.size() && in_group(groups[g], block.stratum[i], block.obk[i])) {
        group_cells_[g].push_back(c);
      }
    }
  }
  // A line's kind, per threshold: its valid models and which of its values lie
  // above the threshold. A cell holds few kinds; a resample counts the kinds.
  const std::size_t slots = per_group_;
  kind_of_.assign(block.size() * slots, 0);
  kinds_.assign(n_cells_ * slots, {});
  for (std::size_t i = 0; i < block.size(); ++i) {
    for (std::size_t k = 0; k < nq_; ++k) {
      unsigned valid = 0;
      for (std::size_t m = 0; m < nm_; ++m) {
        if (block.pair_state(i, k, static_cast<int>(m)) == PairState::valid) valid |= 1u << m;
      }
      for (std::size_t t = 0; t < thresholds_[k].size(); ++t) {
        const float limit = thresholds_[k][t];
        Kind kind{valid, block.co(i, k) > limit ? 1u : 0u};
        for (std::size_t m = 0; m < nm_; ++m) {
          if (block.cp(i, k, static_cast<int>(m)) > limit) kind.above |= 2u << m;
        }
        std::vector<Kind>& known = kinds_[cell_of_[i] * slots + first_[k] + t];
        const auto at = std::find(known.begin(), known.end(), kind);
        kind_of_[i * slots + first_[k] + t] = static_cast<std::uint32_t>(at - known.begin());
        if (at == known.end()) known.push_back(kind);
      }
    }
  }
  for (const std::vector<Kind>& known : kinds_) {
    first_kind_.push_back(n_kinds_);
    n_kinds_ += known.size();
  }
}

void ExceedanceCounter::count(std::span<const std::uint32_t> times) {
  const std::size_t slots = per_group_;
  times_of_kind_.assign(n_kinds_, 0.0);
  for (std::size_t i = 0; i < block_.size(); ++i) {
    if (times[i] == 0) continue;
    const double w = times[i];
    const std::size_t* first = &first_kind_[cell_of_[i] * slots];
    const std::uint32_t* kind = &kind_of_[i * slots];
    for (std::size_t j = 0; j < slots; ++j) times_of_kind_[first[j] + kind[j]] += w;
  }
  groups_.assign(n_groups_ * slots * ns_, Contingency{});
  for (std::size_t g = 0; g < n_groups_; ++g) {
    for (std::size_t c : group_cells_[g]) {
      for (std::size_t j = 0; j < slots; ++j) {
        Contingency* out = &groups_[(g * slots + j) * ns_];
        const std::vector<Kind>& known = kinds_[c * slots + j];
        for (std::size_t e = 0; e < known.size(); ++e) {
          const double w = times_of_kind_[first_kind_[c * slots + j] + e];
          if (w != 0.0) add_kind(out, known[e], w);
        }
      }
    }
  }
}

// w lines of kind `kind` into the tables of every series that holds them.
void ExceedanceCounter::add_kind(Contingency* out, const Kind& kind, double w) const {
  auto add = [&](Contingency& to, std::size_t m) {
    const bool o = (kind.above & 1u) != 0;
    const bool p = (kind.above & (2u << m)) != 0;
    (o ? (p ? to.a : to.c) : (p ? to.b : to.d)) += w;
  };
  for (std::size_t m = 0; m < nm_; ++m) {
    if (kind.valid & (1u << m)) add(out[m], m);
  }
  std::size_t s = nm_;
  for (std::size_t a = 0; a < nm_; ++a) {
    for (std::size_t b = a + 1; b < nm_; ++b, s += 2) {
      if (!(kind.valid & (1u << a)) || !(kind.valid & (1u << b))) continue;
      add(out[s], a);
      add(out[s + 1], b);
    }
  }
}

}  // namespace evaluate
