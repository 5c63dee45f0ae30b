// The robust highest concentration of a set of n values, unpaired in time:
//   RHC = C(R) + (Cbar - C(R)) ln((3R - 1)/2)
// with R = min(26, n), C(R) the R-th largest value and Cbar the mean of the R - 1
// largest (summed largest first). Not formed (NaN) for n < 3. Computed in double
// precision. A value that a resample holds several times counts as often.
#pragma once

#include <cstdint>
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
// (0: not at all), and `n` is the number of values so held.
double rhc_of_ranked(std::span<const Ranked> ranked, std::span<const std::uint32_t> times,
                     double n);

// The p-th percentile (0 to 100; linear interpolation between order statistics,
// type 7) of `ranked` (largest first) where line l holds its value times[l] times and
// `n` values are so held: with h = (n - 1) p / 100 and i = floor(h), the values of
// ascending ranks i and i + 1 (0-based) interpolated by h - i. NaN for n = 0.
double percentile_of_ranked(std::span<const Ranked> ranked, std::span<const std::uint32_t> times,
                            double n, double p);

// The RHC of `values`, each once (reordered).
double rhc(std::vector<float>& values);

// RHCp / RHCo; NaN unless RHCp is formed and RHCo positive.
double rhc_ratio(double rhc_p, double rhc_o);

}  // namespace evaluate
