// The fixed names and record layouts of the results combiner. The layouts it
// shares with the other programs (the analysis report it reads, the model records,
// the combined table it writes) live in formats/.
//
// Layouts are parsed once per run: the driver makes one Layouts and hands it to
// every module that reads or writes a record.
#pragma once

#include <string_view>

#include "formats/analysis_report.h"
#include "formats/combined_table.h"
#include "formats/model_record.h"
#include "records/records.h"

namespace combine {

inline constexpr std::string_view kProgram = "TLVCombineAll";

// Widths of the texts that hold one observed line and one model record, as the
// combined line carries them.
inline constexpr int kObservedWidth = formats::kCombinedObservedWidth;
inline constexpr int kModelWidth = formats::kCombinedModelWidth;

// The inputs, in the working directory: a copy of the analysis report, the two
// models' results and a cut AERMET surface file.
inline constexpr std::string_view kObservedFile = "TolvernOBSAnalysisNoFill.txt";
inline constexpr std::string_view kIscst3File = "TLV-iscst3-Results.txt";
inline constexpr std::string_view kSurfaceFile = "Tlvcutsurf-all.txt";
inline constexpr std::string_view kAermodFile = "TLV-AERMOD-Results.txt";

struct Layouts {
  // A whole observed line, and its join keys: the date-hour key and the arc distance (km).
  records::Layout observed_line{"(a180)"};
  records::Layout observed_keys{formats::kAnalysisReportKeys};
  // The analysis report's data line, read and written again for the combined table.
  records::Layout report_line{formats::kAnalysisReportLine};
  // A model record, its join keys (date-hour key, receptor distance in m) and CY1/Q.
  records::Layout model_record{"(a80)"};
  records::Layout model_keys{formats::kModelRecordKeys};
  records::Layout cy1q{formats::kModelRecordCy1Q};
  // An hour of the AERMET surface file: year, month, day, day of year, hour, Obukhov length.
  records::Layout surface{"(i2,2i3,i4,i3,t57,f8.1)"};
  // One line of the combined table: observed text, AERMOD record, ISCST3 record.
  records::Layout combined_line{formats::kCombinedLine};
};

}  // namespace combine
