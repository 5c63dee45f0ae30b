// Reading records: one input statement is a layout and an ordered list of
// destinations (int, float, or a fixed-length text variable).
//
// Numeric fields skip blanks (a blank field reads zero), take an optional sign,
// digits with at most one point (implied decimals when there is none) and an
// optional exponent ("E", "D", or a bare sign: "1.5-3"); reals are rounded to the
// nearest float. Faults throw RunError with status 2 and the field's columns.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "records/layout.h"

namespace records {

// A fixed-length text variable: its length is var->size() (make it with
// std::string(len, ' ')); reads keep that length. A whole-value variable (list-form
// input only) takes the value as it stands, of any length; under a layout it reads
// as a fixed-length one.
struct TextDest {
  std::string* var;
  bool whole = false;
};
inline TextDest text(std::string& var) {
  return TextDest{&var};
}
inline TextDest whole_text(std::string& var) {
  return TextDest{&var, true};
}

using Dest = std::variant<int*, float*, TextDest>;

// Optional names of the destinations, in order, for the failure message
// ("columns 33-42 (concentration)"); a missing name is described by its descriptor.
using Names = std::initializer_list<std::string_view>;

// Where the record being read came from: file name and line number.
struct Origin {
  std::string_view file;
  long line = 0;
};

// Reads one record (a layout without '/') from `record`. Reading from a text
// variable is this call with the variable's content. A layout holding '/' reads
// nothing past the first record here; use the file reader for those.
void read_text(const Layout& layout, std::string_view record, std::initializer_list<Dest> dests,
               const Origin& origin, Names names = {});
// The same for a list of destinations built at run time.
void read_text(const Layout& layout, std::string_view record, std::span<const Dest> dests,
               const Origin& origin, std::span<const std::string_view> names = {});

// One real field read by itself, as an fw.d field of its own width is read (blanks
// ignored, `decimals` implied decimals where it has no point, no scale factor; a
// value beyond the float range reads as infinity). Throws nothing: `fault` is
// empty when the field reads, and otherwise the reason (kBadReal), with `value` 0.
struct RealField {
  float value = 0.0f;
  std::string_view fault;
  bool ok() const { return fault.empty(); }
};
RealField read_real_field(std::string_view field, int decimals = 0);

}  // namespace records
