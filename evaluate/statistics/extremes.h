// The bootstrap limits without holding every resample value: per statistic, the
// K = floor(0.025 B) + 1 lowest and the K highest of its formed (not NaN) values
// among B resamples, and how many were formed. The limits, the values at 0-based
// ranks floor(0.025 n) and ceil(0.975 n) - 1 of the n formed values, lie within
// them. Values are ordered as their keys in the total order of doubles (-0 below
// +0), so equal keys are the same value to the bit and the limits do not depend on
// the order in which the values came, nor on how they were split between sets that
// are merged.
#pragma once

#include <bit>
#include <cmath>
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

  // One resample's value of statistic `stat`; NaN (not formed) is left out. Once both
  // heaps are full, nearly every value lies between their tops and touches only the
  // statistic's tops and count; one that does not waits in a short list, and the
  // list enters the heaps when it is full (or before merge() and limits()) with
  // each heap fetched from memory ahead of its turn.
  void add(std::size_t stat, double value) {
    if (std::isnan(value)) return;
    const Key key = key_of(value);
    const Top& top = tops_[stat];
    if (formed_[stat] < k_) {
      enter(stat, key);
      return;
    }
    ++formed_[stat];
    if (key < top.low) wait(stat, 0, key);
    if (key > top.high) wait(stat, 1, key);
  }
  // Takes in the values of `other` (same statistics and resamples).
  void merge(const Extremes& other);
  // The limits of statistic `stat` (NaN, NaN when no value was formed).
  Limits limits(std::size_t stat) const;
  // Puts the waiting values into the heaps. An Extremes is used by one thread at a
  // time; merge() and limits() settle first.
  void settle() const;

 private:
  using Key = std::uint64_t;
  // The heaps' tops of a statistic, side by side.
  struct Top {
    Key low = 0, high = 0;
  };
  static constexpr Key kSign = Key{1} << 63;
  // A value's key: unsigned, in the order of the values, -0 below +0.
  static Key key_of(double v) {
    const auto bits = std::bit_cast<Key>(v);
    return (bits & kSign) != 0 ? ~bits : bits | kSign;
  }
  // The value of `key` counted into `stat`, whose heaps are not full yet.
  void enter(std::size_t stat, Key key);
  // A value to enter the full heap of the lowest (side 0) or highest (1) of `stat`.
  struct Waiting {
    std::size_t stat;
    std::size_t side;
    Key key;
  };
  static constexpr std::size_t kWaiting = 4096;
  void wait(std::size_t stat, std::size_t side, Key key) {
    waiting_.push_back({stat, side, key});
    if (waiting_.size() == kWaiting) settle();
  }
  // Puts `key` into the lowest (or highest) values of `stat`, `have` held so far;
  // returns the number held after.
  std::size_t put_low(std::size_t stat, std::size_t have, Key key) const;
  std::size_t put_high(std::size_t stat, std::size_t have, Key key) const;
  Key* low(std::size_t stat) const { return &heaps_[stat * 2 * k_]; }
  Key* high(std::size_t stat) const { return &heaps_[stat * 2 * k_ + k_]; }
  std::size_t held(std::size_t stat) const { return formed_[stat] < k_ ? formed_[stat] : k_; }

  std::size_t k_;
  // The heaps, their tops and the waiting values change in settle(), which the const
  // limits() calls: the values held are the same before and after.
  mutable std::vector<Key> heaps_;  // [stat * 2K ...]: a max-heap of the lowest, then a min-heap
  mutable std::vector<Top> tops_;
  mutable std::vector<Waiting> waiting_;
  std::vector<std::uint32_t> formed_;
};

}  // namespace evaluate
