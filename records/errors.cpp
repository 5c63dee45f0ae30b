// Run-ending failures and their one-line console message.
#include "records/errors.h"

#include <cstring>

namespace records {

RunError::RunError(int status, std::string reason, Location where)
    : status_(status), reason_(std::move(reason)), where_(std::move(where)) {}

std::string RunError::message(std::string_view program) const {
  // "<file> line <n>, columns <a>-<b> (<field>)", leaving out what is not known.
  std::string place = where_.file;
  if (where_.line > 0) {
    if (!place.empty()) place += ' ';
    place += "line " + std::to_string(where_.line);
  }
  if (where_.first_col > 0) {
    if (!place.empty()) place += ", ";
    if (where_.last_col > where_.first_col)
      place +=
          "columns " + std::to_string(where_.first_col) + "-" + std::to_string(where_.last_col);
    else
      place += "column " + std::to_string(where_.first_col);
  }
  if (!where_.field.empty()) {
    if (!place.empty()) place += ' ';
    place += "(" + where_.field + ")";
  }
  std::string msg;
  if (!program.empty()) {
    msg += program;
    msg += ": ";
  }
  if (!place.empty()) {
    msg += place;
    msg += ": ";
  }
  msg += reason_;
  return msg;
}

RunError os_error(std::string file, int errno_value) {
  std::string reason(kOsErrorPrefix);
  reason += std::strerror(errno_value);
  Location where;
  where.file = std::move(file);
  return RunError(records::kStatusOsError, std::move(reason), std::move(where));
}

RunError end_of_file(std::string file, long line) {
  Location where;
  where.file = std::move(file);
  where.line = line;
  return RunError(records::kStatusBadInput, std::string(kEndOfFile), std::move(where));
}

}  // namespace records
