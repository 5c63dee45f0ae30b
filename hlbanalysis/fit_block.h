// The fit of one arc block: the samplers NFIRST..NLAST go to the arc fit.
#pragma once

#include <vector>

#include "arcstats/arcstats.h"
#include "arcstats/fit_outcome.h"
#include "hlbanalysis/arc_reader.h"

namespace hlbanalysis {

inline constexpr float kStartOMAX = -9.0f;  // the driver's own OMAX before the first sampler

// Work arrays of the fit, kept for the whole run and resized per block.
struct FitArrays {
  std::vector<float> CONC, XREC, YREC, YLAT, ANG;
};

// Copies samplers NFIRST..NLAST (counts already checked) into `work`, taking the
// largest concentration into OMAX (start -9.0), and fits them with the source
// setting `main1` (arcstats::fit_arc). A range of more than NMAX samplers is refused
// by the fit, which calls `size_report`; OMAX then stays the driver's own. What the
// fit does not form holds the marks, never values of an earlier block.
arcstats::ArcFit fit_block(const Counts& counts, const ReceptorArrays& samplers,
                           const arcstats::SourceSetting& main1, FitArrays& work,
                           const arcstats::ArcSizeReport& size_report);

}  // namespace hlbanalysis
