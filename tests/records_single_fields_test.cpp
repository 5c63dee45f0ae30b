// The record library's helpers for readers that take fields one by one: a real
// field read by itself (value or reason, never an exception), the columns of a
// layout's fields, and a text in memory split into records as a file is.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "records/records.h"
#include "support/scratch.h"

namespace {

// The field reads as the same field under a layout of its width would, or fails
// with the reason the layout read gives.
TEST(RecordsSingleFields, RealFieldReadsAsUnderALayout) {
  const struct {
    std::string field;
    int decimals;
  } cases[] = {{"  1.5", 0}, {"12", 0}, {"12", 1},      {"", 0},      {"1.5-3", 0},
               {" 1 2 ", 0}, {"-0", 0}, {"1.0E+39", 0}, {"abc", 0},   {"+", 0},
               {"1..2", 0},  {"1E", 0}, {"NaN", 0},     {"1.5D2", 0}, {"**", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.field);
    const records::RealField got = records::read_real_field(c.field, c.decimals);
    const std::string width = std::to_string(std::max<std::size_t>(c.field.size(), 1));
    const records::Layout layout("(f" + width + "." + std::to_string(c.decimals) + ")");
    float want = 0.0f;
    try {
      records::read_text(layout, c.field, {&want}, records::Origin{"x", 1});
      EXPECT_TRUE(got.ok()) << got.fault;
      EXPECT_EQ(std::signbit(want), std::signbit(got.value));
      EXPECT_TRUE(want == got.value || (std::isnan(want) && std::isnan(got.value)));
    } catch (const records::RunError& e) {
      EXPECT_EQ(e.reason(), got.fault);
      EXPECT_EQ(0.0f, got.value);
    }
  }
}

TEST(RecordsSingleFields, FieldColumnsOfALayout) {
  const struct {
    const char* layout;
    std::vector<std::pair<int, int>> columns;
  } cases[] = {
      {"(3x,i5,f10.2)", {{4, 8}, {9, 18}}},
      {"(t25,g12.0)", {{25, 36}}},
      {"(2(i2,1x),1p,e12.4,0p,t5,a3)", {{1, 2}, {4, 5}, {7, 18}, {5, 7}}},
      {"(3x,a8,4x,f9.3)", {{4, 11}, {16, 24}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.layout);
    std::vector<std::pair<int, int>> got;
    for (const records::FieldColumns& f : records::field_columns(records::Layout(c.layout))) {
      got.emplace_back(f.first, f.last);
    }
    EXPECT_EQ(c.columns, got);
  }
}

// A text in memory gives the records, and their numbers, that the same bytes give
// as an input file.
TEST(RecordsSingleFields, TextLinesSplitAsAFile) {
  const std::string texts[] = {"",
                               "\n",
                               "a",
                               "a\n",
                               "a\r\nb",
                               "a\r\r\nb\r",
                               "a\rb\n\n",
                               "\xEF\xBB\xBF"
                               "x\ny",
                               "\xEF\xBB",
                               "\r\n\r\n",
                               "a\n\xEF\xBB\xBF"};
  testsupport::ScratchDir dir;
  for (const std::string& text : texts) {
    SCOPED_TRACE(testing::PrintToString(text));
    dir.write("t.txt", text);
    records::InputFile file = records::InputFile::open(dir.path(), "t.txt");
    records::TextLines lines(text, "t.txt");
    std::string_view from_file, from_text;
    for (;;) {
      const bool more = file.next(from_file);
      ASSERT_EQ(more, lines.next(from_text));
      if (!more) break;
      EXPECT_EQ(from_file, from_text);
      EXPECT_EQ(file.origin().line, lines.origin().line);
      EXPECT_EQ("t.txt", lines.origin().file);
    }
  }
}

}  // namespace
