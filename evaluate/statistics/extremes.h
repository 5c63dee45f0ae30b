// The bootstrap limits without holding every resample value: per statistic, the
// K = floor(0.025 B) + 1 lowest and the K highest of its formed (not NaN) values
// among B resamples, and how many were formed. The limits, the values at 0-based
// ranks floor(0.025 n) and ceil(0.975 n) - 1 of the n formed values, lie within
// them. Values are ordered as their keys in the total order of doubles (-0 below
// +0), so equal keys are the same value to the bit and the limits do not depend on
// the order in which the values came, nor on how they were split between sets that
// are merged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "evaluate/statistics/measures.h"

namespace evaluate {

class Extremes {
 public:
  // For `statistics` statistics of up to `resamples` values each.
  Extremes(std::size_t statistics, std::size_t resamples);

  // K: the values kept at each end.
  static std::size_t kept(std::size_t resamples) { return 25 * resamples / 1000 + 1; }
  // The bytes held per statistic: both heaps, their tops and the count (16 K + 20).
  static std::size_t bytes_per_statistic(std::size_t resamples) {
    return 16 * kept(resamples) + 20;
  }

  // One resample's value of statistic `stat`; NaN (not formed) is left out.
  void add(std::size_t stat, double value);
  // Takes in the values of `other` (same statistics and resamples).
  void merge(const Extremes& other);
  // The limits of statistic `stat` (NaN, NaN when no value was formed).
  Limits limits(std::size_t stat) const;

 private:
  using Key = std::uint64_t;
  // Puts `key` into the lowest (or highest) values of `stat`, `have` held so far;
  // returns the number held after.
  std::size_t put_low(std::size_t stat, std::size_t have, Key key);
  std::size_t put_high(std::size_t stat, std::size_t have, Key key);
  Key* low(std::size_t stat) { return &heaps_[stat * 2 * k_]; }
  Key* high(std::size_t stat) { return &heaps_[stat * 2 * k_ + k_]; }
  std::size_t held(std::size_t stat) const { return formed_[stat] < k_ ? formed_[stat] : k_; }

  std::size_t k_;
  std::vector<Key> heaps_;  // [stat * 2K ...]: a max-heap of the lowest, then a min-heap
  std::vector<Key> low_top_, high_top_;  // the heaps' tops, side by side
  std::vector<std::uint32_t> formed_;
};

}  // namespace evaluate
