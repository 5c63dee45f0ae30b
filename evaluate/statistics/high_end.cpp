#include "evaluate/statistics/high_end.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <utility>

namespace evaluate {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

}  // namespace

// A long list is sorted by its keys, eight bits at a time from the lowest (a stable
// counting sort per digit): the key orders the values descending above the lines
// ascending, -0 with +0, as the comparison does (a value is never NaN). The passes
// skip the digits that every key shares, such as a line's high bits.
void sort_ranked(std::vector<Ranked>& v) {
  constexpr std::size_t kShort = std::size_t{1} << 12;
  if (v.size() < kShort) {
    std::sort(v.begin(), v.end(), [](const Ranked& x, const Ranked& y) {
      return x.value > y.value || (x.value == y.value && x.line < y.line);
    });
    return;
  }
  auto key = [](const Ranked& e) {
    const std::uint32_t bits = e.value == 0.0f ? 0u : std::bit_cast<std::uint32_t>(e.value);
    const std::uint32_t ascending = (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
    return static_cast<std::uint64_t>(~ascending) << 32 | e.line;
  };
  constexpr std::size_t kDigits = 8, kRadix = 256;
  std::vector<std::array<std::size_t, kRadix>> count(kDigits);
  for (const Ranked& e : v) {
    const std::uint64_t k = key(e);
    for (std::size_t d = 0; d < kDigits; ++d) ++count[d][(k >> (8 * d)) & 0xFFu];
  }
  std::vector<Ranked> other(v.size());
  for (std::size_t d = 0; d < kDigits; ++d) {
    std::array<std::size_t, kRadix>& c = count[d];
    if (std::find(c.begin(), c.end(), v.size()) != c.end()) continue;  // one digit for all
    std::size_t at = 0;
    for (std::size_t& n : c) at += std::exchange(n, at);
    for (const Ranked& e : v) other[c[(key(e) >> (8 * d)) & 0xFFu]++] = e;
    v.swap(other);
  }
}

double rhc_of_ranked(std::span<const Ranked> ranked, std::span<const std::uint32_t> times,
                     double n) {
  return rhc_held(
      ranked, [](const Ranked& e) { return e.value; },
      [times](const Ranked& e) { return times[e.line]; }, n);
}

double percentile_of_ranked(std::span<const Ranked> ranked, std::span<const std::uint32_t> times,
                            double n, double p) {
  return percentile_held(
      ranked, [](const Ranked& e) { return e.value; },
      [times](const Ranked& e) { return times[e.line]; }, n, p);
}

double rhc(std::vector<float>& values) {
  std::vector<Ranked> ranked;
  ranked.reserve(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    ranked.push_back({values[i], static_cast<std::uint32_t>(i)});
  }
  sort_ranked(ranked);
  const std::vector<std::uint32_t> once(values.size(), 1u);
  return rhc_of_ranked(ranked, once, static_cast<double>(values.size()));
}

double rhc_ratio(double rhc_p, double rhc_o) {
  if (std::isnan(rhc_p) || !(rhc_o > 0.0)) return kNan;
  return rhc_p / rhc_o;
}

}  // namespace evaluate
