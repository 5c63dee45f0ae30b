#include "evaluate/pictures/adapters.h"

#include <cmath>

#include "evaluate/tables/tidy.h"
#include "records/records.h"

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

constexpr double kNan = NAN;

}  // namespace

OutputNames output_names(std::string_view stem) {
  const std::string s(stem);
  return {s + "-Model-Statistics.txt",
          s + "-Model-Statistics.csv",
          s + "-Scatter.svg",
          s + "-QQ.svg",
          s + "-MG-VG.svg",
          s + "-FB-NMSE.svg",
          s + "-Residuals.svg",
          s + "-Evaluation.html"};
}

std::string stratum_label(const Stratum& stratum) {
  return stratum.is_arc ? arc_distance_text(stratum.arc) : stratum.label;
}

PairPlotInput pair_plot_input(const Study& study) {
  PairPlotInput in;
  in.models = study.models;
  in.groups_are_arcs = true;
  for (const Stratum& s : study.strata) {
    in.groups.push_back(stratum_label(s));
    in.groups_are_arcs = in.groups_are_arcs && s.is_arc;
  }
  in.has_obk = study.has_obk;
  in.panels.resize(study.quantities.size());
  for (std::size_t q = 0; q < study.quantities.size(); ++q) {
    in.panels[q].quantity = study.quantities[q].name;
    in.panels[q].caption = study.quantities[q].caption;
    in.panels[q].unit = study.quantities[q].unit;
  }
  const int nm = static_cast<int>(study.models.size());
  for (const Block& block : study.blocks) {
    for (std::size_t k = 0; k < block.nq(); ++k) {
      PairPanel& panel = in.panels[static_cast<std::size_t>(block.quantities[k])];
      for (std::size_t i = 0; i < block.size(); ++i) {
        for (int m = 0; m < nm; ++m) {
          if (block.pair_state(i, k, m) != PairState::valid) continue;
          panel.pairs.push_back({m, static_cast<int>(block.stratum[i]),
                                 study.has_obk ? block.obk[i] : NAN, block.co(i, k),
                                 block.cp(i, k, m)});
        }
      }
    }
  }
  return in;
}

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

PageInput page_input(const ReportInput& input, const Evaluation& ev) {
  PageInput in;
  in.title = "Model evaluation: " + std::string(input.file);
  auto list = [](const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
    return out;
  };
  std::vector<std::string> quantities, groups;
  for (const Quantity& q : ev.quantities) quantities.push_back(q.name);
  for (const Group& g : ev.groups) {
    groups.push_back(g.kind == GroupKind::arc || g.kind == GroupKind::label
                         ? stratum_label(ev.strata[g.stratum]) +
                               (g.kind == GroupKind::arc ? " km" : "")
                         : group_text(g, ev.strata));
  }
  in.facts.emplace_back("Input", std::string(input.file));
  in.facts.emplace_back("Lines", std::to_string(input.lines));
  if (input.counts) {
    auto count = [](const std::optional<long>& c) {
      return c ? std::to_string(*c) : std::string("absent");
    };
    in.facts.emplace_back("Count lines", "ISC Zero Cy " + count(input.counts->isc_zero_cy) +
                                             ", Iaerobs " + count(input.counts->iaerobs) +
                                             ", iallthree " + count(input.counts->iallthree));
  }
  in.facts.emplace_back("Models", list(ev.models));
  in.facts.emplace_back("Quantities", list(quantities));
  in.facts.emplace_back("Groups", list(groups));
  in.facts.emplace_back("Bootstrap", std::to_string(ev.resamples) +
                                         (ev.resamples == 1 ? " resample" : " resamples") +
                                         ", seed " + std::to_string(ev.seed));
  in.facts.emplace_back("Criteria", std::string(criteria_name(ev.criteria)) + ": " +
                                        std::string(criteria_text(ev.criteria)));
  in.remarks = input.remarks;
  in.criteria = std::string(criteria_name(ev.criteria));
  for (int k = 0; k < kMeasures; ++k) {
    if (const Criterion* c = criterion_of(ev.criteria, k))
      in.judged.emplace_back(measure_name(k), c->text);
  }
  in.rows = tidy_rows(ev);
  return in;
}

}  // namespace evaluate
