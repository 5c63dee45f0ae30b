#include "evaluate/pictures/pair_input.h"

#include <cmath>

#include "evaluate/input/groups.h"
#include "evaluate/pictures/shown_groups.h"

namespace evaluate {

std::string stratum_label(const Stratum& stratum) {
  return stratum.is_arc ? arc_distance_text(stratum.arc) : stratum.label;
}

namespace {

// The input's models, groups and panels, without the pairs.
PairPlotInput plot_input_frame(const Study& study) {
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
  return in;
}

// Passes every valid pair of quantity q in the study's blocks to `visit`, in line
// order with the models of a line next to each other.
void visit_pairs(const Study& study, std::size_t q, const PairList::Visitor& visit) {
  const int nm = static_cast<int>(study.models.size());
  for (const Block& block : study.blocks) {
    for (std::size_t k = 0; k < block.nq(); ++k) {
      if (static_cast<std::size_t>(block.quantities[k]) != q) continue;
      for (std::size_t i = 0; i < block.size(); ++i) {
        for (int m = 0; m < nm; ++m) {
          if (block.pair_state(i, k, m) != PairState::valid) continue;
          visit({m, static_cast<int>(block.stratum[i]), study.has_obk ? block.obk[i] : NAN,
                 block.co(i, k), block.cp(i, k, m)});
        }
      }
    }
  }
}

}  // namespace

PairPlotInput pair_plot_input(const Study& study) {
  PairPlotInput in = plot_input_frame(study);
  for (std::size_t q = 0; q < in.panels.size(); ++q) {
    // Counted first, so that each panel's pairs are held once, without room to spare.
    std::size_t count = 0;
    visit_pairs(study, q, [&count](const PlotPair&) { ++count; });
    PairList& pairs = in.panels[q].pairs;
    pairs.reserve(count);
    visit_pairs(study, q, [&pairs](const PlotPair& p) { pairs.push_back(p); });
  }
  return in;
}

PairPlotInput pair_plot_input(const Study& study, const Evaluation& ev) {
  PairPlotInput in = plot_input_frame(study);
  for (std::size_t q = 0; q < in.panels.size(); ++q) {
    in.panels[q].pairs =
        PairList([&study, q](const PairList::Visitor& visit) { visit_pairs(study, q, visit); });
  }
  for (std::size_t q = 0; q < in.panels.size() && q < ev.quantities.size(); ++q) {
    const GroupSelection selection = select_groups(ev, q);
    if (!selection.ranked()) continue;
    for (std::size_t g : selection.shown) {
      in.panels[q].shown_groups.push_back(static_cast<int>(ev.groups[g].stratum));
    }
  }
  return in;
}

}  // namespace evaluate
