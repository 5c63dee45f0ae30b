#include "evaluate/pictures/skill_input.h"

#include <cmath>

#include "evaluate/pictures/model_points.h"

namespace evaluate {
namespace {

SkillPoint skill_point(const ModelGroupResult& r, std::size_t model, std::string label) {
  SkillPoint p;
  p.model = static_cast<int>(model);
  p.label = std::move(label);
  p.mean_o = r.value[kMeanO];
  p.mean_p = r.value[kMeanP];
  p.sd_o = r.value[kSdO];
  p.sd_p = r.value[kSdP];
  p.r = r.value[kR];
  return p;
}

}  // namespace

SkillPlotInput skill_input(const Evaluation& ev) {
  SkillPlotInput in;
  in.models = ev.models;
  in.panels = panels_of<SkillPanel>(
      ev,
      [&](SkillPanel& panel, std::size_t m, const ModelGroupResult& r) {
        panel.models.push_back(skill_point(r, m, {}));
      },
      [&](SkillPanel& panel, std::size_t m, const ModelGroupResult& r, std::string label,
          bool labelled) {
        panel.groups.push_back(skill_point(r, m, std::move(label)));
        panel.groups.back().labelled = labelled;
      });
  return in;
}

void add_quality_objective(SkillPlotInput& input, const Evaluation& ev) {
  for (std::size_t q = 0; q < input.panels.size() && q < ev.uncertainty.size(); ++q) {
    if (!ev.uncertainty[q]) continue;
    const double beta = ev.uncertainty[q]->beta;
    SkillPanel& panel = input.panels[q];
    panel.beta = beta;
    // The points in the order skill_input() made them: models of the group "all";
    // group by group, model by model, for the arcs and labels.
    std::size_t at_group = 0;
    for (std::size_t g = 0; g < ev.groups.size(); ++g) {
      const GroupKind kind = ev.groups[g].kind;
      for (std::size_t m = 0; m < ev.models.size(); ++m) {
        const ModelGroupResult& r = ev.results[q][g].models[m];
        if (kind == GroupKind::all) {
          panel.models[m].beta_rms_u = beta * r.value[kRmsU];
          const double above = r.value[kGroupsAbove1];
          panel.objectives.push_back({static_cast<int>(m), r.value[kMqi90],
                                      std::isfinite(above) ? static_cast<long>(above) : -1});
        } else if (kind == GroupKind::arc || kind == GroupKind::label) {
          panel.groups[at_group++].beta_rms_u = beta * r.value[kRmsU];
        }
      }
    }
  }
}

}  // namespace evaluate
