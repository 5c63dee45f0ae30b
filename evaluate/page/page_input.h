// The input of the evaluation page from the table's input facts and an evaluation.
#pragma once

#include <string>

#include "evaluate/page/page.h"
#include "evaluate/pictures/diagrams.h"
#include "evaluate/statistics/evaluation.h"
#include "evaluate/tables/report.h"

namespace evaluate {

// The page's inputs: the title ("Model evaluation: <file>"), facts about the input
// and the run (file, lines, count lines, models, quantities, groups, bootstrap,
// criteria), the remarks, the criteria set and its judged measures, and every
// statistic as tidy rows, the units of each quantity as the column heads give them
// ("10^-6 s/m^2" as "10⁻⁶ s/m²"; none given: "units of the input"). The diagrams are
// added by the caller once drawn.
PageInput page_input(const ReportInput& input, const Evaluation& ev);

// The page's figure of a picture the run writes: a caption that says what is plotted
// and the section whose tables it illustrates (the MG-VG diagram is the main one,
// shown in the summary).
PageDiagram page_diagram(const OutputFile& file, std::string svg, const Evaluation& ev);

// A unit in the page's notation: "^" and a whole power as a superscript, "-" before
// digits as a minus sign ("10^-6 s/m^2" as "10⁻⁶ s/m²").
std::string unit_notation(std::string_view unit);

}  // namespace evaluate
