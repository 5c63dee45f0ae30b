// The exceedance scores: the scores of hand-counted tables (including the ones not
// formed), the counts and scores of a small pairs file with their differences, the
// threshold's name in the tidy file, and the usage errors of --threshold.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "evaluate/statistics/exceedance.h"
#include "evaluate/tlvstats.h"
#include "support/run.h"
#include "support/scratch.h"

namespace {

const double kNan = std::nan("");

TEST(EvaluateExceedance, ScoresOfHandCountedTables) {
  struct Case {
    evaluate::Contingency t;
    std::array<double, 6> want;  // POD, FAR, F, CSI, FBI, ETS
  };
  const Case cases[] = {
      // ar = 2 * 2 / 5 = 0.8: ETS = 0.2 / 2.2.
      {{1, 1, 1, 2}, {0.5, 0.5, 1.0 / 3, 1.0 / 3, 1.0, 0.2 / 2.2}},
      // A perfect forecast: ar = 0.8, ETS = 1.
      {{2, 0, 0, 3}, {1, 0, 0, 1, 1, 1}},
      // No exceedance at all: only F is formed.
      {{0, 0, 0, 5}, {kNan, kNan, 0, kNan, kNan, kNan}},
      // No observed exceedance, one predicted: POD and FBI not formed.
      {{0, 1, 0, 4}, {kNan, 1, 0.2, 0, kNan, 0}},
      // Everything above: F not formed; ar = 3, ETS = 0 / 0.
      {{3, 0, 0, 0}, {1, 0, kNan, 1, 1, kNan}},
      // ar = 5 * 4 / 10 = 2: ETS = (3 - 2) / (6 - 2).
      {{3, 2, 1, 4}, {0.75, 0.4, 2.0 / 6, 0.5, 1.25, 0.25}},
  };
  const std::vector<int> scores = evaluate::threshold_measures(true);
  ASSERT_EQ(6u, scores.size());
  for (const Case& c : cases) {
    const evaluate::MeasureValues got = evaluate::threshold_values(c.t);
    for (std::size_t j = 0; j < scores.size(); ++j) {
      SCOPED_TRACE(evaluate::measure_name(scores[j]));
      if (std::isnan(c.want[j])) {
        EXPECT_TRUE(std::isnan(got[scores[j]])) << got[scores[j]];
      } else {
        EXPECT_NEAR(c.want[j], got[scores[j]], 1e-15);
      }
    }
    // The counts are the table's, a to d.
    const std::vector<int> counts = evaluate::threshold_measures(false);
    ASSERT_EQ(4u, counts.size());
    EXPECT_EQ(c.t.a, got[counts[0]]);
    EXPECT_EQ(c.t.d, got[counts[3]]);
  }
}

TEST(EvaluateExceedance, ThresholdNames) {
  EXPECT_EQ("200", evaluate::threshold_text(200.0f));
  EXPECT_EQ("0.3", evaluate::threshold_text(0.3f));
  EXPECT_EQ("1e-05", evaluate::threshold_text(1e-5f));
}

// The value of the tidy row of `model`, group all and `measure` ("" when empty; the
// whole row when `whole`).
std::string tidy_field(const std::string& csv, const std::string& model, const std::string& measure,
                       int field = 5) {
  std::istringstream in(csv);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(model + ",CY,all,," + measure + ",", 0) != 0) continue;
    std::istringstream fields(line);
    std::string f;
    for (int i = 0; i <= field; ++i) std::getline(fields, f, ',');
    return f;
  }
  return "missing";
}

TEST(EvaluateExceedance, CountsScoresAndDifferencesOfAPairsFile) {
  testsupport::ScratchDir dir;
  // A: (1,2) d, (2,1) d, (3,5) b, (4,3) c, (5,6) a at T = 3; B is perfect.
  dir.write("p.csv",
            "group,quantity,observed,A,B\r\n1,CY,1,2,1\r\n1,CY,2,1,2\r\n2,CY,3,5,3\r\n"
            "2,CY,4,3,4\r\n2,CY,5,6,5\r\n");
  const auto r = testsupport::run_program(
      run_tlvstats, dir.path(),
      {"--pairs", "p.csv", "--resamples", "20", "--threshold", "3", "--threshold", "CY=10"});
  ASSERT_EQ(0, r.status) << r.err;
  const std::string csv = dir.read("p-Model-Statistics.csv");
  struct Want {
    std::string model, measure, value;
  };
  const Want wants[] = {
      {"A", "hits@3", "1"},
      {"A", "false_alarms@3", "1"},
      {"A", "misses@3", "1"},
      {"A", "correct_negatives@3", "2"},
      {"A", "POD@3", "0.5"},
      {"A", "FAR@3", "0.5"},
      {"A", "FBI@3", "1"},
      {"B", "ETS@3", "1"},
      {"A-B", "dPOD@3", "-0.5"},
      {"A-B", "dFAR@3", "0.5"},
      {"A-B", "dFBI@3", "0"},
      // No exceedance above 10: POD not formed, F = 0.
      {"A", "POD@10", ""},
      {"A", "F@10", "0"},
      {"A", "correct_negatives@10", "5"},
      {"A-B", "dPOD@10", ""},
  };
  for (const Want& w : wants) {
    SCOPED_TRACE(w.model + " " + w.measure);
    EXPECT_EQ(w.value, tidy_field(csv, w.model, w.measure));
  }
  EXPECT_NEAR(0.2 / 2.2, std::stod(tidy_field(csv, "A", "ETS@3")), 1e-15);
  EXPECT_EQ("", tidy_field(csv, "A", "hits@3", 8));  // a count has no mark
  const std::string table = dir.read("p-Model-Statistics.txt");
  EXPECT_NE(std::string::npos,
            table.find("\r\nExceedances per quantity, group, model and threshold\r\n"));
  EXPECT_NE(std::string::npos, table.find("Exceedances: differences per quantity, group, pair"));
  EXPECT_NE(std::string::npos, table.find("  POD   = a / (a + c)"));
  EXPECT_NE(std::string::npos, dir.read("p-Evaluation.html").find("<section id=\"exceedances\">"));

  // Without --threshold nothing of it is written.
  const auto plain =
      testsupport::run_program(run_tlvstats, dir.path(), {"--pairs", "p.csv", "--resamples", "20"});
  ASSERT_EQ(0, plain.status) << plain.err;
  EXPECT_EQ(std::string::npos, dir.read("p-Model-Statistics.txt").find("Exceedances"));
  EXPECT_EQ(std::string::npos, dir.read("p-Model-Statistics.csv").find("@"));
  EXPECT_EQ(std::string::npos, dir.read("p-Evaluation.html").find("id=\"exceedances\""));
}

}  // namespace
