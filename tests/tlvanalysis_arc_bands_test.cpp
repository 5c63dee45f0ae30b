// Arc numbers from arc distances: the twelve bands, their excluded edges and the
// single-precision bounds.
#include <gtest/gtest.h>

#include <cmath>

#include "tlvanalysis/arc_bands.h"

namespace {

using tlvanalysis::arc_band;
using tlvanalysis::definearc;

TEST(TlvArcBands, DistancesMapToArcNumbers) {
  struct Case {
    float distance;
    int iarc;
  };
  const Case cases[] = {
      {0.5f, 1},
      {1.0f, 2},
      {2.0f, 3},
      {3.0f, 4},
      {5.0f, 5},
      {7.0f, 6},
      {10.0f, 7},
      {15.0f, 8},
      {20.0f, 9},
      {30.0f, 10},
      {40.0f, 11},
      {50.0f, 12},
      {0.7f, 1},
      {60.0f, 12},
      {0.02f, 1},
      {79.9f, 12},
      {2.49f, 3},
      {1.51f, 3},
      // Band edges are excluded, and the gaps between bands hold no arc.
      {0.75f, 0},
      {1.5f, 0},
      {35.0f, 0},
      {45.0f, 0},
      {80.0f, 0},
      {0.01f, 0},
      {0.0f, 0},
      {-2.0f, 0},
      {100.0f, 0},
      {2.5f, 0},
      {4.0f, 0},
      {12.5f, 0},
      {25.0f, 0},
      {0.749999f, 0},
      {1.499999f, 0},
      {17.499998f, 0},
      {24.999998f, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(definearc(c.distance), c.iarc) << "distance " << c.distance;
  }
}

TEST(TlvArcBands, BoundsAreTheSinglePrecisionMidpoints) {
  struct Case {
    int iarc;
    float lower, upper;
  };
  const Case cases[] = {
      {1, 0.01f, 0.749999f},  {2, 0.75f, 1.499999f}, {3, 1.5f, 2.499999f},  {4, 2.5f, 3.999999f},
      {5, 4.0f, 5.999999f},   {6, 6.0f, 8.499999f},  {7, 8.5f, 12.499999f}, {8, 12.5f, 17.499998f},
      {9, 17.5f, 24.999998f}, {10, 25.0f, 35.0f},    {11, 35.0f, 45.0f},    {12, 45.0f, 80.0f},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(arc_band(c.iarc).lower, c.lower) << "arc " << c.iarc;
    EXPECT_EQ(arc_band(c.iarc).upper, c.upper) << "arc " << c.iarc;
    // Just inside either edge belongs to the arc.
    EXPECT_EQ(definearc(std::nextafter(c.lower, 100.0f)), c.iarc) << "arc " << c.iarc;
    EXPECT_EQ(definearc(std::nextafter(c.upper, 0.0f)), c.iarc) << "arc " << c.iarc;
  }
}

TEST(TlvArcBands, NominalDistances) {
  const float want[] = {0.5f,  1.0f,  2.0f,  3.0f,  5.0f,  7.0f,
                        10.0f, 15.0f, 20.0f, 30.0f, 40.0f, 50.0f};
  for (int i = 1; i <= 12; ++i) EXPECT_EQ(tlvanalysis::nominal_arc(i), want[i - 1]);
}

}  // namespace
