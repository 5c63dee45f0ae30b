// Input conversions of single numeric fields (iw, fw.d, ew.d, gw.d and list-form
// numbers). Blanks anywhere in a field are ignored; the decimal value is rounded
// once to the nearest float.
#include "records/detail/parse_number.h"

#include <charconv>
#include <cstring>
#include <string>
#include <system_error>

namespace records::detail {
namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

constexpr float kPow10f[11] = {1e0f, 1e1f, 1e2f, 1e3f, 1e4f, 1e5f,
                               1e6f, 1e7f, 1e8f, 1e9f, 1e10f};  // all exact in a float

constexpr long kExpLimit = 100'000'000;  // beyond any float; keeps the sums in range

// Rounds digits[0..n) * 10^exp10 (digits without leading zeros, n >= 1) to the
// nearest float through std::from_chars; overflow gives infinity, underflow zero.
float decimal_to_float(const char* digits, std::size_t n, long exp10) {
  std::string big;
  char small[160];
  char* buf = small;
  if (n + 24 > sizeof small) {
    big.resize(n + 24);
    buf = big.data();
  }
  std::memcpy(buf, digits, n);
  char* p = buf + n;
  *p++ = 'e';
  auto r = std::to_chars(p, buf + n + 24, exp10);
  float f = 0.0f;
  auto res = std::from_chars(buf, r.ptr, f);
  if (res.ec == std::errc::result_out_of_range) {
    // The magnitude is 10^(n + exp10 - 1) or more: far above 1 overflows, else underflows.
    f = static_cast<long>(n) + exp10 > 0 ? __builtin_inff() : 0.0f;
  }
  return f;
}

}  // namespace

Parse parse_int(std::string_view field, int& value) {
  std::size_t i = 0, n = field.size();
  while (i < n && field[i] == ' ') ++i;
  bool neg = false, sign = false;
  if (i < n && (field[i] == '+' || field[i] == '-')) {
    neg = field[i] == '-';
    sign = true;
    ++i;
  }
  std::uint64_t acc = 0;
  bool any = false, over = false;
  for (; i < n; ++i) {
    char c = field[i];
    if (c == ' ') continue;
    if (!is_digit(c)) return Parse::bad_integer;
    any = true;
    if (!over) {
      acc = acc * 10 + static_cast<std::uint64_t>(c - '0');
      if (acc > 2147483648ULL) over = true;
    }
  }
  if (!any) {
    if (sign) return Parse::bad_integer;
    value = 0;
    return Parse::ok;
  }
  if (over || (!neg && acc > 2147483647ULL)) return Parse::integer_overflow;
  value = neg ? static_cast<int>(-static_cast<std::int64_t>(acc)) : static_cast<int>(acc);
  return Parse::ok;
}

Parse parse_real(std::string_view field, int d, int k, float& value) {
  std::size_t i = 0, n = field.size();
  while (i < n && field[i] == ' ') ++i;
  if (i == n) {  // a blank field reads zero
    value = 0.0f;
    return Parse::ok;
  }
  bool neg = false;
  if (field[i] == '+' || field[i] == '-') {
    neg = field[i] == '-';
    ++i;
  }
  // Mantissa: up to 19 significant digits in m; more set `long_mantissa`.
  std::uint64_t m = 0;
  int kept = 0;         // significant digits in m
  int significant = 0;  // all significant digits (after leading zeros)
  bool any_digit = false, point = false, long_mantissa = false;
  long exp10 = 0;  // power of ten of the last kept digit
  for (; i < n; ++i) {
    char c = field[i];
    if (c == ' ') continue;
    if (is_digit(c)) {
      any_digit = true;
      if (point) --exp10;
      if (m == 0 && c == '0' && kept == 0) continue;  // leading zero
      ++significant;
      if (kept < 19) {
        m = m * 10 + static_cast<std::uint64_t>(c - '0');
        ++kept;
      } else {
        ++exp10;  // the digit is not kept: m counts in larger units
        if (c != '0') long_mantissa = true;
      }
      continue;
    }
    if (c == '.') {
      if (point) return Parse::bad_real;
      point = true;
      continue;
    }
    break;
  }
  bool has_exp = false;
  long e = 0;
  if (i < n) {
    char c = field[i];
    bool eneg = false;
    if (c == 'e' || c == 'E' || c == 'd' || c == 'D') {
      ++i;
      while (i < n && field[i] == ' ') ++i;
      if (i < n && (field[i] == '+' || field[i] == '-')) eneg = field[i++] == '-';
    } else if (c == '+' || c == '-') {
      eneg = c == '-';
      ++i;
    } else {
      return Parse::bad_real;
    }
    bool any_exp = false;
    for (; i < n; ++i) {
      char x = field[i];
      if (x == ' ') continue;
      if (!is_digit(x)) return Parse::bad_real;
      any_exp = true;
      if (e < kExpLimit) e = e * 10 + (x - '0');
    }
    if (!any_exp) return Parse::bad_real;
    has_exp = true;
    if (eneg) e = -e;
  }
  if (!any_digit) return Parse::bad_real;
  if (!point) exp10 -= d;
  if (!has_exp) exp10 -= k;
  exp10 += e;
  if (m == 0) {
    value = neg ? -0.0f : 0.0f;
    return Parse::ok;
  }
  float f;
  if (!long_mantissa && m <= (1U << 24) && exp10 >= -10 && exp10 <= 10) {
    // Both operands are exact floats: one rounding, the nearest float.
    f = static_cast<float>(m);
    f = exp10 >= 0 ? f * kPow10f[exp10] : f / kPow10f[-exp10];
  } else if (!long_mantissa) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, m);
    f = decimal_to_float(buf, static_cast<std::size_t>(r.ptr - buf), exp10);
  } else {
    // Every significant digit counts for the rounding: gather them all.
    std::string digits;
    digits.reserve(static_cast<std::size_t>(significant));
    long exp_all = exp10 - (significant - kept);  // the dropped digits are back
    bool started = false;
    for (char c : field) {
      if (is_digit(c)) {
        if (!started && c == '0') continue;
        started = true;
        digits += c;
        if (static_cast<int>(digits.size()) == significant) break;
      } else if (c != ' ' && c != '.' && c != '+' && c != '-') {
        break;
      }
    }
    f = decimal_to_float(digits.data(), digits.size(), exp_all);
  }
  value = neg ? -f : f;
  return Parse::ok;
}

}  // namespace records::detail
