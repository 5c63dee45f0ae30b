#include "evaluate/pictures/measure_input.h"

#include "evaluate/pictures/pair_input.h"

namespace evaluate {
namespace {

MeasurePlotInput measure_input(const Evaluation& ev, int x_measure, int y_measure) {
  MeasurePlotInput in;
  in.models = ev.models;
  in.criteria = std::string(criteria_name(ev.criteria));
  for (std::size_t q = 0; q < ev.quantities.size(); ++q) {
    MeasurePanel panel;
    panel.quantity = ev.quantities[q].name;
    for (std::size_t g = 0; g < ev.groups.size(); ++g) {
      const Group& group = ev.groups[g];
      for (std::size_t m = 0; m < ev.models.size(); ++m) {
        const ModelGroupResult& r = ev.results[q][g].models[m];
        if (group.kind == GroupKind::all) {
          ModelMeasurePoint p;
          p.model = static_cast<int>(m);
          p.x = {r.value[x_measure], r.limits[x_measure].lower, r.limits[x_measure].upper};
          p.y = {r.value[y_measure], r.limits[y_measure].lower, r.limits[y_measure].upper};
          panel.models.push_back(p);
        } else if (group.kind == GroupKind::arc || group.kind == GroupKind::label) {
          panel.groups.push_back({static_cast<int>(m), stratum_label(ev.strata[group.stratum]),
                                  r.value[x_measure], r.value[y_measure]});
        }
      }
    }
    in.panels.push_back(std::move(panel));
  }
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
