#include "evaluate/input/groups.h"

#include <algorithm>

#include "evaluate/input/study.h"

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

std::vector<Group> groups_of(const Study& study) {
  std::vector<Group> groups;
  groups.push_back({GroupKind::all, 0, 0.0f});
  for (std::size_t s = 0; s < study.strata.size(); ++s) {
    const Stratum& st = study.strata[s];
    groups.push_back({st.is_arc ? GroupKind::arc : GroupKind::label, static_cast<std::uint32_t>(s),
                      st.is_arc ? st.arc : 0.0f});
  }
  if (study.has_obk) {
    groups.push_back({GroupKind::stable, 0, 0.0f});
    groups.push_back({GroupKind::unstable, 0, 0.0f});
  }
  return groups;
}

bool in_group(const Group& group, std::uint32_t stratum, float obk) {
  switch (group.kind) {
    case GroupKind::all:
      return true;
    case GroupKind::arc:
    case GroupKind::label:
      return stratum == group.stratum;
    case GroupKind::stable:
      return stability_of(obk) == kStable;
    case GroupKind::unstable:
      return stability_of(obk) == kUnstable;
  }
  return false;
}

std::string group_text(const Group& group, const std::vector<Stratum>& strata) {
  switch (group.kind) {
    case GroupKind::all:
      return "all";
    case GroupKind::arc:
      return "arc";
    case GroupKind::label:
      return strata[group.stratum].label;
    case GroupKind::stable:
      return "stable";
    case GroupKind::unstable:
      return "unstable";
  }
  return "";
}

}  // namespace evaluate
