// Writing records: every output descriptor the programs use, with the edge cases
// that decide columns (rounding, dropped zero, minus on zero, asterisks).
#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "records/records.h"

namespace {

using records::Item;
using records::Layout;

struct RealCase {
  const char* layout;
  float value;
  const char* text;
};

class FixedAndExp : public ::testing::TestWithParam<RealCase> {};

TEST_P(FixedAndExp, WritesExactText) {
  const RealCase& c = GetParam();
  EXPECT_EQ(records::format(Layout(c.layout), {c.value}), c.text)
      << c.layout << " with " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FixedAndExp,
    ::testing::Values(
        // fw.d: rounding of the exact stored value, ties to even on it
        RealCase{"(f10.2)", 12.345f, "     12.35"},  // 12.345f is 12.3450002...
        RealCase{"(f10.2)", 0.5f, "      0.50"}, RealCase{"(f10.2)", 1.0e9f, "**********"},
        RealCase{"(f10.2)", -0.004f, "     -0.00"}, RealCase{"(f10.2)", -0.0f, "     -0.00"},
        RealCase{"(f10.2)", 0.0f, "      0.00"}, RealCase{"(f10.2)", 0.125f, "      0.12"},
        RealCase{"(f10.2)", 0.375f, "      0.38"}, RealCase{"(f10.2)", 2.675f, "      2.67"},
        RealCase{"(f12.3)", 123456789.0f, "************"},
        RealCase{"(f12.3)", 12345678.0f, "12345678.000"}, RealCase{"(f4.2)", 0.5f, "0.50"},
        RealCase{"(f4.2)", -0.5f, "-.50"}, RealCase{"(f3.2)", 0.5f, ".50"},
        RealCase{"(f3.2)", -0.5f, "***"}, RealCase{"(f4.2)", 1.5f, "1.50"},
        RealCase{"(f4.2)", -1.5f, "****"}, RealCase{"(f8.0)", 2.5f, "      2."},
        RealCase{"(f8.0)", 3.5f, "      4."}, RealCase{"(f10.4)", 1.0e-10f, "    0.0000"},
        RealCase{"(f10.4)", -1.0e-10f, "   -0.0000"}, RealCase{"(f8.3)", 3.14159f, "   3.142"},
        RealCase{"(f45.2)", 3.4028235e38f, "   340282346638528859811704183484516925440.00"},
        RealCase{"(f30.25)", 1.0e-3f, "   0.0010000000474974513053894"},
        RealCase{"(f10.2)", std::numeric_limits<float>::infinity(), "  Infinity"},
        RealCase{"(f5.2)", -std::numeric_limits<float>::infinity(), " -Inf"},
        RealCase{"(f5.2)", std::numeric_limits<float>::quiet_NaN(), "  NaN"},
        // 1pew.d
        RealCase{"(1pe12.4)", 0.0123456f, "  1.2346E-02"},
        RealCase{"(1pe12.4)", 0.0f, "  0.0000E+00"}, RealCase{"(1pe12.4)", -3.5f, " -3.5000E+00"},
        RealCase{"(1pe12.4)", 1.0f, "  1.0000E+00"},
        RealCase{"(1pe12.4)", 1.0e-30f, "  1.0000E-30"},
        RealCase{"(1pe12.4)", 3.4028235e38f, "  3.4028E+38"},
        RealCase{"(1pe12.4)", 1.4e-45f, "  1.4013E-45"},
        // exact ties go to the even digit
        RealCase{"(1pe12.4)", 999995.0f, "  1.0000E+06"},
        RealCase{"(1pe12.4)", 999985.0f, "  9.9998E+05"},
        RealCase{"(1pe12.4)", 999994.0f, "  9.9999E+05"},
        RealCase{"(1pe12.4)", -0.0f, " -0.0000E+00"},
        RealCase{"(1pe10.4)", 0.0123456f, "1.2346E-02"}, RealCase{"(1pe10.4)", -1.0f, "**********"},
        RealCase{"(1pe10.4)", -0.0f, "-.0000E+00"}, RealCase{"(1pe10.4)", 0.0f, "0.0000E+00"},
        RealCase{"(1pe9.4)", 1.0f, "*********"},
        // 0pew.d
        RealCase{"(e12.4)", 0.0123456f, "  0.1235E-01"}, RealCase{"(e12.4)", 0.0f, "  0.0000E+00"},
        RealCase{"(e10.4)", -12.5f, "-.1250E+02"}));

TEST(WriteInteger, WidthsZeroFillAndOverflow) {
  struct Row {
    const char* layout;
    int value;
    const char* text;
  } rows[] = {
      {"(i2.2)", 0, "00"},   {"(i2.2)", 5, "05"},
      {"(i3)", 1000, "***"}, {"(i3)", 999, "999"},
      {"(i3)", -99, "-99"},  {"(i3)", -100, "***"},
      {"(i5)", 42, "   42"}, {"(i5.3)", -7, " -007"},
      {"(i4.0)", 0, "    "}, {"(i11)", -2147483647 - 1, "-2147483648"},
      {"(i1)", 0, "0"},
  };
  for (const Row& r : rows)
    EXPECT_EQ(records::format(Layout(r.layout), {r.value}), r.text) << r.layout;
}

TEST(WriteText, WidthLeftmostAndRightAligned) {
  EXPECT_EQ(records::format(Layout("(a5)"), {"abcdefg"}), "abcde");
  EXPECT_EQ(records::format(Layout("(a5)"), {"ab"}), "   ab");
  EXPECT_EQ(records::format(Layout("(a)"), {"ab  "}), "ab  ");
  EXPECT_EQ(records::format(Layout("('it''s',1x,\"q\")"), {}), "it's q");
}

TEST(WriteRecord, PositionsAndRecordLength) {
  EXPECT_EQ(records::format(Layout("(3x,i2)"), {7}), "    7");
  EXPECT_EQ(records::format(Layout("(t5,i2)"), {7}), "     7");
  EXPECT_EQ(records::format(Layout("(i5,t2,i1)"), {12345, 9}), "19345");
  // Columns only passed by x or t are not part of the record.
  EXPECT_EQ(records::format(Layout("(i2,3x)"), {7}), " 7");
  EXPECT_EQ(records::format(Layout("(i2,'ab',i2,'cd',i2)"), {1}), " 1ab");
  EXPECT_EQ(records::format(Layout("(i2/i2)"), {1, 2}), " 1\n 2");
  EXPECT_EQ(records::format(Layout("(i2,/)"), {1}), " 1\n");
  EXPECT_EQ(records::format(Layout("('head')"), {}), "head");
}

TEST(WriteRecord, ReportLineLayout) {
  Layout report("(3x,i5,2x,5i2.2,2x,i2,4(f10.2,3x),5(3x,1pe12.4),2x,0pf12.3,f12.2)");
  std::string line =
      records::format(report, {12, 81, 7, 3, 14, 0, 3, 1.5f, 22.25f, -0.004f, 1000.0f, 0.0123456f,
                               1.0f, -3.5f, 0.0f, 1.0e-30f, 123.4565f, 359.99994f});
  EXPECT_EQ(line.size(), 177u);
  // Pieces in layout order: 3x,i5 | 2x,5i2.2 | 2x,i2 | 4(f10.2,3x) | 5(3x,1pe12.4) | 2x,f12.3,f12.2
  std::string want = std::string("   ") + "   12" + "  " + "8107031400" + "  " + " 3" +
                     "      1.50" + "   " + "     22.25" + "   " + "     -0.00" + "   " +
                     "   1000.00" + "   " + "     1.2346E-02" + "     1.0000E+00" +
                     "    -3.5000E+00" + "     0.0000E+00" + "     1.0000E-30" + "  " +
                     "     123.456" + "      360.00";
  EXPECT_EQ(line, want);
}

TEST(WriteRecord, ScaleOneOnFixedMultipliesByTen) {
  EXPECT_EQ(records::format(Layout("(1pf8.2)"), {1.234f}), "   12.34");
}

TEST(WriteRecord, ProgrammingErrorsThrowLogicError) {
  EXPECT_THROW(records::format(Layout("(i5)"), {1, 2}), std::logic_error);
  EXPECT_THROW(records::format(Layout("(i5)"), {1.0f}), std::logic_error);
  EXPECT_THROW(records::format(Layout("(f5.1)"), {1}), std::logic_error);
  EXPECT_THROW(records::format(Layout("(a5)"), {1}), std::logic_error);
  EXPECT_THROW(records::format(Layout("(g8.2)"), {1.0f}), std::logic_error);
}

TEST(WriteText, TextVariableReplacedWhole) {
  std::string var = "xxxxxxxxxx";
  records::write_text(Layout("(i3,2x,a2)"), {5, "abc"}, var);
  EXPECT_EQ(var, "  5  ab   ");
  std::string shortvar = "xxx";
  records::write_text(Layout("(i5)"), {12345}, shortvar);
  EXPECT_EQ(shortvar, "123");
}

TEST(WriteList, BlanksBetweenItemsNotBetweenTexts) {
  EXPECT_EQ(records::format_list({"NUM  = : ", 250}), " NUM  = :  250");
  EXPECT_EQ(records::format_list({"Subroutine areatp "}), " Subroutine areatp ");
  EXPECT_EQ(records::format_list({"Num = ", 201, " nmax = ", 200}), " Num =  201  nmax =  200");
  EXPECT_EQ(records::format_list({"a", "b", 1, 2, "c"}), " ab 1 2 c");
  EXPECT_EQ(records::format_list({-5}), " -5");
  EXPECT_EQ(records::format_list({}), " ");
  std::ostringstream out;
  records::write_console_list(out, {" Dates filename: "});
  EXPECT_EQ(out.str(), "  Dates filename: \n");
  std::ostringstream out2;
  records::write_console(out2, Layout("(i2/i2)"), {1, 2});
  EXPECT_EQ(out2.str(), " 1\n 2\n");
}

}  // namespace
