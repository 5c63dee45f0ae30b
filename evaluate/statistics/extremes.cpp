#include "evaluate/statistics/extremes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>

namespace evaluate {
namespace {

constexpr std::uint64_t kSign = std::uint64_t{1} << 63;

// A value's key: unsigned, in the order of the values, -0 below +0.
std::uint64_t key_of(double v) {
  const auto bits = std::bit_cast<std::uint64_t>(v);
  return (bits & kSign) != 0 ? ~bits : bits | kSign;
}
double value_of(std::uint64_t key) {
  return std::bit_cast<double>((key & kSign) != 0 ? key & ~kSign : ~key);
}

}  // namespace

Extremes::Extremes(std::size_t statistics, std::size_t resamples)
    : k_(kept(resamples)),
      heaps_(statistics * 2 * k_),
      low_top_(statistics),
      high_top_(statistics),
      formed_(statistics) {}

std::size_t Extremes::put_low(std::size_t stat, std::size_t have, Key key) {
  Key* heap = low(stat);
  if (have < k_) {
    heap[have] = key;
    std::push_heap(heap, heap + have + 1);
    ++have;
  } else if (key < low_top_[stat]) {
    std::pop_heap(heap, heap + k_);
    heap[k_ - 1] = key;
    std::push_heap(heap, heap + k_);
  } else {
    return have;
  }
  low_top_[stat] = heap[0];
  return have;
}

std::size_t Extremes::put_high(std::size_t stat, std::size_t have, Key key) {
  Key* heap = high(stat);
  const std::greater<Key> above;
  if (have < k_) {
    heap[have] = key;
    std::push_heap(heap, heap + have + 1, above);
    ++have;
  } else if (key > high_top_[stat]) {
    std::pop_heap(heap, heap + k_, above);
    heap[k_ - 1] = key;
    std::push_heap(heap, heap + k_, above);
  } else {
    return have;
  }
  high_top_[stat] = heap[0];
  return have;
}

void Extremes::add(std::size_t stat, double value) {
  if (std::isnan(value)) return;
  const Key key = key_of(value);
  const std::size_t have = held(stat);
  put_low(stat, have, key);
  put_high(stat, have, key);
  ++formed_[stat];
}

void Extremes::merge(const Extremes& other) {
  for (std::size_t stat = 0; stat < formed_.size(); ++stat) {
    const std::size_t have = held(stat), theirs = other.held(stat);
    const Key* from = &other.heaps_[stat * 2 * k_];
    for (std::size_t j = 0, n = have; j < theirs; ++j) n = put_low(stat, n, from[j]);
    for (std::size_t j = 0, n = have; j < theirs; ++j) n = put_high(stat, n, from[k_ + j]);
    formed_[stat] += other.formed_[stat];
  }
}

Limits Extremes::limits(std::size_t stat) const {
  const std::size_t n = formed_[stat];
  if (n == 0) {
    constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
    return {kNan, kNan};
  }
  // As percentile_limits: ranks floor(0.025 n) from below and ceil(0.975 n) - 1,
  // that is n - 1 - (ceil(0.975 n) - 1) from above; both below K.
  const std::size_t lower = (25 * n) / 1000;
  const std::size_t upper = n - 1 - ((975 * n + 999) / 1000 - 1);
  const std::size_t have = held(stat);
  const Key* lows = &heaps_[stat * 2 * k_];
  std::vector<Key> lo(lows, lows + have), hi(lows + k_, lows + k_ + have);
  std::nth_element(lo.begin(), lo.begin() + static_cast<std::ptrdiff_t>(lower), lo.end());
  std::nth_element(hi.begin(), hi.begin() + static_cast<std::ptrdiff_t>(upper), hi.end(),
                   std::greater<Key>());
  return {value_of(lo[lower]), value_of(hi[upper])};
}

}  // namespace evaluate
