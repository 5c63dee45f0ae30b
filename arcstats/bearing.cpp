#include <cmath>

#include "arcstats/arcstats.h"

namespace arcstats {

// dx, dy, the angle and the bearing are each rounded to float; the bearing comes
// out in (0, 360]: due north is 450 - RAD2DEG*float(pi/2) = 359.99994, never 0.
float bearing(float x, float y, const SourceSetting& src) {
  const float dx = static_cast<float>(double{x} - double{src.XSRC});
  const float dy = static_cast<float>(double{y} - double{src.YSRC});
  const float theta = static_cast<float>(std::atan2(double{dy}, double{dx}));
  const double turn = theta >= 0.0f ? 450.0 : 90.0;
  float b = static_cast<float>(turn - double{RAD2DEG} * double{theta});
  if (b > 360.0f) b = static_cast<float>(double{b} - 360.0);
  return b;
}

}  // namespace arcstats
