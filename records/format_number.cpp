// Output conversions of single fields: iw.m, fw.d, ew.d and aw.
//
// Reals are converted from their exact stored value: fw.d rounds the exact binary
// value to d decimals (ties to the even digit) by integer arithmetic when the
// scaled value fits in 64 bits, and by std::to_chars (also exact) otherwise.
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

#include "records/detail/convert.h"

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

// The exact value of |v| * 10^p rounded to an integer, ties to even; false when the
// result might not fit in 64 bits (the caller then takes the general path).
bool scaled_integer(float av, int p, std::uint64_t& q) {
  if (p < 0 || p > 19) return false;
  std::uint32_t bits;
  std::memcpy(&bits, &av, sizeof bits);
  int be = static_cast<int>((bits >> 23) & 0xff);
  std::uint64_t m = bits & 0x7fffff;
  int e;
  if (be == 0) {
    e = -149;
  } else {
    m |= 0x800000;
    e = be - 150;
  }
  using u128 = unsigned __int128;
  u128 n = static_cast<u128>(m) * kPow10[p];  // below 2^88
  if (e >= 0) {
    if (e >= 64 || (n >> (64 - e)) != 0) return false;
    q = static_cast<std::uint64_t>(n << e);
    return true;
  }
  int s = -e;
  if (s > 100) {  // n < 2^88 <= half of 2^s: rounds to zero
    q = 0;
    return true;
  }
  u128 whole = n >> s;
  u128 rem = n - (whole << s);
  u128 half = static_cast<u128>(1) << (s - 1);
  if (rem > half || (rem == half && (whole & 1) != 0)) ++whole;
  if ((whole >> 64) != 0) return false;
  q = static_cast<std::uint64_t>(whole);
  return true;
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
  } else if (text > w) {
    stars(dst, w);
    return;
  }
  char* p = dst;
  std::memset(p, ' ', static_cast<std::size_t>(w - text));
  p += w - text;
  if (neg) *p++ = '-';
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
  int text = nd + zeros + (neg ? 1 : 0);
  if (text > w) {
    stars(dst, w);
    return;
  }
  char* p = dst;
  std::memset(p, ' ', static_cast<std::size_t>(w - text));
  p += w - text;
  if (neg) *p++ = '-';
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
  char small[80];
  char* buf = small;
  std::size_t cap = sizeof small;
  if (static_cast<std::size_t>(sig) + 16 > cap) {
    big.resize(static_cast<std::size_t>(sig) + 16);
    buf = big.data();
    cap = big.size();
  }
  auto r = std::to_chars(buf, buf + cap, av, std::chars_format::scientific, sig - 1);
  // buf holds "D.DDDe+XX" (or "De+XX"): gather the digits and the exponent.
  char* epos = static_cast<char*>(std::memchr(buf, 'e', static_cast<std::size_t>(r.ptr - buf)));
  int exp = 0;
  {
    const char* c = epos + 1;
    bool eneg = *c == '-';
    ++c;
    for (; c != r.ptr; ++c) exp = exp * 10 + (*c - '0');
    if (eneg) exp = -exp;
  }
  if (k == 0 && av != 0.0f) ++exp;  // 0.DDDD form: one more power of ten
  // Assemble the text: [-] (D | 0) . DDDD E sign XX
  std::string bigtext;
  char smalltext[96];
  char* t = smalltext;
  if (static_cast<std::size_t>(d) + 16 > sizeof smalltext) {
    bigtext.resize(static_cast<std::size_t>(d) + 16);
    t = bigtext.data();
  }
  char* p = t;
  if (neg) *p++ = '-';
  char* lead = p;
  if (k == 1) {
    *p++ = buf[0];
  } else {
    *p++ = '0';
  }
  *p++ = '.';
  const char* digs = k == 1 ? (sig > 1 ? buf + 2 : buf + 1) : buf;
  // Under 0p the digits are buf[0] followed by buf[2..]; under 1p buf[2..].
  if (k == 1) {
    std::memcpy(p, digs, static_cast<std::size_t>(d));
    p += d;
  } else {
    *p++ = buf[0];
    if (d > 1) {
      std::memcpy(p, buf + 2, static_cast<std::size_t>(d - 1));
      p += d - 1;
    }
  }
  int aexp = exp < 0 ? -exp : exp;
  if (aexp <= 99) {
    *p++ = 'E';
    *p++ = exp < 0 ? '-' : '+';
    *p++ = static_cast<char>('0' + aexp / 10);
    *p++ = static_cast<char>('0' + aexp % 10);
  } else {  // three exponent digits take the place of the letter
    *p++ = exp < 0 ? '-' : '+';
    *p++ = static_cast<char>('0' + aexp / 100);
    *p++ = static_cast<char>('0' + aexp / 10 % 10);
    *p++ = static_cast<char>('0' + aexp % 10);
  }
  int len = static_cast<int>(p - t);
  if (len == w + 1 && *lead == '0') {  // "-0.0000E+00" as "-.0000E+00"
    std::memmove(lead, lead + 1, static_cast<std::size_t>(p - lead - 1));
    --len;
  }
  place(dst, w, t, len);
}

void put_text(char* dst, int w, std::string_view text) {
  std::size_t uw = static_cast<std::size_t>(w);
  if (text.size() >= uw) {
    std::memcpy(dst, text.data(), uw);
  } else {
    std::memset(dst, ' ', uw - text.size());
    std::memcpy(dst + (uw - text.size()), text.data(), text.size());
  }
}

std::string shortest_real(float value) {
  char buf[64];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  return std::string(buf, r.ptr);
}

}  // namespace records::detail
