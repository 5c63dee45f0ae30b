// A whole run on a committed study whose table was written by a separate rescanning
// program, and a check of the example study's model results files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/combine_files.h"

namespace {

using namespace combine_test;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  return lines;
}

TEST(CombineGolden, TableOfTheCommittedStudy) {
  const std::filesystem::path golden = std::filesystem::path(TEST_DATA_DIR) / "combine" / "golden";
  testsupport::ScratchDir dir;
  for (std::string_view name : {kObservedName, kIscst3Name, kSurfaceName, kAermodName}) {
    dir.write(name, read_file(golden / name));
  }
  const Result r = run_in(dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  const std::string expected = read_file(golden / "expected-table.txt");
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(r.table, expected);
}

// The example study's model results: two header lines, then 80-column records of the
// study hours at the four arc distances; AERMOD has every hour and arc, ISCST3 lacks one
// and has one zero CY1/Q, so the three counts of the example table all differ.
TEST(CombineGolden, ExampleModelResultsFiles) {
  const std::filesystem::path models = std::filesystem::path(EXAMPLE_DIR) / "models";
  const std::set<std::string> hours = {"80071510", "80071511", "80071512", "80071513",
                                       "80072211", "80072212", "80072213", "80072214",
                                       "81052012", "81052013", "81052014", "81052015"};
  const std::set<std::string> dists = {"  500.000", " 1000.000", " 2000.000", " 5000.000"};
  struct Case {
    std::string_view name;
    std::size_t records;
    int zero_cy;
  };
  for (const Case& c : {Case{kAermodName, 48, 0}, Case{kIscst3Name, 47, 1}}) {
    SCOPED_TRACE(std::string(c.name));
    const std::vector<std::string> lines = lines_of(read_file(models / c.name));
    ASSERT_EQ(lines.size(), c.records + 2);
    std::set<std::string> keys;
    int zero = 0;
    for (std::size_t k = 2; k < lines.size(); ++k) {
      const std::string& l = lines[k];
      ASSERT_EQ(l.size(), 80u) << l;
      EXPECT_EQ(hours.count(l.substr(3, 8)), 1u) << l;
      EXPECT_EQ(dists.count(l.substr(15, 9)), 1u) << l;
      keys.insert(l.substr(3, 21));
      if (l.substr(54, 10) == "0.0000E+00") ++zero;
    }
    EXPECT_EQ(keys.size(), c.records);
    EXPECT_EQ(zero, c.zero_cy);
  }
}

}  // namespace
