// The statistics table "TLV-Model-Statistics.txt": header lines stating the inputs,
// definitions and sign conventions, then one measure line per model, quantity and
// group and one difference line per quantity and group. Data lines are told apart
// by columns 1-13: "AERMOD", "ISCST3" (measure lines) or "AERMOD-ISCST3"
// (difference lines); every other line is explanation. The columns of both kinds
// are given by the layout strings below (and in evaluate/REPORT.md).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "evaluate/evaluation.h"
#include "evaluate/pairs.h"

namespace evaluate {

inline constexpr std::string_view kStatisticsFile = "TLV-Model-Statistics.txt";

// Texts are left-aligned. Measure line: model, quantity, group, arc (km, blank outside arc groups),
// Lines, ObsOut, ModUnread, ModNeg, N, Npos, Boot, MeanO, MeanP, SdO, SdP, R, then
// for FB, MG, NMSE, VG, FAC2 in turn: value, lower and upper 95% limit, acceptance
// mark (Y, N, or - when not formed). 326 columns.
inline constexpr std::string_view kMeasureLineLayout =
    "(a13,1x,a6,1x,a8,f8.2,7i7,1p,5e11.3,5(3e11.3,3x,a1))";

// Difference line: "AERMOD-ISCST3", quantity, group, arc, Lines, N of AERMOD, N of
// ISCST3, Boot, then for FB, ln MG, NMSE, ln VG, FAC2 in turn: AERMOD minus ISCST3,
// lower and upper 95% limit, significance mark (Y: the limits exclude zero, N, or -).
// 250 columns.
inline constexpr std::string_view kDifferenceLineLayout =
    "(a13,1x,a6,1x,a8,f8.2,4i7,1p,5(3e11.3,3x,a1))";

// The missing mark of a value that is not formed.
inline constexpr float kNotFormed = -99.0f;

// What the header says about the input.
struct ReportInput {
  std::string_view file;  // the combined table's name
  long combined_lines = 0;
  CountLines counts;
};

// The table's lines, without line ends. Reals are the double results rounded once
// to float and written under 1pe11.3; a value not formed is written as -99.0
// ("-9.900E+01"); one beyond the float range as eleven asterisks.
std::vector<std::string> report_lines(const ReportInput& input, const Evaluation& ev);

}  // namespace evaluate
