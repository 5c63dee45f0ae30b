#include "records/text_lines.h"

namespace records {

TextLines::TextLines(std::string_view text, std::string_view name) : rest_(text), name_(name) {
  if (rest_.starts_with(kByteOrderMark)) rest_.remove_prefix(kByteOrderMark.size());
}

bool TextLines::next(std::string_view& record) {
  if (rest_.empty()) return false;
  const std::size_t lf = rest_.find('\n');
  record = rest_.substr(0, lf);
  rest_.remove_prefix(lf == std::string_view::npos ? rest_.size() : lf + 1);
  if (lf != std::string_view::npos && !record.empty() && record.back() == '\r') {
    record.remove_suffix(1);
  }
  ++line_;
  return true;
}

}  // namespace records
