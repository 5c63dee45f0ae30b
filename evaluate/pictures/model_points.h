// The points the model diagrams draw from an evaluation: per quantity, each model's
// result over all lines and each model's result per arc or label group.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "evaluate/pictures/pair_input.h"
#include "evaluate/pictures/shown_groups.h"
#include "evaluate/statistics/evaluation.h"

namespace evaluate {

// One panel per quantity of `ev`, its `quantity` set to the quantity's name, filled
// in group order and, within a group, model order: all(panel, m, result) for the
// group "all" and group(panel, m, result, label) for each arc or label group (label
// as stratum_label gives it); the stability groups are passed over.
template <class Panel, class All, class Group>
std::vector<Panel> panels_of(const Evaluation& ev, All&& all, Group&& group) {
  std::vector<Panel> panels(ev.quantities.size());
  for (std::size_t q = 0; q < panels.size(); ++q) {
    panels[q].quantity = ev.quantities[q].name;
    std::vector<bool> labelled(ev.groups.size(), true);
    for (std::size_t g : select_groups(ev, q).rest) labelled[g] = false;
    for (std::size_t g = 0; g < ev.groups.size(); ++g) {
      const GroupKind kind = ev.groups[g].kind;
      for (std::size_t m = 0; m < ev.models.size(); ++m) {
        const ModelGroupResult& r = ev.results[q][g].models[m];
        if (kind == GroupKind::all) {
          all(panels[q], m, r);
        } else if (kind == GroupKind::arc || kind == GroupKind::label) {
          group(panels[q], m, r, stratum_label(ev.strata[ev.groups[g].stratum]), labelled[g]);
        }
      }
    }
  }
  return panels;
}

}  // namespace evaluate
