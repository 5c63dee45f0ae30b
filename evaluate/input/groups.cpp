#include "evaluate/input/groups.h"

#include <charconv>

#include "evaluate/input/study.h"

namespace evaluate {

Stability stability_of(float obk) {
  if (obk > 0.0f) return kStable;
  if (obk < 0.0f && obk > kMissingObk) return kUnstable;
  return kNeither;
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

std::string arc_distance_text(float km) {
  char buf[64];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, km);
  if (ec != std::errc()) return "?";
  std::string s(buf, end);
  if (s.find_first_of("eE") != std::string::npos) return s;
  const std::size_t dot = s.find('.');
  const std::size_t decimals = dot == std::string::npos ? 0 : s.size() - dot - 1;
  if (dot == std::string::npos) s += '.';
  if (decimals < 2) s.append(2 - decimals, '0');
  return s;
}

}  // namespace evaluate
