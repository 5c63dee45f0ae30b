// The record engine against an independent model: tables of layouts, values and
// texts produced by gfortran's formatted I/O for the same layouts (files under
// tests/data/records/). Where the two are meant to differ, the rows say so:
//  - a negative zero under 1pe10.4 is "-.0000E+00" here (gfortran: asterisks).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "records/records.h"

namespace {

using records::Layout;

std::vector<std::string> table(const char* name) {
  std::ifstream f(std::string(TEST_DATA_DIR) + "/records/" + name, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(f, line)) lines.push_back(line);
  return lines;
}

std::uint32_t hex(std::string_view s) {
  return static_cast<std::uint32_t>(std::stoul(std::string(s), nullptr, 16));
}

float as_float(std::uint32_t b) {
  float f;
  std::memcpy(&f, &b, sizeof f);
  return f;
}

std::uint32_t bits_of(float f) {
  std::uint32_t b;
  std::memcpy(&b, &f, sizeof b);
  return b;
}

std::vector<std::string> split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : s) {
    if (c == sep) {
      parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  parts.push_back(cur);
  return parts;
}

// What the record engine must write where it deliberately differs from gfortran.
std::string expected_text(std::string_view layout, std::uint32_t bits, std::string text) {
  if (bits == 0x80000000u && layout == "(1pe10.4)") return "-.0000E+00";
  return text;
}

TEST(GfortranTable, HandPickedWrites) {
  auto lines = table("write_table.txt");
  ASSERT_GT(lines.size(), 1000u);
  for (const std::string& line : lines) {
    // "<kind> <hex> <layout>|<text>|"
    char kind = line[0];
    std::uint32_t b = hex(line.substr(2, 8));
    std::size_t bar = line.find('|');
    std::string layout = line.substr(11, bar - 11);
    std::string text = line.substr(bar + 1, line.size() - bar - 2);
    std::string got = kind == 'r' ? records::format(Layout(layout), {as_float(b)})
                                  : records::format(Layout(layout), {static_cast<int>(b)});
    // The table keeps the texts without trailing blanks ("i4.0" of zero is all blank).
    while (!got.empty() && got.back() == ' ') got.pop_back();
    EXPECT_EQ(got, expected_text(layout, b, text)) << line;
  }
}

TEST(GfortranTable, RandomRealsWrittenAndReadBack) {
  const char* layouts[5] = {"(f10.2)", "(f12.3)", "(f12.2)", "(1pe12.4)", "(1pe10.4)"};
  std::vector<Layout> parsed(layouts, layouts + 5);
  auto lines = table("round_table.txt");
  ASSERT_GT(lines.size(), 3000u);
  std::string got;
  for (const std::string& line : lines) {
    // "<hex>|t1|t2|t3|t4|t5| b1 b2 b3 b4 b5": texts and gfortran's reading of them
    auto parts = split(line, '|');
    ASSERT_EQ(parts.size(), 7u) << line;
    std::uint32_t b = hex(parts[0]);
    std::istringstream back(parts[6]);
    for (int i = 0; i < 5; ++i) {
      records::Item item = as_float(b);
      records::format(parsed[i], std::span<const records::Item>(&item, 1), got);
      std::string want = expected_text(layouts[i], b, parts[i + 1]);
      EXPECT_EQ(got, want) << layouts[i] << " of " << parts[0];
      std::string read_bits;
      back >> read_bits;
      float v = 0;
      try {
        records::read_text(parsed[i], want, {&v}, records::Origin{});
        if (want == "-.0000E+00") read_bits = "80000000";
        EXPECT_EQ(bits_of(v), hex(read_bits)) << layouts[i] << " reading [" << want << "]";
      } catch (const records::RunError& e) {
        EXPECT_EQ(read_bits, "--------") << layouts[i] << " reading [" << want << "]";
        EXPECT_EQ(e.reason(), records::kBadReal);
      }
    }
  }
}

TEST(GfortranTable, RandomIntegersWrittenAndReadBack) {
  const char* layouts[5] = {"(i5)", "(i2.2)", "(i8)", "(i11)", "(i3.3)"};
  std::vector<Layout> parsed(layouts, layouts + 5);
  auto lines = table("round_int_table.txt");
  ASSERT_GT(lines.size(), 3000u);
  for (const std::string& line : lines) {
    auto parts = split(line, '|');
    ASSERT_EQ(parts.size(), 7u) << line;
    int value = std::stoi(parts[0]);
    std::istringstream back(parts[6]);
    for (int i = 0; i < 5; ++i) {
      EXPECT_EQ(records::format(parsed[i], {value}), parts[i + 1]) << layouts[i] << " of " << value;
      std::string read_bits;
      back >> read_bits;
      int v = 0;
      try {
        records::read_text(parsed[i], parts[i + 1], {&v}, records::Origin{});
        EXPECT_EQ(static_cast<std::uint32_t>(v), hex(read_bits)) << parts[i + 1];
      } catch (const records::RunError& e) {
        EXPECT_EQ(read_bits, "--------") << parts[i + 1];
        EXPECT_EQ(e.reason(), records::kBadInteger);
      }
    }
  }
}

TEST(GfortranTable, Reads) {
  auto lines = table("read_table.txt");
  ASSERT_GT(lines.size(), 70u);
  for (const std::string& line : lines) {
    // "<layout>|<text>|<hex value or failure text>"
    auto parts = split(line, '|');
    ASSERT_EQ(parts.size(), 3u) << line;
    Layout layout(parts[0]);
    bool integer = layout.steps().back().op == records::Op::i;
    int iv = 0;
    float fv = 0;
    try {
      if (integer) {
        records::read_text(layout, parts[1], {&iv}, records::Origin{});
        EXPECT_EQ(static_cast<std::uint32_t>(iv), hex(parts[2])) << line;
      } else {
        records::read_text(layout, parts[1], {&fv}, records::Origin{});
        EXPECT_EQ(bits_of(fv), hex(parts[2])) << line << " read " << fv;
      }
    } catch (const records::RunError& e) {
      EXPECT_EQ(e.reason(), parts[2]) << line;
    }
  }
}

}  // namespace
