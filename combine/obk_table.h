// The Monin-Obukhov length of every hour of the two study years 1980 and 1981,
// from the AERMET surface file of the study hours.
#pragma once

#include <vector>

#include "combine/formats.h"
#include "records/records.h"

namespace combine {

class ObkTable {
 public:
  // The length of an hour that no surface record sets, or that lies outside the table.
  static constexpr float kMissing = -99999.0f;

  ObkTable();

  // Skips the header line of `surface` and reads every further record (year, month,
  // day, day of year, hour, length) to the end of the file; a later record of an hour
  // replaces an earlier one. Records dated outside the table (year not 80 or 81, month
  // not 1-12, day not 1-31, hour not 1-24) are passed over. A missing header line or a
  // field that does not convert throws the reading failure.
  void load(records::InputFile& surface, const Layouts& layouts);

  // The length stored for a two-digit year, month, day and hour; kMissing when none.
  float at(int year, int month, int day, int hour) const;

 private:
  static int slot(int year, int month, int day, int hour);  // -1 outside the table
  std::vector<float> lengths_;
};

}  // namespace combine
