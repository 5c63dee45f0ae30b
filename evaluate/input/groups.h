// Groups of lines that the measures are given for: all lines, each stratum (an arc,
// by its distance, or a label), stable hours (OBK > 0) and unstable hours
// (-99999 < OBK < 0). An hour with a missing Obukhov length (-99999.0 or below) or
// with OBK exactly 0 is in neither stability group; a study without Obukhov
// lengths has no stability groups.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "evaluate/input/pairs.h"

namespace evaluate {

struct Study;
struct Stratum;

enum class GroupKind { all, arc, label, stable, unstable };

struct Group {
  GroupKind kind = GroupKind::all;
  std::uint32_t stratum = 0;  // arc and label groups: index into Study::strata
  float arc = 0.0f;           // arc groups: the distance, km
};

enum Stability : int { kStable = 0, kUnstable = 1, kNeither = 2 };

inline constexpr float kMissingObk = -99999.0f;

Stability stability_of(float obk);

// The distinct Arc values of `lines`, ascending (0.0 and -0.0 are one arc).
std::vector<float> arcs_of(const std::vector<CombinedLine>& lines);

// The groups in report order: all, each stratum in order, then stable and unstable
// when the study has Obukhov lengths.
std::vector<Group> groups_of(const Study& study);

// Whether a line of stratum `stratum` with Obukhov length `obk` is in `group`.
bool in_group(const Group& group, std::uint32_t stratum, float obk);

// The text of the Group column: "all", "arc", "stable", "unstable" or the label.
std::string group_text(const Group& group, const std::vector<Stratum>& strata);

}  // namespace evaluate
