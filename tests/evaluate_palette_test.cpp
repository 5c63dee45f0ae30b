// The model colours: distinguishable to readers with each common colour-vision
// deficiency (the simulation of Machado, Oliveira and Fernandes 2009, severity 1, on
// linear sRGB clipped to 0..1, compared in CIELAB under D65 by CIE76 distance), and
// legible on white (WCAG 2 contrast ratio).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <string_view>

#include "evaluate/pictures/svg.h"

namespace {

using Rgb = std::array<double, 3>;
using Matrix = std::array<Rgb, 3>;

Rgb linear_rgb(std::string_view hex) {
  Rgb out{};
  for (std::size_t i = 0; i < 3; ++i) {
    const double c = std::stoi(std::string(hex.substr(1 + 2 * i, 2)), nullptr, 16) / 255.0;
    out[i] = c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  }
  return out;
}

Rgb simulated(const Rgb& c, const Matrix* m) {
  if (m == nullptr) return c;
  Rgb out{};
  for (std::size_t i = 0; i < 3; ++i) {
    const double v = (*m)[i][0] * c[0] + (*m)[i][1] * c[1] + (*m)[i][2] * c[2];
    out[i] = std::clamp(v, 0.0, 1.0);
  }
  return out;
}

Rgb lab(const Rgb& c) {
  const double x = (0.4124564 * c[0] + 0.3575761 * c[1] + 0.1804375 * c[2]) / 0.95047;
  const double y = 0.2126729 * c[0] + 0.7151522 * c[1] + 0.0721750 * c[2];
  const double z = (0.0193339 * c[0] + 0.1191920 * c[1] + 0.9503041 * c[2]) / 1.08883;
  auto f = [](double t) {
    const double d = 6.0 / 29.0;
    return t > d * d * d ? std::cbrt(t) : t / (3 * d * d) + 4.0 / 29.0;
  };
  return {116 * f(y) - 16, 500 * (f(x) - f(y)), 200 * (f(y) - f(z))};
}

double delta_e(const Rgb& a, const Rgb& b) {
  return std::hypot(a[0] - b[0], a[1] - b[1], a[2] - b[2]);
}

double contrast_on_white(const Rgb& c) {
  const double y = 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2];
  return 1.05 / (y + 0.05);
}

// Machado et al. (2009), severity 1.
constexpr Matrix kProtanopia{{{0.152286, 1.052583, -0.204868},
                              {0.114503, 0.786281, 0.099216},
                              {-0.003882, -0.048116, 1.051998}}};
constexpr Matrix kDeuteranopia{{{0.367322, 0.860646, -0.227968},
                                {0.280085, 0.672501, 0.047413},
                                {-0.011820, 0.042940, 0.968881}}};
constexpr Matrix kTritanopia{{{1.255528, -0.076749, -0.178779},
                              {-0.078411, 0.930809, 0.147602},
                              {0.004733, 0.691367, 0.303900}}};

TEST(EvaluatePalette, EightColoursApartUnderEachDeficiencyAndLegibleOnWhite) {
  const struct {
    const char* vision;
    const Matrix* matrix;
  } visions[] = {{"normal", nullptr},
                 {"protanopia", &kProtanopia},
                 {"deuteranopia", &kDeuteranopia},
                 {"tritanopia", &kTritanopia}};
  const Rgb shading = lab(linear_rgb("#dcebdc"));  // the acceptance region's fill
  for (const auto& v : visions) {
    SCOPED_TRACE(v.vision);
    for (int a = 0; a < 8; ++a) {
      const Rgb la = lab(simulated(linear_rgb(evaluate::model_colour(a)), v.matrix));
      for (int b = a + 1; b < 8; ++b) {
        const Rgb lb = lab(simulated(linear_rgb(evaluate::model_colour(b)), v.matrix));
        EXPECT_GE(delta_e(la, lb), 10.0)
            << evaluate::model_colour(a) << " and " << evaluate::model_colour(b);
      }
    }
  }
  for (int m = 0; m < 8; ++m) {
    const Rgb c = linear_rgb(evaluate::model_colour(m));
    EXPECT_GE(contrast_on_white(c), 3.0) << evaluate::model_colour(m);
    EXPECT_GE(delta_e(lab(c), shading), 10.0) << evaluate::model_colour(m);
  }
}

}  // namespace
