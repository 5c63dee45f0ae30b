// The robust highest concentration of a set of n values, unpaired in time:
//   RHC = C(R) + (Cbar - C(R)) ln((3R - 1)/2)
// with R = min(26, n), C(R) the R-th largest value and Cbar the mean of the R - 1
// largest. Not formed (NaN) for n < 3. Computed in double precision.
#pragma once

#include <vector>

namespace evaluate {

inline constexpr int kRhcRank = 26;

// From the R - 1 largest values' sum and the R-th largest value.
double rhc_from_top(double sum_of_larger, double c_r, long r);

// The RHC of `values` (reordered).
double rhc(std::vector<float>& values);

// RHCp / RHCo; NaN unless RHCp is formed and RHCo positive.
double rhc_ratio(double rhc_p, double rhc_o);

// dlnRHC of two models on the same lines: ln(RHCp(a)/RHCo) - ln(RHCp(b)/RHCo), which
// is ln RHCp(a) - ln RHCp(b) since both take RHCo from the same observations; NaN
// unless both are positive and finite.
double rhc_log_difference(double rhc_a, double rhc_b);

}  // namespace evaluate
