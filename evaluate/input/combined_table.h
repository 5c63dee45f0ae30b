// The combined table as paired values. Every combined line gives, for each model
// (AERMOD, ISCST3) and quantity (CY/Q, CMAX/Q), an observed and a predicted value
// and the state of that pair; the line's arc and Obukhov length place it in groups.
//
// Which lines are which: the first two lines are the header and are not read; a
// line that begins with one of the three count labels (list form: a blank, then
// the 17-column label) is a count line; a line that is blank throughout is passed
// over; every other line is a combined line. Its observed part (columns 1-177) is
// read through the report layout of the analysis and a field that does not convert,
// or reads beyond the float range, ends the run; the model fields only decide the
// state of their pair (a field that the end of a short line cuts is unread).
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "evaluate/input/study.h"
#include "formats/combined_table.h"
#include "records/records.h"

namespace evaluate {

inline constexpr int kAermod = 0;
inline constexpr int kIscst3 = 1;
inline constexpr int kModels = 2;

inline constexpr int kCy = 0;    // crosswind-integrated value over the emission rate
inline constexpr int kCmax = 1;  // centreline maximum over the emission rate
inline constexpr int kQuantities = 2;

std::string_view model_name(int model);  // "AERMOD", "ISCST3"

struct CombinedLine {
  long line = 0;     // number of the record in the file
  float arc = 0.0f;  // Arc column, km
  float obk = 0.0f;  // OBK column, m
  std::array<float, kQuantities> observed{};
  std::array<std::array<float, kQuantities>, kModels> predicted{};  // 0 unless read
  std::array<std::array<PairState, kQuantities>, kModels> state{};
};

// The counts written at the end of the table, when present.
struct CountLines {
  std::optional<long> isc_zero_cy;
  std::optional<long> iaerobs;
  std::optional<long> iallthree;
};

struct CombinedTable {
  std::vector<CombinedLine> lines;  // in file order
  CountLines counts;
};

// Reads the whole table from `source`. A source that ends inside the two header
// lines ends the run with "End of file"; an observed field that does not convert
// ends it with the reader's message (file, line, columns, field name); a count
// whose digits do not read likewise.
CombinedTable read_combined_table(records::LineSource& source);

// The state and value of one model field: `field` holds the field's columns (it
// may be shorter than the field, the rest being blank). Blank, unreadable or
// non-finite: model_unread; negative: model_negative; otherwise valid with the
// value in `value` (left unchanged unless valid).
PairState read_model_field(std::string_view field, float& value);

// What the statistics table's header says of the pairs: which columns of the line
// and of the model records are paired, and the units (two lines).
std::vector<std::string> combined_pairs_notes();

// The combined table as a study: models AERMOD and ISCST3, quantities CY/Q and
// CMAX/Q, one block, the arcs ascending as strata (0.0 and -0.0 are one arc).
Study study_of(const std::vector<CombinedLine>& lines,
               std::string source = std::string(formats::kCombinedFile));

}  // namespace evaluate
