#include "evaluate/pictures/measure_input.h"

#include "evaluate/pictures/model_points.h"

namespace evaluate {
namespace {

MeasurePlotInput measure_input(const Evaluation& ev, int x_measure, int y_measure) {
  MeasurePlotInput in;
  in.models = ev.models;
  in.criteria = std::string(criteria_name(ev.criteria));
  in.panels = panels_of<MeasurePanel>(
      ev,
      [&](MeasurePanel& panel, std::size_t m, const ModelGroupResult& r) {
        ModelMeasurePoint p;
        p.model = static_cast<int>(m);
        p.x = {r.value[x_measure], r.limits[x_measure].lower, r.limits[x_measure].upper};
        p.y = {r.value[y_measure], r.limits[y_measure].lower, r.limits[y_measure].upper};
        panel.models.push_back(p);
      },
      [&](MeasurePanel& panel, std::size_t m, const ModelGroupResult& r, std::string label,
          bool labelled) {
        panel.groups.push_back({static_cast<int>(m), std::move(label), r.value[x_measure],
                                r.value[y_measure], labelled});
      });
  return in;
}

}  // namespace

MeasurePlotInput mg_vg_input(const Evaluation& ev) {
  MeasurePlotInput in = measure_input(ev, kMg, kVg);
  if (const Criterion* mg = criterion_of(ev.criteria, kMg)) {
    in.region.x_lower = mg->lower;
    in.region.x_upper = mg->upper;
  }
  if (const Criterion* vg = criterion_of(ev.criteria, kVg)) in.region.y_upper = vg->upper;
  return in;
}

MeasurePlotInput fb_nmse_input(const Evaluation& ev) {
  MeasurePlotInput in = measure_input(ev, kFb, kNmse);
  if (const Criterion* fb = criterion_of(ev.criteria, kFb)) {
    in.region.x_lower = -fb->upper;
    in.region.x_upper = fb->upper;
  }
  if (const Criterion* nmse = criterion_of(ev.criteria, kNmse)) in.region.y_upper = nmse->upper;
  return in;
}

}  // namespace evaluate
