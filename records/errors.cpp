// Run-ending failures and their one-line console message.
#include "records/errors.h"

#include <cstring>

namespace records {

RunError::RunError(int status, std::string reason, Location where)
    : status_(status), reason_(std::move(reason)), where_(std::move(where)) {}

std::string RunError::message(std::string_view program) const {
  // "<file> line <n>, columns <a>-<b> (<field>)", leaving out what is not known.
  std::string place = printable_name(where_.file);
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

RecordTooLong::RecordTooLong(std::string file, long line, std::size_t limit)
    : RunError(records::kStatusBadInput, "Record longer than " + std::to_string(limit) + " bytes",
               Location{std::move(file), line, 0, 0, {}}) {}

RunError file_cut(std::string file, long line) {
  return RunError(records::kStatusBadInput, std::string(kFileCut),
                  Location{std::move(file), line, 0, 0, {}});
}

RunError beyond_float_range(std::string file, long line) {
  return RunError(records::kStatusBadInput, std::string(kBeyondFloatRange),
                  Location{std::move(file), line, 0, 0, {}});
}

std::string printable_name(std::string_view name) {
  std::string shown;
  shown.reserve(name.size());
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      shown += c;
    } else if (c == '\n') {
      shown += "\\n";
    } else if (c == '\r') {
      shown += "\\r";
    } else if (c == '\t') {
      shown += "\\t";
    } else {
      static constexpr char kHex[] = "0123456789ABCDEF";
      shown += "\\x";
      shown += kHex[byte >> 4];
      shown += kHex[byte & 0xF];
    }
  }
  return shown;
}

RunError end_of_file(std::string file, long line) {
  Location where;
  where.file = std::move(file);
  where.line = line;
  return RunError(records::kStatusBadInput, std::string(kEndOfFile), std::move(where));
}

}  // namespace records
