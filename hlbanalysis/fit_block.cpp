#include "hlbanalysis/fit_block.h"

#include <cstddef>

namespace hlbanalysis {

arcstats::ArcFit fit_block(const Counts& counts, const ReceptorArrays& samplers,
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
  const auto first = static_cast<std::size_t>(counts.NFIRST - 1);
  for (std::size_t i = 0; i < size; ++i) {
    const float conc = samplers.CONC[first + i];
    work.CONC[i] = conc;
    work.XREC[i] = samplers.XREC[first + i];
    work.YREC[i] = samplers.YREC[first + i];
    if (conc > OMAX) OMAX = conc;
  }

  return arcstats::fit_arc(n, OMAX, work.CONC, work.XREC, work.YREC, work.YLAT, work.ANG, main1,
                           size_report);
}

}  // namespace hlbanalysis
