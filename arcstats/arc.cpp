#include "arcstats/arc.h"

#include <cmath>
#include <cstddef>
#include <stdexcept>

#include "arcstats/sort.h"
#include "arcstats/status.h"

namespace arcstats {

void arc(int NUM, std::span<float> CONC, std::span<float> XREC, std::span<float> YREC,
         std::span<float> ANG, std::span<float> DEV, int& NPOS, float& XC, float& YC, float& PHIC,
         float& RMEAN, float& OMAX, int& IERR, const SourceSetting& src,
         const ArcSizeReport& report) {
  if (NUM > NMAX) {
    IERR = kTooMany;
    if (report) report(NUM);
    return;
  }
  const std::size_t n = NUM > 0 ? static_cast<std::size_t>(NUM) : 0;
  if (CONC.size() < n || XREC.size() < n || YREC.size() < n || ANG.size() < n || DEV.size() < n) {
    throw std::length_error("arc: receptor arrays shorter than NUM");
  }

  // Largest value and every receptor's bearing.
  OMAX = -99999.0f;
  for (std::size_t i = 0; i < n; ++i) {
    if (CONC[i] > OMAX) OMAX = CONC[i];
    ANG[i] = bearing(XREC[i], YREC[i], src);
  }

  // Concentration-weighted centroid and mean distance of the positive receptors.
  XC = 0.0f;
  YC = 0.0f;
  float sr = 0.0f;
  float sc = 0.0f;
  NPOS = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (!(CONC[i] > 0.0f)) continue;
    const double c = CONC[i];
    XC = static_cast<float>(double{XC} + double{XREC[i]} * c);
    YC = static_cast<float>(double{YC} + double{YREC[i]} * c);
    const double dx = double{XREC[i]} - double{src.XSRC};
    const double dy = double{YREC[i]} - double{src.YSRC};
    const float r = static_cast<float>(std::sqrt(dx * dx + dy * dy));
    sr = static_cast<float>(double{sr} + double{r});
    sc = static_cast<float>(double{sc} + c);
    ++NPOS;
  }
  if (NPOS <= 2) {
    IERR = kTooFew;
    return;
  }

  XC = static_cast<float>(double{XC} / double{sc});
  YC = static_cast<float>(double{YC} / double{sc});
  RMEAN = static_cast<float>(double{sr} / NPOS);
  PHIC = bearing(XC, YC, src);

  // Deviation of every receptor from the centroid direction, folded once each way.
  for (std::size_t i = 0; i < n; ++i) {
    DEV[i] = static_cast<float>(double{ANG[i]} - double{PHIC});
    if (DEV[i] > 180.0f) DEV[i] = static_cast<float>(double{DEV[i]} - 360.0);
    if (DEV[i] < -180.0f) DEV[i] = static_cast<float>(double{DEV[i]} + 360.0);
  }

  // Centre the deviations on their concentration-weighted mean.
  float sd = 0.0f;
  float sw = 0.0f;
  for (std::size_t i = 0; i < n; ++i) {
    if (!(CONC[i] > 0.0f)) continue;
    sd = static_cast<float>(double{DEV[i]} * double{CONC[i]} + double{sd});
    sw = static_cast<float>(double{CONC[i]} + double{sw});
  }
  const float dbar = static_cast<float>(double{sd} / double{sw});
  PHIC = static_cast<float>(double{PHIC} + double{dbar});
  for (std::size_t i = 0; i < n; ++i) DEV[i] = static_cast<float>(double{DEV[i]} - double{dbar});

  IERR = sort3(DEV, XREC, YREC, CONC, NUM);
  for (std::size_t i = 0; i < n; ++i) ANG[i] = static_cast<float>(double{DEV[i]} + double{PHIC});
}

}  // namespace arcstats
