// A file that the join searches from its top, after its two header lines, for the
// first record of a key: held in memory once and indexed, so that every search
// costs one lookup yet ends exactly as a scan of the file would.
//
// A scan meets the file's faults in file order: a file shorter than its two header
// lines fails every scan; a record whose key does not read fails every scan that
// has not found its record before it. Those faults are held back at loading and
// raised by find() only when such a scan is asked for. A file that the reader finds
// cut (records::kFileCut) is refused at loading.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "combine/join_key.h"
#include "records/records.h"

namespace combine {

class KeyIndex {
 public:
  struct Record {
    std::string text;  // the record cut or blank-padded to the file's width
    long line = 0;     // its line number in the file
  };
  using KeyReader = std::function<JoinKey(std::string_view record, const records::Origin&)>;

  // Reads `file` from its current (first) record: two header lines, then records with
  // `whole_record` (one a-field into a text of `width` columns), taking each one's key
  // with `key_of` up to the first fault, which is kept for find(). Reads nothing past it.
  static KeyIndex load(records::InputFile& file, const records::Layout& whole_record, int width,
                       const KeyReader& key_of);

  // The first record with `key` in file order; nullptr when a scan passes every
  // record without finding one. Throws the held fault when a scan would meet it first.
  const Record* find(const JoinKey& key) const;

  // Where `record` came from, for the failure messages of later reads from it.
  records::Origin origin(const Record& record) const { return {file_name_, record.line}; }

 private:
  std::string file_name_;
  std::vector<Record> records_;
  std::unordered_map<JoinKey, std::size_t, JoinKeyHash> first_;
  std::optional<records::RunError> fault_;
};

}  // namespace combine
