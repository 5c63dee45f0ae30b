#include "evaluate/statistics/extremes.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>

namespace evaluate {
namespace {

constexpr std::uint64_t kSign = std::uint64_t{1} << 63;

double value_of(std::uint64_t key) {
  return std::bit_cast<double>((key & kSign) != 0 ? key & ~kSign : ~key);
}

// Replaces the top of the heap [heap, heap + n) ordered by `before` (the top is
// the element no other comes before) with `key` and sifts it down: one sift where
// a pop and a push take two.
template <class Before>
void replace_top(std::uint64_t* heap, std::size_t n, std::uint64_t key, Before before) {
  std::size_t at = 0;
  for (;;) {
    std::size_t child = 2 * at + 1;
    if (child >= n) break;
    if (child + 1 < n && before(heap[child], heap[child + 1])) ++child;
    if (!before(key, heap[child])) break;
    heap[at] = heap[child];
    at = child;
  }
  heap[at] = key;
}

}  // namespace

Extremes::Extremes(std::size_t statistics, std::size_t resamples)
    : k_(kept(resamples)), heaps_(statistics * 2 * k_), tops_(statistics), formed_(statistics) {}

std::size_t Extremes::put_low(std::size_t stat, std::size_t have, Key key) const {
  Key* heap = low(stat);
  if (have < k_) {
    heap[have] = key;
    std::push_heap(heap, heap + have + 1);
    ++have;
  } else if (key < tops_[stat].low) {
    replace_top(heap, k_, key, std::less<Key>());
  } else {
    return have;
  }
  tops_[stat].low = heap[0];
  return have;
}

std::size_t Extremes::put_high(std::size_t stat, std::size_t have, Key key) const {
  Key* heap = high(stat);
  const std::greater<Key> above;
  if (have < k_) {
    heap[have] = key;
    std::push_heap(heap, heap + have + 1, above);
    ++have;
  } else if (key > tops_[stat].high) {
    replace_top(heap, k_, key, above);
  } else {
    return have;
  }
  tops_[stat].high = heap[0];
  return have;
}

void Extremes::enter(std::size_t stat, Key key) {
  const std::size_t have = held(stat);
  put_low(stat, have, key);
  put_high(stat, have, key);
  ++formed_[stat];
}

void Extremes::settle() const {
  constexpr std::size_t kAhead = 8;
  for (std::size_t j = 0; j < waiting_.size(); ++j) {
    if (j + kAhead < waiting_.size()) {
      const Waiting& a = waiting_[j + kAhead];
      const Key* heap = &heaps_[(a.stat * 2 + a.side) * k_];
      // The first levels of the heap, which every sift passes.
      for (std::size_t at = 0; at < std::min<std::size_t>(k_, 32); at += 8) {
        __builtin_prefetch(heap + at);
      }
    }
    const Waiting& e = waiting_[j];
    // An earlier value of the statistic may have moved the top past this one.
    if (e.side == 0) {
      put_low(e.stat, k_, e.key);
    } else {
      put_high(e.stat, k_, e.key);
    }
  }
  waiting_.clear();
}

void Extremes::merge(const Extremes& other) {
  settle();
  other.settle();
  for (std::size_t stat = 0; stat < formed_.size(); ++stat) {
    const std::size_t have = held(stat), theirs = other.held(stat);
    const Key* from = &other.heaps_[stat * 2 * k_];
    for (std::size_t j = 0, n = have; j < theirs; ++j) n = put_low(stat, n, from[j]);
    for (std::size_t j = 0, n = have; j < theirs; ++j) n = put_high(stat, n, from[k_ + j]);
    formed_[stat] += other.formed_[stat];
  }
}

Limits Extremes::limits(std::size_t stat) const {
  settle();
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
