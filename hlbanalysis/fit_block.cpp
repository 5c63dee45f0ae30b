#include "hlbanalysis/fit_block.h"

#include <cstddef>

#include "hlbanalysis/marks.h"

namespace hlbanalysis {

BlockFit fit_block(const Counts& counts, const ReceptorArrays& samplers,
                   const arcstats::SourceSetting& main1, FitArrays& work,
                   const arcstats::ArcSizeReport& size_report) {
  const int n = counts.NLAST - counts.NFIRST + 1;
  const auto size = static_cast<std::size_t>(n);
  work.CONC.resize(size);
  work.XREC.resize(size);
  work.YREC.resize(size);
  work.YLAT.assign(size, 0.0f);
  work.ANG.assign(size, 0.0f);

  float OMAX = kStartOMAX;
  int positives = 0;
  const auto first = static_cast<std::size_t>(counts.NFIRST - 1);
  for (std::size_t i = 0; i < size; ++i) {
    const float conc = samplers.CONC[first + i];
    work.CONC[i] = conc;
    work.XREC[i] = samplers.XREC[first + i];
    work.YREC[i] = samplers.YREC[first + i];
    if (conc > OMAX) OMAX = conc;
    if (conc > 0.0f) ++positives;
  }

  BlockFit fit;
  arcstats::FitResults& r = fit.results;
  r.OMAX = OMAX;
  r.CMAX = kNoPeak;
  r.Sy = kNoSpread;
  r.CY = kNoSpread;
  r.RMEAN = kNoDistance;
  r.PHIC = kNoDirection;
  arcstats::bstfit(n, work.CONC, work.XREC, work.YREC, work.YLAT, work.ANG, r, main1, size_report);
  fit.reached = n <= arcstats::NMAX && positives >= 3;
  return fit;
}

}  // namespace hlbanalysis
