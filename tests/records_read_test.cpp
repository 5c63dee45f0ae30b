// Reading records: numeric and text fields, blanks, implied decimals, exponents,
// the 1p input rule and the failures with their columns.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "records/records.h"

namespace {

using records::Layout;
using records::Origin;

float read_real(const char* layout, std::string_view rec) {
  float v = -123.0f;
  records::read_text(Layout(layout), rec, {&v}, Origin{"x.txt", 1});
  return v;
}

int read_int(const char* layout, std::string_view rec) {
  int v = -123;
  records::read_text(Layout(layout), rec, {&v}, Origin{"x.txt", 1});
  return v;
}

std::uint32_t bits(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

TEST(ReadReal, FieldRules) {
  struct Row {
    const char* layout;
    const char* rec;
    float value;
  } rows[] = {
      {"(f4.1)", "  35", 3.5f},
      {"(f4.1)", " 3.5", 3.5f},
      {"(f10.0)", "1234", 1234.0f},
      {"(f4.1)", "    ", 0.0f},
      {"(f9.2)", "   12", 0.12f},
      {"(f9.2)", "   12.", 12.0f},
      {"(f8.2)", "1.5-3", 1.5e-3f},
      {"(f8.2)", "1.5+3", 1500.0f},
      {"(f8.2)", "1.5E-3", 1.5e-3f},
      {"(f8.2)", "1.5d2", 150.0f},
      {"(f8.2)", "15e1", 1.5f},  // implied decimals apply with an exponent too
      {"(f8.2)", " -1 2. 5", -12.5f},
      {"(f8.2)", "+.5", 0.5f},
      {"(f8.2)", "5.", 5.0f},
      {"(g10.3)", "   2.5", 2.5f},
      {"(e10.3)", "1234", 1.234f},
      {"(f12.2)", "0.1", 0.1f},
      {"(f30.2)", "3.4028235e38", 3.4028235e38f},
      {"(f30.2)", "1.e39", INFINITY},
      {"(f30.2)", "-1.e39", -INFINITY},
      {"(f30.2)", "1e39", 1e37f},
      {"(f30.2)", "1e-50", 0.0f},
      {"(f30.2)", "1.4e-45", 1.4e-45f},
      {"(f30.2)", "0.1000000000000000000000000001", 0.1f},
      {"(f40.0)", "16777217.000000000000000000001", 16777218.0f},  // above the tie
      {"(f40.0)", "16777217.", 16777216.0f},                       // the tie: to even
      {"(f12.2)", "  1e99999999999", INFINITY},
  };
  for (const Row& r : rows) {
    float v = read_real(r.layout, r.rec);
    EXPECT_EQ(bits(v), bits(r.value)) << r.layout << " [" << r.rec << "] read " << v;
  }
}

TEST(ReadReal, ScaleOneDividesOnlyWithoutExponent) {
  EXPECT_EQ(read_real("(1pf8.2)", "  12.5"), 1.25f);
  EXPECT_EQ(read_real("(1pf8.2)", "12.5e0"), 12.5f);
  EXPECT_EQ(read_real("(1pe10.2)", "  1234"), 1.234f);
  EXPECT_EQ(read_real("(1p,0pf8.2)", "  12.5"), 12.5f);
}

TEST(ReadReal, NegativeZeroAndBlankField) {
  EXPECT_TRUE(std::signbit(read_real("(f5.1)", " -0.0")));
  EXPECT_FALSE(std::signbit(read_real("(f5.1)", "     ")));
}

TEST(ReadReal, BadValues) {
  const char* bad[] = {"+",  ".",    "-.",    "Inf", "NaN", "1.2.3", "1x",
                       "E5", "1.5E", "1.5E+", "1,5", "--1", "1e5.",  "\t1"};
  for (const char* rec : bad) {
    float v = 7.0f;
    try {
      records::read_text(Layout("(f8.2)"), rec, {&v}, Origin{"obs.txt", 4});
      ADD_FAILURE() << "no failure for [" << rec << "]";
    } catch (const records::RunError& e) {
      EXPECT_EQ(e.reason(), records::kBadReal) << rec;
      EXPECT_EQ(e.status(), 2);
    }
  }
}

TEST(ReadInteger, FieldRules) {
  EXPECT_EQ(read_int("(i5)", "   42"), 42);
  EXPECT_EQ(read_int("(i5)", "4 2  "), 42);
  EXPECT_EQ(read_int("(i5)", "     "), 0);
  EXPECT_EQ(read_int("(i5)", ""), 0);
  EXPECT_EQ(read_int("(i5)", " -042"), -42);
  EXPECT_EQ(read_int("(i11)", "-2147483648"), -2147483647 - 1);
  EXPECT_EQ(read_int("(i11)", " 2147483647"), 2147483647);
  EXPECT_EQ(read_int("(i2.2)", "07"), 7);
}

TEST(ReadInteger, TwoFieldsBlanksIgnoredNotZero) {
  int a = 0, b = 0;
  records::read_text(Layout("(2i2)"), "8107", {&a, &b}, Origin{});
  EXPECT_EQ(a, 81);
  EXPECT_EQ(b, 7);
  records::read_text(Layout("(2i2)"), "8 7 ", {&a, &b}, Origin{});
  EXPECT_EQ(a, 8);
  EXPECT_EQ(b, 7);
}

TEST(ReadInteger, FailuresNameTheColumns) {
  struct Row {
    const char* rec;
    std::string_view reason;
  } rows[] = {
      {"  1.5", records::kBadInteger},
      {"   +", records::kBadInteger},
      {"  1-", records::kBadInteger},
      {"2147483648", records::kIntegerOverflow},
      {"-2147483649", records::kIntegerOverflow},
      {"99999999999999999999", records::kIntegerOverflow},
      {"1 x 99999999999999", records::kBadInteger},
  };
  for (const Row& r : rows) {
    int a = 0, b = 5;
    try {
      records::read_text(Layout("(i2,t3,i20)"), std::string("00") + r.rec, {&a, &b},
                         Origin{"obs.txt", 57}, {"first", "count"});
      ADD_FAILURE() << r.rec;
    } catch (const records::RunError& e) {
      EXPECT_EQ(e.reason(), r.reason) << r.rec;
      EXPECT_EQ(e.message("tlvanalysis"),
                "tlvanalysis: obs.txt line 57, columns 3-22 (count): " + std::string(r.reason));
    }
  }
}

TEST(ReadRecord, TabAndSkipAndShortRecords) {
  float a = -1, b = -1, c = -1;
  Layout sampler("(t5,f8.2,f10.2,t33,f10.2)");
  records::read_text(sampler, "xxxx    1.25     22.50zzzzzzzzzz      3.75", {&a, &b, &c}, Origin{});
  EXPECT_EQ(a, 1.25f);
  EXPECT_EQ(b, 22.5f);
  EXPECT_EQ(c, 3.75f);
  records::read_text(sampler, "xxxx    1.25", {&a, &b, &c}, Origin{});
  EXPECT_EQ(b, 0.0f);
  EXPECT_EQ(c, 0.0f);
  int i = -1, j = -1;
  records::read_text(Layout("(i2,t1,i1,2x,i1)"), "3456", {&i, &j}, Origin{});
  EXPECT_EQ(i, 34);
  EXPECT_EQ(j, 3);
}

TEST(ReadText, WidthAgainstVariableLength) {
  std::string v4(4, ' ');
  records::read_text(Layout("(a6)"), "abcdef", {records::text(v4)}, Origin{});
  EXPECT_EQ(v4, "cdef");
  records::read_text(Layout("(a2)"), "abcdef", {records::text(v4)}, Origin{});
  EXPECT_EQ(v4, "ab  ");
  records::read_text(Layout("(a)"), "xyzuvw", {records::text(v4)}, Origin{});
  EXPECT_EQ(v4, "xyzu");
  records::read_text(Layout("(t3,a)"), "xy", {records::text(v4)}, Origin{});
  EXPECT_EQ(v4, "    ");
  std::string key(10, ' ');
  records::read_text(Layout("(a10)"), "  81-07-03", {records::text(key)}, Origin{});
  EXPECT_EQ(key, "  81-07-03");
  int y = 0, m = 0, d = 0;
  records::read_text(Layout("(1x,i2,1x,i2,1x,i2)"), key.substr(1), {&y, &m, &d}, Origin{});
  EXPECT_EQ(y, 81);
  EXPECT_EQ(m, 7);
  EXPECT_EQ(d, 3);
}

TEST(ReadRecord, SlashInATextVariableIsEndOfFile) {
  int a = 0, b = 0;
  try {
    records::read_text(Layout("(i2/i2)"), " 1 2", {&a, &b}, Origin{"var", 0});
    ADD_FAILURE();
  } catch (const records::RunError& e) {
    EXPECT_EQ(e.reason(), records::kEndOfFile);
  }
  EXPECT_EQ(a, 1);
}

TEST(ReadRecord, ProgrammingErrors) {
  int a = 0;
  float f = 0;
  EXPECT_THROW(records::read_text(Layout("(i2)"), "1", {&a, &a}, Origin{}), std::logic_error);
  EXPECT_THROW(records::read_text(Layout("(f2.0)"), "1", {&a}, Origin{}), std::logic_error);
  EXPECT_THROW(records::read_text(Layout("(i2)"), "1", {&f}, Origin{}), std::logic_error);
  EXPECT_THROW(records::read_text(Layout("('x',i2)"), "1", {&a}, Origin{}), std::logic_error);
}

}  // namespace
