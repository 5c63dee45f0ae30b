// The arc and label groups that the page and the pictures name one by one when a
// study has many: per quantity, the kShownGroups that rank highest by MQI (with a
// measurement uncertainty) or |FB| (without), the largest value over the models;
// the rest are summarised. The groups all, stable and unstable are always shown.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "evaluate/statistics/evaluation.h"

namespace evaluate {

inline constexpr std::size_t kShownGroups = 50;

// The arc and label groups of one quantity (indices into Evaluation::groups): those
// named one by one, in the order shown, and the rest, in group order. With at most
// kShownGroups of them, all are shown in group order and none is left.
struct GroupSelection {
  int measure = kFb;  // the measure ranked by: kMqi or kFb (by its magnitude)
  std::vector<std::size_t> shown;
  std::vector<std::size_t> rest;
  bool ranked() const { return !rest.empty(); }
};

// The measure a quantity's groups are ranked by, as a heading: "MQI" or "|FB|".
std::string_view ranked_by_name(const GroupSelection& selection);

// The selection of quantity q: the groups ranked by the largest value over the models
// (largest first), ties in group order, groups whose value no model forms last.
GroupSelection select_groups(const Evaluation& ev, std::size_t q);

// The selection of every quantity, in quantity order.
std::vector<GroupSelection> select_groups(const Evaluation& ev);

}  // namespace evaluate
