// Output conversions of single fields, shared by the record writer and list form
// (records/format_number.cpp). Each writes exactly w characters at `dst` (right-
// aligned, or w asterisks when the value does not fit) and allocates nothing on the
// usual paths.
#pragma once

#include <string>
#include <string_view>

namespace records::detail {

// iw (m < 0) and iw.m: digits zero-filled to m, a leading minus when negative.
void put_int(char* dst, int w, int m, int value);
// fw.d under scale factor k (the value times 10^k is written).
void put_fixed(char* dst, int w, int d, int k, float value);
// ew.d under scale factor k (0 or 1): "0.DDDDE+XX" under 0p, "D.DDDDE+XX" under 1p.
void put_exp(char* dst, int w, int d, int k, float value);
// aw: a text longer than w gives its leftmost w characters, a shorter one is
// right-aligned.
void put_text(char* dst, int w, std::string_view text);

// Shortest text of a float that reads back to the same value (list form).
std::string shortest_real(float value);

}  // namespace records::detail
