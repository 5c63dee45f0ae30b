// The statistics table "<stem>-Model-Statistics.txt" ("TLV-Model-Statistics.txt"
// for the combined table): header lines stating the inputs, definitions and sign
// conventions, then sections. The first: one measure line per quantity, group and
// model and one difference line per quantity, group and pair of models. Each later
// section (measures.h: later_sections()) follows, its model lines and then its
// difference lines, each part after an empty line and a title line that names the
// section ("Operational statistics per quantity, group and model"). Data lines are
// told apart by columns 1-13: a model's name (measure lines) or two names joined by
// "-" (difference lines, "AERMOD-ISCST3"); every other line is explanation. A data
// line belongs to the last title line above it, a title line being the line after
// an empty line. The columns of every kind are given by the layout strings below
// (and in evaluate/tlvstats.md).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "evaluate/input/combined_table.h"
#include "evaluate/statistics/evaluation.h"

namespace evaluate {

// Texts are left-aligned. Measure line: model, quantity, group, arc (km, blank
// outside arc groups), Lines, ObsOut, ModUnr, ModNeg, N, Npos, Boot, the measures
// without limits (MeanO, MeanP, SdO, SdP, R), then for each measure with limits (FB,
// MG, NMSE, VG, FAC2, NAD, RHCo, RHCp and RHCp/RHCo) in turn: value, lower and upper
// 95% limit, mark (Y met, N not met, - not formed or no limits, . not judged), all
// in table order: "(a13,1x,a6,1x,a8,f8.2,7i7,1p,5e11.3,9(3e11.3,3x,a1))", 474 columns.
std::string measure_line_layout();

// Difference line: "A-B", quantity, group, arc, Lines, N of A, N of B, Boot, then
// for each measure with a difference (dFB, dlnMG, dNMSE, dlnVG, dFAC2, dNAD and
// dlnRHC) in turn: A minus B on the lines where both are valid, lower and upper 95%
// limit, significance mark (Y: the limits exclude zero, N, or -), and last N.both:
// "(a13,1x,a6,1x,a8,f8.2,4i7,1p,7(3e11.3,3x,a1),i7)", 331 columns.
std::string difference_line_layout();

// A line of a later section: the model (or "A-B"), quantity, group, arc, N (N.both
// on a difference line), Boot, then per measure of the section (per difference)
// value, lower and upper 95% limit and mark (Ok: as on a measure line; Sig: as on a
// difference line): "(a13,1x,a6,1x,a8,f8.2,2i7,1p,K(3e11.3,3x,a1))".
std::string section_line_layout(Section section, bool differences);
// The layout of the exceedance section's model lines (with the counts) or difference
// lines.
std::string exceedance_line_layout(bool differences);

// The missing mark of a value that is not formed.
inline constexpr float kNotFormed = -99.0f;

// What the header says about the input.
struct ReportInput {
  std::string_view file;             // the input's name
  long lines = 0;                    // data lines read
  std::optional<CountLines> counts;  // the combined table's count lines
  std::vector<std::string> pairs;    // lines saying where the pairs come from
  std::vector<std::string> remarks;  // e.g. an incomplete table
  bool combined = true;              // the input is the combined table
};

// The table's lines, without line ends. Reals are the double results rounded once
// to float and written under 1pe11.3; a value not formed is written as -99.0
// ("-9.900E+01"); one beyond the float range as a blank and ten asterisks.
std::vector<std::string> report_lines(const ReportInput& input, const Evaluation& ev);

// The remark on a combined table with fewer than three count lines ("no count
// lines: the table may be incomplete"); empty when all three are there.
std::string incomplete_table_remark(const CountLines& counts);

}  // namespace evaluate
