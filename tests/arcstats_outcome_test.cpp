// The outcome of an arc fit: how far the fit got (not reached, no CMAX, formed)
// and the marks of what it did not form.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "arcstats/fit_outcome.h"

namespace {

using arcstats::FitOutcome;

// An arc at 1 km from the release point: one receptor per bearing (degrees).
struct Arc {
  std::vector<float> CONC, XREC, YREC, YLAT, ANG;
  Arc(std::vector<float> conc, const std::vector<double>& bearings) : CONC(std::move(conc)) {
    for (double b : bearings) {
      XREC.push_back(static_cast<float>(std::sin(b * 3.141592653589793 / 180.0)));
      YREC.push_back(static_cast<float>(std::cos(b * 3.141592653589793 / 180.0)));
    }
    YLAT.assign(CONC.size(), 0.0f);
    ANG.assign(CONC.size(), 0.0f);
  }
  arcstats::ArcFit fit(float OMAX, const arcstats::ArcSizeReport& report = {}) {
    return arcstats::fit_arc(static_cast<int>(CONC.size()), OMAX, CONC, XREC, YREC, YLAT, ANG,
                             arcstats::SourceSetting{}, report);
  }
};

void expect_marks(const arcstats::FitResults& r, const char* name) {
  EXPECT_EQ(r.RMEAN, -999.0f) << name;
  EXPECT_EQ(r.CMAX, -99.0f) << name;
  EXPECT_EQ(r.Sy, -999.0f) << name;
  EXPECT_EQ(r.CY, -999.0f) << name;
  EXPECT_EQ(r.PHIC, -999.0f) << name;
}

TEST(ArcFitOutcome, HowFarTheFitGot) {
  struct Case {
    const char* name;
    std::vector<float> conc;
    std::vector<double> bearings;
    FitOutcome outcome;
  };
  const Case cases[] = {
      {"no receptors", {}, {}, FitOutcome::kNotReached},
      {"two positive concentrations",
       {1.0f, 2.0f, 0.0f, -1.0f},
       {80, 90, 100, 110},
       FitOutcome::kNotReached},
      {"every positive receptor on one bearing",
       {1.0f, 2.0f, 3.0f},
       {90, 90, 90},
       FitOutcome::kNoPeak},
      {"a plume with width", {1.0f, 2.0f, 1.0f}, {80, 90, 100}, FitOutcome::kFormed},
  };
  for (const Case& c : cases) {
    Arc arc(c.conc, c.bearings);
    const arcstats::ArcFit fit = arc.fit(-9.0f);
    EXPECT_EQ(fit.outcome, c.outcome) << c.name;
    EXPECT_EQ(fit.reached(), c.outcome != FitOutcome::kNotReached) << c.name;
    EXPECT_EQ(fit.cmax_formed(), c.outcome == FitOutcome::kFormed) << c.name;
    switch (c.outcome) {
      case FitOutcome::kNotReached:
        expect_marks(fit.results, c.name);
        break;
      case FitOutcome::kNoPeak:
        EXPECT_EQ(fit.results.CMAX, -99.0f) << c.name;
        break;
      case FitOutcome::kFormed:
        EXPECT_GT(fit.results.CMAX, 0.0f) << c.name;
        break;
    }
  }
}

TEST(ArcFitOutcome, AnArcAboveNmaxIsNotReachedAndKeepsTheCallersOmax) {
  Arc arc(std::vector<float>(arcstats::NMAX + 1, 5.0f),
          std::vector<double>(arcstats::NMAX + 1, 90.0));
  int reported = 0;
  const arcstats::ArcFit fit = arc.fit(-9.0f, [&](int NUM) {
    EXPECT_EQ(NUM, arcstats::NMAX + 1);
    ++reported;
  });
  EXPECT_EQ(reported, 1);
  EXPECT_EQ(fit.outcome, FitOutcome::kNotReached);
  EXPECT_EQ(fit.results.OMAX, -9.0f);
  expect_marks(fit.results, "above NMAX");
}

}  // namespace
