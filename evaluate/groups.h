// Groups of combined lines that the measures are given for: all lines, each arc
// (by the value of its Arc column), stable hours (OBK > 0) and unstable hours
// (-99999 < OBK < 0). An hour with a missing Obukhov length (-99999.0 or below)
// or with OBK exactly 0 is in neither stability group.
#pragma once

#include <string_view>
#include <vector>

#include "evaluate/pairs.h"

namespace evaluate {

enum class GroupKind { all, arc, stable, unstable };

struct Group {
  GroupKind kind = GroupKind::all;
  float arc = 0.0f;  // the arc distance, km (arc groups only)
};

enum Stability : int { kStable = 0, kUnstable = 1, kNeither = 2 };

inline constexpr float kMissingObk = -99999.0f;

Stability stability_of(float obk);

// The distinct Arc values of `lines`, ascending (0.0 and -0.0 are one arc).
std::vector<float> arcs_of(const std::vector<CombinedLine>& lines);

// The groups in report order: all, each arc of arcs_of() ascending, stable, unstable.
std::vector<Group> groups_of(const std::vector<CombinedLine>& lines);

bool in_group(const Group& group, const CombinedLine& line);

std::string_view group_name(GroupKind kind);  // "all", "arc", "stable", "unstable"

}  // namespace evaluate
