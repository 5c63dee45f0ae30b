// The geometry of a drawn SVG picture checked against the rules every picture keeps:
// - no two text boxes overlap (a box is 0.6 x font size x code points wide, from
//   0.8 x size above the baseline to 0.2 x size below it, placed by its text anchor;
//   text turned by a rotate transform is left aside);
// - inside a <g class="plot"> that opens with <rect class="frame">, every element
//   lies within the frame (0.5 px tolerance), a clipped group counting as inside when
//   its clip lies within the frame;
// - every font size is at least 0.0146 x the drawn width (7 pt at 170 mm);
// - the root is an image to assistive technology: role="img", aria-labelledby, a
//   <title> and a <desc>;
// - ids are unique.
// A small tolerant scanner reads the markup; it is meant for the pictures we draw.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// One broken rule: "overlap", "frame", "font", "accessible" or "id", and what breaks
// it (the element's text or start tag, and the numbers at fault).
struct SvgProblem {
  std::string rule;
  std::string what;
};

// Every broken rule of the picture `svg` (one <svg> element, standalone or inline).
std::vector<SvgProblem> svg_geometry_problems(std::string_view svg);

// The <svg ...>...</svg> elements of a page, in order.
std::vector<std::string> inline_svgs(std::string_view page);

// The ids given more than once in `markup` (each named once), and the ids that an
// aria-labelledby names but no element has.
std::vector<std::string> repeated_ids(std::string_view markup);
std::vector<std::string> missing_label_ids(std::string_view markup);

// The problems as lines "rule: what", for a test's failure message.
std::string describe(const std::vector<SvgProblem>& problems);

}  // namespace testsupport
