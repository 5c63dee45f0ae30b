#include "tlvanalysis/arc_analysis.h"

#include <cmath>
#include <cstddef>
#include <span>

#include "arcstats/fit_outcome.h"

namespace tlvanalysis {

void FitArrays::reserve_for(int n) {
  const auto count = static_cast<std::size_t>(n > 0 ? n : 0);
  if (CONC.size() >= count) return;
  for (auto* v : {&CONC, &XREC, &YREC, &YLAT, &ANG}) v->resize(count);
}

float reduce_phic(float PHIC) {
  if (!std::isfinite(PHIC)) return PHIC;
  if (PHIC > 1.0e6f) {
    // Far outside what any arc yields; one exact remainder keeps the result in (0, 360].
    const float rest = std::fmod(PHIC, 360.0f);
    return rest == 0.0f ? 360.0f : rest;
  }
  while (PHIC > 360.0f) PHIC = PHIC - 360.0f;
  return PHIC;
}

float ratio_to_rate(float value, float Q) {
  if (Q <= 0.0f) return arcstats::kPeakNotFormed;
  return value / Q;
}

ArcStatistics analyse_arc(int n, float OMAX, float Q, FitArrays& fit,
                          const arcstats::SourceSetting& source,
                          const arcstats::ArcSizeReport& report) {
  const auto count = static_cast<std::size_t>(n > 0 ? n : 0);
  auto span = [count](std::vector<float>& v) { return std::span<float>(v.data(), count); };
  const arcstats::ArcFit arc_fit =
      arcstats::fit_arc(n > 0 ? n : 0, OMAX, span(fit.CONC), span(fit.XREC), span(fit.YREC),
                        span(fit.YLAT), span(fit.ANG), source, report);
  const arcstats::FitResults& out = arc_fit.results;

  ArcStatistics stats;
  stats.OMAX = out.OMAX;
  stats.Dist = out.RMEAN;
  stats.CMAX = out.CMAX;
  stats.CY = out.CY;
  stats.Sy = out.Sy;
  stats.PHIC = reduce_phic(out.PHIC);  // the mark stays as it is
  stats.CMAXQ = arc_fit.cmax_formed() ? ratio_to_rate(out.CMAX, Q) : arcstats::kPeakNotFormed;
  stats.CYQ = arc_fit.reached() ? ratio_to_rate(out.CY, Q) : arcstats::kPeakNotFormed;
  return stats;
}

}  // namespace tlvanalysis
