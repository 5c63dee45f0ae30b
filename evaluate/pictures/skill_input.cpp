#include "evaluate/pictures/skill_input.h"

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
      [&](SkillPanel& panel, std::size_t m, const ModelGroupResult& r, std::string label) {
        panel.groups.push_back(skill_point(r, m, std::move(label)));
      });
  return in;
}

void add_quality_objective(SkillPlotInput& input, const Evaluation& ev) {
  // Once the evaluation holds the quality objective, per quantity q with an
  // uncertainty: panel.beta = beta; every point's beta_rms_u = beta * RMS_U of its
  // model and group (models: the group "all"; groups: the arcs and labels, in the
  // order skill_input() visits them: group by group, model by model within one);
  // panel.objectives = {model, MQI90, groups_above_1} per model, from the group "all".
  static_cast<void>(input);
  static_cast<void>(ev);
}

}  // namespace evaluate
