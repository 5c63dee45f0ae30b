// A pairs file: any study's paired values as RFC 4180 CSV with a header row.
//   group     required: a number is an arc distance (km), anything else a label of
//             1-8 characters (printable, no blank, comma or quote; not "all", "arc",
//             "stable" or "unstable"); the stratum of the bootstrap and a group
//   observed  required; empty: ObsOut
//   obk       optional: Obukhov length, m; empty: missing
//   quantity  optional: 1-6 characters (printable, no blank, comma or quote);
//             without the column every line is of the quantity "value"
//   any other column: one model's predictions, 1 to 8 models, names of 1-6 letters,
//             digits or underscores (not "Model"); empty: ModUnr
// Values read as the table's reals do (blanks around them ignored); an observed,
// obk or group number beyond the float range and any cell that should be a number
// and is not end the run (status 2, file, line and column named); a model value
// beyond the float range is ModUnr. Lines end with CR LF, LF or CR; empty lines
// are passed over; a quoted field may hold commas, quotes ("") and line ends (see
// csv_records.h). Every failure names the file, the line and, where there is one,
// the column.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "evaluate/input/study.h"
#include "records/records.h"

namespace evaluate {

inline constexpr std::string_view kDefaultQuantity = "value";

struct PairsFile {
  Study study;
  long lines = 0;                  // data lines read
  std::vector<std::string> notes;  // what the header says about the columns
};

// Reads the pairs file from `source` (an input file of the record library, which
// passes over a byte-order mark), named in messages as the source names itself.
PairsFile read_pairs_file(records::LineSource& source);

// The same for a text in memory, split into lines as a file is, named `file`.
PairsFile read_pairs_file(std::string_view text, std::string_view file);

}  // namespace evaluate
