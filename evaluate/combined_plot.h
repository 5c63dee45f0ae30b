// The pictures' input from the combined table: both models, both quantities, the
// arcs as groups and the hours' Obukhov lengths.
#pragma once

#include <vector>

#include "evaluate/diagrams.h"
#include "evaluate/pairs.h"

namespace evaluate {

// Models AERMOD and ISCST3; panels CY/Q and CMAX/Q; groups the distinct arcs
// ascending ("0.50" km); every valid pair, line by line, AERMOD's before ISCST3's.
PairPlotInput combined_plot_input(const std::vector<CombinedLine>& lines);

}  // namespace evaluate
