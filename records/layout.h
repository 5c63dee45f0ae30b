// Layout strings: the compact notation in which every fixed-column record is stated,
// e.g. "(3x,i5,2x,5i2.2,2x,i2,4(f10.2,3x),5(3x,1pe12.4),2x,0pf12.3,f12.2)".
//
// A Layout is parsed once (repeat counts and groups expanded into a flat list of
// steps) and then reused for every record. Upper and lower case are the same.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace records {

enum class Op : std::uint8_t {
  text,   // 'literal' (on output only)
  skip,   // nx: move n columns right
  tab,    // tn: next field begins at column n
  slash,  // /: end of record
  scale,  // kp: scale factor k (0 or 1)
  i,      // iw or iw.m
  f,      // fw.d
  e,      // ew.d
  g,      // gw.d
  a,      // aw, or a (width 0: the whole variable)
};

struct Step {
  Op op;
  int width = 0;     // w; for skip/tab the n; for scale the k
  int digits = -1;   // d for f/e/g, m for i (-1: none given)
  std::string text;  // the literal of a text step
  bool is_data() const { return op >= Op::i; }
  // For skip and tab: the column (from 0) where the next field begins when the
  // current column is `pos`.
  std::size_t column_after(std::size_t pos) const {
    return op == Op::skip ? pos + static_cast<std::size_t>(width)
                          : static_cast<std::size_t>(width - 1);
  }
};

class Layout {
 public:
  // Parses `source`; throws std::invalid_argument naming the fault on a malformed
  // layout (a programming error of the caller, never an input fault).
  explicit Layout(std::string_view source);

  const std::vector<Step>& steps() const { return steps_; }
  const std::string& source() const { return source_; }
  int data_count() const { return data_count_; }  // number of data descriptors

 private:
  std::string source_;
  std::vector<Step> steps_;
  int data_count_ = 0;
};

// The columns of a data field, counted from 1 (a whole-variable `a` field has no
// width: last is first - 1).
struct FieldColumns {
  int first = 0;
  int last = 0;
};

// The columns of every data field of a one-record layout, in layout order, as a
// read or a write without '/' places them ("(3x,i5,f10.2)": 4-8, 9-18).
std::vector<FieldColumns> field_columns(const Layout& layout);

}  // namespace records
