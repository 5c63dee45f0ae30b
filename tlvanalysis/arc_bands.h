// Arc numbers of the elevated-release study: the twelve nominal arc distances and
// the distance bands that map a measured arc distance to its arc number.
#pragma once

#include <array>

namespace tlvanalysis {

inline constexpr int kArcCount = 12;

// Nominal arc distance in km of arc numbers 1..12 (`arcs`(i) is arcs[i - 1]).
inline constexpr std::array<float, kArcCount> arcs = {0.5f,  1.0f,  2.0f,  3.0f,  5.0f,  7.0f,
                                                      10.0f, 15.0f, 20.0f, 30.0f, 40.0f, 50.0f};

// Nominal distance of arc number `iarc` (1..12).
inline float nominal_arc(int iarc) {
  return arcs[static_cast<std::size_t>(iarc - 1)];
}

// Lower and upper bound of one arc band, both excluded (single-precision values).
struct ArcBand {
  float lower;
  float upper;
};

// The band of arc number `iarc` (1..12).
ArcBand arc_band(int iarc);

// Arc number 1..12 of an arc distance in km, or 0 when the distance lies in no band.
int definearc(float distance);

}  // namespace tlvanalysis
