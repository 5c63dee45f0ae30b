// The input of the Taylor and target diagrams from an evaluation: each model's
// means, standard deviations and correlation over all lines and per arc or label,
// and, with a measurement uncertainty, the quality objective's values.
#pragma once

#include "evaluate/pictures/diagrams.h"
#include "evaluate/statistics/evaluation.h"

namespace evaluate {

// The points of every quantity without a measurement uncertainty (the plain mode).
SkillPlotInput skill_input(const Evaluation& ev);

// Turns the panels of the quantities with a measurement uncertainty into the
// objective mode: beta, beta RMS_U of every point, and each model's MQI90 and count
// of groups above 1 (from the group all); the other panels stay in the plain mode.
void add_quality_objective(SkillPlotInput& input, const Evaluation& ev);

}  // namespace evaluate
