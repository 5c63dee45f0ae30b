// From an evaluation to the inputs of the diagrams and of the evaluation page, and
// the names of a run's output files. The stem is "TLV" for the combined table and
// the pairs file's name without its extension otherwise.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "evaluate/input/study.h"
#include "evaluate/page/page.h"
#include "evaluate/pictures/diagrams.h"
#include "evaluate/statistics/evaluation.h"
#include "evaluate/tables/report.h"

namespace evaluate {

struct OutputNames {
  std::string statistics;  // "<stem>-Model-Statistics.txt"
  std::string tidy;        // "<stem>-Model-Statistics.csv"
  std::string scatter;     // "<stem>-Scatter.svg"
  std::string qq;          // "<stem>-QQ.svg"
  std::string mg_vg;       // "<stem>-MG-VG.svg"
  std::string fb_nmse;     // "<stem>-FB-NMSE.svg"
  std::string residuals;   // "<stem>-Residuals.svg"
  std::string page;        // "<stem>-Evaluation.html"
};

OutputNames output_names(std::string_view stem);

// The group label of a stratum: an arc's distance (arc_distance_text, "0.50"), or the label.
std::string stratum_label(const Stratum& stratum);

// Every valid pair, per quantity, in line order with the models of a line next to each other.
PairPlotInput pair_plot_input(const Study& study);

// The all-lines values with their limits per model, and each arc's or label's value,
// of MG (x) and VG (y), or of FB (x) and NMSE (y); the acceptance region of the
// evaluation's criteria on those axes.
MeasurePlotInput mg_vg_input(const Evaluation& ev);
MeasurePlotInput fb_nmse_input(const Evaluation& ev);

// The page's inputs: the title ("Model evaluation: <file>"), facts about the input
// and the run (file, lines, count lines, models, quantities, groups, bootstrap,
// criteria), the remarks, the criteria set and its judged measures, and every
// statistic as tidy rows. The diagrams are added by the caller once drawn.
PageInput page_input(const ReportInput& input, const Evaluation& ev);

}  // namespace evaluate
