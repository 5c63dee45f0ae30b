// List-form input: the values of one statement, separated by blanks or a comma,
// spread over as many records as they need. A '/' ends the statement early,
// leaving the remaining destinations as they were; so does an empty value between
// two commas for its own destination.
#include <string>
#include <variant>

#include "records/detail/parse_number.h"
#include "records/errors.h"
#include "records/files.h"

namespace records {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

[[noreturn]] void value_fault(std::string_view reason, const Origin& where, std::size_t first,
                              std::size_t last, std::size_t index, Names names) {
  Location loc;
  loc.file = std::string(where.file);
  loc.line = where.line;
  loc.first_col = static_cast<int>(first + 1);
  loc.last_col = static_cast<int>(last);
  if (index < names.size()) loc.field = std::string(names.begin()[index]);
  throw RunError(records::kStatusBadInput, std::string(reason), std::move(loc));
}

// Stores `token` (unquoted text, or the content of a quoted one) into `dest`.
void store(const Dest& dest, std::string_view token, bool quoted, const Origin& where,
           std::size_t first, std::size_t last, std::size_t index, Names names) {
  if (int* const* iv = std::get_if<int*>(&dest)) {
    detail::Parse r = quoted ? detail::Parse::bad_integer : detail::parse_int(token, **iv);
    if (r == detail::Parse::bad_integer) value_fault(kBadInteger, where, first, last, index, names);
    if (r == detail::Parse::integer_overflow)
      value_fault(kIntegerOverflow, where, first, last, index, names);
  } else if (float* const* fv = std::get_if<float*>(&dest)) {
    if (quoted || detail::parse_real(token, 0, 0, **fv) != detail::Parse::ok)
      value_fault(kBadReal, where, first, last, index, names);
  } else {
    const TextDest& td = std::get<TextDest>(dest);
    std::string& var = *td.var;
    if (td.whole) {
      var.assign(token);
      return;
    }
    for (std::size_t c = 0; c < var.size(); ++c) var[c] = c < token.size() ? token[c] : ' ';
  }
}

}  // namespace

void read_list(LineSource& source, std::initializer_list<Dest> dests, Names names) {
  std::string_view record;
  if (dests.size() == 0) {
    if (!source.next(record)) {
      Origin o = source.origin();
      throw end_of_file(std::string(o.file), o.line);
    }
    return;
  }
  const Dest* dest = dests.begin();
  std::size_t index = 0;
  bool have_record = false;
  std::size_t i = 0;
  bool comma_pending = true;  // a comma now would leave a value empty
  std::string quoted_text;
  while (index < dests.size()) {
    if (!have_record || i >= record.size()) {
      if (!source.next(record)) {
        Origin o = source.origin();
        throw end_of_file(std::string(o.file), o.line);
      }
      have_record = true;
      i = 0;
      continue;
    }
    char c = record[i];
    if (is_blank(c)) {
      ++i;
      continue;
    }
    if (c == ',') {
      if (comma_pending) ++index;  // an empty value: its destination keeps its value
      comma_pending = true;
      ++i;
      continue;
    }
    if (c == '/') return;
    std::size_t first = i;
    const Origin where = source.origin();
    if (c == '\'' || c == '"') {
      // Quoted text: a doubled quote stands for one; the text may hold blanks.
      quoted_text.clear();
      ++i;
      while (i < record.size()) {
        if (record[i] == c) {
          if (i + 1 < record.size() && record[i + 1] == c) {
            quoted_text += c;
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        quoted_text += record[i++];
      }
      store(dest[index], quoted_text, true, where, first, i, index, names);
    } else {
      while (i < record.size() && !is_blank(record[i]) && record[i] != ',' && record[i] != '/') ++i;
      store(dest[index], record.substr(first, i - first), false, where, first, i, index, names);
    }
    ++index;
    comma_pending = false;
  }
}

}  // namespace records
