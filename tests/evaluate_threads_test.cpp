// tlvstats on one thread and on two: every output file the same byte for byte (the
// page's time fixed by SOURCE_DATE_EPOCH), on the example table and on a 3-model
// pairs file with the objective and an exceedance threshold; the page's command
// line leaves --threads out. The default's cgroup quota.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "bench/study_inputs.h"
#include "evaluate/cpu_count.h"
#include "evaluate/tlvstats.h"
#include "support/example_study.h"
#include "support/run.h"
#include "support/scratch.h"

namespace {

using testsupport::ScratchDir;

std::set<std::string> files_of(const ScratchDir& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

TEST(EvaluateThreads, OutputsDoNotDependOnTheThreads) {
  struct Case {
    std::string name;
    std::function<void(const ScratchDir&)> make;
    std::vector<std::string> args;
    std::string page;
  };
  const std::vector<Case> cases = {
      {"example table", testsupport::make_example_table, {}, "TLV-Evaluation.html"},
      {"3 models",
       [](const ScratchDir& dir) {
         dir.write("three.csv", studyinputs::pairs_text(studyinputs::shapes(1500), 3));
       },
       {"--pairs", "three.csv", "--uncertainty", "no2", "--threshold", "100"},
       "three-Evaluation.html"},
  };
  ::setenv("SOURCE_DATE_EPOCH", "1700000000", 1);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ScratchDir one, two;
    c.make(one);
    c.make(two);
    if (HasFatalFailure()) break;
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--resamples", "101"});
    std::vector<std::string> args_one = args, args_two = args;
    args_one.insert(args_one.end(), {"--threads", "1"});
    args_two.insert(args_two.begin(), "--threads=2");
    ASSERT_EQ(0, testsupport::run_program(run_tlvstats, one.path(), args_one).status);
    ASSERT_EQ(0, testsupport::run_program(run_tlvstats, two.path(), args_two).status);
    const std::set<std::string> names = files_of(one);
    EXPECT_EQ(names, files_of(two));
    for (const std::string& name : names) EXPECT_TRUE(one.read(name) == two.read(name)) << name;
    EXPECT_EQ(std::string::npos, one.read(c.page).find("--threads"));
    EXPECT_NE(std::string::npos, one.read(c.page).find("--resamples 101"));
  }
  ::unsetenv("SOURCE_DATE_EPOCH");
}

TEST(EvaluateThreads, CgroupQuotaInCpus) {
  // cgroup v2 cpu.max: "QUOTA PERIOD" gives ceil(QUOTA / PERIOD), "max": no quota.
  const std::pair<std::string, std::optional<int>> cases[] = {
      {"max 100000\n", std::nullopt}, {"200000 100000\n", 2},
      {"150000 100000", 2},           {"50000 100000", 1},
      {"100000 0", std::nullopt},     {"", std::nullopt},
      {"-1 100000", std::nullopt},    {"2e5 100000", std::nullopt}};
  for (const auto& [text, cpus] : cases) EXPECT_EQ(cpus, evaluate::quota_cpus(text)) << text;
  const int threads = evaluate::default_threads(256);
  EXPECT_GE(threads, 1);
  EXPECT_LE(threads, 256);
}

}  // namespace
