#include "tlvanalysis/arc_bands.h"

namespace tlvanalysis {
namespace {

// Band i runs from the midpoint below its nominal distance to the midpoint above,
// less 0.000001; each bound is formed in double precision from the float table and
// rounded once. The innermost and outermost arcs have fixed bounds.
constexpr std::array<ArcBand, kArcCount> make_bands() {
  std::array<ArcBand, kArcCount> bands{};
  bands[0] = {0.01f, 0.749999f};
  for (int i = 1; i < kArcCount - 1; ++i) {
    const double a_prev = arcs[i - 1];
    const double a = arcs[i];
    const double a_next = arcs[i + 1];
    bands[i].lower = static_cast<float>(a + (a - a_prev) / (-2.0));
    bands[i].upper = static_cast<float>(a + (a_next - a) / 2.0 - 0.000001);
  }
  bands[kArcCount - 1] = {45.0f, 80.0f};
  return bands;
}

constexpr std::array<ArcBand, kArcCount> kBands = make_bands();

}  // namespace

ArcBand arc_band(int iarc) {
  return kBands[static_cast<std::size_t>(iarc - 1)];
}

int definearc(float distance) {
  int iarc = 0;
  for (int i = 1; i <= kArcCount; ++i) {
    const ArcBand& band = kBands[static_cast<std::size_t>(i - 1)];
    if (distance > band.lower && distance < band.upper) iarc = i;
  }
  return iarc;
}

}  // namespace tlvanalysis
