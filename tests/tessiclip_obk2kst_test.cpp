// Stability classes from the Obukhov length: the boundaries of the power law at
// two roughness lengths, the class of each side, exact ties, the missing mark.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "tessiclip/obk2kst.h"

namespace {

using tessiclip::obk2kst;

TEST(TessiclipObk2kst, BoundariesAtTwoRoughnessLengths) {
  struct Row {
    float z0;
    float expected[5];
  } rows[] = {
      {1.0f, {-0.062995f, -0.02328f, -0.004035f, 0.004035f, 0.02328f}},
      {0.1f, {-0.084004f, -0.0367f, -0.008142f, 0.008142f, 0.0367f}},
  };
  for (const auto& row : rows) {
    float B[5];
    tessiclip::detail::class_boundaries(row.z0, B);
    for (int k = 0; k < 5; ++k)
      EXPECT_NEAR(B[k], row.expected[k], 6e-7) << "z0 " << row.z0 << " B(" << k + 1 << ")";
    // The two sides mirror each other.
    EXPECT_EQ(B[2], -B[3]);
    EXPECT_EQ(B[1], -B[4]);
  }
}

TEST(TessiclipObk2kst, Classes) {
  struct Row {
    float L, H, z0;
    int kst;
  } rows[] = {
      // Unstable hours at z0 = 0.1 m.
      {-5.0f, 1.0f, 0.1f, 1},
      {-20.0f, 1.0f, 0.1f, 2},
      {-100.0f, 1.0f, 0.1f, 3},
      {-1000.0f, 1.0f, 0.1f, 4},
      // Stable hours at z0 = 0.1 m.
      {10.0f, -1.0f, 0.1f, 6},
      {50.0f, -1.0f, 0.1f, 5},
      {500.0f, -1.0f, 0.1f, 4},
      // Unstable and stable hours at z0 = 1.0 m: boundaries are the midpoints of
      // the coefficients (-0.062995, -0.02328, -0.004035 | 0.004035, 0.02328).
      {-10.0f, 250.0f, 1.0f, 1},
      {-30.0f, 250.0f, 1.0f, 2},
      {-200.0f, 250.0f, 1.0f, 3},
      {-300.0f, 250.0f, 1.0f, 4},
      {30.0f, -12.0f, 1.0f, 6},
      {100.0f, -12.0f, 1.0f, 5},
      {300.0f, -12.0f, 1.0f, 4},
      // 1/L on the wrong side of zero for the sign of H.
      {40.0f, 1.0f, 0.1f, 4},
      {-40.0f, -1.0f, 0.1f, 4},
      // The missing mark and below, whatever H and z0; just above it is classified.
      {-99999.0f, 1.0f, 0.1f, -9},
      {-99999.0f, -1.0f, 1.0f, -9},
      {-99999.0f, 0.0f, 0.0f, -9},
      {-123456.0f, 1.0f, 0.1f, -9},
      {-99998.9f, 1.0f, 0.1f, 4},
      {-99998.9f, -1.0f, 0.1f, 4},
      // L = 0: an infinite 1/L with the sign of the zero.
      {0.0f, 1.0f, 0.1f, 4},
      {0.0f, -1.0f, 0.1f, 6},
      {-0.0f, 1.0f, 0.1f, 1},
      // A roughness of zero or below: infinite or undefined centres, class 4.
      {-5.0f, 1.0f, 0.0f, 4},
      {10.0f, -1.0f, 0.0f, 4},
      {-5.0f, 1.0f, -0.5f, 4},
      {10.0f, -1.0f, -0.5f, 4},
      // No heat flux at all, of either sign: neutral.
      {-5.0f, 0.0f, 0.1f, 4},
      {10.0f, 0.0f, 0.1f, 4},
      {-5.0f, -0.0f, 0.1f, 4},
      {10.0f, -0.0f, 0.1f, 4},
  };
  for (const auto& r : rows)
    EXPECT_EQ(obk2kst(r.L, r.H, r.z0), r.kst) << "L " << r.L << " H " << r.H << " z0 " << r.z0;
}

TEST(TessiclipObk2kst, ExactTiesFallToTheNeutralSide) {
  float B[5];
  tessiclip::detail::class_boundaries(1.0f, B);
  // These lengths have reciprocals that equal B(1) and B(5) exactly.
  const float unstable = -15.874275f, stable = 42.955326f;
  ASSERT_EQ(1.0f / unstable, B[0]);
  ASSERT_EQ(1.0f / stable, B[4]);
  EXPECT_EQ(obk2kst(unstable, 1.0f, 1.0f), 2);
  EXPECT_EQ(obk2kst(stable, -1.0f, 1.0f), 5);
  // One step further out of the neutral side crosses the boundary.
  EXPECT_EQ(obk2kst(std::nextafter(unstable, 0.0f), 1.0f, 1.0f), 1);
  EXPECT_EQ(obk2kst(std::nextafter(stable, 0.0f), -1.0f, 1.0f), 6);
}

TEST(TessiclipObk2kst, BoundariesBitForBit) {
  // Bit patterns of z0 and of B(1)..B(5), computed independently (power in double
  // from the float operands, every centre and midpoint rounded to float).
  struct Row {
    std::uint32_t z0, B[5];
  } rows[] = {
      {0x3DCCCCCD, {0xBDAC0A79, 0xBD16524E, 0xBC056701, 0x3C056701, 0x3D16524E}},
      {0x3E800000, {0xBD9952B8, 0xBCFA6238, 0xBBC9C5B6, 0x3BC9C5B6, 0x3CFA6238}},
      {0x38D1B717, {0xBE53203D, 0xBE240E37, 0xBD890446, 0x3D890446, 0x3E240E37}},
      {0x40200000, {0xBD667258, 0xBC9FBD3A, 0xBB47FB79, 0x3B47FB79, 0x3C9FBD3A}},
      {0x3DF5C28F, {0xBDA82186, 0xBD10EB59, 0xBBFC60B7, 0x3BFC60B7, 0x3D10EB59}},
  };
  for (const auto& row : rows) {
    float B[5];
    tessiclip::detail::class_boundaries(std::bit_cast<float>(row.z0), B);
    for (int k = 0; k < 5; ++k)
      EXPECT_EQ(std::bit_cast<std::uint32_t>(B[k]), row.B[k])
          << "z0 " << std::bit_cast<float>(row.z0) << " B(" << k + 1 << ")";
  }
}

}  // namespace
