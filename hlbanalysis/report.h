// The report "HolmbyOBSAnalysis.txt": two header lines, then one line per arc.
//
// A line carries the experiment, the YYMMDDHHMM stamp read from the block's keys,
// the duration (10 min), the fit's mean distance, Q, the concentration results
// divided by 1000.0, their ratios to Q, Sy, and the plume direction turned by
// 92 degrees.
#pragma once

#include <string>
#include <string_view>

#include "arcstats/fit_outcome.h"
#include "hlbanalysis/arc_reader.h"
#include "records/records.h"

namespace hlbanalysis {

inline constexpr std::string_view kReportName = "HolmbyOBSAnalysis.txt";
inline constexpr int kDuration = 10;              // minutes per sample
inline constexpr float kDirectionOffset = 92.0f;  // degrees taken off the fitted direction
inline constexpr float kConcDivisor = 1000.0f;    // file unit to 10^-6 g/m^3

// Layouts of the report and of the key reads, parsed once per run.
struct ReportLayouts {
  records::Layout header{
      "(20x,'  DUR     Dist         Q         OMAX         CMAX          CY         CMAX/Q       "
      "CY/Q             Sy         PHIC',/,4x,' Exp  YYMMDDHHMM (min)     (m)       (g/s)  "
      "(10^-6 g/m^3)(10^-6 g/m^3)(10^-6 s/m^2)(10^-6 s/m^3)(10^-6 s/m^2)       (m)      "
      "(degrees)')"};
  records::Layout line{"(3x,i5,2x,5i2.2,2x,i2,f10.2,3x,f10.2,5(3x,1pe10.4),2x,0pf12.3,f12.3)"};
  records::Layout date_key{"(1x,i2,1x,i2,1x,i2)"};
  records::Layout time_key{"(2i2)"};
};

// Date and time of a block as the report stamps it.
struct Stamp {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

// The values of the columns after Q, as written.
using Columns = arcstats::ArcColumns;

// Turns a fitted direction by the offset: subtracts 92.0, then 360.0 while the
// result exceeds 360.0 (a result below zero stays as it is).
float turn_direction(float PHIC);

// Report columns from one fit. When the fit did not reach the arc, Dist, CMAX, CY,
// Sy, PHIC and both ratios carry the marks, undivided and unturned; a fit without
// a CMAX gives -99.0 in CMAX/Q. OMAX is always divided by 1000.0. A zero Q gives
// -99.0 in both ratios. Every quotient is rounded once.
Columns report_columns(const arcstats::ArcFit& fit, float Q);

// Reads month, day and year from the date key and hour and minutes from the time
// key. A key whose number columns do not hold digits ends the run (RunError naming
// the arc file, `key_line` and the key field).
Stamp read_stamp(const ReportLayouts& layouts, const Mainn& mainn, std::string_view arc_file,
                 long key_line);

void write_header(records::OutputFile& report, const ReportLayouts& layouts);

// One report line, without its line end.
std::string format_line(const ReportLayouts& layouts, int NEXP, const Stamp& stamp, float Q,
                        const Columns& columns);

// Writes one report line; a line with a value that is not finite is not written:
// RunError kBeyondFloatRange (status 2) naming `block`, the block's first record.
void write_line(records::OutputFile& report, const ReportLayouts& layouts, int NEXP,
                const Stamp& stamp, float Q, const Columns& columns, const records::Origin& block);

}  // namespace hlbanalysis
