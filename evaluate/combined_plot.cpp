#include "evaluate/combined_plot.h"

#include <algorithm>
#include <charconv>

#include "evaluate/groups.h"

namespace evaluate {
namespace {

constexpr std::string_view kCaption[kQuantities] = {
    "CY/Q: crosswind-integrated value over the emission rate",
    "CMAX/Q: centreline maximum over the emission rate"};
constexpr std::string_view kUnit[kQuantities] = {"10^-6 s/m^2", "10^-6 s/m^3"};

std::string arc_label(float arc) {
  char buf[32];
  auto [end, ec] =
      std::to_chars(buf, buf + sizeof buf, static_cast<double>(arc), std::chars_format::fixed, 2);
  return ec == std::errc() ? std::string(buf, end) : "?";
}

}  // namespace

PairPlotInput combined_plot_input(const std::vector<CombinedLine>& lines) {
  PairPlotInput input;
  for (int m = 0; m < kModels; ++m) input.models.emplace_back(model_name(m));
  const std::vector<float> arcs = arcs_of(lines);
  for (float arc : arcs) input.groups.push_back(arc_label(arc));
  input.groups_are_arcs = true;
  input.has_obk = true;
  for (int q = 0; q < kQuantities; ++q) {
    PairPanel& panel = input.panels.emplace_back();
    panel.quantity = std::string(quantity_name(q));
    panel.caption = std::string(kCaption[q]);
    panel.unit = std::string(kUnit[q]);
    for (const CombinedLine& line : lines) {
      // arcs_of() holds every Arc value (0.0 and -0.0 as one), so the search finds it.
      const int group =
          static_cast<int>(std::lower_bound(arcs.begin(), arcs.end(), line.arc) - arcs.begin());
      for (int m = 0; m < kModels; ++m) {
        if (line.state[m][q] != PairState::valid) continue;
        panel.pairs.push_back({m, group, line.obk, line.observed[q], line.predicted[m][q]});
      }
    }
  }
  return input;
}

}  // namespace evaluate
