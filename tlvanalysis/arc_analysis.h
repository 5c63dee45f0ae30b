// The plume statistics of one admitted arc, as its report line shows them: the arc
// fit, the reduction of the plume direction below 360 degrees and the ratios to
// the emission rate.
#pragma once

#include <vector>

#include "arcstats/arcstats.h"
#include "arcstats/fit_outcome.h"

namespace tlvanalysis {

// The arc sample handed to the fit (entries 0..n-1 of CONC, XREC, YREC, which the
// fit reorders) and the fit's two per-sampler work arrays. Grown as needed, reused.
struct FitArrays {
  std::vector<float> CONC;
  std::vector<float> XREC;
  std::vector<float> YREC;
  std::vector<float> YLAT;
  std::vector<float> ANG;
  void reserve_for(int n);  // at least n entries in each array
};

// The line's statistics, in the units of the report's columns (see ReportLine).
using ArcStatistics = arcstats::ArcColumns;

// Fits the n samplers held in `fit` with arcstats::fit_arc and forms the line's
// statistics. `OMAX` is the driver's own largest concentration of the block; the fit
// replaces it unless it refuses the arc as too large (more than NMAX samplers;
// `report` then receives the arc-size lines). An arc the fit does not reach gets the
// not-formed marks for Dist, CY, Sy, PHIC, CMAX and both ratios. Otherwise PHIC is
// reduced with reduce_phic and the ratios formed with ratio_to_rate, except that
// CMAX/Q is -99.0 when the fit formed no CMAX.
ArcStatistics analyse_arc(int n, float OMAX, float Q, FitArrays& fit,
                          const arcstats::SourceSetting& source,
                          const arcstats::ArcSizeReport& report);

// Subtracts 360 while the direction is above 360 (360 itself and negative values
// stay). A direction that subtraction cannot bring down (infinite, or so large that
// subtracting 360 leaves it unchanged) is left as it is rather than looped on
// forever; a finite one above a million degrees is reduced in one exact step.
float reduce_phic(float PHIC);

// value / Q as a single-precision quotient; -99.0 when the rate is missing
// (negative) or zero.
float ratio_to_rate(float value, float Q);

}  // namespace tlvanalysis
