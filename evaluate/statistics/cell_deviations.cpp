// A resample's deviations about its groups' means, gathered by cell so that the
// lines are passed over once however many groups hold them.
//
// The squares and products: each line's terms about its cell's centre (fixed before
// the resamples) are summed into the cell with the other sums; a cell's sums about
// its own resample mean follow (sum (x - mc)^2 = sum (x - c)^2 - n (mc - c)^2), and a
// group adds its cells' with their offsets from its mean (+ n (mc - m)^2). The centre
// lies close to every resample's mean of the cell, so nothing large cancels.
//
// The absolute deviations of the observed values do not split so. With the mean m
// of a group, sum |Co - m| = 2 sum over Co > m of (Co - m) - (sum Co - n m), the last
// term zero but for rounding. Each stratum's lines are held in descending order of
// Co, and one walk down them gives, cell by cell, the count and sum above the mean
// of every group that holds the cell, for every series. Concentrations are skewed
// to the right, so the walk stops early: their means lie above most values.
#include <algorithm>
#include <array>

#include "evaluate/statistics/evaluator.h"

namespace evaluate {
namespace {

constexpr std::size_t kCells = 3;  // stability classes per stratum

}  // namespace

void Evaluator::cell_deviations(std::span<const std::uint32_t> times, std::size_t series) {
  add_cell_squares(series);
  absolute_deviations(times);
}

// Each group's squares and products from its cells' (see the top of this file).
void Evaluator::add_cell_squares(std::size_t series) {
  const Prepared& d = *at_;
  for (std::size_t g = 0; g < n_groups_; ++g) {
    for (std::size_t k = 0; k < nq_; ++k) {
      const std::size_t at = (g * nq_ + k) * ns_;
      for (std::size_t s = 0; s < series; ++s) {
        PairStats& gs = stats_[at + s];
        const double mo = gs.sums.co / gs.sums.n;
        const double mp = gs.sums.cp / gs.sums.n;
        for (std::size_t c : d.group_cells[g]) {
          const PairSums& cs = slots_[(c * nq_ + k) * ns_ + s];
          if (!(cs.n > 0)) continue;
          const Squares& q = cell_squares_[(c * nq_ + k) * ns_ + s];
          const auto [c_o, c_p] =
              d.centre[(c * nq_ + k) * nm_ + static_cast<std::size_t>(d.series[s].model)];
          const double cell_o = cs.co / cs.n;
          const double cell_p = cs.cp / cs.n;
          const double eo = cell_o - c_o, ep = cell_p - c_p;  // the cell's mean off its centre
          const double dmo = cell_o - mo, dmp = cell_p - mp;  // and off the group's mean
          gs.soo += (q.oo - cs.n * eo * eo) + cs.n * dmo * dmo;
          gs.spp += (q.pp - cs.n * ep * ep) + cs.n * dmp * dmp;
          gs.sop += (q.op - cs.n * eo * ep) + cs.n * dmo * dmp;
          gs.sdd += (q.dd - cs.n * (ep - eo) * (ep - eo)) + cs.n * (dmp - dmo) * (dmp - dmo);
        }
      }
    }
  }
}

// sum |Co - mean Co| of every group and series (see the top of this file); the
// second side of a pair shares the first side's. One walk down each stratum's lines
// serves its cells and every series: per cell and series, the means of the groups
// holding the cell in descending order, the next one to pass, and the count and sum
// of the cell's lines above it. A group adds its cells' counts and sums in cell order.
void Evaluator::absolute_deviations(std::span<const std::uint32_t> times) {
  const Prepared& d = *at_;
  const Block& block = *d.block;
  std::fill(above_.begin(), above_.end(), std::pair{0.0, 0.0});
  struct Target {
    double mean;
    std::size_t at;  // the group's, quantity's and series' index
    double n = 0, sum = 0;
  };
  struct Walk {
    std::size_t series, next, end;
    double n, sum;
  };
  std::vector<Target> targets;
  std::vector<Walk> walks;
  const std::size_t strata = d.n_cells / kCells;
  for (std::size_t stratum = 0; stratum < strata; ++stratum) {
    for (std::size_t k = 0; k < nq_; ++k) {
      const auto lines = d.stratum_observed[stratum * nq_ + k];
      if (lines.empty()) continue;
      targets.clear();
      walks.clear();
      // Per stability class, its cell's walks [first, end) and targets not passed.
      std::array<std::size_t, kCells + 1> first_walk{};
      std::array<std::size_t, kCells> left{};
      std::size_t all_left = 0;
      for (std::size_t cls = 0; cls < kCells; ++cls) {
        first_walk[cls] = walks.size();
        const std::size_t c = stratum * kCells + cls;
        const std::size_t before = targets.size();
        for (std::size_t s = 0; s < ns_; s += s < nm_ ? 1 : 2) {
          const std::size_t first = targets.size();
          for (std::size_t g : d.cell_groups[c]) {
            const std::size_t at = (g * nq_ + k) * ns_ + s;
            const PairSums& sums = stats_[at].sums;
            if (sums.n > 0) targets.push_back({sums.co / sums.n, at});
          }
          std::sort(targets.begin() + static_cast<std::ptrdiff_t>(first), targets.end(),
                    [](const Target& a, const Target& b) { return a.mean > b.mean; });
          walks.push_back({s, first, targets.size(), 0.0, 0.0});
        }
        left[cls] = targets.size() - before;
        all_left += left[cls];
      }
      first_walk[kCells] = walks.size();
      auto pass = [&](Walk& walk) {
        Target& t = targets[walk.next++];
        t.n = walk.n;
        t.sum = walk.sum;
      };
      for (std::uint32_t l : lines) {
        if (all_left == 0) break;
        const std::size_t cls = d.cell_of[l] % kCells;
        if (left[cls] == 0) continue;
        const std::uint32_t w = times[l];
        if (w == 0) continue;
        const float co = block.co(l, k);
        const unsigned valid = d.valid[l * nq_ + k];
        for (std::size_t j = first_walk[cls]; j < first_walk[cls + 1]; ++j) {
          Walk& walk = walks[j];
          while (walk.next < walk.end && co <= targets[walk.next].mean) {
            pass(walk);
            --left[cls];
            --all_left;
          }
          if (!covers(valid, d.series[walk.series])) continue;
          walk.n += w;
          walk.sum += w * static_cast<double>(co);
        }
      }
      for (Walk& walk : walks) {
        while (walk.next < walk.end) pass(walk);
      }
      // Into the groups, cell by cell (the targets are in cell order).
      for (const Target& t : targets) {
        auto& [n_above, sum_above] = above_[t.at];
        n_above += t.n;
        sum_above += t.sum;
      }
    }
  }
  for (std::size_t j = 0; j < n_groups_ * nq_; ++j) {
    for (std::size_t s = 0; s < ns_; ++s) {
      PairStats& st = stats_[j * ns_ + s];
      if (s >= nm_ && (s - nm_) % 2 == 1) {
        st.sao = stats_[j * ns_ + s - 1].sao;
        continue;
      }
      const double m = st.sums.co / st.sums.n;
      const auto [n, sum] = above_[j * ns_ + s];
      st.sao = st.sums.n > 0 ? 2.0 * (sum - m * n) - (st.sums.co - st.sums.n * m) : 0.0;
    }
  }
}

}  // namespace evaluate
