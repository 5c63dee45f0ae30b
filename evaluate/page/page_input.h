// The input of the evaluation page from the table's input facts and an evaluation.
#pragma once

#include "evaluate/page/page.h"
#include "evaluate/statistics/evaluation.h"
#include "evaluate/tables/report.h"

namespace evaluate {

// The page's inputs: the title ("Model evaluation: <file>"), facts about the input
// and the run (file, lines, count lines, models, quantities, groups, bootstrap,
// criteria), the remarks, the criteria set and its judged measures, and every
// statistic as tidy rows. The diagrams are added by the caller once drawn.
PageInput page_input(const ReportInput& input, const Evaluation& ev);

}  // namespace evaluate
