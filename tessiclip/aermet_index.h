// AERMET files held in memory, with the hours found by key in linear total time.
//
// An AermetRecords holds the records of one AERMET file (cut to 165 columns) and
// finds, for an hour key, the first record of the file with that key, with exactly
// the outcome of reading the file from its top and converting every record's key
// until one matches: the keys are converted lazily, front to back, each good one
// once, and a record whose key does not convert fails a search (RunError naming
// the file and line) only when that search would pass it, never earlier.
// searchprof is the profile-file search on top of it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "records/records.h"

namespace tessiclip {

// Width of the record buffers of surface and profile records.
inline constexpr std::size_t kRecordWidth = 165;

// Year (two digits), month, day and hour of the meteorology, compared by plain
// integer equality.
struct HourKey {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  bool operator==(const HourKey&) const = default;
};

struct HourKeyHash {
  std::size_t operator()(const HourKey& k) const noexcept;
};

class AermetRecords {
 public:
  // Reads every record that remains in `file` (from its current position to its
  // end) into memory; `key_layout` reads the four keys of one record, in the order
  // year, month, day, hour. Nothing is converted yet.
  AermetRecords(records::InputFile& file, std::string_view key_layout);

  std::size_t size() const { return starts_.size() - 1; }
  const std::string& file() const { return file_; }

  // Record i (from 0) as read with "(a165)": its first 165 columns, blank-padded.
  std::string text(std::size_t i) const;
  // Where record i stands in its file, for failure messages.
  records::Origin origin(std::size_t i) const;

  // Keys of record i; converts every record up to i first that is not converted
  // yet, so a bad key at or before i throws its RunError.
  const HourKey& key(std::size_t i);

  // The first record whose keys equal `wanted`, or nothing when the file holds
  // none. Throws the RunError of the first record whose key does not convert when
  // no record before it matches.
  std::optional<std::size_t> find_first(const HourKey& wanted);

  // Number of records whose keys have been converted so far.
  std::size_t converted() const { return keys_.size(); }

 private:
  void convert_next();  // converts record converted() and indexes it

  std::string file_;
  long first_line_ = 0;  // line number of record 0
  records::Layout key_layout_;
  std::string data_;                 // the records, each cut to 165 columns, back to back
  std::vector<std::size_t> starts_;  // record i is data_[starts_[i], starts_[i+1])
  std::vector<HourKey> keys_;        // keys of the records converted so far
  std::unordered_map<HourKey, std::size_t, HourKeyHash> first_of_;
};

// Profile search: `profile_buffer` (165 columns) receives the first record of the
// profile file with the wanted keys and the status is 0; -1 when there is none
// (the buffer is then left as it was). A record before the match, or anywhere
// when there is no match, whose first eleven columns do not read as "(i2,3i3)"
// ends the run (RunError).
int searchprof(AermetRecords& profile, const HourKey& wanted, std::string& profile_buffer);

// The key layout of profile records.
inline constexpr std::string_view kProfileKeyLayout = "(i2,3i3)";
// The key layout of surface data records (columns 9-12 are skipped).
inline constexpr std::string_view kSurfaceKeyLayout = "(i2,2i3,4x,i3)";

}  // namespace tessiclip
