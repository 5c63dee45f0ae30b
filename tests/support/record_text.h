// Text of fixed-column records for tests: a field written at its columns, numbers
// as fixed text, records blank-padded to a width, records joined into a file's
// text (LF or CR LF ends) and a CR LF file split back into its records.
#pragma once

#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// Writes `text` over `record` from 1-based `column`, widening it with blanks as needed.
inline std::string& place(std::string& record, int column, std::string_view text) {
  const auto at = static_cast<std::size_t>(column - 1);
  if (record.size() < at + text.size()) record.resize(at + text.size(), ' ');
  record.replace(at, text.size(), text);
  return record;
}

// `text` right-aligned in `width` columns (cut on the left when longer).
inline std::string right(std::string_view text, int width) {
  const auto w = static_cast<std::size_t>(width);
  if (text.size() >= w) return std::string(text.substr(text.size() - w));
  return std::string(w - text.size(), ' ') + std::string(text);
}

// `value` with `decimals` digits after the point.
inline std::string fixed(double value, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
  return buf;
}

// `record` blank-padded or cut to `width` columns.
inline std::string padded(std::string_view record, std::size_t width) {
  std::string r(record.substr(0, width));
  r.resize(width, ' ');
  return r;
}

// Records joined, each followed by `end`.
inline std::string lines(const std::vector<std::string>& records, std::string_view end = "\n") {
  std::string out;
  for (const auto& r : records) {
    out += r;
    out += end;
  }
  return out;
}

// Records joined with CR LF after each: the form every output file takes.
inline std::string crlf(const std::vector<std::string>& records) {
  return lines(records, "\r\n");
}
inline std::string crlf_lines(std::initializer_list<std::string_view> records) {
  std::string s;
  for (auto r : records) {
    s += r;
    s += "\r\n";
  }
  return s;
}

// The records of a file whose records end with CR LF; a last record without its
// CR LF is kept with "<no CR LF>" appended, so that a comparison shows it.
inline std::vector<std::string> crlf_records(std::string_view text) {
  std::vector<std::string> records;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find("\r\n", at);
    if (end == std::string_view::npos) {
      records.push_back(std::string(text.substr(at)) + "<no CR LF>");
      break;
    }
    records.emplace_back(text.substr(at, end - at));
    at = end + 2;
  }
  return records;
}

}  // namespace testsupport
