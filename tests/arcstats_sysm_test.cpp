// Lateral spread: the second moment of the profile about the centreline.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <vector>

#include "arcstats/sysm.h"

namespace {

using arcstats::sysm;

struct SpreadCase {
  const char* name;
  std::vector<float> conc, ylat;
  float sy;
  int ierr;
};

TEST(ArcstatsSysm, Table) {
  const SpreadCase cases[] = {
      // sqrt((100^2 + 0 + 100^2) / 4) = sqrt(5000), rounded once to float.
      {"symmetric", {1, 2, 1}, {-100, 0, 100}, static_cast<float>(std::sqrt(5000.0)), 0},
      // No mean is taken off: a profile all at +10 m has spread 10, not 0.
      {"about_centreline", {1, 1, 1}, {10, 10, 10}, 10.0f, 0},
      // Zeros count as points but carry no weight.
      {"zero_weights", {0, 4, 0, 0}, {-500, 3, 800, 2}, 3.0f, 0},
      {"two_points", {1, 1}, {-1, 1}, -999.0f, -2},
      {"none", {}, {}, -999.0f, -2},
  };
  for (const auto& c : cases) {
    float sy = 123.0f;
    int ierr = 99;
    sysm(static_cast<int>(c.conc.size()), c.conc, c.ylat, sy, ierr);
    EXPECT_EQ(sy, c.sy) << c.name;
    EXPECT_EQ(ierr, c.ierr) << c.name;
  }
}

TEST(ArcstatsSysm, SumsRoundedEachStep) {
  // S2 held as a float after each pair: 4096^2 = 2^24, and each later 1 * 1 * 1 is
  // a tie that rounds back to 2^24. Sy = sqrt(2^24 / 101) = 407.56723; a sum
  // carried in double would give sqrt((2^24 + 100) / 101) = 407.56845.
  std::vector<float> conc(101, 1.0f), ylat(101, 1.0f);
  ylat[0] = 4096.0f;
  float sy = 0.0f;
  int ierr = 1;
  sysm(101, conc, ylat, sy, ierr);
  EXPECT_EQ(sy, 0x1.979136p+8f);
  EXPECT_EQ(ierr, 0);
}

TEST(ArcstatsSysm, ShortArraysAreRefused) {
  const std::vector<float> conc = {1, 2, 3}, ylat = {0, 1};
  float sy = 5.0f;
  int ierr = 7;
  EXPECT_THROW(sysm(3, conc, ylat, sy, ierr), std::length_error);
  EXPECT_EQ(sy, 5.0f);
  EXPECT_EQ(ierr, 7);
}

}  // namespace
