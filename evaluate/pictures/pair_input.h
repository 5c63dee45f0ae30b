// The input of the pair pictures (scatter, quantile-quantile, residuals): every
// valid pair of a study, and the label of each of its arcs or groups.
#pragma once

#include <string>

#include "evaluate/input/study.h"
#include "evaluate/pictures/diagrams.h"
#include "evaluate/statistics/evaluation.h"

namespace evaluate {

// The group label of a stratum: an arc's distance with two decimals ("0.50"), or the label.
std::string stratum_label(const Stratum& stratum);

// Every valid pair, per quantity, in line order with the models of a line next to each other.
PairPlotInput pair_plot_input(const Study& study);
// The same pairs, read from `study` each time they are visited (not held: `study`
// must outlive the input and keep its blocks), each panel's shown_groups set from
// `ev` (the evaluation of `study`) when its quantity has more arc or label groups than
// are named one by one.
PairPlotInput pair_plot_input(const Study& study, const Evaluation& ev);

}  // namespace evaluate
