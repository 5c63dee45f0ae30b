// The robust highest concentration of a set of n values, unpaired in time:
//   RHC = C(R) + (Cbar - C(R)) ln((3R - 1)/2)
// with R = min(26, n), C(R) the R-th largest value and Cbar the mean of the R - 1
// largest (summed largest first). Not formed (NaN) for n < 3. Computed in double
// precision. A value that a resample holds several times counts as often.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace evaluate {

inline constexpr int kRhcRank = 26;

// A value and the line it comes from.
struct Ranked {
  float value;
  std::uint32_t line;
};

// Sorts largest first; ties in line order, so that the walk is the same everywhere.
void sort_ranked(std::vector<Ranked>& values);

// The RHC of `ranked` (largest first) where line l holds its value times[l] times
// (0: not at all), and `n` is the number of values so held. rhc_held walks any list
// of entries, largest first, entry e holding value(e) held(e) times.
template <class Entries, class Value, class Held>
double rhc_held(const Entries& entries, Value value, Held held, double n);
double rhc_of_ranked(std::span<const Ranked> ranked, std::span<const std::uint32_t> times,
                     double n);

// The p-th percentile (0 to 100; linear interpolation between order statistics,
// type 7) of `ranked` (largest first) where line l holds its value times[l] times and
// `n` values are so held: with h = (n - 1) p / 100 and i = floor(h), the values of
// ascending ranks i and i + 1 (0-based) interpolated by h - i. NaN for n = 0.
// percentile_held walks any list of entries as rhc_held does.
template <class Entries, class Value, class Held>
double percentile_held(const Entries& entries, Value value, Held held, double n, double p);
double percentile_of_ranked(std::span<const Ranked> ranked, std::span<const std::uint32_t> times,
                            double n, double p);

// The RHC of `values`, each once (reordered).
double rhc(std::vector<float>& values);

// RHCp / RHCo; NaN unless RHCp is formed and RHCo positive.
double rhc_ratio(double rhc_p, double rhc_o);

// From the R - 1 largest values' sum and the R-th largest value.
inline double rhc_from_top(double sum_of_larger, double c_r, long r) {
  const double mean = sum_of_larger / static_cast<double>(r - 1);
  return c_r + (mean - c_r) * std::log((3.0 * static_cast<double>(r) - 1.0) / 2.0);
}

template <class Entries, class Value, class Held>
double rhc_held(const Entries& entries, Value value, Held held, double n) {
  if (n < 3) return std::numeric_limits<double>::quiet_NaN();
  const long r = std::min<long>(kRhcRank, static_cast<long>(n));
  long taken = 0;
  double sum = 0.0;
  for (const auto& e : entries) {
    const long c = held(e);
    if (c == 0) continue;
    const float v = value(e);
    const long t = std::min(c, r - taken);
    const long to_sum = std::min(t, r - 1 - taken);
    for (long j = 0; j < to_sum; ++j) sum += v;
    taken += t;
    if (taken >= r) return rhc_from_top(sum, v, r);
  }
  return std::numeric_limits<double>::quiet_NaN();
}

template <class Entries, class Value, class Held>
double percentile_held(const Entries& entries, Value value, Held held, double n, double p) {
  constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
  if (!(n > 0)) return kNan;
  const double h = (n - 1.0) * p / 100.0;
  const double i = std::floor(h);
  // Largest first: ascending rank i is descending rank n - 1 - i.
  const double upper_rank = i >= n - 1.0 ? n - 1.0 : n - 2.0 - i;  // of rank i + 1
  const double lower_rank = n - 1.0 - i;
  double held_before = 0;  // values held before the entry
  double upper = kNan;
  for (const auto& e : entries) {
    const double c = held(e);
    if (c == 0) continue;
    held_before += c;
    if (std::isnan(upper) && held_before > upper_rank) upper = value(e);
    if (held_before > lower_rank) {
      const double lower = value(e);
      return i >= n - 1.0 ? lower : lower + (h - i) * (upper - lower);
    }
  }
  return kNan;
}

}  // namespace evaluate
