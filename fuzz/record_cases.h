// Fuzz cases of the record layer: the layout reader and writer on random records
// and values, and list-form input. Each case returns a description of what is
// wrong, or an empty text.
//
// records_layout input: byte 0 chooses the mode and the layout, byte 1 the length
// of the text variables; the rest is the record text (or, in the free-layout
// mode, a layout string on the first line and the records after it).
// list_form input: byte 0 chooses the destinations of every statement; the rest is
// the text read, once from a file and once from the console.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "fuzz/harness.h"
#include "records/records.h"

namespace fuzzing {

// Every input layout of the four programs, and a few with record ends.
inline constexpr std::array<std::string_view, 27> kReadLayouts = {
    "(t32,a10,t78,a10)",
    "(a120)",
    "(t30,f9.2)",
    "(t30,f8.2,t47,f9.2,t67,f9.2,t87,g11.4)",
    "(t12,f5.1,t32,i5)",
    "(t5,f8.2,f10.2,t33,f10.2)",
    "(1x,i2,1x,i2,1x,i2)",
    "(2i2)",
    "(t3,i2,1x,i2,1x,i2,t20,i2,t42,f4.1,t88,i1)",
    "(t18,i3,7x,i3,f10.0)",
    "(i2,3i3)",
    "(a100)",
    "(a165)",
    "(t41,i5,t58,i5)",
    "(t56,f9.1)",
    "(t16,f7.1,t44,2f6.0,f9.1,f8.4,t88,f7.2,t109,f7.1)",
    "(i2,2i3,4x,i3)",
    "(a180)",
    "(t11,a8,t43,f5.2)",
    "(3x,i5,2x,5i2.2,2x,i2,4(f10.2,3x),5(3x,1pe12.4),2x,0pf12.3,f12.2)",
    "(a80)",
    "(3x,a8,4x,f9.3)",
    "(t55,g10.0)",
    "(i2,2i3,i4,i3,t57,f8.1)",
    "(i5/f10.2)",
    "(2(a10,/),i3,t2,e9.3)",
    "(1pe12.4,f6.2,0pe10.3,a)",
};

// Every output layout of the four programs that carries values.
inline constexpr std::array<std::string_view, 9> kWriteLayouts = {
    "(3x,i5,2x,5i2.2,2x,i2,4(f10.2,3x),5(3x,1pe12.4),2x,0pf12.3,f12.2)",
    "('SO HOUREMIS',4i3,' STACK ',3F12.3)",
    "(3x,i5,2x,5i2.2,2x,i2,f10.2,3x,f10.2,5(3x,1pe10.4),2x,0pf12.3,f12.3)",
    "(t8,i5,t20,i2,t29,i5,t44,i2)",
    "(4i2,2f9.4,f6.1,i2,2f7.1)",
    "(' NoOBK: ',i3,' No Aermet OBK data for: ',4i3)",
    "(a180,2a80)",
    "(5X,'*** FATAL ERROR ENCOUNTERED ***',/,5X,'N = ',I3,/,5X,'NFIRST = ',I3,//)",
    "(a100)",
};

// Storage for the destinations (or items) of one statement through `layout`.
struct Values {
  std::vector<int> ints;
  std::vector<float> reals;
  std::vector<std::string> texts;
  std::vector<records::Dest> dests;
  std::vector<char> kinds;  // 'i', 'r', 'a' per data descriptor
};

// Destinations for every data descriptor of `layout`; text variables are as long
// as their field (`text_length` for a bare `a`), or `text_length` when `odd` is set.
inline void make_dests(const records::Layout& layout, std::size_t text_length, bool odd,
                       Values& v) {
  const auto n = static_cast<std::size_t>(layout.data_count());
  v.ints.assign(n, 0);
  v.reals.assign(n, 0.0f);
  v.texts.assign(n, std::string());
  v.dests.clear();
  v.kinds.clear();
  std::size_t k = 0;
  for (const records::Step& s : layout.steps()) {
    if (!s.is_data()) continue;
    switch (s.op) {
      case records::Op::i:
        v.dests.emplace_back(&v.ints[k]);
        v.kinds.push_back('i');
        break;
      case records::Op::a: {
        std::size_t len = s.width > 0 && !odd ? static_cast<std::size_t>(s.width) : text_length;
        v.texts[k].assign(len, ' ');
        v.dests.emplace_back(records::text(v.texts[k]));
        v.kinds.push_back('a');
        break;
      }
      default:
        v.dests.emplace_back(&v.reals[k]);
        v.kinds.push_back('r');
        break;
    }
    ++k;
  }
}

inline bool is_read_reason(std::string_view reason) {
  return reason == records::kBadInteger || reason == records::kIntegerOverflow ||
         reason == records::kBadReal || reason == records::kEndOfFile;
}

// A read failure must be a status-2 failure with a known reason, located in `file`
// at a line no later than `last_line`, with sensible columns.
inline std::string check_read_error(const records::RunError& e, std::string_view file,
                                    long last_line) {
  if (e.status() != records::kStatusBadInput)
    return "read failure with status " + std::to_string(e.status());
  if (!is_read_reason(e.reason())) return "unknown read failure: " + e.reason();
  const records::Location& w = e.where();
  if (w.file != file) return "read failure names \"" + w.file + "\"";
  if (w.line < 0 || w.line > last_line)
    return "read failure at line " + std::to_string(w.line) + " of " + std::to_string(last_line);
  if (e.reason() != records::kEndOfFile &&
      (w.first_col < 1 || w.last_col < w.first_col || w.line < 1))
    return "field failure without its columns: " + e.message("records");
  return {};
}

// The outcome of reading a whole file statement by statement: a digest of every
// value read (bit patterns of the reals), the number of statements, and the
// failure that ended it (empty at the end of the file).
struct FileRead {
  std::uint64_t digest = 1469598103934665603ull;
  long statements = 0;
  std::string failure;
  bool operator==(const FileRead&) const = default;

  void add(const void* bytes, std::size_t n) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < n; ++i) digest = (digest ^ p[i]) * 1099511628211ull;
  }
};

// Reads `file` through `layout` until its end or a failure; a failure must be a
// proper read failure, else `problem` is set.
inline FileRead read_whole_file(records::InputFile& file, const records::Layout& layout,
                                std::size_t text_length, bool odd, long last_line,
                                std::string& problem) {
  FileRead result;
  Values v;
  make_dests(layout, text_length, odd, v);
  try {
    for (long statement = 0; statement <= last_line; ++statement) {
      if (!file.read_or_eof(layout, std::span<const records::Dest>(v.dests))) break;
      if (file.line() > last_line) {
        problem = "read past the last record";
        break;
      }
      ++result.statements;
      for (std::size_t k = 0; k < v.kinds.size(); ++k) {
        if (v.kinds[k] == 'i') result.add(&v.ints[k], sizeof(int));
        if (v.kinds[k] == 'r') result.add(&v.reals[k], sizeof(float));
        if (v.kinds[k] == 'a') result.add(v.texts[k].data(), v.texts[k].size());
      }
    }
  } catch (const records::RunError& e) {
    result.failure = e.message("records");
    problem = check_read_error(e, file.name(), last_line);
  }
  return result;
}

// Record lengths of one formatted statement.
inline std::vector<std::size_t> record_lengths(const std::string& text) {
  std::vector<std::size_t> lengths;
  std::size_t from = 0;
  for (;;) {
    std::size_t nl = text.find('\n', from);
    if (nl == std::string::npos) {
      lengths.push_back(text.size() - from);
      return lengths;
    }
    lengths.push_back(nl - from);
    from = nl + 1;
  }
}

inline bool unreadable_text(std::string_view field) {
  return field.find_first_of("*IN") != std::string_view::npos;
}

// Writes values taken from `bytes` (bit patterns for reals, NaN and infinities
// included) through an output layout. Every record must have the same length as
// with zero values, and reading the text back through the same layout must give
// the integers exactly and the reals to the precision written, unless a field was
// written as asterisks or as a non-finite value.
inline std::string write_case(const records::Layout& layout, std::string_view bytes) {
  std::vector<records::Item> items, zeros;
  std::vector<std::string> texts;
  texts.reserve(static_cast<std::size_t>(layout.data_count()));
  std::size_t at = 0;
  auto take = [&](void* dst, std::size_t n) {
    std::memset(dst, 0, n);
    std::size_t k = std::min(n, bytes.size() > at ? bytes.size() - at : 0);
    if (k > 0) std::memcpy(dst, bytes.data() + at, k);
    at += n;
  };
  struct Real {
    float value;
    int d;
    bool exp;
  };
  std::vector<Real> reals;
  int scale = 0;
  for (const records::Step& s : layout.steps()) {
    if (s.op == records::Op::scale) scale = s.width;
    if (!s.is_data()) continue;
    if (s.op == records::Op::i) {
      int v;
      take(&v, sizeof v);
      items.emplace_back(v);
      zeros.emplace_back(0);
    } else if (s.op == records::Op::a) {
      unsigned char len = 0;
      take(&len, 1);
      std::string t;
      for (unsigned i = 0; i < len && at < bytes.size(); ++i) {
        char c = bytes[at++];
        t += (c == '\n' || c == '\r') ? ' ' : c;
      }
      texts.push_back(std::move(t));
      items.emplace_back(std::string_view(texts.back()));
      zeros.emplace_back(std::string_view());
    } else {
      float v;
      take(&v, sizeof v);
      items.emplace_back(v);
      zeros.emplace_back(0.0f);
      reals.push_back(Real{v, s.digits, s.op == records::Op::e && scale == 1});
    }
  }
  std::string text, zero_text;
  records::format(layout, items, text);
  records::format(layout, zeros, zero_text);
  bool fixed_widths = true;
  for (const records::Step& s : layout.steps())
    if (s.op == records::Op::a && s.width == 0) fixed_widths = false;
  if (fixed_widths && record_lengths(text) != record_lengths(zero_text))
    return "record lengths depend on the values written: \"" + text + "\"";

  bool one_record = true;
  for (const records::Step& s : layout.steps())
    one_record = one_record && s.op != records::Op::slash;
  bool has_text = false;
  for (const records::Step& s : layout.steps()) has_text = has_text || s.op == records::Op::text;
  if (!one_record || has_text) return {};

  Values back;
  make_dests(layout, 0, false, back);
  try {
    records::read_text(layout, text, std::span<const records::Dest>(back.dests),
                       records::Origin{"written", 1});
  } catch (const records::RunError& e) {
    const auto& w = e.where();
    std::string_view field = std::string_view(text).substr(
        static_cast<std::size_t>(std::max(w.first_col - 1, 0)),
        static_cast<std::size_t>(std::max(w.last_col - w.first_col + 1, 0)));
    if (!unreadable_text(field))
      return "written text does not read back: \"" + text + "\": " + e.message("records");
    return {};
  }
  std::size_t ri = 0;
  for (std::size_t k = 0; k < back.kinds.size(); ++k) {
    if (back.kinds[k] == 'i') {
      // Asterisks fail to read above; an integer that reads differently is wrong.
      const int want = std::get<int>(items[k]);
      if (back.ints[k] != want)
        return "integer " + std::to_string(want) + " reads back as " +
               std::to_string(back.ints[k]) + " from \"" + text + "\"";
    } else if (back.kinds[k] == 'r') {
      const Real r = reals[ri++];
      const float got = back.reals[k];
      if (!std::isfinite(r.value)) continue;
      const double v = r.value, g = got;
      const double unit = std::pow(10.0, -r.d);
      const double tol = r.exp ? std::fabs(v) * unit * 0.51 + 1e-44
                               : unit * 0.5 * 1.0001 + std::fabs(v) * 1.2e-7 + 1e-44;
      if (!(std::fabs(g - v) <= tol))
        return "real " + std::to_string(v) + " reads back as " + std::to_string(g) + " from \"" +
               text + "\"";
    }
  }
  return {};
}

inline std::string records_layout_case(std::string_view data) {
  if (data.size() < 2) return {};
  const auto selector = static_cast<unsigned char>(data[0]);
  const auto length_byte = static_cast<unsigned char>(data[1]);
  const std::size_t text_length = 1 + length_byte % 200;
  const bool odd = (length_byte & 0x80) != 0;
  std::string_view body = data.substr(2);
  const unsigned mode = selector % 4;
  const unsigned which = selector / 4;

  if (mode == 3) {  // the writer on random values
    const records::Layout layout(kWriteLayouts[which % kWriteLayouts.size()]);
    return write_case(layout, body);
  }

  std::string layout_text;
  if (mode == 2) {  // a free layout on the first line, records after it
    const std::size_t nl = body.find('\n');
    layout_text = std::string(body.substr(0, std::min<std::size_t>(nl, 400)));
    body = nl == std::string_view::npos ? std::string_view() : body.substr(nl + 1);
  } else {
    layout_text = kReadLayouts[which % kReadLayouts.size()];
  }
  std::optional<records::Layout> parsed;
  try {
    parsed.emplace(layout_text);
  } catch (const std::invalid_argument&) {
    if (mode != 2) return "a layout of the programs does not parse: " + layout_text;
    return {};
  }
  const records::Layout& layout = *parsed;
  std::size_t total_width = 0;
  for (const records::Step& s : layout.steps()) {
    if (s.op == records::Op::text) return {};  // quoted texts are not read
    total_width += static_cast<std::size_t>(std::max(s.width, 0));
  }
  // Layouts are the programs' own constants: a free layout expanding to thousands of
  // steps, read once per record, only measures the fuzzer's patience.
  if (layout.steps().size() > 4000 || total_width > 200000) return {};

  bool has_slash = false;
  for (const records::Step& s : layout.steps()) has_slash = has_slash || s.op == records::Op::slash;

  if (mode == 0 && !has_slash) {  // one record from a text
    const std::string_view record = body.substr(0, body.find('\n'));
    Values v;
    make_dests(layout, text_length, odd, v);
    try {
      records::read_text(layout, record, std::span<const records::Dest>(v.dests),
                         records::Origin{"text", 1});
    } catch (const records::RunError& e) {
      return check_read_error(e, "text", 1);
    }
    // Texts read are as long as their variables.
    for (std::size_t k = 0; k < v.kinds.size(); ++k)
      if (v.kinds[k] == 'a' &&
          v.texts[k].size() != std::get<records::TextDest>(v.dests[k]).var->size())
        return "a text variable changed its length";
    return {};
  }

  // Records from a file, to its end; then the same again after a rewind.
  const Scratch& scratch = process_scratch();
  scratch.clear();
  scratch.write("records.txt", body);
  const long last_line = static_cast<long>(count_records(body));
  records::InputFile file = records::InputFile::open(scratch.path(), "records.txt");
  std::string problem;
  const FileRead first = read_whole_file(file, layout, text_length, odd, last_line, problem);
  if (!problem.empty()) return problem;
  file.rewind();
  const FileRead again = read_whole_file(file, layout, text_length, odd, last_line, problem);
  if (!problem.empty()) return problem;
  if (!(first == again)) return "a rewound file reads differently";
  return {};
}

// ---------------------------------------------------------------------------
// List form

struct ListShape {
  std::string_view kinds;  // 'i' integer, 'r' real, digits: a text of that length code
};

// Destination lists of the statements of the system and a few others: 'i' an
// integer, 'r' a real, 'a' a 10-character text, 'A' a 30-character text, 'h' an
// 80-character text.
inline constexpr std::array<std::string_view, 8> kListShapes = {
    "A", "iiaar", "iiiirrrrr", "h", "i", "r", "", "arai",
};

struct ListRead {
  std::vector<std::string> values;  // every destination after each statement, as text
  std::string failure;
  bool operator==(const ListRead&) const = default;
};

inline ListRead read_list_statements(records::LineSource& source, std::string_view shape,
                                     long last_line, std::string& problem) {
  ListRead result;
  std::vector<int> ints(shape.size(), 0);
  std::vector<float> reals(shape.size(), 0.0f);
  std::vector<std::string> texts(shape.size());
  std::vector<records::Dest> dests;
  for (std::size_t k = 0; k < shape.size(); ++k) {
    switch (shape[k]) {
      case 'i':
        dests.emplace_back(&ints[k]);
        break;
      case 'r':
        dests.emplace_back(&reals[k]);
        break;
      default:
        texts[k].assign(shape[k] == 'a' ? 10 : shape[k] == 'A' ? 30 : 80, ' ');
        dests.emplace_back(records::text(texts[k]));
    }
  }
  try {
    for (long statement = 0; statement <= last_line + 1; ++statement) {
      switch (dests.size()) {  // read_list takes its destinations as a braced list
        case 0:
          records::read_list(source, {});
          break;
        case 1:
          records::read_list(source, {dests[0]});
          break;
        case 4:
          records::read_list(source, {dests[0], dests[1], dests[2], dests[3]});
          break;
        case 5:
          records::read_list(source, {dests[0], dests[1], dests[2], dests[3], dests[4]});
          break;
        case 9:
          records::read_list(source, {dests[0], dests[1], dests[2], dests[3], dests[4], dests[5],
                                      dests[6], dests[7], dests[8]});
          break;
        default:
          problem = "no statement for this shape";
          return result;
      }
      if (source.origin().line > last_line) {
        problem = "list form read past the last record";
        return result;
      }
      for (std::size_t k = 0; k < shape.size(); ++k) {
        if (shape[k] == 'i')
          result.values.push_back(std::to_string(ints[k]));
        else if (shape[k] == 'r') {
          std::uint32_t bits;
          std::memcpy(&bits, &reals[k], sizeof bits);
          result.values.push_back(std::to_string(bits));
        } else {
          if (texts[k].size() != (shape[k] == 'a' ? 10u : shape[k] == 'A' ? 30u : 80u)) {
            problem = "a text variable changed its length";
            return result;
          }
          result.values.push_back(texts[k]);
        }
      }
    }
    problem = "list form read more statements than there are records";
  } catch (const records::RunError& e) {
    result.failure = e.reason() + " at line " + std::to_string(e.where().line);
    if (e.status() != records::kStatusBadInput || !is_read_reason(e.reason()))
      problem = "list form failure: " + e.message("records");
    else if (e.where().line < 0 || e.where().line > last_line)
      problem = "list form failure at line " + std::to_string(e.where().line);
  }
  return result;
}

inline std::string list_form_case(std::string_view data) {
  if (data.empty()) return {};
  const std::string_view shape =
      kListShapes[static_cast<unsigned char>(data[0]) % kListShapes.size()];
  const std::string_view body = data.substr(1);
  const long last_line = static_cast<long>(count_records(body));

  const Scratch& scratch = process_scratch();
  scratch.clear();
  scratch.write("list.txt", body);
  std::string problem;
  records::InputFile file = records::InputFile::open(scratch.path(), "list.txt");
  const ListRead from_file = read_list_statements(file, shape, last_line, problem);
  if (!problem.empty()) return "file: " + problem;

  // A file skips a byte-order mark at its very start; the console reads it as text.
  std::string_view console_text = body;
  if (console_text.starts_with(records::kByteOrderMark))
    console_text.remove_prefix(records::kByteOrderMark.size());
  std::istringstream in{std::string(console_text)};
  records::ConsoleIn console(in);
  const ListRead from_console = read_list_statements(console, shape, last_line, problem);
  if (!problem.empty()) return "console: " + problem;
  if (!(from_file == from_console)) return "a file and the console read the same text differently";
  return {};
}

}  // namespace fuzzing
