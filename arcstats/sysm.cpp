#include "arcstats/sysm.h"

#include <cmath>
#include <cstddef>
#include <stdexcept>

#include "arcstats/status.h"

namespace arcstats {

void sysm(int NUSED, std::span<const float> CONC, std::span<const float> YLAT, float& Sy,
          int& IERR) {
  if (NUSED <= 2) {
    Sy = -999.0f;
    IERR = kTooFew;
    return;
  }
  const auto len = static_cast<std::size_t>(NUSED);
  if (CONC.size() < len || YLAT.size() < len) {
    throw std::length_error("sysm: arrays shorter than NUSED");
  }
  IERR = kDone;
  float s2 = 0.0f;
  float sc = 0.0f;
  for (std::size_t i = 0; i < len; ++i) {
    s2 = static_cast<float>(double{CONC[i]} * double{YLAT[i]} * double{YLAT[i]} + double{s2});
    sc = static_cast<float>(double{CONC[i]} + double{sc});
  }
  Sy = static_cast<float>(std::sqrt(double{s2} / double{sc}));
}

}  // namespace arcstats
