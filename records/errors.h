// Run-ending failures shared by every program.
//
// Low layers throw RunError (a read, conversion or file failure) or StopRun (a
// program's own fatal check), each with an exit status of records/status.h;
// guarded_run() in runframe/run.h turns either into one line on standard error and
// that status. Nothing else ends a run.
#pragma once

#include <cstddef>
#include <exception>
#include <string>
#include <string_view>

#include "records/status.h"

namespace records {

// Reason texts of the run-ending failures.
inline constexpr std::string_view kBadInteger = "Bad value during integer read";
inline constexpr std::string_view kIntegerOverflow = "Value overflowed during integer read";
inline constexpr std::string_view kBadReal = "Bad value during floating point read";
inline constexpr std::string_view kEndOfFile = "End of file";
inline constexpr std::string_view kOsErrorPrefix = "Operating system error: ";
// An output file that another run holds open (status 1).
inline constexpr std::string_view kInUse = "in use by another run";
// A file that the tool set writes ends every record with CR LF; one whose last
// record has no line end was cut (status 2).
inline constexpr std::string_view kFileCut = "File ends inside a record: the file may be cut";
// A value that is to be written but is not finite (status 2).
inline constexpr std::string_view kBeyondFloatRange = "Value beyond the float range";

// Where a failure happened. Empty file: no file concerned. line 0: no line.
// first_col 0: no columns. field empty: no field name.
struct Location {
  std::string file;
  long line = 0;
  int first_col = 0;
  int last_col = 0;
  std::string field;
};

// A read, conversion or file failure. message() gives the one console line:
//   "<program>: <file> line <n>, columns <a>-<b> (<field>): <reason>"
// with the parts that are not known left out ("column 88" for a one-column field).
// The file name is shown with printable_name(), so the message stays one line.
class RunError : public std::exception {
 public:
  RunError(int status, std::string reason, Location where);
  int status() const noexcept { return status_; }
  const std::string& reason() const noexcept { return reason_; }
  const Location& where() const noexcept { return where_; }
  std::string message(std::string_view program) const;
  const char* what() const noexcept override { return reason_.c_str(); }

 private:
  int status_;
  std::string reason_;
  Location where_;
};

// A record longer than the reader takes (status 2, "Record longer than <n>
// bytes"). Its own type, so that a console dialogue can ask again instead.
class RecordTooLong : public RunError {
 public:
  RecordTooLong(std::string file, long line, std::size_t limit);
};

// Failure constructors used by the reader and the file layer.
RunError os_error(std::string file,
                  int errno_value);  // status 1, "Operating system error: <strerror>"
RunError end_of_file(std::string file, long line);  // status 2, "End of file"
RunError file_cut(std::string file, long line);     // status 2, kFileCut
// Status 2, kBeyondFloatRange, naming the input record whose values were to be written.
RunError beyond_float_range(std::string file, long line);

// `name` with every control character escaped (a line end as \n, a carriage
// return as \r, a tab as \t, any other as \xHH), so that a name that holds one
// still reads on one console line.
std::string printable_name(std::string_view name);

// A program's own fatal check: the program has already written its own message
// (to its report or the console); the run ends with `status`. A non-empty
// console_line is printed to standard error as "<program>: <console_line>".
class StopRun : public std::exception {
 public:
  StopRun(int status, std::string console_line = {})
      : status_(status), console_line_(std::move(console_line)) {}
  int status() const noexcept { return status_; }
  const std::string& console_line() const noexcept { return console_line_; }
  const char* what() const noexcept override { return "run stopped"; }

 private:
  int status_;
  std::string console_line_;
};

}  // namespace records
