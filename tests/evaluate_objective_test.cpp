// The modelling quality objective: its measures on hand-computed sets, the identity
// MQI^2 = MPI_bias^2 + MPI_sd^2 + MPI_R, the 90th percentile over the groups, the
// percentile of a resample's values, and the usage errors of its options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "evaluate/statistics/high_end.h"
#include "evaluate/statistics/measures.h"
#include "evaluate/statistics/uncertainty.h"
#include "evaluate/tlvstats.h"
#include "support/pair_stats.h"
#include "support/run.h"
#include "support/scratch.h"

namespace {

using evaluate::Pair;
using evaluate::Uncertainty;

using testsupport::stats_of;

double of(int id, const evaluate::PairStats& s) {
  return evaluate::measure_entry(id).of(s);
}

// U 0.5, alpha 0, RV 1, NP = NNP = 1, beta 1: U(O) = O/2 and U(mean) = mean/2.
const Uncertainty kHalf{0.5, 0.0, 1.0, 1.0, 1.0, 1.0, 90.0};

struct ObjectiveCase {
  const char* name;
  std::vector<Pair> pairs;
  double mqi, mpi_bias, mpi_r, mpi_sd, mpi_perc, mqi_y;  // NaN: only the identity
};

std::vector<Pair> thirty() {
  std::vector<Pair> out;
  for (int i = 1; i <= 30; ++i) {
    out.push_back({static_cast<float>(i), static_cast<float>(0.8 * i + 3.0 * std::sin(i))});
  }
  return out;
}

const double kNan = std::nan("");

// By hand, with U(O)^2 = O^2/4:
// - Co 1,3, Cp 2,3: RMSE^2 1/2, mean U^2 10/8; means 2, 2.5; SdO 1, SdP 0.5, R 1;
//   90th percentiles 2.8 and 2.9: MPI_perc 0.1/1.4; MQI_Y 0.5/U(2) = 0.5.
// - Co 1,2,3, Cp 2,2,5: RMSE^2 5/3, mean U^2 7/6; means 2, 3; SdO^2 2/3, SdP^2 2,
//   cov 1 (R = 1/sqrt(4/3)); percentiles 2.8 and 4.4: MPI_perc 1.6/1.4; MQI_Y 1/1.
const std::vector<ObjectiveCase> kCases = {
    {"two values",
     {{1, 2}, {3, 3}},
     std::sqrt(0.4),
     0.5 / std::sqrt(1.25),
     0.0,
     -0.5 / std::sqrt(1.25),
     0.1 / 1.4,
     0.5},
    {"three values",
     {{1, 2}, {2, 2}, {3, 5}},
     std::sqrt(10.0 / 7.0),
     1.0 / std::sqrt(7.0 / 6.0),
     2.0 * std::sqrt(2.0 / 3.0) * std::sqrt(2.0) * (1.0 - std::sqrt(0.75)) / (7.0 / 6.0),
     (std::sqrt(2.0) - std::sqrt(2.0 / 3.0)) / std::sqrt(7.0 / 6.0),
     1.6 / 1.4,
     1.0},
    {"five values",
     {{1, 1.5}, {2, 1}, {4, 6}, {8, 7}, {9, 12}},
     kNan,
     kNan,
     kNan,
     kNan,
     kNan,
     kNan},
    {"thirty values", thirty(), kNan, kNan, kNan, kNan, kNan, kNan},
};

TEST(EvaluateObjective, HandComputedSetsAndTheIdentity) {
  for (const ObjectiveCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const evaluate::PairStats s = stats_of(c.pairs, kHalf);
    const double mqi = of(evaluate::kMqi, s);
    const double bias = of(evaluate::kMpiBias, s);
    const double sd = of(evaluate::kMpiSd, s);
    const double r = of(evaluate::kMpiR, s);
    EXPECT_NEAR(mqi * mqi, bias * bias + sd * sd + r, 1e-12 * mqi * mqi);
    if (std::isnan(c.mqi)) continue;
    const double expected[] = {c.mqi, c.mpi_bias, c.mpi_r, c.mpi_sd, c.mpi_perc, c.mqi_y};
    const int ids[] = {evaluate::kMqi,   evaluate::kMpiBias, evaluate::kMpiR,
                       evaluate::kMpiSd, evaluate::kMpiPerc, evaluate::kMqiY};
    for (int k = 0; k < 6; ++k) {
      EXPECT_NEAR(expected[k], of(ids[k], s), 1e-12) << evaluate::measure_name(ids[k]);
    }
  }
  // Without an uncertainty, and without NP and NNP for MQI_Y, nothing is formed.
  evaluate::PairStats s = stats_of(kCases[0].pairs, kHalf);
  Uncertainty no_means = kHalf;
  no_means.np = kNan;
  s.uncertainty = &no_means;
  EXPECT_TRUE(std::isnan(of(evaluate::kMqiY, s)));
  s.uncertainty = nullptr;
  EXPECT_TRUE(std::isnan(of(evaluate::kMqi, s)));
}

TEST(EvaluateObjective, PercentileCountsARepeatedValueAsOftenAsDrawn) {
  // 1 drawn twice, 2 not at all, 4 once: the values 1, 1, 4; h = 2 * 0.5 = 1.
  std::vector<evaluate::Ranked> ranked = {{1, 0}, {2, 1}, {4, 2}};
  evaluate::sort_ranked(ranked);
  const std::vector<std::uint32_t> times = {2, 0, 1};
  EXPECT_DOUBLE_EQ(1.0, evaluate::percentile_of_ranked(ranked, times, 3, 50));
  EXPECT_DOUBLE_EQ(2.5, evaluate::percentile_of_ranked(ranked, times, 3, 75));
  EXPECT_DOUBLE_EQ(4.0, evaluate::percentile_of_ranked(ranked, times, 3, 100));
  EXPECT_DOUBLE_EQ(1.0, evaluate::percentile_of_ranked(ranked, times, 3, 0));
}

TEST(EvaluateObjective, LongRankedListsSortAsTheComparisonDoes) {
  // Ties, -0 with +0, negative and large values, lines out of order; long enough for
  // the sort by keys.
  std::vector<evaluate::Ranked> ranked;
  const float values[] = {0.0f, -0.0f, 3.5f, -2.0f, 1e30f, 3.5f, 7e-40f, -1e-3f};
  for (std::uint32_t i = 0; i < 20000; ++i) {
    ranked.push_back({values[(i * 7) % 8] * static_cast<float>(1 + i % 3), (i * 7919u) % 20011u});
  }
  std::vector<evaluate::Ranked> expected = ranked;
  std::stable_sort(expected.begin(), expected.end(), [](const auto& x, const auto& y) {
    return x.value > y.value || (x.value == y.value && x.line < y.line);
  });
  evaluate::sort_ranked(ranked);
  ASSERT_EQ(expected.size(), ranked.size());
  for (std::size_t i = 0; i < ranked.size(); ++i) {
    ASSERT_EQ(expected[i].line, ranked[i].line) << i;
    ASSERT_EQ(std::signbit(expected[i].value), std::signbit(ranked[i].value)) << i;
    ASSERT_EQ(expected[i].value, ranked[i].value) << i;
  }
}

TEST(EvaluateObjective, NinetiethPercentileOverTheGroups) {
  struct Case {
    std::vector<double> values;
    double expected;
  };
  const Case cases[] = {
      {{0.7}, 0.7},
      {{1.5, 0.5}, 0.5 + 0.8 * 1.0},                              // k = 1, d = 0.8
      {{1.0, 0.3, 0.5, 0.9, 0.1, 0.2, 0.8, 0.4, 0.6, 0.7}, 0.9},  // k = 9, d = 0
      {{0.2, 0.4, 0.6}, 0.4 + 0.7 * 0.2},                         // k = 2, d = 0.7
  };
  for (const Case& c : cases) {
    EXPECT_NEAR(c.expected, evaluate::groups_percentile90(c.values), 1e-12) << c.values.size();
  }
  EXPECT_TRUE(std::isnan(evaluate::groups_percentile90({})));
}

// The usage errors of --uncertainty, --beta, --percentile and --threshold.
TEST(EvaluateObjective, UsageErrors) {
  struct Case {
    std::vector<std::string> args;
    std::string err_part;
  };
  const Case cases[] = {
      {{"--uncertainty", "co2"}, "bad value 'co2' for --uncertainty"},
      {{"--uncertainty", "0,0.2,200"}, "for --uncertainty (U must be above 0 and at most 1)"},
      {{"--uncertainty", "1.5,0.2,200"}, "for --uncertainty (U must be"},
      {{"--uncertainty", "0.2,1.2,200"}, "for --uncertainty (ALPHA must be from 0 to 1)"},
      {{"--uncertainty", "0.2,0.2,0"}, "for --uncertainty (RV must be above 0)"},
      {{"--uncertainty", "0.2,0.2,200,0,1"}, "for --uncertainty (NP and NNP must be above 0)"},
      {{"--uncertainty", "0.2,0.2,200,1,-1"}, "for --uncertainty (NP and NNP must be above 0)"},
      {{"--uncertainty", "0.2,0.2"}, "bad value '0.2,0.2' for --uncertainty"},
      {{"--uncertainty", "no2", "--beta", "0"}, "bad value '0' for --beta"},
      {{"--uncertainty", "no2", "--percentile", "100.5"}, "bad value '100.5' for --percentile"},
      {{"--uncertainty", "no2", "--percentile", "-1"}, "bad value '-1' for --percentile"},
      {{"--beta", "2"}, "--beta needs --uncertainty"},
      {{"--percentile", "90"}, "--percentile needs --uncertainty"},
      {{"--pairs", "p.csv", "--uncertainty", "NO=no2"}, "--uncertainty: the input has no quantity"},
      {{"--threshold", "x"}, "bad value 'x' for --threshold"},
      {{"--threshold", "CY="}, "bad value 'CY=' for --threshold"},
      {{"--threshold", "1e39"}, "bad value '1e39' for --threshold"},
      {{"--threshold", "nan"}, "bad value 'nan' for --threshold"},
      {{"--pairs", "p.csv", "--threshold", "NO=3"}, "--threshold: the input has no quantity 'NO'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.err_part);
    testsupport::ScratchDir dir;
    dir.write("p.csv", "group,quantity,observed,A\r\n1,CY,1,2\r\n1,CY,2,2\r\n1,CY,3,4\r\n");
    const testsupport::RunResult r = testsupport::run_program(run_tlvstats, dir.path(), c.args);
    EXPECT_EQ(2, r.status);
    EXPECT_NE(std::string::npos, r.err.find(c.err_part)) << r.err;
    EXPECT_FALSE(dir.exists("p-Model-Statistics.txt"));
    EXPECT_FALSE(dir.exists("TLV-Model-Statistics.txt"));
  }
  // A quantity the input has, split at the last "=".
  testsupport::ScratchDir dir;
  dir.write("p.csv", "group,quantity,observed,A\r\n1,C=Y,1,2\r\n1,C=Y,2,2\r\n1,C=Y,3,4\r\n");
  const auto r = testsupport::run_program(
      run_tlvstats, dir.path(),
      {"--pairs", "p.csv", "--resamples", "5", "--uncertainty", "C=Y=no2"});
  EXPECT_EQ(0, r.status) << r.err;
  EXPECT_NE(std::string::npos, dir.read("p-Model-Statistics.csv").find("A,C=Y,all,,MQI90,"));
}

}  // namespace
