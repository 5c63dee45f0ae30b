// One evaluation of a block's lines under a weighting: every measure of every model,
// quantity and group, and every difference of every pair of models, for one count
// per line. The point estimate counts every line once; a bootstrap resample counts
// each line as often as it was drawn. The rules are stated here once for both:
// which lines a group holds, that a difference uses the lines where both models'
// pairs are valid, that a repeated line counts in the robust highest concentration
// as often as it is held, and that the deviations are summed about the set's means.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "evaluate/input/groups.h"
#include "evaluate/input/study.h"
#include "evaluate/statistics/drawn.h"
#include "evaluate/statistics/high_end.h"
#include "evaluate/statistics/measures.h"

namespace evaluate {

// The pairs of models in difference order: (0,1), (0,2), ..., (1,2), ...
std::vector<std::pair<int, int>> model_pairs(int models);

// The order of a resample's draws: the block's lines stratum after stratum (strata
// below `strata`), a stratum's in line order; [p] the line at position p.
std::vector<std::uint32_t> draw_order(const Block& block, std::size_t strata);
// The same the other way: [i] the position of line i.
std::vector<std::uint32_t> draw_positions(const Block& block, std::size_t strata);
// In that order, [s] the first position of stratum s, and [strata] the block's size.
std::vector<std::size_t> stratum_starts(const Block& block, std::size_t strata);
// The cell of line i: its stratum * 3 + its stability class.
std::size_t line_cell(const Block& block, std::size_t i);

// A group holds whole cells (cell = stratum * 3 + stability class): every cell that
// has a line (present[c] not 0) and is of the group's stratum (arc, label), of its
// stability class (stable, unstable), or any (all). Group g's cells, in order, are
// items[first[g] .. first[g + 1]).
void cells_of_groups(const std::vector<Group>& groups, const std::vector<std::uint8_t>& present,
                     std::vector<std::size_t>& first, std::vector<std::uint32_t>& items);

// Which measures an evaluation forms: every one, or those given with limits.
enum class Selection { all, with_limits };

// How the lines' sums are gathered into a group's: line by line into every group
// that holds the line (in line order), or line by line into the line's cell (its
// stratum and stability class) and then cell by cell into the groups, which passes
// over the lines once however many groups there are. The resamples, many of them,
// are gathered by cell; the point estimate by group. So are the deviations about
// the means: by group, line by line about each group's means; by cell, the squares
// and products about each cell's own means, added into the groups with the cells'
// offsets from the groups' means (equal in exact arithmetic), and the absolute
// deviations of the observed values about the groups' means line by line.
// By cell, a line where every model's pair is valid (nearly every line) is held by
// every series, and a pair's side there has its model's terms: such lines are summed
// once per model into the cell's full sums F_m, the others per series into its rest
// R_s; series s of model m has F_m + R_s. So is a cell's walk for the absolute
// deviations split: one walk over the full lines serves every series, and one walk
// per series takes the rest.
enum class Gathering { by_group, by_cell };

// The lines of a group for one model and quantity, by the state of the model's pair.
struct LineCounts {
  long lines = 0;
  long observed_out = 0;
  long model_unread = 0;
  long model_negative = 0;
};

class Evaluator {
 public:
  // Prepares `block`, whose strata are indices below `strata`, for `groups`; keeps a
  // reference to `block`. A copy shares what was prepared and has its own scratch:
  // copies may evaluate at the same time. `uncertainty[k]` is the measurement uncertainty of the
  // block's k-th quantity (null or missing: the objective's measures are not formed);
  // the evaluator keeps the pointers.
  // Throws std::length_error for a block of 2^32 lines or more.
  Evaluator(const Block& block, const std::vector<Group>& groups, std::size_t strata,
            std::vector<const Uncertainty*> uncertainty = {});

  // Forms the selected measures with line i counted times[i] times (0: left out);
  // the others are NaN.
  void evaluate(std::span<const std::uint32_t> times, Selection selection, Gathering gathering);
  // The same with the counts in the evaluator's order of the lines, drawn[p] that of
  // line order()[p]: stratum after stratum, a stratum's lines in line order. It is
  // the order of a resample's draws, and the passes by cell read the lines in it.
  // Counts held in parts of words (two or four resamples to a word) are evaluated by
  // cell, after sum_full_parts() with the same words and parts: it sums the lines
  // where every model's pair is valid for all the resamples in one pass. Throws
  // std::logic_error otherwise, and for parts other than 2 and 4.
  void evaluate_drawn(Drawn drawn, Selection selection, Gathering gathering);
  void sum_full_parts(std::span<const std::uint32_t> words, unsigned parts);
  // Made when asked for, not held (the point values take draw_positions()).
  std::vector<std::uint32_t> order() const {
    return draw_order(*at_->block, at_->stratum_first.size() - 1);
  }
  // After an evaluation by cell, [cell * nq + k]: the count of the cell's lines drawn
  // where every model's pair of quantity k is valid.
  std::span<const double> full_drawn() const {
    const std::size_t n = full_drawn_.size() / kSets;
    return {full_drawn_.data() + set_ * n, n};
  }

  // The results of the last evaluate() for group g and the block's k-th quantity: a
  // model's measure and the number of its pairs; a pair of models' difference of a
  // measure (by the measure's identity) and the number of lines with both valid.
  double value(std::size_t g, std::size_t k, int model, int measure) const {
    return values_[row(g, k, static_cast<std::size_t>(model))][static_cast<std::size_t>(measure)];
  }
  double difference(std::size_t g, std::size_t k, int pair, int measure) const {
    return values_[row(g, k, nm_ + static_cast<std::size_t>(pair))]
                  [static_cast<std::size_t>(measure)];
  }
  const PairSums& sums(std::size_t g, std::size_t k, int model) const {
    return stats_[(g * nq_ + k) * ns_ + static_cast<std::size_t>(model)].sums;
  }
  double both(std::size_t g, std::size_t k, int pair) const {
    return stats_[(g * nq_ + k) * ns_ + nm_ + 2 * static_cast<std::size_t>(pair)].sums.n;
  }

  // Every line of group g by the state of model m's pair of the k-th quantity.
  LineCounts counts(std::size_t g, std::size_t k, int model) const;

  std::size_t groups() const { return n_groups_; }
  std::size_t pairs() const { return np_; }

 private:
  static constexpr std::size_t kSets = 4;  // resamples summed in one pass, at most
  // A series is the values of one model on a set of lines: a model's valid pairs
  // (series m), or per pair of models p the first's and the second's values on the
  // lines where both are valid (series nm + 2p and nm + 2p + 1).
  struct Series {
    int model;
    unsigned mask;  // the models whose pairs must be valid
  };
  // Lists held back to back: list j is items[first[j] .. first[j + 1]).
  template <class T>
  struct ListsOf {
    std::vector<std::size_t> first;
    std::vector<T> items;
    std::span<const T> operator[](std::size_t j) const {
      return {items.data() + first[j], first[j + 1] - first[j]};
    }
  };
  using Lists = ListsOf<std::uint32_t>;  // of indices
  // Lists by stratum of positions less the stratum's first: in 16 bits where every
  // stratum has fewer than 2^16 lines (2 bytes an entry instead of 4), else in 32.
  // with(j, f) calls f with list j.
  struct StratumLists {
    ListsOf<std::uint16_t> narrow;
    Lists wide;
    template <class F>
    decltype(auto) with(std::size_t j, F&& f) const {
      return narrow.first.empty() ? f(wide[j]) : f(narrow[j]);
    }
  };
  // Everything an evaluation reads and none writes, made once and shared by the
  // copies of an evaluator (evaluator_index.cpp). The lines are held in the order of
  // the draws: `p` below is a line's place in it (its position), `i` its place in
  // the block.
  struct Prepared {
    const Block* block = nullptr;
    std::size_t nq = 0, nm = 0, np = 0, ns = 0, n_lines = 0, n_cells = 0, n_groups = 0;
    std::vector<Series> series;
    std::vector<std::size_t> stratum_first;  // [s]: the first position of stratum s; [S]: n
    // [s]: the stability class of every line of stratum s, or 3 where they differ (a
    // pairs file's lines are all of one class).
    std::vector<std::uint8_t> stratum_class;
    // Per position and quantity [p * nq + k]: bit m set where model m's pair is
    // valid, Co, and ln Co (0 where no pair is valid); per model [(p * nq + k) * nm +
    // m], Cp and ln Cp (0 where the pair is not valid or Cp is 0). A line's sums are
    // formed from these in each pass.
    std::vector<std::uint8_t> valid;
    std::vector<float> co, cp;
    std::vector<double> ln_co, ln_cp;
    // [p]: its stability class; its cell is stratum * 3 + class, its stratum the one
    // whose range in stratum_first holds p.
    std::vector<std::uint8_t> class_of;
    Lists group_cells;                              // per group, its cells in order
    Lists cell_groups;                              // per cell, the groups holding it
    std::vector<std::array<long, 4>> state_counts;  // [(cell * nq + k) * nm + m] by state
    // [(cell * nq + k)]: the lines where some model's pair is valid and another's not;
    // [g * nq + k]: whether group g has none (every series then holds the same lines).
    std::vector<long> partial;
    std::vector<std::uint8_t> group_full;
    // The positions, ascending, of the lines with some quantity's pair valid for
    // some model and not for another: the only lines that a resample sums per series.
    std::vector<std::uint32_t> rest;
    // The positions in descending order of a value (ties in position order, which
    // within a stratum is line order): of the
    // observed values, [k], the lines with a valid pair; of model m's, [k * nm + m],
    // the lines where its pair is valid. Over all lines, and stratum by stratum
    // ([s * nq + k] and [(s * nq + k) * nm + m]; less stratum_first[s]).
    Lists observed, predicted;
    StratumLists stratum_observed, stratum_predicted;
    // The heads of the lists over all lines, list j as `observed` (j = k) then
    // `predicted` (j = nq + k * nm + m): what a walk reads of an entry, side by side
    // in the list's order, for its first entries. A percentile's walk goes some
    // tenths of a percent down them, and would otherwise meet each entry's columns
    // scattered over the block, once per series. heads[j] is list j's head.
    struct HeadEntry {
      float value;
      std::uint8_t valid;  // as valid[p * nq + k]
      std::uint8_t cls;    // the stability class of its cell
    };
    ListsOf<HeadEntry> heads;
    // The point estimate's means of each cell's valid pairs of a model, [(c * nq + k)
    // * nm + m]: the centre about which a resample's squares are summed by cell.
    std::vector<std::pair<double, double>> centre;
    std::vector<const Uncertainty*> uncertainty;  // [k]
    bool objective = false;                       // any quantity has an uncertainty
    std::vector<GroupKind> kinds;                 // [g]
    std::vector<std::uint32_t> group_stratum;     // [g]: an arc or label group's stratum

    // The models with a valid pair of quantity k on line i, from the block.
    unsigned block_valid(std::size_t i, std::size_t k) const;
    // A series holds a line where every model of its mask has a valid pair there.
    bool holds(std::size_t p, std::size_t k, const Series& s) const {
      return covers(valid[p * nq + k], s);
    }
    void index_lines();
    // f(p, cell) for every position in order (evaluator_index.cpp).
    template <class F>
    void for_each_position(F f) const;
    void index_groups(const std::vector<Group>& groups);
    void rank_values();
    void make_heads();
    void index_cells();
  };
  // The squares and products of deviations from a centre.
  struct Squares {
    double oo = 0, pp = 0, op = 0, dd = 0;
    void add_times(const Squares& o, double w) {
      oo += w * o.oo;
      pp += w * o.pp;
      op += w * o.op;
      dd += w * o.dd;
    }
  };

  std::size_t row(std::size_t g, std::size_t k, std::size_t r) const {
    return (g * nq_ + k) * (nm_ + np_) + r;
  }
  static bool covers(unsigned valid, const Series& s) { return (valid & s.mask) == s.mask; }
  // An evaluation with the counts by position (`drawn`) and, by group, in line order
  // (`times`), with each line's position (draw_positions(), made here if empty).
  void evaluate_lines(Drawn drawn, std::span<const std::uint32_t> times, Selection selection,
                      Gathering gathering, std::vector<std::uint32_t> position = {});
  // By group the passes go in line order, over the block's own columns, which are in
  // that order, with the counts in line order, and take each line's logarithms by its
  // position ([i]: the position of line i), made for the evaluation.
  struct InLineOrder {
    std::span<const std::uint32_t> position, times;
  };
  void add_lines(Drawn drawn, Gathering gathering, InLineOrder lines);
  // The sums of the lines where every model is valid for `resamples` resamples (1:
  // whole words; 2: halves; 4: quarters), into their full sets.
  void add_full(std::span<const std::uint32_t> words, unsigned resamples);
  void add_full_lines();
  void gather(Gathering gathering);
  void deviations(std::size_t series, std::span<const std::uint32_t> times);
  // A resample's deviations, gathered by cell (cell_deviations.cpp). The passes take
  // the counts by position.
  void cell_deviations(Drawn drawn, std::size_t series);
  void add_cell_squares(std::size_t series);
  void absolute_deviations(Drawn drawn);
  void high_values(Drawn drawn, std::size_t series);
  // Each head's counts for the evaluation, into head_drawn_.
  void gather_heads(Drawn drawn);
  bool selected(const MeasureEntry& entry, Selection selection) const;
  bool needed(Formed formed, Selection selection, bool differences) const;
  void measures(Selection selection);
  void over_groups(Selection selection);

  std::shared_ptr<const Prepared> at_;
  std::size_t nq_, nm_, np_, ns_, n_groups_;
  // The scratch of an evaluation, each copy its own.
  std::vector<PairSums> slots_;        // [(slot * nq + k) * ns + s]: a cell's or a group's sums
  std::vector<Squares> cell_squares_;  // by cell as slots_: the squares about its centre
  // By cell, [(cell * nq + k) * nm + m]: the sums and squares of the lines where
  // every model's pair is valid (slots_ and cell_squares_ hold the other lines').
  // Four sets, one per resample of the words' parts: [set * n + (cell * nq + k) * nm +
  // m] with n = cells * nq * nm, and full_drawn_ [set * cells * nq + cell * nq + k].
  std::vector<PairSums> full_sums_;
  std::vector<Squares> full_squares_;
  std::vector<double> full_drawn_;
  std::size_t set_ = 0;                           // the set of the evaluation
  unsigned parts_summed_ = 0;                     // the sets hold a sum_full_parts()'s sums
  const std::uint32_t* parts_words_ = nullptr;    // of these words
  std::vector<PairStats> stats_;                  // [(g * nq + k) * ns + s]
  std::vector<std::pair<double, double>> means_;  // of stats_: mean Co, mean Cp
  // Per group, quantity and series, the count and sum of the observed values above
  // the group's mean.
  std::vector<std::pair<double, double>> above_;
  std::vector<MeasureValues> values_;
  std::vector<std::uint32_t> head_drawn_;  // as Prepared::heads.items: each entry's count
};

}  // namespace evaluate
