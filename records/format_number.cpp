// Output conversions of single fields: iw.m, fw.d, ew.d and aw.
//
// Reals are converted from their exact stored value: fw.d rounds the exact binary
// value to d decimals (ties to the even digit) by integer arithmetic when the
// scaled value fits in 64 bits, and by std::to_chars (also exact) otherwise.
#include "records/detail/format_number.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace records::detail {
namespace {

constexpr std::uint64_t kPow10[20] = {1ULL,
                                      10ULL,
                                      100ULL,
                                      1000ULL,
                                      10000ULL,
                                      100000ULL,
                                      1000000ULL,
                                      10000000ULL,
                                      100000000ULL,
                                      1000000000ULL,
                                      10000000000ULL,
                                      100000000000ULL,
                                      1000000000000ULL,
                                      10000000000000ULL,
                                      100000000000000ULL,
                                      1000000000000000ULL,
                                      10000000000000000ULL,
                                      100000000000000000ULL,
                                      1000000000000000000ULL,
                                      10000000000000000000ULL};

void stars(char* dst, int w) {
  std::memset(dst, '*', static_cast<std::size_t>(w));
}

// Opens a field of w columns for a text of `len` columns: the leading blanks, then
// the minus of a negative value; returns where the rest of the text goes. A text
// that does not fit gives w asterisks and nullptr.
char* open_field(char* dst, int w, int len, bool neg) {
  if (len > w) {
    stars(dst, w);
    return nullptr;
  }
  std::memset(dst, ' ', static_cast<std::size_t>(w - len));
  char* p = dst + (w - len);
  if (neg) *p++ = '-';
  return p;
}

// Right-aligns len characters of txt in w columns; asterisks when they do not fit.
void place(char* dst, int w, const char* txt, int len) {
  if (len > w) {
    stars(dst, w);
    return;
  }
  std::memset(dst, ' ', static_cast<std::size_t>(w - len));
  std::memcpy(dst + (w - len), txt, static_cast<std::size_t>(len));
}

// Digits of v, written backwards ending at `end`; returns the first digit.
char* digits_backward(char* end, std::uint64_t v) {
  do {
    *--end = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0);
  return end;
}

// Infinity and NaN, as the text of a real field: "Infinity" or "Inf" with a minus
// when negative, "NaN"; asterisks when even the short form does not fit.
bool put_special(char* dst, int w, float value) {
  if (std::isnan(value)) {
    place(dst, w, "NaN", 3);
    return true;
  }
  if (std::isinf(value)) {
    bool neg = std::signbit(value);
    const char* t = neg ? "-Infinity" : "Infinity";
    int len = neg ? 9 : 8;
    if (len > w) {
      t = neg ? "-Inf" : "Inf";
      len = neg ? 4 : 3;
    }
    place(dst, w, t, len);
    return true;
  }
  return false;
}

using u128 = unsigned __int128;

// Splits a finite non-negative float into m * 2^e with an integer m < 2^24.
void split(float av, std::uint64_t& m, int& e) {
  std::uint32_t bits;
  std::memcpy(&bits, &av, sizeof bits);
  int be = static_cast<int>((bits >> 23) & 0xff);
  m = bits & 0x7fffff;
  if (be == 0) {
    e = -149;
  } else {
    m |= 0x800000;
    e = be - 150;
  }
}

// n / 2^s rounded to an integer, ties to even (s >= 1).
u128 shift_round(u128 n, int s) {
  if (s >= 128) return 0;  // callers keep n below 2^127: less than half
  u128 whole = n >> s;
  u128 rem = n - (whole << s);
  u128 half = static_cast<u128>(1) << (s - 1);
  if (rem > half || (rem == half && (whole & 1) != 0)) ++whole;
  return whole;
}

// The exact value m * 2^e * 10^p rounded to an integer, ties to even; false when
// the result might not fit in 64 bits or the operands leave exact 128-bit
// arithmetic (the caller then takes the general path).
bool scaled_round(std::uint64_t m, int e, int p, std::uint64_t& q) {
  u128 r;
  if (p >= 0) {
    if (p > 30) return false;
    u128 pow = p > 19 ? static_cast<u128>(kPow10[19]) * kPow10[p - 19] : kPow10[p];
    u128 n = static_cast<u128>(m) * pow;  // below 2^24 * 10^30 < 2^124
    if (e >= 0) {
      if (e >= 64 || (n >> (64 - e)) != 0) return false;
      r = n << e;
    } else {
      r = shift_round(n, -e);
    }
  } else {
    int k = -p;
    if (k > 19) return false;
    u128 div = kPow10[k];  // below 2^64
    u128 n = m;
    if (e >= 0) {
      if (e > 100) return false;
      n <<= e;
    } else {
      if (-e > 60) return false;
      div <<= -e;  // below 2^124
    }
    if ((n >> 63) == 0 && (div >> 63) == 0) {  // the usual case: 64-bit division
      std::uint64_t n64 = static_cast<std::uint64_t>(n), d64 = static_cast<std::uint64_t>(div);
      std::uint64_t whole = n64 / d64, rem = n64 % d64;
      if (2 * rem > d64 || (2 * rem == d64 && (whole & 1) != 0)) ++whole;
      q = whole;
      return true;
    }
    u128 whole = n / div;
    u128 rem = n - whole * div;
    if (2 * rem > div || (2 * rem == div && (whole & 1) != 0)) ++whole;
    r = whole;
  }
  if ((r >> 64) != 0) return false;
  q = static_cast<std::uint64_t>(r);
  return true;
}

// The exact value |v| * 10^p rounded to an integer, ties to even.
bool scaled_integer(float av, int p, std::uint64_t& q) {
  std::uint64_t m;
  int e;
  split(av, m, e);
  return scaled_round(m, e, p, q);
}

// |v| (finite, nonzero) rounded to `sig` significant digits (1..18), ties to even:
// q in [10^(sig-1), 10^sig) and the power of ten of its first digit. False when the
// exact arithmetic is out of reach.
bool round_significant(float av, int sig, std::uint64_t& q, int& exp10) {
  std::uint64_t m;
  int e;
  split(av, m, e);
  if (sig < 1 || sig > 18 || m == 0) return false;
  int log2 = e + 63 - __builtin_clzll(m);  // floor(log2 |v|)
  // floor(log10 |v|) or one less: log2 * log10(2), rounded down.
  int est = static_cast<int>(std::floor(log2 * 0.30102999566398120));
  for (int tries = 0; tries < 3; ++tries) {
    if (!scaled_round(m, e, sig - 1 - est, q)) return false;
    if (q >= kPow10[sig]) {
      ++est;  // estimate too small, or the rounding carried to 10^sig
    } else if (q < kPow10[sig - 1]) {
      --est;
    } else {
      exp10 = est;
      return true;
    }
  }
  return false;
}

// Writes sign, integer digits, point and d decimals from the digit string `dig`
// (its last d digits are the decimals; at least d+1 digits).
void put_fixed_digits(char* dst, int w, int d, bool neg, const char* dig, int len) {
  int text = (neg ? 1 : 0) + len + 1;
  int int_digits = len - d;
  const char* first = dig;
  if (text == w + 1 && int_digits == 1 && dig[0] == '0' && d > 0) {  // "0.50" as ".50"
    ++first;
    --text;
    --int_digits;
  }
  char* p = open_field(dst, w, text, neg);
  if (p == nullptr) return;
  std::memcpy(p, first, static_cast<std::size_t>(int_digits));
  p += int_digits;
  *p++ = '.';
  std::memcpy(p, dig + (len - d), static_cast<std::size_t>(d));
}

// General path of fw.d: std::to_chars with d+k decimals, exact for any float.
void put_fixed_general(char* dst, int w, int d, int k, float av, bool neg) {
  int p = d + k;
  std::string buf(static_cast<std::size_t>(p) + 64, '\0');
  auto r = std::to_chars(buf.data(), buf.data() + buf.size(), av, std::chars_format::fixed, p);
  std::string dig;
  dig.reserve(static_cast<std::size_t>(r.ptr - buf.data()));
  for (const char* c = buf.data(); c != r.ptr; ++c)
    if (*c != '.') dig += *c;
  // dig now holds |v| * 10^(d+k) as an integer; keep at least d+1 digits.
  std::size_t lead = 0;
  while (lead + static_cast<std::size_t>(d) + 1 < dig.size() && dig[lead] == '0') ++lead;
  put_fixed_digits(dst, w, d, neg, dig.data() + lead, static_cast<int>(dig.size() - lead));
}

// |v| (finite, not negative) rounded to `sig` significant digits, ties to even:
// writes the sig digits at `digs` (zeros for zero) and returns the power of ten of
// the first one (0 for zero).
int significant_digits(float av, int sig, char* digs) {
  int exp = 0;
  std::uint64_t q;
  if (av == 0.0f) {
    std::memset(digs, '0', static_cast<std::size_t>(sig));
  } else if (round_significant(av, sig, q, exp)) {
    digits_backward(digs + sig, q);  // q has exactly sig digits
  } else {
    // General path: "D.DDDe+XX" (or "De+XX") from std::to_chars, exact for any float.
    std::string buf(static_cast<std::size_t>(sig) + 16, '\0');
    auto r = std::to_chars(buf.data(), buf.data() + buf.size(), av, std::chars_format::scientific,
                           sig - 1);
    const char* c = buf.data();
    int n = 0;
    for (; *c != 'e'; ++c)
      if (*c != '.') digs[n++] = *c;
    ++c;
    bool eneg = *c == '-';
    for (++c; c != r.ptr; ++c) exp = exp * 10 + (*c - '0');
    if (eneg) exp = -exp;
  }
  return exp;
}

// The exponent text of ew.d at `p`: "E+XX", or, with three digits, "+XXX" (the
// digits take the place of the letter).
void put_exponent(char* p, int exp) {
  const int aexp = exp < 0 ? -exp : exp;
  if (aexp <= 99) *p++ = 'E';
  *p++ = exp < 0 ? '-' : '+';
  if (aexp > 99) *p++ = static_cast<char>('0' + aexp / 100);
  *p++ = static_cast<char>('0' + aexp / 10 % 10);
  *p = static_cast<char>('0' + aexp % 10);
}

}  // namespace

void put_int(char* dst, int w, int m, int value) {
  if (m == 0 && value == 0) {  // iw.0 writes zero as blanks
    std::memset(dst, ' ', static_cast<std::size_t>(w));
    return;
  }
  bool neg = value < 0;
  std::uint32_t mag =
      neg ? 0U - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
  char buf[16];
  char* end = buf + sizeof buf;
  char* first = digits_backward(end, mag);
  int nd = static_cast<int>(end - first);
  int zeros = m > nd ? m - nd : 0;
  char* p = open_field(dst, w, nd + zeros + (neg ? 1 : 0), neg);
  if (p == nullptr) return;
  std::memset(p, '0', static_cast<std::size_t>(zeros));
  p += zeros;
  std::memcpy(p, first, static_cast<std::size_t>(nd));
}

void put_fixed(char* dst, int w, int d, int k, float value) {
  if (put_special(dst, w, value)) return;
  bool neg = std::signbit(value);
  float av = std::fabs(value);
  std::uint64_t q;
  if (!scaled_integer(av, d + k, q)) {
    put_fixed_general(dst, w, d, k, av, neg);
    return;
  }
  char buf[24];
  char* end = buf + sizeof buf;
  char* first = digits_backward(end, q);
  while (end - first < d + 1) *--first = '0';
  put_fixed_digits(dst, w, d, neg, first, static_cast<int>(end - first));
}

void put_exp(char* dst, int w, int d, int k, float value) {
  if (put_special(dst, w, value)) return;
  if (k == 0 && d == 0) {  // no significant digit to show
    stars(dst, w);
    return;
  }
  bool neg = std::signbit(value);
  float av = std::fabs(value);
  // Significant digits: d+1 under 1p (one before the point), d under 0p.
  int sig = k == 1 ? d + 1 : d;
  std::string big;
  char small[64];
  char* digs = small;  // the sig digits
  if (static_cast<std::size_t>(sig) + 16 > sizeof small) {
    big.resize(static_cast<std::size_t>(sig) + 16);
    digs = big.data();
  }
  int exp = significant_digits(av, sig, digs);
  if (k == 0 && av != 0.0f) ++exp;  // 0.DDDD form: one more power of ten
  // The text: [-] (D | 0) . DDDD E sign XX; its leading zero (only ever a zero under
  // 0p, or the value zero under 1p) is dropped when it is one column too long.
  char lead = k == 1 ? digs[0] : '0';
  int len = (neg ? 1 : 0) + 2 + d + 4;
  bool drop_lead = false;
  if (len == w + 1 && lead == '0') {
    drop_lead = true;
    --len;
  }
  char* p = open_field(dst, w, len, neg);
  if (p == nullptr) return;
  if (!drop_lead) *p++ = lead;
  *p++ = '.';
  std::memcpy(p, k == 1 ? digs + 1 : digs, static_cast<std::size_t>(d));
  put_exponent(p + d, exp);
}

void put_text(char* dst, int w, std::string_view text) {
  std::size_t uw = static_cast<std::size_t>(w);
  // string_view::copy, not memcpy: an empty view may have no data pointer at all.
  if (text.size() >= uw) {
    text.copy(dst, uw);
  } else {
    std::memset(dst, ' ', uw - text.size());
    text.copy(dst + (uw - text.size()), text.size());
  }
}

std::string shortest_real(float value) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

}  // namespace records::detail
