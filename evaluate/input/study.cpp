#include "evaluate/input/study.h"

#include <algorithm>

#include "evaluate/input/groups.h"

namespace evaluate {

Study study_of(const std::vector<CombinedLine>& lines, std::string source) {
  Study study;
  study.source = std::move(source);
  for (int m = 0; m < kModels; ++m) study.models.emplace_back(model_name(m));
  study.quantities = {
      {"CY/Q", "CY/Q: crosswind-integrated value over the emission rate", "10^-6 s/m^2"},
      {"CMAX/Q", "CMAX/Q: centreline maximum over the emission rate", "10^-6 s/m^3"}};
  const std::vector<float> arcs = arcs_of(lines);
  for (float arc : arcs) study.strata.push_back({true, arc, {}});
  study.has_obk = true;

  Block block;
  block.quantities = {kCy, kCmax};
  block.models = kModels;
  block.line.reserve(lines.size());
  for (const CombinedLine& l : lines) {
    block.line.push_back(l.line);
    const float arc = l.arc == 0.0f ? 0.0f : l.arc;
    block.stratum.push_back(
        static_cast<std::uint32_t>(std::lower_bound(arcs.begin(), arcs.end(), arc) - arcs.begin()));
    block.obk.push_back(l.obk);
    for (int q = 0; q < kQuantities; ++q) {
      block.observed.push_back(l.observed[q]);
      for (int m = 0; m < kModels; ++m) {
        block.predicted.push_back(l.predicted[m][q]);
        block.state.push_back(l.state[m][q]);
      }
    }
  }
  study.blocks.push_back(std::move(block));
  return study;
}

}  // namespace evaluate
