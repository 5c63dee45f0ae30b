#include "evaluate/statistics/uncertainty.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace evaluate {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// A real number, all of `text`.
bool real_of(std::string_view text, double& out) {
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return !text.empty() && ec == std::errc() && ptr == end && std::isfinite(out);
}

}  // namespace

double uncertainty_of(const Uncertainty& u, double o) {
  const double a2 = u.alpha * u.alpha;
  return u.u * std::sqrt((1.0 - a2) * o * o + a2 * u.rv * u.rv);
}

double mean_square_uncertainty(const Uncertainty& u, double mean_square) {
  const double a2 = u.alpha * u.alpha;
  return u.u * u.u * ((1.0 - a2) * mean_square + a2 * u.rv * u.rv);
}

double uncertainty_of_mean(const Uncertainty& u, double mean) {
  const double a2 = u.alpha * u.alpha;
  return u.u * std::sqrt((1.0 - a2) * mean * mean / u.np + a2 * u.rv * u.rv / u.nnp);
}

std::span<const UncertaintyPreset> uncertainty_presets() {
  static const UncertaintyPreset kPresets[] = {
      {"no2", "hourly NO2", {0.24, 0.20, 200, 5.2, 5.5, 2, 99.8}},
      {"o3", "daily maximum 8-hour O3", {0.18, 0.79, 120, 11, 3, 2, 92.9}},
      {"pm10", "daily PM10", {0.28, 0.25, 50, 20, 1.5, 2, 90.1}},
      {"pm2.5", "daily PM2.5", {0.36, 0.50, 25, 20, 1.5, 2, 90.1}},
  };
  return kPresets;
}

std::string read_uncertainty(std::string_view text, Uncertainty& out) {
  for (const UncertaintyPreset& p : uncertainty_presets()) {
    if (p.name != text) continue;
    out = p.value;
    return {};
  }
  std::vector<double> v;
  while (true) {
    const std::size_t comma = text.find(',');
    double x = 0;
    if (!real_of(text.substr(0, comma), x)) break;
    v.push_back(x);
    if (comma == std::string_view::npos) {
      text = {};
      break;
    }
    text.remove_prefix(comma + 1);
  }
  if (!text.empty() || (v.size() != 3 && v.size() != 5)) {
    return "not a preset (no2, o3, pm10, pm2.5) nor U,ALPHA,RV[,NP,NNP]";
  }
  if (!(v[0] > 0.0 && v[0] <= 1.0)) return "U must be above 0 and at most 1";
  if (!(v[1] >= 0.0 && v[1] <= 1.0)) return "ALPHA must be from 0 to 1";
  if (!(v[2] > 0.0)) return "RV must be above 0";
  if (v.size() == 5 && !(v[3] > 0.0 && v[4] > 0.0)) return "NP and NNP must be above 0";
  out = Uncertainty{};
  out.u = v[0];
  out.alpha = v[1];
  out.rv = v[2];
  if (v.size() == 5) {
    out.np = v[3];
    out.nnp = v[4];
  }
  return {};
}

double groups_percentile90(std::vector<double> values) {
  if (values.empty()) return kNan;
  std::sort(values.begin(), values.end());
  const std::size_t s = values.size();
  if (s == 1) return values[0];
  const double at = 0.9 * static_cast<double>(s);
  const auto k = static_cast<std::size_t>(std::floor(at));
  const double d = at - static_cast<double>(k);
  return values[k - 1] + d * (values[k] - values[k - 1]);
}

}  // namespace evaluate
