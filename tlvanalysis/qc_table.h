// The quality-control table of the elevated-release study: one quality flag per
// experiment hour (two-digit year 80-81, month, day, hour 0-23) and arc number
// (1-13), loaded from the quality-control file before any observation is read.
// A block is analysed when its flag is 3 or more.
#pragma once

#include <filesystem>
#include <string_view>
#include <vector>

namespace tlvanalysis {

inline constexpr std::string_view kQcFileName = "tolvernsf6-max11052011.txt";
inline constexpr int kQcHeaderRecords = 48;
inline constexpr int kLowestAdmittedFlag = 3;

class QcTable {
 public:
  // Every entry starts at flag 0: an hour and arc that no record names is skipped.
  QcTable();

  // Stores `flag` for the hour and arc, replacing the entry's earlier flag. A key
  // outside the table's ranges (arc number 0 included) has no entry: nothing is stored.
  void store(int year, int month, int day, int hour, int iarc, int flag);

  // The entry's flag; 0 for a key outside the table's ranges.
  int flag(int year, int month, int day, int hour, int iarc) const;

  // True when the hour and arc pass quality control (flag 3 or more).
  bool admits(int year, int month, int day, int hour, int iarc) const {
    return flag(year, month, day, hour, iarc) >= kLowestAdmittedFlag;
  }

 private:
  std::vector<int> flags_;
};

// `fetchqc`: opens the quality-control file in `dir` as an existing file, skips its
// 48 header records and stores the flag of every following record, to the end of
// the file, in `table`; closes the file. A missing file, a short header or a field
// that does not convert ends the run (records::RunError).
void fetchqc(const std::filesystem::path& dir, QcTable& table);

}  // namespace tlvanalysis
