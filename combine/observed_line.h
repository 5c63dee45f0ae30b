// An observed line of the analysis report, read again through the report layout and
// written back with the Obukhov length of its hour in the OBK column.
#pragma once

#include <string>
#include <string_view>

#include "combine/formats.h"
#include "records/records.h"

namespace combine {

// The eighteen values of one report data line.
struct ObservedArc {
  int exp = 0, year = 0, month = 0, day = 0, hour = 0, minute = 0, duration = 0;
  float dist = 0, arc = 0, q = 0, obk = 0;
  float omax = 0, cmax = 0, cy = 0, cmax_q = 0, cy_q = 0, sy = 0, phic = 0;
};

// Reads the eighteen values from an observed line (the 180-column text); a field that
// does not convert throws the reading failure at `origin`.
ObservedArc read_observed_arc(const Layouts& layouts, std::string_view line,
                              const records::Origin& origin);

// Writes `arc` through the report layout into `text` (180 columns: the write leaves
// columns 178-180 blank), with `obk` in place of the OBK value read.
void write_observed_arc(const Layouts& layouts, const ObservedArc& arc, float obk,
                        std::string& text);

}  // namespace combine
