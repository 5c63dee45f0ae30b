// Box-plot statistics and the stability classes of the residual picture.
#include <algorithm>
#include <cmath>

#include "evaluate/input/groups.h"
#include "evaluate/pictures/diagrams.h"

namespace evaluate {

// The quartiles are order statistics selected without sorting every value; only the
// values outside the fences are sorted (they are listed ascending).
BoxStats box_stats(std::vector<double> values) {
  std::erase_if(values, [](double v) { return !std::isfinite(v); });
  BoxStats b;
  b.n = values.size();
  if (values.empty()) return b;
  // The i-th smallest value.
  auto ranked = [&](std::size_t i) {
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(i), values.end());
    return values[i];
  };
  // Quantile p: h = (n - 1) p, between the order statistics floor(h) and floor(h) + 1.
  auto quantile = [&](double p) {
    const double h = static_cast<double>(values.size() - 1) * p;
    const std::size_t i = static_cast<std::size_t>(std::floor(h));
    if (i + 1 >= values.size()) return ranked(values.size() - 1);
    const double low = ranked(i);
    const double high =
        *std::min_element(values.begin() + static_cast<std::ptrdiff_t>(i) + 1, values.end());
    return low + (h - static_cast<double>(i)) * (high - low);
  };
  b.q1 = quantile(0.25);
  b.median = quantile(0.5);
  b.q3 = quantile(0.75);
  const double reach = 1.5 * (b.q3 - b.q1);
  const double low_fence = b.q1 - reach;
  const double high_fence = b.q3 + reach;
  for (double v : values) {
    if (v < low_fence || v > high_fence) {
      b.outside.push_back(v);
    } else {
      if (std::isnan(b.whisker_low) || v < b.whisker_low) b.whisker_low = v;
      if (std::isnan(b.whisker_high) || v > b.whisker_high) b.whisker_high = v;
    }
  }
  std::sort(b.outside.begin(), b.outside.end());
  return b;
}

StabilityClass stability_class(float obk) {
  const Stability stability = stability_of(obk);
  if (stability == kNeither) return StabilityClass::none;
  if (stability == kUnstable) {
    if (obk > -100.0f) return StabilityClass::very_unstable;
    if (obk > -500.0f) return StabilityClass::unstable;
    return StabilityClass::neutral;
  }
  if (obk < 100.0f) return StabilityClass::very_stable;
  if (obk < 500.0f) return StabilityClass::stable;
  return StabilityClass::neutral;
}

std::string_view stability_class_name(StabilityClass c) {
  switch (c) {
    case StabilityClass::very_unstable:
      return "VU";
    case StabilityClass::unstable:
      return "U";
    case StabilityClass::neutral:
      return "N";
    case StabilityClass::stable:
      return "S";
    case StabilityClass::very_stable:
      return "VS";
    case StabilityClass::none:
      break;
  }
  return "";
}

}  // namespace evaluate
