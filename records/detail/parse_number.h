// Input conversions of single fields, shared by the record reader and list input
// (records/parse_number.cpp). Each parses the characters of one field and allocates
// nothing.
#pragma once

#include <cstdint>
#include <string_view>

namespace records::detail {

enum class Parse : std::uint8_t { ok, bad_integer, integer_overflow, bad_real };

// An integer field: blanks ignored, an optional sign, then digits only.
Parse parse_int(std::string_view field, int& value);
// A real field: blanks ignored; sign, digits with at most one point, an optional
// exponent ("E", "D", either case, or a bare sign). Without a point the digits
// carry d implied decimals; without an exponent the value is divided by 10^k.
// The decimal value is rounded once to the nearest float.
Parse parse_real(std::string_view field, int d, int k, float& value);

}  // namespace records::detail
