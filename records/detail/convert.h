// Conversions of single fields, shared by the record writer, the record reader
// and list form. Output conversions write exactly w characters at `dst` (right-
// aligned, or w asterisks when the value does not fit); input conversions parse
// the characters of one field. None of them allocates on the usual paths.
#pragma once

#include <cstdint>
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

enum class Parse : std::uint8_t { ok, bad_integer, integer_overflow, bad_real };

// An integer field: blanks ignored, an optional sign, then digits only.
Parse parse_int(std::string_view field, int& value);
// A real field: blanks ignored; sign, digits with at most one point, an optional
// exponent ("E", "D", either case, or a bare sign). Without a point the digits
// carry d implied decimals; without an exponent the value is divided by 10^k.
// The decimal value is rounded once to the nearest float.
Parse parse_real(std::string_view field, int d, int k, float& value);

}  // namespace records::detail
