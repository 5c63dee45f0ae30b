#include "evaluate/statistics/high_end.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "evaluate/statistics/key_sort.h"

namespace evaluate {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

}  // namespace

// The key orders the values descending above the lines ascending, as the comparison
// does.
void sort_ranked(std::vector<Ranked>& v) {
  sort_by_key(v, [](const Ranked& e) {
    return static_cast<std::uint64_t>(~ascending_key(e.value)) << 32 | e.line;
  });
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
