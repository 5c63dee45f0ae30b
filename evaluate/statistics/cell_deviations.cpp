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
// term zero but for rounding. Each cell's lines are held in descending order of Co,
// and one walk down a cell's lines gives the count and sum above the mean of every
// group that holds the cell, for every series. Concentrations are skewed to the
// right, so the walk stops early: their means lie above most values.
#include <algorithm>

#include "evaluate/statistics/evaluator.h"

namespace evaluate {

// The cells' centres, the lines' squares about them, and each cell's lines in
// descending order of the observed value.
void Evaluator::index_cells() {
  std::vector<PairSums> sums(n_cells_ * nq_ * nm_);
  for (std::size_t i = 0; i < n_lines_; ++i) {
    for (std::size_t k = 0; k < nq_; ++k) {
      for (std::size_t m = 0; m < nm_; ++m) {
        sums[(cell_of_[i] * nq_ + k) * nm_ + m].add(terms_[(i * nq_ + k) * nm_ + m]);
      }
    }
  }
  centre_.resize(sums.size());
  for (std::size_t j = 0; j < sums.size(); ++j) {
    centre_[j] = sums[j].n > 0 ? std::pair{sums[j].co / sums[j].n, sums[j].cp / sums[j].n}
                               : std::pair{0.0, 0.0};
  }
  squares_.assign(n_lines_ * nq_ * nm_, {});
  descending_.assign(n_cells_ * nq_, {});
  for (std::size_t i = 0; i < n_lines_; ++i) {
    for (std::size_t k = 0; k < nq_; ++k) {
      const unsigned valid = valid_[i * nq_ + k];
      if (valid == 0) continue;
      const float co = block_.co(i, k);
      descending_[cell_of_[i] * nq_ + k].push_back(
          {co, static_cast<std::uint32_t>(i), static_cast<std::uint8_t>(valid)});
      for (std::size_t m = 0; m < nm_; ++m) {
        if ((valid & (1u << m)) == 0) continue;
        const auto [c_o, c_p] = centre_[(cell_of_[i] * nq_ + k) * nm_ + m];
        const double d_o = static_cast<double>(co) - c_o;
        const double d_p = static_cast<double>(block_.cp(i, k, static_cast<int>(m))) - c_p;
        squares_[(i * nq_ + k) * nm_ + m] = {d_o * d_o, d_p * d_p, d_o * d_p,
                                             (d_p - d_o) * (d_p - d_o)};
      }
    }
  }
  for (auto& lines : descending_) {
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Descending& a, const Descending& b) { return a.co > b.co; });
  }
  cell_squares_.resize(n_cells_ * nq_ * ns_);
  above_.resize(n_groups_ * nq_ * ns_);
}

void Evaluator::cell_deviations(std::span<const std::uint32_t> times, std::size_t series) {
  add_cell_squares(series);
  absolute_deviations(times);
}

// Each group's squares and products from its cells' (see the top of this file).
void Evaluator::add_cell_squares(std::size_t series) {
  for (std::size_t g = 0; g < n_groups_; ++g) {
    for (std::size_t k = 0; k < nq_; ++k) {
      const std::size_t at = (g * nq_ + k) * ns_;
      for (std::size_t s = 0; s < series; ++s) {
        PairStats& gs = stats_[at + s];
        const double mo = gs.sums.co / gs.sums.n;
        const double mp = gs.sums.cp / gs.sums.n;
        for (std::size_t c : group_cells_[g]) {
          const PairSums& cs = slots_[(c * nq_ + k) * ns_ + s];
          if (!(cs.n > 0)) continue;
          const Squares& q = cell_squares_[(c * nq_ + k) * ns_ + s];
          const auto [c_o, c_p] =
              centre_[(c * nq_ + k) * nm_ + static_cast<std::size_t>(series_[s].model)];
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
// second side of a pair shares the first side's. One walk down each cell's lines
// serves every series: per series, the groups' means in descending order, the next
// one to pass, and the count and sum of the lines above it.
void Evaluator::absolute_deviations(std::span<const std::uint32_t> times) {
  std::fill(above_.begin(), above_.end(), std::pair{0.0, 0.0});
  struct Target {
    double mean;
    std::size_t at;  // the group's, quantity's and series' index
  };
  struct Walk {
    std::size_t series, next, end;
    double n, sum;
  };
  std::vector<Target> targets;
  std::vector<Walk> walks;
  for (std::size_t c = 0; c < n_cells_; ++c) {
    for (std::size_t k = 0; k < nq_; ++k) {
      const std::vector<Descending>& lines = descending_[c * nq_ + k];
      if (lines.empty()) continue;
      targets.clear();
      walks.clear();
      for (std::size_t s = 0; s < ns_; s += s < nm_ ? 1 : 2) {
        const std::size_t first = targets.size();
        for (std::size_t g : cell_groups_[c]) {
          const std::size_t at = (g * nq_ + k) * ns_ + s;
          const PairSums& sums = stats_[at].sums;
          if (sums.n > 0) targets.push_back({sums.co / sums.n, at});
        }
        std::sort(targets.begin() + static_cast<std::ptrdiff_t>(first), targets.end(),
                  [](const Target& a, const Target& b) { return a.mean > b.mean; });
        walks.push_back({s, first, targets.size(), 0.0, 0.0});
      }
      auto pass = [&](Walk& walk) {
        auto& [n_above, sum_above] = above_[targets[walk.next++].at];
        n_above += walk.n;
        sum_above += walk.sum;
      };
      std::size_t left = targets.size();
      for (const Descending& e : lines) {
        if (left == 0) break;
        const std::uint32_t w = times[e.line];
        if (w == 0) continue;
        for (Walk& walk : walks) {
          while (walk.next < walk.end && e.co <= targets[walk.next].mean) {
            pass(walk);
            --left;
          }
          if (!covers(e.valid, series_[walk.series])) continue;
          walk.n += w;
          walk.sum += w * static_cast<double>(e.co);
        }
      }
      for (Walk& walk : walks) {
        while (walk.next < walk.end) pass(walk);
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
