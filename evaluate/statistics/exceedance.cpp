#include "evaluate/statistics/exceedance.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <stdexcept>

#include "evaluate/statistics/evaluator.h"

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
    : nq_(block.nq()),
      nm_(static_cast<std::size_t>(block.models)),
      ns_(nm_ + nm_ * (nm_ - 1)),
      n_groups_(groups.size()),
      thresholds_(std::move(thresholds)) {
  thresholds_.resize(nq_);
  for (const auto& t : thresholds_) {
    first_.push_back(per_group_);
    per_group_ += t.size();
  }
  auto prepared = std::make_shared<Prepared>();
  Prepared& d = *prepared;
  // The lines are taken in line order; a line's position in the order of the draws
  // (stratum after stratum, a stratum's lines in line order) follows from the
  // strata's sizes.
  std::vector<std::uint32_t> cell_of(block.size());  // by line: stratum * 3 + stability
  for (std::size_t i = 0; i < block.size(); ++i) {
    const std::size_t cell = line_cell(block, i);
    cell_of[i] = static_cast<std::uint32_t>(cell);
    d.n_cells = std::max(d.n_cells, cell + 1);
  }
  // [s]: the next position in stratum s.
  std::vector<std::size_t> next = stratum_starts(block, (d.n_cells + kCells - 1) / kCells);
  std::vector<std::uint8_t> present(d.n_cells, 0);
  for (const std::uint32_t c : cell_of) present[c] = 1;
  cells_of_groups(groups, present, d.group_first, d.group_cells);
  // A line's kind, per threshold: its valid models and which of its values lie
  // above the threshold. A cell holds few kinds, and nearly all its lines are of one
  // kind where every model is valid (all below a high threshold, say): the cell's
  // common kind. Only the other lines are listed; a resample counts the common kind
  // as the cell's lines with every model valid less the listed ones among them.
  const std::size_t slots = per_group_;
  const unsigned every = (1u << nm_) - 1;
  d.slot_quantity.resize(slots);
  for (std::size_t k = 0; k < nq_; ++k) {
    for (std::size_t t = 0; t < thresholds_[k].size(); ++t) d.slot_quantity[first_[k] + t] = k;
  }
  auto kind_at = [&](std::size_t i, std::size_t j) {
    const std::size_t k = d.slot_quantity[j];
    const float limit = thresholds_[k][j - first_[k]];
    Kind kind{0, block.co(i, k) > limit ? 1u : 0u};
    for (std::size_t m = 0; m < nm_; ++m) {
      if (block.pair_state(i, k, static_cast<int>(m)) == PairState::valid) kind.valid |= 1u << m;
      if (block.cp(i, k, static_cast<int>(m)) > limit) kind.above |= 2u << m;
    }
    return kind;
  };
  // The index of `kind` among the cell's known kinds (added when new).
  d.kinds.assign(d.n_cells * slots, {});
  std::vector<std::vector<std::size_t>> lines_of_kind(d.n_cells * slots);
  auto index_of = [&](std::size_t cs, const Kind& kind) {
    std::vector<Kind>& known = d.kinds[cs];
    const auto at =
        static_cast<std::size_t>(std::find(known.begin(), known.end(), kind) - known.begin());
    if (at == known.size()) {
      known.push_back(kind);
      lines_of_kind[cs].push_back(0);
    }
    return at;
  };
  d.full_lines.assign(d.n_cells * nq_, 0.0);
  for (std::size_t i = 0; i < block.size(); ++i) {
    for (std::size_t j = 0; j < slots; ++j) {
      const std::size_t cs = cell_of[i] * slots + j;
      const Kind kind = kind_at(i, j);
      ++lines_of_kind[cs][index_of(cs, kind)];
      if (j == first_[d.slot_quantity[j]] && kind.valid == every) {
        d.full_lines[cell_of[i] * nq_ + d.slot_quantity[j]] += 1.0;
      }
    }
  }
  std::size_t listed = 0;
  for (std::size_t cs = 0; cs < d.kinds.size(); ++cs) {
    d.first_kind.push_back(d.n_kinds);
    d.n_kinds += d.kinds[cs].size();
    std::size_t common = kNone, most = 0;
    for (std::size_t e = 0; e < d.kinds[cs].size(); ++e) {
      listed += lines_of_kind[cs][e];
      if (d.kinds[cs][e].valid == every && lines_of_kind[cs][e] > most) {
        common = e;
        most = lines_of_kind[cs][e];
      }
    }
    listed -= most;
    d.common.push_back(common);
  }
  if (d.n_kinds > std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("too many kinds of lines in one block");
  }
  d.listed.reserve(listed);
  for (std::size_t i = 0; i < block.size(); ++i) {
    const std::size_t p = next[block.stratum[i]]++;
    for (std::size_t j = 0; j < slots; ++j) {
      const std::size_t cs = cell_of[i] * slots + j;
      const std::size_t e = index_of(cs, kind_at(i, j));
      if (e == d.common[cs]) continue;
      d.listed.push_back(
          {static_cast<std::uint32_t>(p), static_cast<std::uint32_t>(d.first_kind[cs] + e)});
    }
  }
  // In position order, so that a count reads a resample's counts forwards.
  std::sort(d.listed.begin(), d.listed.end(), [](const Listed& a, const Listed& b) {
    return a.position < b.position || (a.position == b.position && a.kind < b.kind);
  });
  at_ = std::move(prepared);
}

void ExceedanceCounter::count(Drawn drawn, std::span<const double> full) {
  const Prepared& d = *at_;
  const std::size_t slots = per_group_;
  const unsigned every = (1u << nm_) - 1;
  times_of_kind_.assign(d.n_kinds, 0.0);
  for (const Listed& e : d.listed) times_of_kind_[e.kind] += drawn[e.position];
  // The common kinds: whole counts, so the order of the sums does not matter.
  for (std::size_t cs = 0; cs < d.common.size(); ++cs) {
    if (d.common[cs] == kNone) continue;
    const std::size_t cell = cs / slots, j = cs % slots;
    double times = full[cell * nq_ + d.slot_quantity[j]];
    const std::vector<Kind>& known = d.kinds[cs];
    for (std::size_t e = 0; e < known.size(); ++e) {
      if (e != d.common[cs] && known[e].valid == every)
        times -= times_of_kind_[d.first_kind[cs] + e];
    }
    times_of_kind_[d.first_kind[cs] + d.common[cs]] = times;
  }
  gather();
}

// Each group's tables from its cells' counts of each kind of line.
void ExceedanceCounter::gather() {
  const Prepared& d = *at_;
  const std::size_t slots = per_group_;
  groups_.assign(n_groups_ * slots * ns_, Contingency{});
  for (std::size_t g = 0; g < n_groups_; ++g) {
    for (std::size_t x = d.group_first[g]; x < d.group_first[g + 1]; ++x) {
      const std::size_t c = d.group_cells[x];
      for (std::size_t j = 0; j < slots; ++j) {
        Contingency* out = &groups_[(g * slots + j) * ns_];
        const std::vector<Kind>& known = d.kinds[c * slots + j];
        for (std::size_t e = 0; e < known.size(); ++e) {
          const double w = times_of_kind_[d.first_kind[c * slots + j] + e];
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
