#include "evaluate/pictures/pair_input.h"

#include <cmath>

#include "evaluate/input/groups.h"
#include "evaluate/pictures/shown_groups.h"

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
  // Counted first, so that each panel's pairs are held once, without room to spare.
  std::vector<std::size_t> counts(in.panels.size());
  for (const Block& block : study.blocks) {
    for (std::size_t k = 0; k < block.nq(); ++k) {
      std::size_t& n = counts[static_cast<std::size_t>(block.quantities[k])];
      for (std::size_t i = 0; i < block.size(); ++i) {
        for (int m = 0; m < nm; ++m) n += block.pair_state(i, k, m) == PairState::valid ? 1 : 0;
      }
    }
  }
  for (std::size_t q = 0; q < in.panels.size(); ++q) in.panels[q].pairs.reserve(counts[q]);
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

PairPlotInput pair_plot_input(const Study& study, const Evaluation& ev) {
  PairPlotInput in = pair_plot_input(study);
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
