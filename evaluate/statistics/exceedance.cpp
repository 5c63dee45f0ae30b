#include "evaluate/statistics/exceedance.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

namespace evaluate {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr std::size_t kCells = 3;  // stability classes per stratum

constexpr std::array<ScoreEntry, kScores> kScoreTable{{
    {"POD", "  POD   = a / (a + c): probability of detection", "probability of detection, a/(a+c)"},
    {"FAR", "  FAR   = b / (a + b): false-alarm ratio", "false-alarm ratio, b/(a+b)"},
    {"F", "  F     = b / (b + d): false-alarm rate", "false-alarm rate, b/(b+d)"},
    {"CSI", "  CSI   = a / (a + b + c): critical success index",
     "critical success index, a/(a+b+c)"},
    {"FBI", "  FBI   = (a + b) / (a + c): frequency bias", "frequency bias, (a+b)/(a+c)"},
    {"ETS",
     "  ETS   = (a - ar) / (a + b + c - ar), ar = (a + b)(a + c) / N, N = a + b + c + d (N.both "
     "on a difference line): equitable threat score",
     "equitable threat score, (a-ar)/(a+b+c-ar) with ar = (a+b)(a+c)/N"},
}};

constexpr std::array<std::string_view, 4> kCountNames{"hits", "false_alarms", "misses",
                                                      "correct_negatives"};

double ratio(double num, double den) {
  return den == 0.0 ? kNan : num / den;
}

}  // namespace

std::span<const ScoreEntry, kScores> score_table() {
  return kScoreTable;
}
std::span<const std::string_view, 4> count_names() {
  return kCountNames;
}

ScoreValues scores_of(const Contingency& t) {
  const double n = t.n();
  const double ar = n == 0.0 ? kNan : (t.a + t.b) * (t.a + t.c) / n;
  return {ratio(t.a, t.a + t.c),       ratio(t.b, t.a + t.b),
          ratio(t.b, t.b + t.d),       ratio(t.a, t.a + t.b + t.c),
          ratio(t.a + t.b, t.a + t.c), n == 0.0 ? kNan : ratio(t.a - ar, t.a + t.b + t.c - ar)};
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
}

void ExceedanceCounter::count(std::span<const std::uint32_t> times) {
  cells_.assign(n_cells_ * per_group_ * ns_, Contingency{});
  groups_.assign(n_groups_ * per_group_ * ns_, Contingency{});
  auto add = [](Contingency& to, bool o, bool p, double w) {
    (o ? (p ? to.a : to.c) : (p ? to.b : to.d)) += w;
  };
  for (std::size_t i = 0; i < block_.size(); ++i) {
    if (times[i] == 0) continue;
    const double w = times[i];
    for (std::size_t k = 0; k < nq_; ++k) {
      unsigned valid = 0;
      for (std::size_t m = 0; m < nm_; ++m) {
        if (block_.pair_state(i, k, static_cast<int>(m)) == PairState::valid) valid |= 1u << m;
      }
      if (valid == 0) continue;
      const float co = block_.co(i, k);
      for (std::size_t t = 0; t < thresholds_[k].size(); ++t) {
        const float limit = thresholds_[k][t];
        Contingency* c = &cells_[(cell_of_[i] * per_group_ + first_[k] + t) * ns_];
        auto above = [&](std::size_t m) { return block_.cp(i, k, static_cast<int>(m)) > limit; };
        for (std::size_t m = 0; m < nm_; ++m) {
          if (valid & (1u << m)) add(c[m], co > limit, above(m), w);
        }
        std::size_t s = nm_;
        for (std::size_t a = 0; a < nm_; ++a) {
          for (std::size_t b = a + 1; b < nm_; ++b, s += 2) {
            if (!(valid & (1u << a)) || !(valid & (1u << b))) continue;
            add(c[s], co > limit, above(a), w);
            add(c[s + 1], co > limit, above(b), w);
          }
        }
      }
    }
  }
  for (std::size_t g = 0; g < n_groups_; ++g) {
    for (std::size_t c : group_cells_[g]) {
      for (std::size_t j = 0; j < per_group_ * ns_; ++j) {
        groups_[g * per_group_ * ns_ + j].add(cells_[c * per_group_ * ns_ + j]);
      }
    }
  }
}

}  // namespace evaluate
