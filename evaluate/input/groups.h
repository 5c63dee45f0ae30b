// Groups of lines that the measures are given for: all lines, each stratum (an arc,
// by its distance, or a label), stable hours (OBK > 0) and unstable hours
// (kMissingObk < OBK < 0). An hour with a missing Obukhov length (kMissingObk or
// below, or none at all) or with OBK exactly 0 is in neither stability group; a
// study without Obukhov lengths has no stability groups.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace evaluate {

struct Study;
struct Stratum;

enum class GroupKind { all, arc, label, stable, unstable };

struct Group {
  GroupKind kind = GroupKind::all;
  std::uint32_t stratum = 0;  // arc and label groups: index into Study::strata
  float arc = 0.0f;           // arc groups: the distance, km
};

// The Obukhov length (m) of an hour that has none: the meteorology's missing mark.
inline constexpr float kMissingObk = -99999.0f;

enum Stability : int { kStable = 0, kUnstable = 1, kNeither = 2 };

// The stability of an hour by its Obukhov length: stable above 0, unstable from
// kMissingObk to 0 (both excluded), neither for 0, kMissingObk and below, or NaN.
// The stability groups and the stability classes of the pictures both rest on it.
Stability stability_of(float obk);

// The groups in report order: all, each stratum in order, then stable and unstable
// when the study has Obukhov lengths.
std::vector<Group> groups_of(const Study& study);

// Whether a line of stratum `stratum` with Obukhov length `obk` is in `group`.
bool in_group(const Group& group, std::uint32_t stratum, float obk);

// The text of the Group column: "all", "arc", "stable", "unstable" or the label.
std::string group_text(const Group& group, const std::vector<Stratum>& strata);

// An arc distance (km) as the pictures and the page write it: the float's
// shortest decimal form with at least two decimals ("0.50", "1.00", "0.125"; an
// exponent form stays as it is).
std::string arc_distance_text(float km);

}  // namespace evaluate
