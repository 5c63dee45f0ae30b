// The two pictures, written as SVG text: "TLV-Scatter.svg" (observed against
// predicted, each pair a marker) and "TLV-QQ.svg" (sorted observed against sorted
// predicted), each with one log-log panel per quantity (CY/Q, CMAX/Q), both models
// in every panel, the 1:1 line and the factor-of-two lines, ticks at the decades,
// axis labels, a legend and a title. Pairs with a zero prediction cannot stand on
// log axes; each panel states how many it leaves out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "evaluate/pairs.h"

namespace evaluate {

inline constexpr std::string_view kScatterFile = "TLV-Scatter.svg";
inline constexpr std::string_view kQqFile = "TLV-QQ.svg";

// The decades an axis spans: 10^lo to 10^hi, the nearest decades strictly below
// min and strictly above max (both positive), so that a value on a decade is not
// drawn on the frame; an empty or unusable range gives 10^-1 to 10^1.
struct DecadeRange {
  int lo;
  int hi;
};
DecadeRange decade_range(double min, double max);

// Position of v (positive) on an axis of `range` drawn from pixel a (at 10^lo) to
// pixel b (at 10^hi).
double log_position(double v, DecadeRange range, double a, double b);

std::string scatter_svg(const std::vector<CombinedLine>& lines);
std::string qq_svg(const std::vector<CombinedLine>& lines);

}  // namespace evaluate
