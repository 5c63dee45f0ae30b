#include "evaluate/statistics/high_end.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace evaluate {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// From the R - 1 largest values' sum and the R-th largest value.
double rhc_from_top(double sum_of_larger, double c_r, long r) {
  const double mean = sum_of_larger / static_cast<double>(r - 1);
  return c_r + (mean - c_r) * std::log((3.0 * static_cast<double>(r) - 1.0) / 2.0);
}

}  // namespace

void sort_ranked(std::vector<Ranked>& v) {
  std::sort(v.begin(), v.end(), [](const Ranked& x, const Ranked& y) {
    return x.value > y.value || (x.value == y.value && x.line < y.line);
  });
}

double rhc_of_ranked(std::span<const Ranked> ranked, std::span<const std::uint32_t> times,
                     double n) {
  if (n < 3) return kNan;
  const long r = std::min<long>(kRhcRank, static_cast<long>(n));
  long taken = 0;
  double sum = 0.0;
  for (const Ranked& e : ranked) {
    const long c = times[e.line];
    if (c == 0) continue;
    const long t = std::min(c, r - taken);
    const long to_sum = std::min(t, r - 1 - taken);
    for (long j = 0; j < to_sum; ++j) sum += e.value;
    taken += t;
    if (taken >= r) return rhc_from_top(sum, e.value, r);
  }
  return kNan;
}

double percentile_of_ranked(std::span<const Ranked> ranked, std::span<const std::uint32_t> times,
                            double n, double p) {
  if (!(n > 0)) return kNan;
  const double h = (n - 1.0) * p / 100.0;
  const double i = std::floor(h);
  // Largest first: ascending rank i is descending rank n - 1 - i.
  const double upper_rank = i >= n - 1.0 ? n - 1.0 : n - 2.0 - i;  // of rank i + 1
  const double lower_rank = n - 1.0 - i;
  double held = 0;  // values held before the entry
  double upper = kNan;
  for (const Ranked& e : ranked) {
    const double c = times[e.line];
    if (c == 0) continue;
    held += c;
    if (std::isnan(upper) && held > upper_rank) upper = e.value;
    if (held > lower_rank) {
      const double lower = e.value;
      return i >= n - 1.0 ? lower : lower + (h - i) * (upper - lower);
    }
  }
  return kNan;
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
