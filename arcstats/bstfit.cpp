#include <array>
#include <cmath>
#include <cstddef>
#include <stdexcept>

#include "arcstats/arc.h"
#include "arcstats/arcstats.h"
#include "arcstats/areatp.h"
#include "arcstats/status.h"
#include "arcstats/sysm.h"

namespace arcstats {

// Steps: arc (bearings, centreline, order); crosswind distance of every receptor
// at the mean arc radius; Sy and CY over the receptors with CONC >= 0; the
// Gaussian peak CMAX = CY / (Sy * sqrt(2 PI)). A failing arc returns at once and
// leaves YLAT, CMAX, Sy and CY as the caller had them.
void bstfit(int NUM, std::span<float> CONC, std::span<float> XREC, std::span<float> YREC,
            std::span<float> YLAT, std::span<float> ANG, FitResults& out, const SourceSetting& src,
            const ArcSizeReport& report) {
  if (NUM <= NMAX) {
    const std::size_t len = NUM > 0 ? static_cast<std::size_t>(NUM) : 0;
    if (CONC.size() < len || XREC.size() < len || YREC.size() < len || YLAT.size() < len ||
        ANG.size() < len) {
      throw std::length_error("bstfit: receptor arrays shorter than NUM");
    }
  }
  std::array<float, NMAX> dev;
  float xc = 0.0f;
  float yc = 0.0f;

  out.IERR = kDone;
  arc(NUM, CONC, XREC, YREC, ANG, dev, out.NUSED, xc, yc, out.PHIC, out.RMEAN, out.OMAX, out.IERR,
      src, report);
  if (out.IERR < 0) return;

  const auto n = static_cast<std::size_t>(NUM);
  for (std::size_t i = 0; i < n; ++i) {
    YLAT[i] = static_cast<float>(double{dev[i]} / 360.0 * 2.0 * double{PI} * double{src.DISTFAC} *
                                 double{out.RMEAN});
  }

  const detail::ValidPairs valid = detail::valid_pairs(CONC, YLAT, n);
  const int used = valid.n;
  out.NUSED = used;
  const auto profile_c = std::span<const float>(valid.conc).first(static_cast<std::size_t>(used));
  const auto profile_y = std::span<const float>(valid.ylat).first(static_cast<std::size_t>(used));

  sysm(used, profile_c, profile_y, out.Sy, out.IERR);
  // At most NMAX pairs here, so the profile never exceeds the integration limit.
  detail::integrate_profile(used, profile_c, profile_y, out.CY, 0);

  const float root_two_pi = static_cast<float>(std::sqrt(2.0 * double{PI}));
  if (out.Sy > 0.0f && out.CY > 0.0f) {
    out.CMAX = static_cast<float>(double{out.CY} / (double{out.Sy} * double{root_two_pi}));
  } else {
    out.CMAX = -99.0f;
    out.IERR = kTooFew;
  }
}

}  // namespace arcstats
