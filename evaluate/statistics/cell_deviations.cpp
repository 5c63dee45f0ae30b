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
#include <limits>

#include "evaluate/statistics/evaluator.h"

namespace evaluate {
namespace {

constexpr std::size_t kCells = 3;   // stability classes per stratum
constexpr std::size_t kAhead = 16;  // lines of a walk fetched ahead

}  // namespace

void Evaluator::cell_deviations(Drawn drawn, std::size_t series) {
  add_cell_squares(series);
  absolute_deviations(drawn);
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
// serves its cells and every series. Per cell, the means of the groups holding it
// for each series are targets; a walk holds some targets in descending order of
// mean, the next one to pass, and the count and sum of the lines it took so far.
// The lines where every model is valid are held by every series: one walk of the
// cell takes them for all its targets; the other lines are taken by a walk per
// series. A walk passes a target (records its count and sum) before it takes a line
// not above the target's mean; a cell is done when a line is not above any of its
// means. A group adds its cells' counts and sums in cell order.
void Evaluator::absolute_deviations(Drawn drawn) {
  const Prepared& d = *at_;
  std::fill(above_.begin(), above_.end(), std::pair{0.0, 0.0});
  struct Target {
    double mean;
    std::size_t at;      // the group's, quantity's and series' index
    std::size_t series;  // the series'
    double n = 0, sum = 0;
  };
  struct Walk {
    std::size_t series;     // the series of the rest's walk (unused for the full lines')
    std::size_t next, end;  // its targets: order[next .. end)
    double n = 0, sum = 0;
  };
  std::vector<Target> targets;
  std::vector<std::size_t> order;  // per walk, its targets' indices by descending mean
  std::vector<Walk> walks;
  std::vector<std::pair<double, double>> full;  // [target]: the full lines' count and sum
  const std::size_t strata = d.n_cells / kCells;
  const unsigned every = (1u << nm_) - 1;
  for (std::size_t stratum = 0; stratum < strata; ++stratum) {
    const std::size_t base = d.stratum_first[stratum];
    for (std::size_t k = 0; k < nq_; ++k)
      d.stratum_observed.with(stratum * nq_ + k, [&](auto lines) {
        if (lines.empty()) return;
        targets.clear();
        order.clear();
        walks.clear();
        // Per stability class: the walk of its full lines, then its series' walks up
        // to first_walk[cls + 1]; the lowest mean of its targets; whether it is done.
        std::array<std::size_t, kCells + 1> first_walk{};
        std::array<double, kCells> lowest{};
        std::array<bool, kCells> done{};
        std::size_t open = 0;
        auto by_mean = [&](std::size_t a, std::size_t b) {
          return targets[a].mean > targets[b].mean;
        };
        for (std::size_t cls = 0; cls < kCells; ++cls) {
          const std::size_t c = stratum * kCells + cls;
          const std::size_t before = targets.size();
          for (std::size_t s = 0; s < ns_; s += s < nm_ ? 1 : 2) {
            for (std::size_t g : d.cell_groups[c]) {
              const std::size_t at = (g * nq_ + k) * ns_ + s;
              const PairSums& sums = stats_[at].sums;
              if (sums.n > 0) targets.push_back({sums.co / sums.n, at, s});
            }
          }
          first_walk[cls] = walks.size();
          done[cls] = targets.size() == before;
          if (done[cls]) continue;
          ++open;
          lowest[cls] = targets[before].mean;
          const std::size_t base = order.size();
          for (std::size_t t = before; t < targets.size(); ++t) {
            lowest[cls] = std::min(lowest[cls], targets[t].mean);
            order.push_back(t);
          }
          std::sort(order.begin() + static_cast<std::ptrdiff_t>(base), order.end(), by_mean);
          walks.push_back({0, base, order.size()});
          // The series' walks, each over its own targets in the same order; none where
          // every line of the cell is a full line.
          if (d.partial[c * nq_ + k] == 0) continue;
          for (std::size_t s = 0; s < ns_; s += s < nm_ ? 1 : 2) {
            const std::size_t first = order.size();
            for (std::size_t j = base; j < base + targets.size() - before; ++j) {
              const std::size_t t = order[j];
              if (targets[t].series == s) order.push_back(t);
            }
            walks.push_back({s, first, order.size()});
          }
        }
        first_walk[kCells] = walks.size();
        full.assign(targets.size(), {0.0, 0.0});
        // Records the walk's count and sum at each of its targets with mean >= co.
        auto pass_to = [&](Walk& walk, double co, bool of_full) {
          while (walk.next < walk.end && co <= targets[order[walk.next]].mean) {
            const std::size_t t = order[walk.next++];
            if (of_full) {
              full[t] = {walk.n, walk.sum};
            } else {
              targets[t].n = walk.n;
              targets[t].sum = walk.sum;
            }
          }
        };
        // A line not drawn is taken with weight 0, which leaves a walk's count and sum
        // as they are, and passes only targets that the next line taken would pass at
        // the same count and sum (the lines come in descending order): the same walk
        // as skipping it, without a branch that goes either way at random.
        for (std::size_t i = 0; i < lines.size(); ++i) {
          if (open == 0) break;
          // The lines come in the order of their values, scattered over the stratum:
          // their columns are asked for ahead of their turn.
          if (i + kAhead < lines.size()) {
            const std::size_t a = base + lines[i + kAhead];
            __builtin_prefetch(drawn.words.data() + a);
            __builtin_prefetch(d.class_of.data() + a);
            __builtin_prefetch(d.co.data() + a * nq_ + k);
            __builtin_prefetch(d.valid.data() + a * nq_ + k);
          }
          const std::size_t l = base + lines[i];
          const std::size_t cls = d.class_of[l];
          if (done[cls]) continue;
          const std::uint32_t w = drawn[l];
          const double co = d.co[l * nq_ + k];
          if (co <= lowest[cls]) {
            done[cls] = true;
            --open;
            continue;
          }
          const unsigned valid = d.valid[l * nq_ + k];
          const std::size_t first = first_walk[cls];
          auto take = [&](Walk& walk, bool of_full) {
            pass_to(walk, co, of_full);
            walk.n += w;
            walk.sum += w * co;
          };
          if (valid == every) {
            take(walks[first], true);
            continue;
          }
          for (std::size_t j = first + 1; j < first_walk[cls + 1]; ++j) {
            if (covers(valid, d.series[walks[j].series])) take(walks[j], false);
          }
        }
        const double below = -std::numeric_limits<double>::infinity();
        for (std::size_t cls = 0; cls < kCells; ++cls) {
          for (std::size_t j = first_walk[cls]; j < first_walk[cls + 1]; ++j)
            pass_to(walks[j], below, j == first_walk[cls]);
        }
        // Into the groups, cell by cell (the targets are in cell order).
        for (std::size_t t = 0; t < targets.size(); ++t) {
          auto& [n_above, sum_above] = above_[targets[t].at];
          n_above += full[t].first + targets[t].n;
          sum_above += full[t].second + targets[t].sum;
        }
      });
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
