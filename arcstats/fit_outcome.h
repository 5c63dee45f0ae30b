// The outcome of one arc fit as the analysis drivers report it.
//
// fit_arc() fits an arc with bstfit() and says how far the fit got: not reached
// (more than NMAX receptors, or fewer than three positive concentrations), reached
// but without a CMAX (a profile with no width or no area), or formed. Whatever the
// fit did not form carries the named marks, never a value of an earlier arc.
#pragma once

#include <span>

#include "arcstats/arcstats.h"

namespace arcstats {

// Marks of statistics a fit did not form.
inline constexpr float kNotFormed = -999.0f;     // RMEAN, Sy, CY, PHIC
inline constexpr float kPeakNotFormed = -99.0f;  // CMAX, and the ratios CMAX/Q and CY/Q

enum class FitOutcome {
  kNotReached,  // RMEAN, CMAX, Sy, CY and PHIC hold their marks
  kNoPeak,      // fitted, but Sy or CY not above zero: CMAX holds its mark
  kFormed,      // fitted, with a CMAX
};

struct ArcFit {
  FitResults results;
  FitOutcome outcome = FitOutcome::kNotReached;

  bool reached() const { return outcome != FitOutcome::kNotReached; }
  bool cmax_formed() const { return outcome == FitOutcome::kFormed; }
};

// The statistics of one arc as both analysis reports write them, from its fit:
// the mean distance (RMEAN), the largest observed concentration, the fitted CMAX
// and CY with their ratios to the emission rate Q, the spread and the plume
// direction. Each driver's report header gives their units and any turn of the
// direction; whatever the fit did not form holds its mark.
struct ArcColumns {
  float Dist = kNotFormed;
  float OMAX = 0.0f;
  float CMAX = kPeakNotFormed, CY = kNotFormed;
  float CMAXQ = kPeakNotFormed, CYQ = kPeakNotFormed;
  float Sy = kNotFormed, PHIC = kNotFormed;
};

// True when bstfit reaches the profile of an arc of NUM receptors: NUM is at most
// NMAX and at least three of CONC[0..NUM-1] are positive.
bool fit_reaches(int NUM, std::span<const float> CONC);

// The outcome of a fit with results `results`; `reached` as fit_reaches() said
// before the fit. An arc not reached gets the marks in RMEAN, CMAX, Sy, CY and PHIC
// (OMAX, NUSED and IERR stay); a reached one is formed when Sy and CY are above zero.
ArcFit arc_fit_of(const FitResults& results, bool reached);

// Fits NUM receptors with bstfit (same arrays, same rules and same arc-size report),
// starting from the caller's OMAX, which the fit replaces unless it refuses the arc
// as too large.
ArcFit fit_arc(int NUM, float OMAX, std::span<float> CONC, std::span<float> XREC,
               std::span<float> YREC, std::span<float> YLAT, std::span<float> ANG,
               const SourceSetting& src, const ArcSizeReport& report);

}  // namespace arcstats
