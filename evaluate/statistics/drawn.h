// One resample's counts of a block's lines by position (the order of the draws),
// held one to a word, or two or four resamples to a word (16 or 8 bits each) so
// that one pass over the lines serves them all. Parts hold the counts of a block
// whose strata have fewer than 2^16 lines each: a line is drawn at most as often as
// its stratum has lines, so no half overflows; a quarter could (a line drawn 256
// times), which the draw reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace evaluate {

inline constexpr std::size_t kHalfLines = std::size_t{1} << 16;  // a part's strata: fewer lines

struct Drawn {
  // The counts are the words themselves.
  Drawn(std::span<const std::uint32_t> words) : words(words) {}     // implicit: a span of counts
  Drawn(const std::vector<std::uint32_t>& words) : words(words) {}  // and a vector
  // The counts are part `part` (0: the lowest bits) of `parts` (1, 2 or 4) of the
  // words.
  Drawn(std::span<const std::uint32_t> words, unsigned part, unsigned parts = 2)
      : words(words), shift(bits_of(parts) * part), mask(mask_of(parts)), parts(parts) {}

  // The bits of a part and their mask, of `parts` parts to a word.
  static constexpr unsigned bits_of(unsigned parts) { return 32 / parts; }
  static constexpr std::uint32_t mask_of(unsigned parts) {
    return parts == 1 ? ~0u : (std::uint32_t{1} << bits_of(parts)) - 1;
  }

  std::uint32_t operator[](std::size_t p) const { return (words[p] >> shift) & mask; }
  unsigned part() const { return shift / bits_of(parts); }

  std::span<const std::uint32_t> words;
  unsigned shift = 0;
  std::uint32_t mask = ~0u;
  unsigned parts = 1;
};

}  // namespace evaluate
