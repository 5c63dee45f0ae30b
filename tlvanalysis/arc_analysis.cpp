#include "tlvanalysis/arc_analysis.h"

#include <cmath>
#include <cstddef>
#include <span>

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
  if (Q <= 0.0f) return kRatioNotFormed;
  return value / Q;
}

ArcStatistics analyse_arc(int n, float OMAX, float Q, FitArrays& fit,
                          const arcstats::SourceSetting& source,
                          const arcstats::ArcSizeReport& report) {
  const auto count = static_cast<std::size_t>(n > 0 ? n : 0);
  int positive = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (fit.CONC[i] > 0.0f) ++positive;
  }

  arcstats::FitResults out;
  out.OMAX = OMAX;
  out.CMAX = kRatioNotFormed;
  out.Sy = kNotFormed;
  out.CY = kNotFormed;
  out.RMEAN = kNotFormed;
  out.PHIC = kNotFormed;
  auto span = [count](std::vector<float>& v) { return std::span<float>(v.data(), count); };
  arcstats::bstfit(n > 0 ? n : 0, span(fit.CONC), span(fit.XREC), span(fit.YREC), span(fit.YLAT),
                   span(fit.ANG), out, source, report);

  ArcStatistics stats;
  stats.OMAX = out.OMAX;
  if (n > arcstats::NMAX || positive < 3) return stats;  // not fitted: the marks stand
  stats.Dist = out.RMEAN;
  stats.CMAX = out.CMAX;
  stats.CY = out.CY;
  stats.Sy = out.Sy;
  stats.PHIC = reduce_phic(out.PHIC);
  // A fit whose profile has no width or no area forms no CMAX (its -99.0 mark stands);
  // its ratio is not formed either, rather than the mark divided by the rate.
  const bool cmax_formed = out.Sy > 0.0f && out.CY > 0.0f;
  stats.CMAXQ = cmax_formed ? ratio_to_rate(out.CMAX, Q) : kRatioNotFormed;
  stats.CYQ = ratio_to_rate(out.CY, Q);
  return stats;
}

}  // namespace tlvanalysis
