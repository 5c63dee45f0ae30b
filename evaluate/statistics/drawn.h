// One resample's counts of a block's lines by position (the order of the draws),
// held one to a word, or two resamples to a word in 16 bits each so that one pass
// over the lines serves both. Halves hold the counts of a block whose strata have
// fewer than 2^16 lines each: a line is drawn at most as often as its stratum has
// lines, so no half overflows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace evaluate {

inline constexpr std::size_t kHalfLines = std::size_t{1} << 16;  // a half's strata: fewer lines

struct Drawn {
  // The counts are the words themselves.
  Drawn(std::span<const std::uint32_t> words) : words(words) {}     // implicit: a span of counts
  Drawn(const std::vector<std::uint32_t>& words) : words(words) {}  // and a vector
  // The counts are the low (half 0) or high (half 1) 16 bits of the words.
  Drawn(std::span<const std::uint32_t> words, unsigned half)
      : words(words), shift(16 * half), mask(0xFFFFu) {}

  std::uint32_t operator[](std::size_t p) const { return (words[p] >> shift) & mask; }
  bool halves() const { return mask != ~0u; }
  unsigned half() const { return shift / 16; }

  std::span<const std::uint32_t> words;
  unsigned shift = 0;
  std::uint32_t mask = ~0u;
};

}  // namespace evaluate
