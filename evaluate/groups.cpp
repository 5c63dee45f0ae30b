#include "evaluate/groups.h"

#include <algorithm>

namespace evaluate {

Stability stability_of(float obk) {
  if (obk > 0.0f) return kStable;
  if (obk < 0.0f && obk > kMissingObk) return kUnstable;
  return kNeither;
}

std::vector<float> arcs_of(const std::vector<CombinedLine>& lines) {
  std::vector<float> arcs;
  arcs.reserve(lines.size());
  for (const CombinedLine& line : lines) arcs.push_back(line.arc == 0.0f ? 0.0f : line.arc);
  std::sort(arcs.begin(), arcs.end());
  arcs.erase(std::unique(arcs.begin(), arcs.end()), arcs.end());
  return arcs;
}

std::vector<Group> groups_of(const std::vector<CombinedLine>& lines) {
  std::vector<Group> groups;
  groups.push_back({GroupKind::all, 0.0f});
  for (float arc : arcs_of(lines)) groups.push_back({GroupKind::arc, arc});
  groups.push_back({GroupKind::stable, 0.0f});
  groups.push_back({GroupKind::unstable, 0.0f});
  return groups;
}

bool in_group(const Group& group, const CombinedLine& line) {
  switch (group.kind) {
    case GroupKind::all:
      return true;
    case GroupKind::arc:
      return line.arc == group.arc;
    case GroupKind::stable:
      return stability_of(line.obk) == kStable;
    case GroupKind::unstable:
      return stability_of(line.obk) == kUnstable;
  }
  return false;
}

std::string_view group_name(GroupKind kind) {
  switch (kind) {
    case GroupKind::all:
      return "all";
    case GroupKind::arc:
      return "arc";
    case GroupKind::stable:
      return "stable";
    case GroupKind::unstable:
      return "unstable";
  }
  return "";
}

}  // namespace evaluate
