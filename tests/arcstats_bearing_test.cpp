// Bearings from the release point, against values worked out separately in single
// precision (the four rounding steps applied by hand in another language).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>

#include "arcstats/arcstats.h"

namespace {

using arcstats::bearing;
using arcstats::SourceSetting;

struct BearingCase {
  float x, y, xsrc, ysrc;
  float expected;
};

// Expected values are exact floats; the comment gives their decimal value.
constexpr BearingCase kCases[] = {
    {0x0.0p+0f, 0x1.0p+0f, 0x0.0p+0f, 0x0.0p+0f, 0x1.67fffcp+8f},     // due north 359.99994
    {0x1.0p+0f, 0x0.0p+0f, 0x0.0p+0f, 0x0.0p+0f, 0x1.68p+6f},         // due east 90
    {0x0.0p+0f, -0x1.0p+0f, 0x0.0p+0f, 0x0.0p+0f, 0x1.68000ap+7f},    // due south 180.00008
    {-0x1.0p+0f, 0x0.0p+0f, 0x0.0p+0f, 0x0.0p+0f, 0x1.0dfff6p+8f},    // due west 269.99985
    {0x0.0p+0f, 0x0.0p+0f, 0x0.0p+0f, 0x0.0p+0f, 0x1.68p+6f},         // on the source: 90
    {0x1.0p+0f, 0x1.0p+0f, 0x0.0p+0f, 0x0.0p+0f, 0x1.67fffp+5f},      // 44.99997
    {-0x1.0p+0f, 0x1.0p+0f, 0x0.0p+0f, 0x0.0p+0f, 0x1.3afff8p+8f},    // 314.99988
    {-0x1.0p+0f, -0x1.0p+0f, 0x0.0p+0f, 0x0.0p+0f, 0x1.c2000ep+7f},   // 225.00011
    {0x1.0p+0f, -0x1.0p+0f, 0x0.0p+0f, 0x0.0p+0f, 0x1.0e0004p+7f},    // 135.00003
    {0x1.0624dep-10f, 0x1.0p+0f, 0x0.0p+0f, 0x0.0p+0f, 0x1.d4cp-5f},  // just east of north 0.05722
    {-0x1.0624dep-10f, 0x1.0p+0f, 0x0.0p+0f, 0x0.0p+0f, 0x1.67f15p+8f},  // just west 359.94263
    {0x1.0c6f7ap-20f, 0x1.4p+2f, 0x0.0p+0f, 0x0.0p+0f,
     0x1.67fffcp+8f},  // 1e-6 east: still 359.99994
    {-0x1.0c6f7ap-20f, 0x1.4p+2f, 0x0.0p+0f, 0x0.0p+0f, 0x1.67fffap+8f},  // 1e-6 west 359.99991
    {0x1.32cp+9f, 0x1.45f4p+12f, 0x1.32ap+9f, 0x1.45a8p+12f,
     0x1.81a1p+1f},  // offset source 3.01273
    {0x1.326p+9f, 0x1.45f4p+12f, 0x1.32ap+9f, 0x1.45a8p+12f,
     0x1.61fdacp+8f},                                                // offset source 353.99091
    {0x1.4p+1f, -0x1.4p+0f, 0x1.4p+1f, -0x1.ep+1f, 0x1.67fffcp+8f},  // north of an offset source
    {0x1.333334p-2f, 0x1.99999ap-2f, 0x1.333334p-2f, 0x1.99999ap-2f,
     0x1.68p+6f},  // on an offset source
    {-0x1.8p+1f, -0x1.ad7f2ap-24f, 0x0.0p+0f, 0x0.0p+0f,
     0x1.0e0008p+8f},  // just south of west 270.00012
    {-0x1.8p+1f, 0x1.ad7f2ap-24f, 0x0.0p+0f, 0x0.0p+0f,
     0x1.0dfff8p+8f},  // just north of west 269.99988
    {-0x1.0p+0f, 0x1.4f8b58p-19f, 0x0.0p+0f, 0x0.0p+0f,
     0x1.0ep+8f},  // just north of west: 270 exactly
    {0x1.99999ap-4f, 0x1.99999ap-3f, 0x0.0p+0f, 0x0.0p+0f, 0x1.a90a4p+4f},  // 26.565002
    {-0x1.63a1a8p-3f, 0x1.f838b8p-1f, 0x0.0p+0f, 0x0.0p+0f,
     0x1.5dfffap+8f},  // bearing 350: 349.99991
    {0x1.63a1a8p-3f, 0x1.f838b8p-1f, 0x0.0p+0f, 0x0.0p+0f, 0x1.3fff8p+3f},  // bearing 10: 9.99994
};

TEST(ArcstatsBearing, MatchesSinglePrecisionSteps) {
  for (const auto& c : kCases) {
    const SourceSetting src{1000.0f, c.xsrc, c.ysrc};
    const float b = bearing(c.x, c.y, src);
    EXPECT_EQ(std::bit_cast<std::uint32_t>(b), std::bit_cast<std::uint32_t>(c.expected))
        << "point (" << c.x << ", " << c.y << ") from (" << c.xsrc << ", " << c.ysrc << "): got "
        << b << ", want " << c.expected;
  }
}

TEST(ArcstatsBearing, DueNorthIsNeverZero) {
  const SourceSetting src{};
  EXPECT_EQ(bearing(0.0f, 2.0f, src), 359.99994f);
  EXPECT_EQ(bearing(0.0f, 1.0e-30f, src), 359.99994f);
}

TEST(ArcstatsBearing, StaysInsideHalfOpenCircle) {
  // A ring of points at every tenth of a degree, and points very close to each axis.
  const SourceSetting src{1000.0f, 1.5f, -2.5f};
  for (int k = 0; k < 3600; ++k) {
    const double a = k * 0.1 * 3.141592653589793 / 180.0;
    const float x = static_cast<float>(1.5 + 3.0 * std::sin(a));
    const float y = static_cast<float>(-2.5 + 3.0 * std::cos(a));
    const float b = bearing(x, y, src);
    EXPECT_GT(b, 0.0f) << k;
    EXPECT_LE(b, 360.0f) << k;
    // Within a small tolerance of the true bearing (PI is rounded, so not exact).
    double want = k * 0.1;
    double diff = b - want;
    if (diff > 180.0) diff -= 360.0;
    if (diff < -180.0) diff += 360.0;
    EXPECT_LT(std::fabs(diff), 2.0e-3) << k << " got " << b;
  }
}

}  // namespace
