#include "evaluate/input/csv_records.h"

#include <cstdio>

namespace evaluate {
namespace {

// `text` with its control characters written as escapes ("\n", "\r", "\t", "\x01").
std::string escaped(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20 || u == 0x7f) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

void pairs_fault(std::string_view file, long line, std::string_view column,
                 std::string_view reason) {
  throw records::RunError(records::kStatusBadInput, std::string(reason),
                          records::Location{std::string(file), line, 0, 0, escaped(column)});
}

CsvRecords::CsvRecords(records::LineSource& source, std::string_view file)
    : source_(source), file_(file) {}

bool CsvRecords::next_line() {
  if (!source_.next(rest_)) return false;
  in_line_ = true;
  ++line_;
  return true;
}

bool CsvRecords::next(CsvRecord& record) {
  for (;;) {
    if (!in_line_ && !next_line()) return false;
    record.line = line_;
    record.fields.clear();
    read_fields(record);
    if (record.fields.size() != 1 || !record.fields[0].empty()) return true;
  }
}

// Reads fields up to the end of a line: a lone CR or the end of the source's line.
void CsvRecords::read_fields(CsvRecord& record) {
  for (;;) {
    std::string field;
    if (!rest_.empty() && rest_.front() == '"') {
      read_quoted(record, field);
    } else {
      read_unquoted(field, record.fields.size());
    }
    record.fields.push_back(std::move(field));
    if (rest_.empty()) {
      in_line_ = false;
      return;
    }
    const char end = rest_.front();
    rest_.remove_prefix(1);
    if (end == '\r') {
      ++line_;
      return;
    }
    if (end != ',')
      quote_fault(line_, record.fields.size() - 1, "Characters after a closing quote");
  }
}

// A quoted field, from its opening quote to its closing one; it may run over lines,
// each line end being kept as LF (a lone CR as CR).
void CsvRecords::read_quoted(CsvRecord& record, std::string& field) {
  rest_.remove_prefix(1);
  for (;;) {
    if (rest_.empty()) {
      if (!next_line()) {
        quote_fault(record.line, record.fields.size(), "Quoted field not closed");
      }
      field += '\n';
      continue;
    }
    const char c = rest_.front();
    rest_.remove_prefix(1);
    if (c != '"') {
      if (c == '\r') ++line_;
      field += c;
      continue;
    }
    if (rest_.empty() || rest_.front() != '"') return;  // the closing quote
    field += '"';
    rest_.remove_prefix(1);
  }
}

void CsvRecords::read_unquoted(std::string& field, std::size_t index) {
  const std::size_t end = rest_.find_first_of(",\r\"");
  if (end != std::string_view::npos && rest_[end] == '"') {
    quote_fault(line_, index, "Quote inside an unquoted field");
  }
  field.assign(rest_.substr(0, end));
  rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end);
}

void CsvRecords::quote_fault(long line, std::size_t field, std::string_view reason) const {
  const std::string column =
      field < columns_.size() ? columns_[field] : "column " + std::to_string(field + 1);
  pairs_fault(file_, line, column, reason);
}

}  // namespace evaluate
