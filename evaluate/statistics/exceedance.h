// Exceedances of thresholds: the contingency tables of observed against predicted
// values above a threshold T (a hits, b false alarms, c misses, d correct
// negatives), from which the table of measures' per-threshold entries form the
// counts and the forecast-verification scores. The thresholds are a run-time set
// (one or more per quantity): the tables are counted per model, quantity, group and
// threshold, and per pair of models on the lines where both pairs are valid.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "evaluate/input/groups.h"
#include "evaluate/input/study.h"
#include "evaluate/statistics/drawn.h"
#include "evaluate/statistics/measures.h"

namespace evaluate {

// The measures formed per threshold, in table order: with `limits`, the scores (POD
// ... ETS, each with its difference); without, the counts (hits ...
// correct_negatives).
std::vector<int> threshold_measures(bool limits);

// Every per-threshold measure of the pairs whose contingency table is `t` (the other
// measures NaN); of two models' tables on the same lines, the difference of each
// score (first minus second).
MeasureValues threshold_values(const Contingency& t);
MeasureValues threshold_differences(const Contingency& first, const Contingency& second);

// The threshold as std::to_chars writes the float, shortest: "200", "0.3".
std::string threshold_text(float t);

// The contingency tables of a block's lines for given thresholds (by the block's
// quantity) under a weighting of the lines (by position in draw_order()): per group, quantity,
// threshold and series, a series being a model's valid pairs (m) or a side of a
// pair of models on the lines where both are valid (nm + 2p, nm + 2p + 1), as the
// evaluator's. A copy shares what was prepared and has its own scratch: copies may
// count at the same time.
class ExceedanceCounter {
 public:
  ExceedanceCounter(const Block& block, const std::vector<Group>& groups,
                    std::vector<std::vector<float>> thresholds);
  // Counts line draw_order()[p] drawn[p] times (the order of a resample's draws);
  // full[cell * nq + k] is the count so drawn of the cell's lines where every model's
  // pair of quantity k is valid: an evaluation's Evaluator::full_drawn(), or
  // full_lines() where every line counts once.
  void count(Drawn drawn, std::span<const double> full);
  std::span<const double> full_lines() const { return at_->full_lines; }
  const Contingency& table(std::size_t g, std::size_t k, std::size_t t, std::size_t s) const {
    return groups_[slot(g, k, t) * ns_ + s];
  }
  std::size_t thresholds(std::size_t k) const { return thresholds_[k].size(); }
  std::size_t series() const { return ns_; }

 private:
  void gather();
  std::size_t slot(std::size_t g, std::size_t k, std::size_t t) const {
    return g * per_group_ + first_[k] + t;
  }
  // A line's kind for one threshold: the models with a valid pair (bit m), and which
  // values lie above the threshold (bit 0 the observed, bit 1 + m model m's).
  struct Kind {
    unsigned valid = 0;
    unsigned above = 0;
    bool operator==(const Kind&) const = default;
  };
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  // A line of a kind other than its cell's common kind, for one threshold: its
  // position, and its kind as an index in times_of_kind_.
  struct Listed {
    std::uint32_t position;
    std::uint32_t kind;
  };
  // What a count reads and none writes, made once and shared by the copies.
  struct Prepared {
    std::size_t n_cells = 0;
    // Per group its cells in order: [group_first[g], group_first[g + 1]).
    std::vector<std::size_t> group_first;
    std::vector<std::uint32_t> group_cells;
    std::vector<std::size_t> slot_quantity;  // [slot]: its quantity
    std::vector<std::vector<Kind>> kinds;    // [cell * slots + slot]: the kinds its lines have
    std::vector<std::size_t> first_kind;     // [cell * slots + slot]: its first in times_of_kind_
    std::size_t n_kinds = 0;
    // [cell * slots + slot]: the most frequent kind (by index in kinds) of the lines
    // where every model is valid, kNone where there is none; the lines of the other
    // kinds, in position order; [cell * nq + k] the lines where every model is valid.
    std::vector<std::size_t> common;
    std::vector<Listed> listed;
    std::vector<double> full_lines;
  };
  void add_kind(Contingency* out, const Kind& kind, double w) const;

  std::shared_ptr<const Prepared> at_;
  std::size_t nq_, nm_, ns_, n_groups_, per_group_ = 0;
  std::vector<std::vector<float>> thresholds_;  // [k]
  std::vector<std::size_t> first_;              // [k]: its first threshold's index
  // The scratch of a count, each copy its own.
  std::vector<double> times_of_kind_;  // a resample's count of each kind in each cell
  std::vector<Contingency> groups_;
};

}  // namespace evaluate
