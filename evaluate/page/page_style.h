// The evaluation page's style sheet: the screen layout (tables that scroll sideways
// in narrow windows, marks by colour and text) and the print rules for A4 (sizes in
// points, narrow table letters, figures and small groups kept whole on a page,
// table heads repeated).
#pragma once

#include <string_view>

namespace evaluate {

std::string_view page_style();

}  // namespace evaluate
