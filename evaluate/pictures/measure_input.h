// The input of the measure diagrams (MG-VG, FB-NMSE) from an evaluation.
#pragma once

#include "evaluate/pictures/diagrams.h"
#include "evaluate/statistics/evaluation.h"

namespace evaluate {

// The all-lines values with their limits per model, and each arc's or label's value,
// of MG (x) and VG (y), or of FB (x) and NMSE (y); the acceptance region of the
// evaluation's criteria on those axes.
MeasurePlotInput mg_vg_input(const Evaluation& ev);
MeasurePlotInput fb_nmse_input(const Evaluation& ev);

}  // namespace evaluate
