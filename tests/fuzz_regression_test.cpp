// Every input that a fuzz target once found at fault (tests/data/fuzz/<target>/),
// and every seed of the fuzz corpora (fuzz/corpus/<target>/), run through the
// same case as the fuzz target, with the same checks: no crash or sanitizer
// report, a clear failure line naming the file, and well-formed output files.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/pairs_file_cases.h"
#include "fuzz/program_cases.h"
#include "fuzz/record_cases.h"

namespace {

using Case = std::string (*)(std::string_view);

struct Target {
  const char* name;
  Case run;
};

const Target kTargets[] = {
    {"records_layout", fuzzing::records_layout_case}, {"list_form", fuzzing::list_form_case},
    {"tlvanalysis", fuzzing::tlvanalysis_case},       {"hlbanalysis", fuzzing::hlbanalysis_case},
    {"tessiclip", fuzzing::tessiclip_case},           {"combine", fuzzing::combine_case},
    {"pairs_file", fuzzing::pairs_file_case},
};

// The files of `dir` in name order (none when it does not exist).
std::vector<std::filesystem::path> inputs_in(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> files;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    if (e.is_regular_file() && e.path().filename().string()[0] != '.') files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

void run_all(const Target& t, const std::filesystem::path& dir, std::size_t& count) {
  for (const auto& file : inputs_in(dir)) {
    SCOPED_TRACE(file.string());
    EXPECT_EQ(t.run(testsupport::read_file(file)), "");
    ++count;
  }
}

class FuzzRegression : public ::testing::TestWithParam<Target> {};

// A target without a regression folder has had no finding: skipped, with a note. A
// folder that is there but empty has lost its inputs.
TEST_P(FuzzRegression, FoundInputsRunClean) {
  const std::filesystem::path dir = std::filesystem::path(TEST_DATA_DIR) / "fuzz" / GetParam().name;
  if (!std::filesystem::is_directory(dir)) {
    GTEST_SKIP() << "no regression inputs for " << GetParam().name << " (no folder " << dir << ")";
  }
  std::size_t count = 0;
  run_all(GetParam(), dir, count);
  EXPECT_GT(count, 0u) << "the regression folder " << dir << " is empty";
}

TEST_P(FuzzRegression, SeedCorpusRunsClean) {
  std::size_t count = 0;
  run_all(GetParam(),
          std::filesystem::path(EXAMPLE_DIR).parent_path() / "fuzz" / "corpus" / GetParam().name,
          count);
  EXPECT_GT(count, 0u) << "no seeds for " << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegression, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

// Faults the fuzz targets found, each pinned down directly.
TEST(FuzzFoundFaults, EmptyTextItemWithoutData) {
  // A default string_view has no data pointer; writing it must not hand that
  // pointer to memcpy (undefined even for zero bytes).
  EXPECT_EQ(
      records::format(records::Layout("(a5,i2,a)"), {std::string_view(), 7, std::string_view()}),
      "      7");
}

// The cut of a fuzz input into input files, which every program target relies on.
TEST(FuzzInputCut, PiecesBecomeFilesInOrder) {
  struct Row {
    std::string data;
    std::size_t count;
    std::vector<std::string> pieces;
  };
  const std::string sep(1, fuzzing::kFileSeparator);
  const Row rows[] = {
      {"", 1, {""}},
      {"abc", 1, {"abc"}},
      {"a" + sep + "b", 1, {"a" + sep + "b"}},  // one file takes everything
      {"a" + sep + "b", 2, {"a", "b"}},
      {"a" + sep + "b" + sep + "c", 2, {"a", "b" + sep + "c"}},  // the last takes the rest
      {"a", 3, {"a"}},                                           // two files missing
      {sep + sep, 3, {"", "", ""}},                              // three empty files
      {"x" + sep, 4, {"x", ""}},
  };
  for (const Row& r : rows) {
    const auto got = fuzzing::split_files(r.data, r.count);
    ASSERT_EQ(got.size(), r.pieces.size()) << r.data;
    for (std::size_t k = 0; k < got.size(); ++k) EXPECT_EQ(got[k], r.pieces[k]) << r.data;
  }
  EXPECT_EQ(fuzzing::join_files({"a", "", "b"}), "a" + sep + sep + "b");
}

// The checks themselves: a well-behaved failure passes, a malformed one does not.
TEST(FuzzChecks, FailureLinesAreJudged) {
  using fuzzing::check_status;
  using fuzzing::RunResult;
  const RunResult good{2, "",
                       "prog: data.txt line 3, columns 1-5 (x): Bad value during integer read\n"};
  EXPECT_EQ(check_status(good, "prog", {"data.txt"}), "");
  const RunResult os{1, "", "prog: data.txt: Operating system error: No such file or directory\n"};
  EXPECT_EQ(check_status(os, "prog", {"data.txt"}), "");
  const RunResult cases[] = {
      {3, "", "prog: data.txt: End of file\n"},               // unknown status
      {0, "", "prog: data.txt: End of file\n"},               // normal end with a message
      {2, "", "prog: other.txt: End of file\n"},              // names no input file
      {2, "", "prog: data.txt: out of memory\n"},             // no read failure
      {1, "", "prog: data.txt: End of file\n"},               // status 1 without os error
      {2, "", "prog: data.txt: End of file\nprog: again\n"},  // two lines
      {2, "", "data.txt: End of file\n"},                     // no program name
  };
  for (const RunResult& r : cases) EXPECT_NE(check_status(r, "prog", {"data.txt"}), "") << r.err;
}

TEST(FuzzChecks, OutputRecordsEndWithCrLf) {
  std::vector<std::string_view> recs;
  EXPECT_EQ(fuzzing::split_records("f", "a\r\n\r\nb\rc\r\n", recs), "");
  ASSERT_EQ(recs.size(), 3u);
  EXPECT_EQ(recs[2], "b\rc");
  EXPECT_NE(fuzzing::split_records("f", "a\r\nb", recs), "");    // a cut record
  EXPECT_NE(fuzzing::split_records("f", "a\nb\r\n", recs), "");  // LF alone
}

}  // namespace
