// The record writer: one output statement becomes one record, or more where the
// layout holds '/'. A record is as long as the furthest column written.
#include "records/write.h"

#include <cerrno>
#include <ostream>
#include <stdexcept>
#include <variant>

#include "records/detail/engine.h"
#include "records/detail/format_number.h"
#include "records/errors.h"

namespace records {
namespace detail {
namespace {

[[noreturn]] void mismatch(const Layout& layout, const Step& s, const char* what) {
  throw std::logic_error("layout \"" + layout.source() + "\": " + describe(s) + " cannot write " +
                         what);
}

}  // namespace

void append_statement(const Layout& layout, std::span<const Item> items, std::string& out,
                      std::string_view eol) {
  const std::size_t old_size = out.size();
  try {
    // `out` is grown with blanks ahead of the fields in chunks; `len` is the length
    // of the current record (its furthest column written), cut back at its end.
    constexpr std::size_t kChunk = 256;
    std::size_t rec = out.size();  // start of the current record in `out`
    std::size_t pos = 0;           // current column, from 0
    std::size_t len = 0;
    int scale = 0;
    std::size_t next = 0;
    // Makes room for w columns at pos (blanks fill any gap) and returns them.
    auto field = [&](int w) -> char* {
      std::size_t end = pos + static_cast<std::size_t>(w);
      if (rec + end > out.size()) out.resize(rec + end + kChunk, ' ');
      char* dst = out.data() + rec + pos;
      pos = end;
      if (end > len) len = end;
      return dst;
    };
    for (const Step& s : layout.steps()) {
      switch (s.op) {
        case Op::text: {
          char* dst = field(static_cast<int>(s.text.size()));
          s.text.copy(dst, s.text.size());
          break;
        }
        case Op::skip:
        case Op::tab:
          pos = s.column_after(pos);
          break;
        case Op::slash:
          out.resize(rec + len);
          out.append(eol);
          rec = out.size();
          pos = 0;
          len = 0;
          break;
        case Op::scale:
          scale = s.width;
          break;
        default: {
          if (next == items.size()) goto done;
          const Item& item = items[next++];
          switch (s.op) {
            case Op::i:
              if (const int* v = std::get_if<int>(&item))
                put_int(field(s.width), s.width, s.digits, *v);
              else
                mismatch(layout, s, "a real or a text");
              break;
            case Op::f:
            case Op::e:
              if (const float* v = std::get_if<float>(&item))
                (s.op == Op::f ? put_fixed : put_exp)(field(s.width), s.width, s.digits, scale, *v);
              else
                mismatch(layout, s, "an integer or a text");
              break;
            case Op::a:
              if (const std::string_view* v = std::get_if<std::string_view>(&item)) {
                int w = s.width > 0 ? s.width : static_cast<int>(v->size());
                put_text(field(w), w, *v);
              } else {
                mismatch(layout, s, "a number");
              }
              break;
            default:
              mismatch(layout, s, "anything (it is an input descriptor)");
          }
        }
      }
    }
  done:
    if (next < items.size())
      throw std::logic_error("layout \"" + layout.source() + "\": more items than descriptors");
    out.resize(rec + len);
    out.append(eol);
  } catch (...) {
    out.resize(old_size);
    throw;
  }
}

}  // namespace detail

void format(const Layout& layout, std::span<const Item> items, std::string& out) {
  out.clear();
  detail::append_statement(layout, items, out, "\n");
  out.pop_back();
}

std::string format(const Layout& layout, std::initializer_list<Item> items) {
  std::string out;
  format(layout, std::span<const Item>(items.begin(), items.size()), out);
  return out;
}

void write_text(const Layout& layout, std::initializer_list<Item> items, std::string& var) {
  std::string rec = format(layout, items);
  std::size_t end = rec.find('\n');
  if (end == std::string::npos) end = rec.size();
  std::size_t n = end < var.size() ? end : var.size();
  std::string next(var.size(), ' ');
  rec.copy(next.data(), n);
  var = std::move(next);
}

std::string format_list(std::initializer_list<Item> items) {
  std::string out = " ";
  bool prev_text = false;
  bool first = true;
  for (const Item& item : items) {
    bool is_text = std::holds_alternative<std::string_view>(item);
    if (!first && !(is_text && prev_text)) out += ' ';
    first = false;
    prev_text = is_text;
    if (const int* v = std::get_if<int>(&item))
      out += std::to_string(*v);
    else if (const float* f = std::get_if<float>(&item))
      out += detail::shortest_real(*f);
    else
      out += std::get<std::string_view>(item);
  }
  return out;
}

void write_console(std::ostream& out, const Layout& layout, std::initializer_list<Item> items) {
  write_console(out, layout, std::span<const Item>(items.begin(), items.size()));
}

void write_console(std::ostream& out, const Layout& layout, std::span<const Item> items) {
  std::string text;
  detail::append_statement(layout, items, text, "\n");
  out << text;
  out.flush();
}

void write_console_list(std::ostream& out, std::initializer_list<Item> items) {
  out << format_list(items) << '\n';
  out.flush();
}

void flush_console(std::ostream& out) {
  // The standard output writes through the C library, which leaves the reason of a
  // failing write in errno: from the flush, or from the write that already failed.
  if (out) errno = 0;
  out.flush();
  if (out) return;
  const int err = errno;
  if (err != 0) throw os_error("standard output", err);
  throw RunError(records::kStatusOsError, std::string(kOsErrorPrefix) + "write failed",
                 Location{"standard output", 0, 0, 0, {}});
}

}  // namespace records
