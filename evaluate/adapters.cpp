#include "evaluate/adapters.h"

#include <cmath>

#include "evaluate/tidy.h"
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
  if (!stratum.is_arc) return stratum.label;
  static const records::Layout layout("(f12.2)");
  std::string text = records::format(layout, {stratum.arc});
  const auto first = text.find_first_not_of(' ');
  return first == std::string::npos ? text : text.substr(first);
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
  if (ev.criteria == Criteria::rural)
    in.region = {0.7, 1.3, 4.0};
  else
    in.region = {kNan, kNan, kNan};
  return in;
}

MeasurePlotInput fb_nmse_input(const Evaluation& ev) {
  MeasurePlotInput in = measure_input(ev, kFb, kNmse);
  if (ev.criteria == Criteria::rural)
    in.region = {-0.3, 0.3, 1.5};
  else
    in.region = {-0.67, 0.67, 6.0};
  return in;
}

PageInput page_input(std::string_view title,
                     const std::vector<std::pair<std::string, std::string>>& facts,
                     const std::vector<std::string>& remarks, const Evaluation& ev) {
  PageInput in;
  in.title = std::string(title);
  in.facts = facts;
  in.remarks = remarks;
  in.criteria = std::string(criteria_name(ev.criteria));
  for (int k = 0; k < kMeasures; ++k) {
    if (judged(ev.criteria, k)) in.judged.emplace_back(measure_name(k));
  }
  in.rows = tidy_rows(ev);
  return in;
}

}  // namespace evaluate
