#include "evaluate/pictures/shown_groups.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "evaluate/pictures/diagrams.h"

namespace evaluate {

std::string_view ranked_by_name(const GroupSelection& selection) {
  return selection.measure == kMqi ? "MQI" : "|FB|";
}

GroupSelection select_groups(const Evaluation& ev, std::size_t q) {
  GroupSelection out;
  const bool objective = q < ev.uncertainty.size() && ev.uncertainty[q].has_value();
  out.measure = objective ? kMqi : kFb;
  struct Ranked {
    std::size_t group;
    double value;  // NaN: no model forms it
  };
  std::vector<Ranked> ranked;
  for (std::size_t g = 0; g < ev.groups.size(); ++g) {
    const GroupKind kind = ev.groups[g].kind;
    if (kind != GroupKind::arc && kind != GroupKind::label) continue;
    double largest = NAN;
    for (const ModelGroupResult& r : ev.results[q][g].models) {
      const double v = std::fabs(static_cast<double>(r.value[out.measure]));
      if (!std::isnan(v) && !(v <= largest)) largest = v;
    }
    ranked.push_back({g, largest});
  }
  if (ranked.size() <= kShownGroups) {
    for (const Ranked& r : ranked) out.shown.push_back(r.group);
    return out;
  }
  std::stable_sort(ranked.begin(), ranked.end(), [](const Ranked& a, const Ranked& b) {
    if (std::isnan(b.value)) return !std::isnan(a.value);
    return a.value > b.value;
  });
  for (std::size_t k = 0; k < ranked.size(); ++k) {
    (k < kShownGroups ? out.shown : out.rest).push_back(ranked[k].group);
  }
  std::sort(out.rest.begin(), out.rest.end());
  return out;
}

std::vector<GroupSelection> select_groups(const Evaluation& ev) {
  std::vector<GroupSelection> out;
  for (std::size_t q = 0; q < ev.quantities.size(); ++q) out.push_back(select_groups(ev, q));
  return out;
}

std::string unlabelled_note() {
  return "With more than " + std::to_string(kShownGroups) + " arcs or groups, only the " +
         std::to_string(kShownGroups) +
         " that the page names (the largest MQI, else |FB|, over the models) are labelled; the "
         "others are drawn as smaller, lighter markers without labels.";
}

std::string thinned_note(std::size_t unlabelled) {
  if (unlabelled <= kMaxPanelPoints) return {};
  return "Subsample: " + grouped(kMaxPanelPoints) + " of the " + grouped(unlabelled) +
         " unlabelled markers drawn, evenly spaced in group order.";
}

}  // namespace evaluate
