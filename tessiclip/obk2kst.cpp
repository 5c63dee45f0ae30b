#include "tessiclip/obk2kst.h"

#include <cmath>

namespace tessiclip {
namespace {

// Coefficient and exponent of the power law 1/L = c * z0^e per class 1..6 (index
// 0..5). Class 4 is neutral: its centre is zero and no power is taken for it.
constexpr float kCoef[6] = {-0.0875f, -0.03849f, -0.00807f, 0.0f, 0.00807f, 0.03849f};
constexpr float kExpo[6] = {-0.1029f, -0.1714f, -0.3049f, 0.0f, -0.3049f, -0.1714f};
constexpr int kNeutral = 3;  // index of class 4

}  // namespace

namespace detail {

void class_boundaries(float z0, float (&B)[5]) {
  float A[6];
  for (int k = 0; k < 6; ++k) {
    if (k == kNeutral) {
      A[k] = 0.0f;
      continue;
    }
    // The power in double from the float operands, stored as a float; the product
    // with the coefficient stored as a float.
    const float power =
        static_cast<float>(std::pow(static_cast<double>(z0), static_cast<double>(kExpo[k])));
    A[k] = static_cast<float>(static_cast<double>(kCoef[k]) * static_cast<double>(power));
  }
  for (int k = 0; k < 5; ++k)
    B[k] = static_cast<float>((static_cast<double>(A[k]) + static_cast<double>(A[k + 1])) * 0.5);
}

}  // namespace detail

int obk2kst(float L, float H, float z0) {
  if (L <= kMissingObukhov) return -9;

  float B[5];
  detail::class_boundaries(z0, B);
  const float r = static_cast<float>(1.0 / static_cast<double>(L));

  if (H > 0.0f) {
    // Unstable: the first boundary from the most unstable side that lies above r.
    for (int k = 0; k < 3; ++k)
      if (B[k] > r) return k + 1;
    return 4;
  }
  if (H < 0.0f) {
    // Stable: the first boundary from the most stable side that lies below r.
    if (r > B[4]) return 6;
    if (r > B[3]) return 5;
    return 4;
  }
  // No heat flux at all (either sign of zero): neither scan applies; neutral.
  return 4;
}

}  // namespace tessiclip
