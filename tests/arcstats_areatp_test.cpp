// Crosswind integration of a profile: trapezoids in position order, end triangles,
// dropped pairs and the limit of 200 pairs.
#include <gtest/gtest.h>

#include <sstream>
#include <vector>

#include "arcstats/areatp.h"
#include "records/errors.h"

namespace {

using arcstats::areatp;

struct AreaCase {
  const char* name;
  std::vector<float> conc;
  std::vector<float> ylat;
  int iends;
  float expected;
};

TEST(ArcstatsAreatp, Table) {
  const AreaCase cases[] = {
      {"three_points", {1, 2, 1}, {0, 100, 200}, 0, 300.0f},
      {"three_points_ends", {1, 2, 1}, {0, 100, 200}, 1, 400.0f},
      {"any_nonzero_flag_closes", {1, 2, 1}, {0, 100, 200}, -7, 400.0f},
      {"input_order_ignored", {1, 1, 2}, {200, 0, 100}, 0, 300.0f},
      {"descending_positions", {1, 2, 3, 4}, {30, 20, 10, 0}, 0, 75.0f},
      // Two points at one position add nothing between them.
      {"same_position", {1, 5, 2, 1}, {0, 100, 100, 200}, 0, 300.0f + 0.0f + 150.0f},
      // A zero extends the profile: half the neighbour times the spacing.
      {"zero_at_end", {1, 2, 1, 0}, {0, 100, 200, 300}, 0, 350.0f},
      {"zero_at_end_ends", {1, 2, 1, 0}, {0, 100, 200, 300}, 1, 400.0f},
      // Negative values are dropped before the profile is formed.
      {"negatives_dropped", {1, -1, 2, -9, 1}, {0, 50, 100, 150, 200}, 0, 300.0f},
      {"two_left", {1, -1, 2, -1}, {0, 100, 200, 300}, 0, -999.0f},
      {"two_points", {1, 2}, {0, 100}, 1, -999.0f},
      {"none", {}, {}, 0, -999.0f},
      {"all_zero", {0, 0, 0}, {-10, 0, 10}, 1, 0.0f},
      // Negative positions: widths are absolute spacings.
      {"left_of_centre", {2, 4, 2}, {-300, -200, -100}, 0, 600.0f},
      // Float rounding after every interval: 1e8 + 5.0000004e7 rounds to 1.5e8 and
      // every later 8 is a tie that rounds back to even, so the sum stays 1.5e8
      // (a sum carried in double would give 150000080).
      {"rounded_each_step",
       {1e8f, 1e8f, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8, 8},
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12},
       0,
       150000000.0f},
      // h and p are rounded to float in every interval: 3.89999986 (kept in double,
      // either of them would give 3.90000010).
      {"half_sum_rounded", {0.1f, 0.7f, 1.1f}, {0, 3, 6}, 0, 0x1.f33332p+1f},
  };
  for (const auto& c : cases) {
    float cy = 12345.0f;
    std::ostringstream console;
    areatp(static_cast<int>(c.conc.size()), c.conc, c.ylat, cy, c.iends, console);
    EXPECT_EQ(cy, c.expected) << c.name;
    EXPECT_TRUE(console.str().empty()) << c.name;
  }
}

TEST(ArcstatsAreatp, CallerArraysUnchanged) {
  const std::vector<float> conc = {1, -1, 2, 1}, ylat = {200, 50, 0, 100};
  auto c = conc, y = ylat;
  float cy = 0.0f;
  std::ostringstream console;
  areatp(4, c, y, cy, 0, console);
  EXPECT_EQ(c, conc);
  EXPECT_EQ(y, ylat);
  EXPECT_EQ(cy, 150.0f + 100.0f);  // sorted: (0, 2), (100, 1), (200, 1)
}

TEST(ArcstatsAreatp, NegativeCountIsEmpty) {
  float cy = 1.0f;
  std::ostringstream console;
  areatp(-4, {}, {}, cy, 1, console);
  EXPECT_EQ(cy, -999.0f);
}

TEST(ArcstatsAreatp, ShortArraysAreRefused) {
  const std::vector<float> conc = {1, 2, 1}, ylat = {0, 100};
  float cy = 7.0f;
  std::ostringstream console;
  EXPECT_THROW(areatp(3, conc, ylat, cy, 0, console), std::length_error);
  EXPECT_EQ(cy, 7.0f);
}

TEST(ArcstatsAreatp, FullWorkArrays) {
  std::vector<float> conc(200, 1.0f), ylat(200);
  for (int i = 0; i < 200; ++i) ylat[i] = static_cast<float>(199 - i) * 10.0f;
  float cy = 0.0f;
  std::ostringstream console;
  areatp(200, conc, ylat, cy, 1, console);
  EXPECT_EQ(cy, 1990.0f + 5.0f + 5.0f);
}

TEST(ArcstatsAreatp, MoreThan200PairsEndsTheRun) {
  std::vector<float> conc(201, 1.0f), ylat(201, 0.0f);
  float cy = 42.0f;
  std::ostringstream console;
  try {
    areatp(201, conc, ylat, cy, 0, console);
    FAIL() << "areatp returned";
  } catch (const records::StopRun& stop) {
    EXPECT_EQ(stop.status(), 2);
    EXPECT_TRUE(stop.console_line().empty());
  }
  EXPECT_EQ(console.str(), " Subroutine areatp \n Num =  201  nmax =  200\n");
  EXPECT_EQ(cy, 42.0f);

  // The limit is checked before the arrays: a count far past them touches nothing.
  std::ostringstream console2;
  EXPECT_THROW(areatp(100000, {}, {}, cy, 1, console2), records::StopRun);
  EXPECT_EQ(console2.str(), " Subroutine areatp \n Num =  100000  nmax =  200\n");
}

}  // namespace
