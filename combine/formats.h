// The fixed names, header texts and record layouts of the results combiner.
//
// Layouts are parsed once per run: the driver makes one Layouts and hands it to
// every module that reads or writes a record.
#pragma once

#include <string_view>

#include "records/records.h"

namespace combine {

inline constexpr std::string_view kProgram = "TLVCombineAll";

inline constexpr std::string_view kCombinedFile = "TLV-Combined-NoFill-Results.txt";
inline constexpr std::string_view kObservedFile = "TolvernOBSAnalysisNoFill.txt";
inline constexpr std::string_view kIscst3File = "TLV-iscst3-Results.txt";
inline constexpr std::string_view kSurfaceFile = "Tlvcutsurf-all.txt";
inline constexpr std::string_view kAermodFile = "TLV-AERMOD-Results.txt";

// Widths of the texts that hold one observed line and one model record.
inline constexpr int kObservedWidth = 180;
inline constexpr int kModelWidth = 80;

// The two header lines of the combined table (336 and 334 columns).
extern const std::string_view kHeaderLine1;
extern const std::string_view kHeaderLine2;

// Labels of the three count lines, each 17 columns so that every count starts in column 20.
inline constexpr std::string_view kZeroCyLabel = "    ISC Zero Cy: ";
inline constexpr std::string_view kAerobsLabel = "    Iaerobs:     ";
inline constexpr std::string_view kAllThreeLabel = "    iallthree:   ";

struct Layouts {
  // A whole observed line, and its join keys: the date-hour key and the arc distance (km).
  records::Layout observed_line{"(a180)"};
  records::Layout observed_keys{"(t11,a8,t43,f5.2)"};
  // The analysis report's data line, read and written again for the combined table.
  records::Layout report_line{"(3x,i5,2x,5i2.2,2x,i2,4(f10.2,3x),5(3x,1pe12.4),2x,0pf12.3,f12.2)"};
  // A model record, its join keys (date-hour key, receptor distance in m) and CY1/Q.
  records::Layout model_record{"(a80)"};
  records::Layout model_keys{"(3x,a8,4x,f9.3)"};
  records::Layout cy1q{"(t55,g10.0)"};
  // An hour of the AERMET surface file: year, month, day, day of year, hour, Obukhov length.
  records::Layout surface{"(i2,2i3,i4,i3,t57,f8.1)"};
  // One line of the combined table: observed text, AERMOD record, ISCST3 record.
  records::Layout combined_line{"(a180,2a80)"};
};

}  // namespace combine
