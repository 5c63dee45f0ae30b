// Randomized round trip over many floats: the texts of f, 1pe and 0pe fields are
// compared with an independent exact-decimal model (the float's exact value
// expanded digit by digit in big-integer arithmetic, then rounded half to even
// as text), and each text read back must give the float nearest to it (strtof).
// Integers: every int written under iw and iw.m, then read back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "records/records.h"

namespace {

// ---- The model: exact decimal expansion of a float -------------------------

// Decimal digits of m * 2^e, split at the point.
void exact_decimal(float v, std::string& whole, std::string& frac) {
  std::uint32_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  std::uint32_t m = bits & 0x7fffff;
  int be = static_cast<int>((bits >> 23) & 0xff);
  int e = be == 0 ? -149 : be - 150;
  if (be != 0) m |= 0x800000;
  // Big number in base 10^9 limbs, least significant first.
  std::vector<std::uint32_t> big{m % 1000000000u, m / 1000000000u};
  auto mul = [&](std::uint32_t k) {
    std::uint64_t carry = 0;
    for (auto& limb : big) {
      std::uint64_t t = static_cast<std::uint64_t>(limb) * k + carry;
      limb = static_cast<std::uint32_t>(t % 1000000000u);
      carry = t / 1000000000u;
    }
    if (carry) big.push_back(static_cast<std::uint32_t>(carry));
  };
  int s = 0;
  if (e >= 0) {
    for (int i = 0; i < e; ++i) mul(2);
  } else {
    s = -e;  // m / 2^s = m * 5^s / 10^s
    for (int i = 0; i < s; ++i) mul(5);
  }
  std::string digits;
  for (auto it = big.rbegin(); it != big.rend(); ++it) {
    std::string limb = std::to_string(*it);
    digits += std::string(9 - limb.size(), '0') + limb;
  }
  std::size_t nz = digits.find_first_not_of('0');
  digits = nz == std::string::npos ? "0" : digits.substr(nz);
  if (static_cast<int>(digits.size()) < s + 1) digits.insert(0, s + 1 - digits.size(), '0');
  whole = digits.substr(0, digits.size() - s);
  frac = digits.substr(digits.size() - s);
}

// Keeps the first n digits of `digits` (the rest is `rest`), rounded half to even.
// Returns true when the rounding carried out of the first digit.
bool round_digits(std::string& kept, const std::string& rest) {
  bool up = false;
  if (!rest.empty()) {
    if (rest[0] > '5') {
      up = true;
    } else if (rest[0] == '5') {
      bool beyond = rest.find_first_not_of('0', 1) != std::string::npos;
      up = beyond || (!kept.empty() && (kept.back() - '0') % 2 == 1);
    }
  }
  if (!up) return false;
  for (std::size_t i = kept.size(); i-- > 0;) {
    if (kept[i] == '9') {
      kept[i] = '0';
    } else {
      ++kept[i];
      return false;
    }
  }
  kept.insert(kept.begin(), '1');
  return true;
}

std::string fit(std::string text, int w) {
  if (static_cast<int>(text.size()) > w) return std::string(w, '*');
  return std::string(w - text.size(), ' ') + text;
}

std::string model_fixed(float v, int w, int d) {
  std::string whole, frac;
  exact_decimal(std::fabs(v), whole, frac);
  frac.resize(std::max(frac.size(), static_cast<std::size_t>(d)), '0');
  std::string kept = whole + frac.substr(0, d);
  round_digits(kept, frac.substr(d));
  std::string ip = kept.substr(0, kept.size() - d);
  ip.erase(0, std::min(ip.find_first_not_of('0'), ip.size() - 1));
  std::string sign = std::signbit(v) ? "-" : "";
  std::string text = sign + ip + "." + kept.substr(kept.size() - d);
  if (static_cast<int>(text.size()) == w + 1 && ip == "0" && d > 0)
    text = sign + "." + kept.substr(kept.size() - d);
  return fit(text, w);
}

// ew.d under scale factor k (1: "D.DDDD", 0: "0.DDDD").
std::string model_exp(float v, int w, int d, int k) {
  std::string whole, frac;
  exact_decimal(std::fabs(v), whole, frac);
  std::string all = whole + frac;
  int point = static_cast<int>(whole.size());  // digits before the point
  std::size_t first = all.find_first_not_of('0');
  int sig = k == 1 ? d + 1 : d;
  std::string digits;
  int exp10 = 0;
  if (first == std::string::npos) {
    digits = std::string(sig, '0');
  } else {
    std::string tail = all.substr(first);
    exp10 = point - static_cast<int>(first) - 1;  // exponent of the first digit
    tail.resize(std::max(tail.size(), static_cast<std::size_t>(sig)), '0');
    digits = tail.substr(0, sig);
    if (round_digits(digits, tail.substr(sig))) {
      digits.pop_back();
      ++exp10;
    }
    if (k == 0) ++exp10;
  }
  std::string mant = k == 1 ? digits.substr(0, 1) + "." + digits.substr(1) : "0." + digits;
  char e[16];
  std::snprintf(e, sizeof e, "E%c%02d", exp10 < 0 ? '-' : '+', std::abs(exp10));
  std::string sign = std::signbit(v) ? "-" : "";
  std::string text = sign + mant + e;
  if (static_cast<int>(text.size()) == w + 1 && mant[0] == '0') text = sign + mant.substr(1) + e;
  return fit(text, w);
}

// ---- The test ----------------------------------------------------------------

std::vector<float> random_floats(std::size_t n) {
  std::mt19937 rng(1977);
  std::vector<float> out = {0.0f,          -0.0f,          1.4e-45f,  -1.4e-45f, 1.17549435e-38f,
                            3.4028235e38f, -3.4028235e38f, 0.125f,    0.375f,    999995.0f,
                            0.5f,          -0.5f,          9.9999e-1f};
  std::uniform_real_distribution<double> mag(-6.0, 9.0);
  while (out.size() < n) {
    std::uint32_t b = rng();
    float f;
    switch (out.size() % 4) {
      case 0:  // any finite bit pattern
        std::memcpy(&f, &b, sizeof f);
        if (!std::isfinite(f)) continue;
        break;
      case 1:  // everyday magnitudes
        f = static_cast<float>(std::pow(10.0, mag(rng))) * ((b & 1) ? -1.0f : 1.0f);
        break;
      case 2: {  // subnormals
        b &= 0x807fffffu;
        std::memcpy(&f, &b, sizeof f);
        break;
      }
      default:  // exact binary ties at the rounding digit of f10.2, f12.3 and 1pe12.4
        f = static_cast<float>(b % 100000) + static_cast<float>((b >> 20) % 16) / 16.0f;
        if (b & 0x80000000u) f = static_cast<float>(b % 1677721) * 10.0f + 5.0f;
        break;
    }
    out.push_back(f);
  }
  return out;
}

TEST(RoundTrip, RealsAgainstExactDecimalModel) {
  struct Field {
    const char* layout;
    int w, d, k;
    bool fixed;
  } fields[] = {
      {"(f10.2)", 10, 2, 0, true},    {"(f12.3)", 12, 3, 0, true},
      {"(f8.2)", 8, 2, 0, true},      {"(f10.4)", 10, 4, 0, true},
      {"(f12.2)", 12, 2, 0, true},    {"(f6.1)", 6, 1, 0, true},
      {"(f45.9)", 45, 9, 0, true},    {"(1pe12.4)", 12, 4, 1, false},
      {"(1pe10.4)", 10, 4, 1, false}, {"(1pe15.7)", 15, 7, 1, false},
      {"(e12.4)", 12, 4, 0, false},
  };
  std::vector<records::Layout> layouts;
  for (const Field& f : fields) layouts.emplace_back(f.layout);
  const auto values = random_floats(40000);
  std::string text;
  int failures = 0;
  for (float v : values) {
    for (std::size_t i = 0; i < layouts.size(); ++i) {
      const Field& f = fields[i];
      records::Item item = v;
      records::format(layouts[i], std::span<const records::Item>(&item, 1), text);
      std::string want = f.fixed ? model_fixed(v, f.w, f.d) : model_exp(v, f.w, f.d, f.k);
      if (text != want && ++failures < 20)
        ADD_FAILURE() << f.layout << " of " << std::hexfloat << v << ": [" << text << "] want ["
                      << want << "]";
      if (text.find('*') != std::string::npos) continue;
      // Reading the text back gives the float nearest to the decimal it shows.
      float back = 0;
      records::read_text(layouts[i], text, {&back}, records::Origin{});
      std::string plain;
      for (char c : text)
        if (c != ' ') plain += c;
      float nearest = std::strtof(plain.c_str(), nullptr);
      if (std::memcmp(&back, &nearest, sizeof back) != 0 && ++failures < 20)
        ADD_FAILURE() << f.layout << " read [" << text << "] as " << back << ", nearest "
                      << nearest;
    }
  }
  EXPECT_EQ(failures, 0);
}

TEST(RoundTrip, IntegersWrittenAndReadBack) {
  std::mt19937 rng(5);
  records::Layout layouts[] = {records::Layout("(i11)"), records::Layout("(i12.11)"),
                               records::Layout("(i6)"), records::Layout("(i2.2)")};
  int widths[] = {11, 12, 6, 2};
  int mins[] = {1, 11, 1, 2};
  for (int n = 0; n < 100000; ++n) {
    int v = n < 2 ? (n == 0 ? INT32_MIN : INT32_MAX) : static_cast<int>(rng());
    if (n % 3 == 0) v %= 1000;
    for (int i = 0; i < 4; ++i) {
      std::string text = records::format(layouts[i], {v});
      // Model: the digits, zero-filled to m, the sign, right-aligned or asterisks.
      std::string digits = std::to_string(
          static_cast<long long>(v) < 0 ? -static_cast<long long>(v) : static_cast<long long>(v));
      if (static_cast<int>(digits.size()) < mins[i]) digits.insert(0, mins[i] - digits.size(), '0');
      std::string want = fit((v < 0 ? "-" : "") + digits, widths[i]);
      ASSERT_EQ(text, want) << v;
      if (text[0] == '*') continue;
      int back = 0;
      records::read_text(layouts[i], text, {&back}, records::Origin{});
      ASSERT_EQ(back, v) << text;
    }
  }
}

}  // namespace
