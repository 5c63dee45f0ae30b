// The first stage of reading a pairs file: its RFC 4180 records. Fields are
// separated by commas; a field in double quotes may hold commas, quotes written
// twice and line ends. A line ends at LF, CR LF or a lone CR (the source gives the
// records split at LF; a CR left in one ends a line too). Empty lines are passed
// over. A quote error ends the run (status 2) naming the file, the line and the
// field's column: its header name once set_columns() has given them, otherwise
// "column N".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "records/records.h"

namespace evaluate {

struct CsvRecord {
  long line = 0;  // the line the record begins on
  std::vector<std::string> fields;
};

// A run-ending failure of the pairs file `file` at `line`, naming `column` (shown
// with its control characters escaped, so that the message stays one line; empty:
// no column).
[[noreturn]] void pairs_fault(std::string_view file, long line, std::string_view column,
                              std::string_view reason);

class CsvRecords {
 public:
  // Reads from `source`, named `file` in messages.
  CsvRecords(records::LineSource& source, std::string_view file);

  // The next record that is not empty; false at the end of the source.
  bool next(CsvRecord& record);

  // The names of the columns, by which quote errors name them from now on.
  void set_columns(std::vector<std::string> names) { columns_ = std::move(names); }

 private:
  bool next_line();  // the next record of the source into rest_; false at its end
  void read_fields(CsvRecord& record);
  void read_quoted(CsvRecord& record, std::string& field);
  void read_unquoted(std::string& field, std::size_t index);
  [[noreturn]] void quote_fault(long line, std::size_t field, std::string_view reason) const;

  records::LineSource& source_;
  std::string file_;
  std::vector<std::string> columns_;
  std::string_view rest_;  // what is left of the current line of the source
  bool in_line_ = false;   // rest_ belongs to a line whose end is not yet read
  long line_ = 0;          // the current line of the file
};

}  // namespace evaluate
