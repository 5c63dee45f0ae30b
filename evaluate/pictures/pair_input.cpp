#include "evaluate/pictures/pair_input.h"

#include <cmath>

#include "evaluate/input/groups.h"

namespace evaluate {

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

}  // namespace evaluate
