// The measurement uncertainty of the modelling quality objective (FAIRMODE guidance
// document version 3.3): its parameters, the guidance's presets, the uncertainty of
// a value and of a mean, and the 90th percentile over the groups (MQI90, Y90).
#pragma once

#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace evaluate {

struct Uncertainty {
  double u = 0;      // relative uncertainty at the reference value, (0, 1]
  double alpha = 0;  // share of the uncertainty not proportional to the value, [0, 1]
  double rv = 0;     // reference value, in the quantity's units
  double np = std::numeric_limits<double>::quiet_NaN();   // NP of U(mean); NaN: not given
  double nnp = std::numeric_limits<double>::quiet_NaN();  // NNP of U(mean)
  double beta = 2;                                        // the objective's factor
  double percentile = 90;                                 // P of MPI_perc
  // Whether MQI_Y and Y90 are formed: NP and NNP given.
  bool of_means() const { return np > 0 && nnp > 0; }
};

// U(O) = U sqrt((1 - alpha^2) O^2 + alpha^2 RV^2).
double uncertainty_of(const Uncertainty& u, double o);
// The mean of U(Oi)^2 over values whose mean of squares is `mean_square`.
double mean_square_uncertainty(const Uncertainty& u, double mean_square);
// U(mean) = U sqrt((1 - alpha^2) mean^2 / NP + alpha^2 RV^2 / NNP).
double uncertainty_of_mean(const Uncertainty& u, double mean);

struct UncertaintyPreset {
  std::string_view name;  // "no2"
  std::string_view what;  // "hourly NO2"
  Uncertainty value;
};
std::span<const UncertaintyPreset> uncertainty_presets();

// Reads "PRESET" or "U,ALPHA,RV[,NP,NNP]" (percentile 90 unless a preset gives one)
// into `out`; returns the reason it is refused, or an empty text.
std::string read_uncertainty(std::string_view text, Uncertainty& out);

// The 90th percentile of the groups' values: sorted ascending, k = floor(0.9 S),
// d = 0.9 S - k, v(k) + d (v(k + 1) - v(k)), 1-based; v(1) for S = 1; NaN for S = 0.
double groups_percentile90(std::vector<double> values);

}  // namespace evaluate
