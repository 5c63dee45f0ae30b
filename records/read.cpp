// The record reader: one input statement takes its fields from one record, or from
// several where the layout holds '/'. Columns past the end of a record read as
// blanks, so numeric fields there read zero.
#include "records/read.h"

#include <stdexcept>
#include <variant>

#include "records/detail/engine.h"
#include "records/detail/parse_number.h"
#include "records/errors.h"

namespace records {
namespace detail {

std::string describe(const Step& s) {
  std::string d;
  switch (s.op) {
    case Op::i:
    case Op::f:
    case Op::e:
    case Op::g:
      d.push_back(s.op == Op::i ? 'i' : s.op == Op::f ? 'f' : s.op == Op::e ? 'e' : 'g');
      break;
    case Op::a:
      d = "a";
      if (s.width > 0) d.append(std::to_string(s.width));
      return d;
    case Op::tab:
      d = "t";
      d.append(std::to_string(s.width));
      return d;
    case Op::slash:
      return "/";
    case Op::skip:
    case Op::scale:
      d = std::to_string(s.width);
      d.push_back(s.op == Op::skip ? 'x' : 'p');
      return d;
    case Op::text:
      d = "'";
      d.append(s.text);
      d.push_back('\'');
      return d;
  }
  d.append(std::to_string(s.width));
  if (s.digits >= 0) {
    d.push_back('.');
    d.append(std::to_string(s.digits));
  }
  return d;
}

namespace {

// The columns [pos, pos+w) of a record, clipped to its end (the rest are blanks).
std::string_view columns(std::string_view record, std::size_t pos, std::size_t w) {
  if (pos >= record.size()) return {};
  return record.substr(pos, w);
}

[[noreturn]] void field_fault(std::string_view reason, const Origin& where, std::size_t pos,
                              const Step& s, std::size_t index,
                              std::span<const std::string_view> names) {
  Location loc;
  loc.file = std::string(where.file);
  loc.line = where.line;
  loc.first_col = static_cast<int>(pos + 1);
  loc.last_col = static_cast<int>(pos + static_cast<std::size_t>(s.width));
  loc.field =
      index < names.size() && !names[index].empty() ? std::string(names[index]) : describe(s);
  throw RunError(records::kStatusBadInput, std::string(reason), std::move(loc));
}

[[noreturn]] void mismatch(const Layout& layout, const Step& s, const char* what) {
  throw std::logic_error("layout \"" + layout.source() + "\": " + describe(s) +
                         " cannot read into " + what);
}

}  // namespace

bool read_statement(const Layout& layout, std::string_view record, Origin where, LineSource* more,
                    std::span<const Dest> dests, std::span<const std::string_view> names) {
  std::size_t pos = 0;
  int scale = 0;
  std::size_t next = 0;
  for (const Step& s : layout.steps()) {
    switch (s.op) {
      case Op::text:
        throw std::logic_error("layout \"" + layout.source() + "\": a quoted text cannot be read");
      case Op::skip:
      case Op::tab:
        pos = s.column_after(pos);
        break;
      case Op::slash:
        if (more == nullptr || !more->next(record)) {
          if (more == nullptr) throw end_of_file(std::string(where.file), where.line);
          return false;
        }
        where = more->origin();
        pos = 0;
        break;
      case Op::scale:
        scale = s.width;
        break;
      default: {
        if (next == dests.size()) goto done;
        std::size_t index = next;
        const Dest& dest = dests[next++];
        std::size_t w = static_cast<std::size_t>(s.width);
        switch (s.op) {
          case Op::i: {
            int* v = std::get_if<int*>(&dest) ? *std::get_if<int*>(&dest) : nullptr;
            if (v == nullptr) mismatch(layout, s, "a real or a text");
            Parse r = parse_int(columns(record, pos, w), *v);
            if (r == Parse::bad_integer) field_fault(kBadInteger, where, pos, s, index, names);
            if (r == Parse::integer_overflow)
              field_fault(kIntegerOverflow, where, pos, s, index, names);
            break;
          }
          case Op::f:
          case Op::e:
          case Op::g: {
            float* v = std::get_if<float*>(&dest) ? *std::get_if<float*>(&dest) : nullptr;
            if (v == nullptr) mismatch(layout, s, "an integer or a text");
            if (parse_real(columns(record, pos, w), s.digits, scale, *v) != Parse::ok)
              field_fault(kBadReal, where, pos, s, index, names);
            break;
          }
          case Op::a: {
            const TextDest* t = std::get_if<TextDest>(&dest);
            if (t == nullptr || t->var == nullptr) mismatch(layout, s, "a number");
            std::string& var = *t->var;
            std::size_t len = var.size();
            if (w == 0) w = len;
            // w >= len: the rightmost len of the w columns; else the w columns, blank-padded.
            std::size_t from = w >= len ? pos + (w - len) : pos;
            std::size_t take = w >= len ? len : w;
            for (std::size_t c = 0; c < len; ++c) {
              std::size_t col = from + c;
              var[c] = c < take && col < record.size() ? record[col] : ' ';
            }
            break;
          }
          default:
            break;
        }
        pos += w;
      }
    }
  }
done:
  if (next < dests.size())
    throw std::logic_error("layout \"" + layout.source() +
                           "\": more destinations than descriptors");
  return true;
}

}  // namespace detail

namespace {

void read_text_span(const Layout& layout, std::string_view record, std::span<const Dest> dests,
                    const Origin& origin, std::span<const std::string_view> names) {
  detail::read_statement(layout, record, origin, nullptr, dests, names);
}

}  // namespace

void read_text(const Layout& layout, std::string_view record, std::initializer_list<Dest> dests,
               const Origin& origin, Names names) {
  read_text_span(layout, record, std::span<const Dest>(dests.begin(), dests.size()), origin,
                 std::span<const std::string_view>(names.begin(), names.size()));
}

void read_text(const Layout& layout, std::string_view record, std::span<const Dest> dests,
               const Origin& origin, std::span<const std::string_view> names) {
  read_text_span(layout, record, dests, origin, names);
}

RealField read_real_field(std::string_view field, int decimals) {
  RealField out;
  if (detail::parse_real(field, decimals, 0, out.value) != detail::Parse::ok) {
    out.value = 0.0f;
    out.fault = kBadReal;
  }
  return out;
}

}  // namespace records
