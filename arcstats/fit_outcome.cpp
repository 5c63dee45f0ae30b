#include "arcstats/fit_outcome.h"

#include <algorithm>
#include <cstddef>

namespace arcstats {

bool fit_reaches(int NUM, std::span<const float> CONC) {
  if (NUM > NMAX) return false;
  const auto len = std::min(CONC.size(), static_cast<std::size_t>(NUM > 0 ? NUM : 0));
  const auto positive = std::count_if(CONC.begin(), CONC.begin() + static_cast<std::ptrdiff_t>(len),
                                      [](float c) { return c > 0.0f; });
  return positive >= 3;
}

ArcFit arc_fit_of(const FitResults& results, bool reached) {
  ArcFit fit{results, FitOutcome::kNotReached};
  FitResults& r = fit.results;
  if (!reached) {
    r.RMEAN = r.Sy = r.CY = r.PHIC = kNotFormed;
    r.CMAX = kPeakNotFormed;
    return fit;
  }
  fit.outcome = r.Sy > 0.0f && r.CY > 0.0f ? FitOutcome::kFormed : FitOutcome::kNoPeak;
  return fit;
}

ArcFit fit_arc(int NUM, float OMAX, std::span<float> CONC, std::span<float> XREC,
               std::span<float> YREC, std::span<float> YLAT, std::span<float> ANG,
               const SourceSetting& src, const ArcSizeReport& report) {
  const bool reached = fit_reaches(NUM, CONC);
  FitResults r = arc_fit_of(FitResults{}, false).results;  // the marks, where the fit sets nothing
  r.OMAX = OMAX;
  bstfit(NUM, CONC, XREC, YREC, YLAT, ANG, r, src, report);
  return arc_fit_of(r, reached);
}

}  // namespace arcstats
