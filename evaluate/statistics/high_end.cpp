#include "evaluate/statistics/high_end.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace evaluate {

double rhc_from_top(double sum_of_larger, double c_r, long r) {
  if (r < 3) return std::numeric_limits<double>::quiet_NaN();
  const double mean = sum_of_larger / static_cast<double>(r - 1);
  return c_r + (mean - c_r) * std::log((3.0 * static_cast<double>(r) - 1.0) / 2.0);
}

double rhc(std::vector<float>& values) {
  const long n = static_cast<long>(values.size());
  if (n < 3) return std::numeric_limits<double>::quiet_NaN();
  const long r = std::min<long>(kRhcRank, n);
  std::partial_sort(values.begin(), values.begin() + r, values.end(), std::greater<float>());
  double sum = 0.0;
  for (long k = 0; k < r - 1; ++k) sum += values[static_cast<std::size_t>(k)];
  return rhc_from_top(sum, values[static_cast<std::size_t>(r - 1)], r);
}

double rhc_ratio(double rhc_p, double rhc_o) {
  if (std::isnan(rhc_p) || !(rhc_o > 0.0)) return std::numeric_limits<double>::quiet_NaN();
  return rhc_p / rhc_o;
}

double rhc_log_difference(double a, double b) {
  if (!(a > 0.0) || !(b > 0.0) || !std::isfinite(a) || !std::isfinite(b)) {
    return std::numeric_limits<double>::quiet_NaN();
  }
  return std::log(a) - std::log(b);
}

}  // namespace evaluate
