// Measures of paired values against hand-computed results.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "evaluate/statistics/criteria.h"
#include "evaluate/statistics/high_end.h"
#include "evaluate/statistics/measures.h"

namespace {

using evaluate::kFac2;
using evaluate::kFb;
using evaluate::kMg;
using evaluate::kNad;
using evaluate::kNmse;
using evaluate::kRhcRatio;
using evaluate::kVg;
using evaluate::Pair;
using evaluate::PairStats;

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
const double kLn2 = std::log(2.0);

void expect_value(double expected, double actual, const char* what) {
  if (std::isnan(expected)) {
    EXPECT_TRUE(std::isnan(actual)) << what << " should not be formed, is " << actual;
  } else {
    EXPECT_NEAR(expected, actual, 1e-12 * (1.0 + std::fabs(expected))) << what;
  }
}

struct MeasureCase {
  const char* name;
  std::vector<Pair> pairs;
  long n, npos;
  double fb, mg, nmse, vg, fac2;
  double nad;  // mean |Co - Cp| / (mean Co + mean Cp)
};

// Every value below is worked out by hand from the definitions.
const std::vector<MeasureCase> kCases = {
    {"perfect model", {{1, 1}, {2, 2}, {5, 5}}, 3, 3, 0.0, 1.0, 0.0, 1.0, 1.0, 0.0},
    // Co 1,2,4 Cp 2,2,1: means 7/3 and 5/3; squares 1,0,9; ln ratios -ln2, 0, 2ln2.
    {"mixed errors",
     {{1, 2}, {2, 2}, {4, 1}},
     3,
     3,
     1.0 / 3.0,
     std::pow(2.0, 1.0 / 3.0),
     6.0 / 7.0,
     std::exp(5.0 * kLn2 * kLn2 / 3.0),
     2.0 / 3.0,
     (4.0 / 3.0) / 4.0},  // |Co - Cp| 1, 0, 3
    // Everywhere twice the observation: on the FAC2 boundary, inside.
    {"factor two over",
     {{1, 2}, {3, 6}},
     2,
     2,
     -2.0 / 3.0,
     0.5,
     5.0 / 8.0,
     std::exp(kLn2* kLn2),
     1.0,
     1.0 / 3.0},
    {"factor two under",
     {{2, 1}, {6, 3}},
     2,
     2,
     2.0 / 3.0,
     2.0,
     5.0 / 8.0,
     std::exp(kLn2* kLn2),
     1.0,
     1.0 / 3.0},
    // A zero prediction counts in FB, NMSE, FAC2 but not in MG, VG.
    {"zero prediction", {{2, 0}, {2, 2}}, 2, 1, 2.0 / 3.0, 1.0, 1.0, 1.0, 0.5, 1.0 / 3.0},
    {"only zero predictions", {{1, 0}}, 1, 0, 2.0, kNan, kNan, kNan, 0.0, 1.0},
    {"no pairs", {}, 0, 0, kNan, kNan, kNan, kNan, kNan, kNan},
};

TEST(EvaluateMeasures, HandComputedSets) {
  for (const MeasureCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const evaluate::PairSummary s = evaluate::summarize(c.pairs);
    EXPECT_EQ(c.n, s.n);
    EXPECT_EQ(c.npos, s.npos);
    expect_value(c.fb, s.measures[kFb], "FB");
    expect_value(c.fac2, s.measures[kFac2], "FAC2");
    expect_value(c.mg, s.measures[kMg], "MG");
    expect_value(c.nmse, s.measures[kNmse], "NMSE");
    expect_value(c.vg, s.measures[kVg], "VG");
    expect_value(c.nad, s.measures[kNad], "NAD");
  }
}

TEST(EvaluateMeasures, FactorOfTwoLimitsAreInclusive) {
  // 1 and 4 against 2 are within a factor of two; 0.999 and 4.001 are not.
  const std::vector<Pair> pairs = {{2, 1}, {2, 4}, {2, 0.999f}, {2, 4.001f}};
  expect_value(0.5, evaluate::summarize(pairs).measures[kFac2], "FAC2");
  const std::vector<Pair> tiny = {{1.0e-30f, 2.0f * 1.0e-30f}, {3.0e30f, 0.5f * 3.0e30f}};
  expect_value(1.0, evaluate::summarize(tiny).measures[kFac2], "FAC2 at the float extremes");
}

TEST(EvaluateMeasures, MeansDeviationsAndCorrelation) {
  // Co 1,2,4: mean 7/3, deviations -4/3,-1/3,5/3, variance 14/9 (divisor N).
  // Cp 2,2,1: mean 5/3, deviations 1/3,1/3,-2/3, variance 2/9; covariance -5/9.
  const std::vector<Pair> pairs = {{1, 2}, {2, 2}, {4, 1}};
  using evaluate::kMeanO, evaluate::kMeanP, evaluate::kSdO, evaluate::kSdP, evaluate::kR;
  const auto s = evaluate::summarize(pairs).measures;
  expect_value(7.0 / 3.0, s[kMeanO], "mean Co");
  expect_value(5.0 / 3.0, s[kMeanP], "mean Cp");
  expect_value(std::sqrt(14.0) / 3.0, s[kSdO], "sd Co");
  expect_value(std::sqrt(2.0) / 3.0, s[kSdP], "sd Cp");
  expect_value(-5.0 / (2.0 * std::sqrt(7.0)), s[kR], "r");

  // A perfect model correlates exactly; a constant prediction has no correlation.
  expect_value(1.0, evaluate::summarize(std::vector<Pair>{{1, 1}, {3, 3}, {8, 8}}).measures[kR],
               "r");
  const auto flat = evaluate::summarize(std::vector<Pair>{{1, 2}, {3, 2}}).measures;
  expect_value(0.0, flat[kSdP], "sd of a constant");
  expect_value(kNan, flat[kR], "r of a constant");
  const auto none = evaluate::summarize(std::vector<Pair>{}).measures;
  expect_value(kNan, none[kMeanO], "mean of nothing");
  expect_value(kNan, none[kSdO], "sd of nothing");
}

TEST(EvaluateMeasures, LargeCommonOffsetKeepsDeviations) {
  // Values near 1e7 differing by 1: a one-pass formula in float would lose them.
  const std::vector<Pair> pairs = {{1.0e7f, 1.0e7f}, {1.0e7f + 1, 1.0e7f + 2}};
  const auto s = evaluate::summarize(pairs).measures;
  expect_value(0.5, s[evaluate::kSdO], "sd Co");
  expect_value(1.0, s[evaluate::kSdP], "sd Cp");
  expect_value(1.0, s[evaluate::kR], "r");
}

TEST(EvaluateMeasures, SumsOfUnionsAddUp) {
  // The bootstrap adds per-line sums; the result must equal the sums of the whole set.
  evaluate::PairSums a = evaluate::pair_terms(1, 2);
  a.add(evaluate::pair_terms(2, 2));
  evaluate::PairSums b = evaluate::pair_terms(4, 1);
  a.add(b);
  const auto from_sums = evaluate::measures_of(PairStats{a});
  const auto direct = evaluate::summarize(std::vector<Pair>{{1, 2}, {2, 2}, {4, 1}}).measures;
  for (int k = 0; k < evaluate::kMeasures; ++k) {
    if (evaluate::measure_entry(k).formed == evaluate::Formed::sums) {
      expect_value(direct[k], from_sums[k], "measure");
    }
  }
}

TEST(EvaluateMeasures, DifferencesUseLogarithmsForMgAndVg) {
  evaluate::PairSums mixed, perfect;
  for (Pair p : std::vector<Pair>{{1, 2}, {2, 2}, {4, 1}})
    mixed.add(evaluate::pair_terms(p.co, p.cp));
  for (Pair p : std::vector<Pair>{{1, 1}, {2, 2}}) perfect.add(evaluate::pair_terms(p.co, p.cp));
  auto d = [&](int k) { return evaluate::measure_difference(k, PairStats{mixed}, {perfect}); };
  expect_value(1.0 / 3.0, d(kFb), "dFB");
  expect_value(kLn2 / 3.0, d(kMg), "d ln MG");
  expect_value(6.0 / 7.0, d(kNmse), "dNMSE");
  expect_value(5.0 * kLn2 * kLn2 / 3.0, d(kVg), "d ln VG");
  expect_value(-1.0 / 3.0, d(kFac2), "dFAC2");
  // A model without pairs leaves every difference unformed.
  for (int k = 0; k < evaluate::kMeasures; ++k) {
    EXPECT_TRUE(std::isnan(evaluate::measure_difference(k, PairStats{mixed}, {})));
  }
}

TEST(EvaluateMeasures, LogMeasuresStayFiniteWhereVgOverflows) {
  // A prediction 1e-30 of an observation 1e10: (ln ratio)^2 = 8483, VG far beyond
  // any float and beyond double; its logarithm is still exact.
  evaluate::PairSums s = evaluate::pair_terms(1.0e10f, 1.0e-30f);
  const double ln_ratio = std::log(double(1.0e10f)) - std::log(double(1.0e-30f));
  expect_value(ln_ratio * ln_ratio, evaluate::log_vg(s), "ln VG");
  EXPECT_TRUE(std::isinf(evaluate::measures_of(PairStats{s})[kVg]));
  EXPECT_EQ(evaluate::Verdict::not_met,
            evaluate::acceptance(evaluate::measures_of(PairStats{s}))[kVg]);
}

TEST(EvaluateMeasures, RobustHighestConcentration) {
  // RHC = C(R) + (Cbar - C(R)) ln((3R - 1)/2), R = min(26, n), worked by hand.
  std::vector<float> thirty;
  for (int k = 1; k <= 30; ++k) thirty.push_back(float(k));
  const struct {
    const char* name;
    std::vector<float> values;
    double expected;
  } cases[] = {
      {"two values", {5, 1}, kNan},
      {"three equal", {2, 2, 2}, 2.0},
      // R = 3: C(3) = 1, Cbar = (4 + 2)/2 = 3, ln 4.
      {"three", {2, 1, 4}, 1.0 + 2.0 * std::log(4.0)},
      // R = 5: C(5) = 1, Cbar = 3.5, ln 7; order does not matter.
      {"five", {3, 5, 1, 4, 2}, 1.0 + 2.5 * std::log(7.0)},
      // R = 26: C(26) = 5, Cbar = mean of 30..6 = 18, ln 38.5.
      {"thirty", thirty, 5.0 + 13.0 * std::log(38.5)},
  };
  for (const auto& c : cases) {
    std::vector<float> v = c.values;
    expect_value(c.expected, evaluate::rhc(v), c.name);
  }
  expect_value(2.0, evaluate::rhc_ratio(4.0, 2.0), "ratio");
  expect_value(kNan, evaluate::rhc_ratio(kNan, 2.0), "ratio not formed");
  PairStats a, b;
  a.rhc_p = 4.0;
  b.rhc_p = 2.0;
  expect_value(std::log(2.0), evaluate::measure_difference(kRhcRatio, a, b), "dlnRHC");
  a.rhc_p = 0.0;
  expect_value(kNan, evaluate::measure_difference(kRhcRatio, a, b), "dlnRHC of a zero RHC");
}

struct AcceptanceCase {
  int measure;
  double value;
  evaluate::Verdict expected;
  evaluate::Criteria criteria = evaluate::Criteria::rural;
};

TEST(EvaluateMeasures, AcceptanceCriteria) {
  using V = evaluate::Verdict;
  constexpr auto urban = evaluate::Criteria::urban;
  const AcceptanceCase cases[] = {
      {kFb, 0.3, V::met},
      {kFb, -0.3, V::met},
      {kFb, 0.3000001, V::not_met},
      {kFb, -0.31, V::not_met},
      {kMg, 0.7, V::met},
      {kMg, 1.3, V::met},
      {kMg, 0.69, V::not_met},
      {kMg, 1.31, V::not_met},
      {kNmse, 1.5, V::met},
      {kNmse, 1.51, V::not_met},
      {kVg, 4.0, V::met},
      {kVg, 4.01, V::not_met},
      {kFac2, 0.5, V::met},
      {kFac2, 0.49, V::not_met},
      {kFb, kNan, V::not_formed},
      {kVg, kNan, V::not_formed},
      // NAD is not judged by the rural set, MG and VG not by the urban one, whatever
      // their value.
      {kNad, 0.9, V::not_judged},
      {kNad, kNan, V::not_judged},
      {kMg, 10.0, V::not_judged, urban},
      {kVg, 100.0, V::not_judged, urban},
      {kFb, 0.67, V::met, urban},
      {kFb, -0.671, V::not_met, urban},
      {kFac2, 0.30, V::met, urban},
      {kFac2, 0.29, V::not_met, urban},
      {kNmse, 6.0, V::met, urban},
      {kNmse, 6.01, V::not_met, urban},
      {kNad, 0.50, V::met, urban},
      {kNad, 0.501, V::not_met, urban},
      {kNad, kNan, V::not_formed, urban},
  };
  for (const AcceptanceCase& c : cases) {
    evaluate::MeasureValues v{0.0, 1.0, 0.0, 1.0, 1.0, 0.0};  // a perfect model passes all
    for (int k = 0; k < evaluate::kMeasures; ++k) {
      // The objective's measures are judged (|value| <= 1) whatever the set.
      const bool judged = evaluate::judged(c.criteria, k) || evaluate::measure_entry(k).objective;
      EXPECT_EQ(judged ? V::met : V::not_judged, evaluate::acceptance(v, c.criteria)[k]);
    }
    v[c.measure] = c.value;
    EXPECT_EQ(c.expected, evaluate::acceptance(v, c.criteria)[c.measure])
        << evaluate::measure_name(c.measure) << " = " << c.value << " ("
        << evaluate::criteria_name(c.criteria) << ")";
  }
}

TEST(EvaluateMeasures, CriteriaTextsAndBoundsComeFromTheWrittenDigits) {
  EXPECT_EQ("FAC2 >= 0.5, |FB| <= 0.3, 0.7 <= MG <= 1.3, NMSE <= 1.5, VG <= 4",
            evaluate::criteria_text(evaluate::Criteria::rural));
  EXPECT_EQ("FAC2 >= 0.30, |FB| <= 0.67, NMSE <= 6, NAD <= 0.50",
            evaluate::criteria_text(evaluate::Criteria::urban));
  const struct {
    evaluate::Criteria set;
    int measure;
    double lower, upper;
  } bounds[] = {{evaluate::Criteria::rural, kMg, 0.7, 1.3},
                {evaluate::Criteria::rural, kFac2, 0.5, HUGE_VAL},
                {evaluate::Criteria::urban, kFb, -HUGE_VAL, 0.67},
                {evaluate::Criteria::urban, kFac2, 0.30, HUGE_VAL},
                {evaluate::Criteria::urban, kNad, -HUGE_VAL, 0.50}};
  for (const auto& b : bounds) {
    const evaluate::Criterion* c = evaluate::criterion_of(b.set, b.measure);
    ASSERT_NE(nullptr, c) << c->text;
    EXPECT_EQ(b.lower, c->lower) << c->text;
    EXPECT_EQ(b.upper, c->upper) << c->text;
  }
}

TEST(EvaluateMeasures, TableNamesEveryMeasureAndDifference) {
  std::string names, differences;
  for (const evaluate::MeasureEntry& entry : evaluate::measure_table()) {
    names += std::string(entry.name) + " ";
    if (entry.difference != evaluate::Difference::none) {
      differences += std::string(entry.difference_name) + " ";
      EXPECT_TRUE(entry.limits) << entry.name;
      EXPECT_EQ(entry.difference == evaluate::Difference::log, entry.log_of != nullptr)
          << entry.name;
    }
  }
  EXPECT_EQ(
      "FB MG NMSE VG FAC2 NAD RHCo RHCp RHCp/RHCo MeanO MeanP SdO SdP R MB MGE NMB NMGE RMSE "
      "CRMSE SDR IOA COE NSE KGE MQI MQI_Y MPI_bias MPI_R MPI_sd MPI_perc MQI90 Y90 groups_above_1 "
      "RMS_U hits false_alarms misses correct_negatives POD FAR F CSI FBI ETS ",
      names);
  EXPECT_EQ(
      "dFB dlnMG dNMSE dlnVG dFAC2 dNAD dlnRHC dR dMB dMGE dNMB dNMGE dRMSE dCRMSE dlnSDR dIOA "
      "dCOE dNSE dKGE dMQI dMQI_Y dMPI_bias dMPI_R dMPI_sd dMPI_perc dPOD dFAR dF dCSI dFBI dETS ",
      differences);
  EXPECT_EQ("FB, MG, NMSE, VG, FAC2, NAD", evaluate::measure_list(evaluate::Shown::acceptance));
}

}  // namespace

// The operational statistics of hand-computed sets; NaN where a measure is not formed.
TEST(EvaluateMeasures, OperationalStatisticsOfHandComputedSets) {
  using namespace evaluate;
  const double s2 = std::sqrt(2.0);
  const struct {
    const char* name;
    std::vector<Pair> pairs;
    double mb, mge, nmb, nmge, rmse, crmse, r, sdr, ioa, coe, nse, kge;
  } cases[] = {
      // sigma_p = 0: R, SDR and KGE not formed; A = 2 <= B = 4.
      {"two, Cp constant", {{1, 2}, {3, 2}}, 0, 1, 0, 0.5, 1, 1, kNan, kNan, 0.5, 0, 0, kNan},
      // Cp = 2 Co: A = 6 > B = 4, IOA = B/A - 1.
      {"three, Cp = 2 Co",
       {{1, 2}, {2, 4}, {3, 6}},
       2,
       2,
       1,
       1,
       std::sqrt(14.0 / 3.0),
       std::sqrt(2.0 / 3.0),
       1,
       2,
       -1.0 / 3.0,
       -2,
       -6,
       1 - s2},
      // sigma_o = 0: every measure about the observed mean is not formed.
      {"five, Co constant",
       {{2, 1}, {2, 2}, {2, 3}, {2, 4}, {2, 5}},
       1,
       1.4,
       0.5,
       0.7,
       std::sqrt(3.0),
       s2,
       kNan,
       kNan,
       kNan,
       kNan,
       kNan,
       kNan},
      {"five, perfect",
       {{1, 1}, {2, 2}, {4, 4}, {8, 8}, {16, 16}},
       0,
       0,
       0,
       0,
       0,
       0,
       1,
       1,
       1,
       1,
       1,
       1},
      {"none", {}, kNan, kNan, kNan, kNan, kNan, kNan, kNan, kNan, kNan, kNan, kNan, kNan},
  };
  for (const auto& c : cases) {
    const MeasureValues v = summarize(c.pairs).measures;
    SCOPED_TRACE(c.name);
    const std::pair<int, double> expected[] = {{kMb, c.mb},     {kMge, c.mge},   {kNmb, c.nmb},
                                               {kNmge, c.nmge}, {kRmse, c.rmse}, {kCrmse, c.crmse},
                                               {kR, c.r},       {kSdr, c.sdr},   {kIoa, c.ioa},
                                               {kCoe, c.coe},   {kNse, c.nse},   {kKge, c.kge}};
    for (const auto& [id, value] : expected) {
      expect_value(value, v[id], std::string(measure_name(id)).c_str());
    }
  }
}

// RMSE^2 = MB^2 + CRMSE^2 and NSE = 1 - (RMSE/SdO)^2 on 30 uneven pairs; dlnSDR is
// the difference of the logarithms.
TEST(EvaluateMeasures, OperationalIdentities) {
  using namespace evaluate;
  std::vector<Pair> pairs, others;
  for (int i = 0; i < 30; ++i) {
    pairs.push_back({static_cast<float>(i + 1), static_cast<float>((i * 7) % 11) + 0.5f * i});
    others.push_back({static_cast<float>(i + 1), static_cast<float>((i * 5) % 13) + 0.25f * i});
  }
  const PairSummary s = summarize(pairs);
  const MeasureValues& v = s.measures;
  expect_value(v[kRmse] * v[kRmse], v[kMb] * v[kMb] + v[kCrmse] * v[kCrmse], "RMSE^2");
  expect_value(v[kNse], 1.0 - (v[kRmse] / v[kSdO]) * (v[kRmse] / v[kSdO]), "NSE");
  expect_value(v[kSdr], v[kSdP] / v[kSdO], "SDR");
  const PairSummary t = summarize(others);
  expect_value(std::log(v[kSdr]) - std::log(t.measures[kSdr]),
               measure_difference(kSdr, s.stats, t.stats), "dlnSDR");
  expect_value(v[kKge] - t.measures[kKge], measure_difference(kKge, s.stats, t.stats), "dKGE");
}
