// The report and emission records, byte for byte, and the statistics of one arc
// line: PHIC reduction, ratios to the emission rate, and arcs the fit cannot take.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/scratch.h"
#include "tlvanalysis/arc_analysis.h"
#include "tlvanalysis/report.h"

namespace {

using tlvanalysis::ReportLine;

// The block that the written lines come from.
const records::Origin kBlock{"TolvernSF611052011.txt", 1};

const std::string kHeader1 =
    std::string(20, ' ') +
    "  DUR     Dist         Arc           Q    Hanna-Paine-OBK       OMAX           CMAX           "
    "CY            CMAX/Q          CY/Q            Sy         PHIC";
const std::string kHeader2 =
    std::string(4, ' ') +
    " Exp  YYMMDDHHMM (min)    (km)         (km)        (g/s)         (m)    "
    "   (gx10^-6/m^3)  (gx10^-6/m^3)  (sx10^-6/m^2)  (sx10^-6/m^3)  (sx10^-6/m^2)        (m)      "
    "(degrees)";

// Experiment 3 of hour 80-05-05 10:00 on the 2 km arc.
ReportLine example_line() {
  ReportLine l;
  l.NEXP = 3;
  l.year = 80;
  l.month = 5;
  l.day = 5;
  l.hour = 10;
  l.minutes = 0;
  l.DUR = 60;
  l.stats.Dist = 2.03f;
  l.Arc = 2.0f;
  l.Q = 12.35f;
  l.OBK = -45.6f;
  l.stats.OMAX = 1234.0f;
  l.stats.CMAX = 1100.0f;
  l.stats.CY = 352000.0f;
  l.stats.CMAXQ = tlvanalysis::ratio_to_rate(l.stats.CMAX, l.Q);
  l.stats.CYQ = tlvanalysis::ratio_to_rate(l.stats.CY, l.Q);
  l.stats.Sy = 127.6f;
  l.stats.PHIC = 245.7f;
  return l;
}

TEST(TlvReport, HeaderAndLines) {
  testsupport::ScratchDir dir;
  {
    auto report = tlvanalysis::Report::create(
        records::OutputFile::open(dir.path(), tlvanalysis::kReportFileName));
    report.write_line(example_line(), kBlock);
    ReportLine missing = example_line();
    missing.Q = -1.0f;
    missing.stats.CMAXQ = tlvanalysis::ratio_to_rate(missing.stats.CMAX, missing.Q);
    missing.stats.CYQ = tlvanalysis::ratio_to_rate(missing.stats.CY, missing.Q);
    report.write_line(missing, kBlock);
    report.write_arc_size(250);
  }
  EXPECT_EQ(kHeader1.size(), 175u);
  EXPECT_EQ(kHeader2.size(), 178u);
  const std::string line1 =
      "       3  8005051000  60      2.03         2.00        12.35       -45.60        1.2340E+03"
      "     1.1000E+03     3.5200E+05     8.9069E+01     2.8502E+04       127.600      245.70";
  const std::string line2 =
      "       3  8005051000  60      2.03         2.00        -1.00       -45.60        1.2340E+03"
      "     1.1000E+03     3.5200E+05    -9.9000E+01    -9.9000E+01       127.600      245.70";
  EXPECT_EQ(line1.size(), 177u);
  EXPECT_EQ(dir.read(tlvanalysis::kReportFileName),
            testsupport::crlf_lines(
                {kHeader1, kHeader2, line1, line2, " NUM  = :  250", " NMAX = :  200"}));
}

TEST(TlvReport, HeaderAloneWhenNoLineFollows) {
  testsupport::ScratchDir dir;
  {
    auto report = tlvanalysis::Report::create(
        records::OutputFile::open(dir.path(), tlvanalysis::kReportFileName));
  }
  EXPECT_EQ(dir.read(tlvanalysis::kReportFileName), testsupport::crlf_lines({kHeader1, kHeader2}));
}

TEST(TlvReport, EmissionRecords) {
  testsupport::ScratchDir dir;
  {
    auto emissions = tlvanalysis::Emissions::open(
        records::OutputFile::open(dir.path(), tlvanalysis::kEmissionsFileName));
    emissions.write({80, 5, 5, 10, 1000.0f, 400.0f, 12.5f}, kBlock);
    emissions.write({81, 12, 31, 0, 1000.0f, 398.25f, 11.95f}, kBlock);
  }
  EXPECT_EQ(dir.read(tlvanalysis::kEmissionsFileName),
            testsupport::crlf_lines(
                {"SO HOUREMIS 80  5  5 10 STACK     1000.000     400.000      12.500",
                 "SO HOUREMIS 81 12 31  0 STACK     1000.000     398.250      11.950"}));
}

TEST(TlvReport, EmissionsFileKeepsItsContentUntilWritten) {
  testsupport::ScratchDir dir;
  dir.write(tlvanalysis::kEmissionsFileName, "earlier run\r\n");
  {
    auto emissions = tlvanalysis::Emissions::open(
        records::OutputFile::open(dir.path(), tlvanalysis::kEmissionsFileName));
  }
  EXPECT_EQ(dir.read(tlvanalysis::kEmissionsFileName), "earlier run\r\n");
}

TEST(TlvArcLine, PhicReduction) {
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    float in, out;
  };
  const Case cases[] = {{725.0f, 5.0f},   {360.0f, 360.0f}, {-10.0f, -10.0f},
                        {361.0f, 1.0f},   {720.0f, 360.0f}, {1080.0f, 360.0f},
                        {245.7f, 245.7f}, {0.0f, 0.0f},     {-725.0f, -725.0f},
                        {360.5f, 0.5f},   {-inf, -inf},     {-999.0f, -999.0f}};
  for (const Case& c : cases) EXPECT_EQ(tlvanalysis::reduce_phic(c.in), c.out) << c.in;
  // Values that repeated subtraction cannot bring down end the reduction too.
  EXPECT_EQ(tlvanalysis::reduce_phic(inf), inf);
  EXPECT_TRUE(std::isnan(tlvanalysis::reduce_phic(std::nanf(""))));
  for (float big : {1.0e30f, 3.0e38f, 1.0e7f, 123456789.0f}) {
    const float r = tlvanalysis::reduce_phic(big);
    EXPECT_GT(r, 0.0f) << big;
    EXPECT_LE(r, 360.0f) << big;
    EXPECT_EQ(r, std::fmod(static_cast<double>(big), 360.0)) << big;  // the exact remainder
  }
}

TEST(TlvArcLine, RatiosToTheEmissionRate) {
  struct Case {
    float value, Q, ratio;
  };
  const Case cases[] = {
      {1100.0f, 12.35f, 1100.0f / 12.35f},
      {352000.0f, 12.35f, 352000.0f / 12.35f},
      {-99.0f, 2.0f, -49.5f},
      {1100.0f, -1.0f, -99.0f},
      {1100.0f, -0.01f, -99.0f},
      {1100.0f, 0.0f, -99.0f},
      {0.0f, 5.0f, 0.0f},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(tlvanalysis::ratio_to_rate(c.value, c.Q), c.ratio) << c.value << " / " << c.Q;
  }
}

// An arc of samplers at `dist` km from a release point at the origin, bearings in
// degrees, coordinates in km.
struct TestArc {
  tlvanalysis::FitArrays fit;
  int n = 0;
  TestArc(const std::vector<float>& dists, const std::vector<float>& bearings,
          const std::vector<float>& concs) {
    n = static_cast<int>(bearings.size());
    fit.reserve_for(n);
    for (std::size_t i = 0; i < bearings.size(); ++i) {
      const double b = bearings[i] * 3.14159265358979323846 / 180.0;
      fit.XREC[i] = static_cast<float>(dists[i] * std::sin(b));
      fit.YREC[i] = static_cast<float>(dists[i] * std::cos(b));
      fit.CONC[i] = concs[i];
    }
  }
  TestArc(float dist, const std::vector<float>& bearings, const std::vector<float>& concs)
      : TestArc(std::vector<float>(bearings.size(), dist), bearings, concs) {}
};

arcstats::SourceSetting origin_source() {
  return {1000.0f, 0.0f, 0.0f};
}

TEST(TlvArcLine, FittedArc) {
  // Concentrations 1, 2, 1 ten degrees apart at 2 km: crosswind positions
  // -349.07, 0, 349.07 m; Sy = 349.07/sqrt(2); CY = 1.5 * 2 * 349.07.
  TestArc arc(2.0f, {80.0f, 90.0f, 100.0f}, {1.0f, 2.0f, 1.0f});
  int reports = 0;
  const auto s = tlvanalysis::analyse_arc(arc.n, 2.0f, 4.0f, arc.fit, origin_source(),
                                          [&reports](int) { ++reports; });
  EXPECT_EQ(reports, 0);
  EXPECT_NEAR(s.Dist, 2.0, 1e-5);
  EXPECT_EQ(s.OMAX, 2.0f);
  EXPECT_NEAR(s.PHIC, 90.0, 1e-3);
  EXPECT_NEAR(s.Sy, 246.83, 0.01);
  EXPECT_NEAR(s.CY, 1047.20, 0.02);
  EXPECT_NEAR(s.CMAX, 1047.20 / (246.83 * 2.5066273), 1e-4);
  EXPECT_EQ(s.CMAXQ, s.CMAX / 4.0f);
  EXPECT_EQ(s.CYQ, s.CY / 4.0f);
}

TEST(TlvArcLine, PlumeAcrossNorthIsReducedBelow360) {
  // A far sampler west of north pulls the centroid to about 353 degrees, while the
  // mean bearing of the three equal concentrations is (-10 + 8 + 12) / 3 = 3.33
  // degrees east of north: the fit's direction comes out near 363.33.
  TestArc arc({5.0f, 0.5f, 0.5f}, {350.0f, 8.0f, 12.0f}, {1.0f, 1.0f, 1.0f});
  const auto s = tlvanalysis::analyse_arc(arc.n, 1.0f, 1.0f, arc.fit, origin_source(), {});
  EXPECT_NEAR(s.PHIC, 3.3333, 1e-3);
}

TEST(TlvArcLine, ArcsTheFitCannotTakeCarryTheMarks) {
  struct Case {
    const char* what;
    std::vector<float> concs;
    float omax;
  };
  const Case cases[] = {
      {"two positive", {0.0f, 3.0f, 0.0f, 5.0f, 0.0f}, 5.0f},
      {"all missing", {-1.0f, -2.0f, -0.5f}, -0.5f},
      {"one positive, negatives", {-1.0f, 7.0f, -1.0f}, 7.0f},
  };
  for (const Case& c : cases) {
    std::vector<float> bearings;
    for (std::size_t i = 0; i < c.concs.size(); ++i) bearings.push_back(80.0f + 5.0f * i);
    TestArc arc(1.0f, bearings, c.concs);
    const auto s = tlvanalysis::analyse_arc(arc.n, 0.0f, 10.0f, arc.fit, origin_source(), {});
    EXPECT_EQ(s.OMAX, c.omax) << c.what;
    EXPECT_EQ(s.Dist, -999.0f) << c.what;
    EXPECT_EQ(s.CY, -999.0f) << c.what;
    EXPECT_EQ(s.Sy, -999.0f) << c.what;
    EXPECT_EQ(s.PHIC, -999.0f) << c.what;
    EXPECT_EQ(s.CMAX, -99.0f) << c.what;
    EXPECT_EQ(s.CMAXQ, -99.0f) << c.what;
    EXPECT_EQ(s.CYQ, -99.0f) << c.what;
  }
}

TEST(TlvArcLine, ProfileWithoutWidthFormsNoCmaxNorItsRatio) {
  // Three samplers at one position: every crosswind distance is zero, so Sy and CY
  // are zero and the fit marks CMAX as not formed.
  TestArc arc(1.0f, {90.0f, 90.0f, 90.0f}, {1.0f, 2.0f, 3.0f});
  const auto s = tlvanalysis::analyse_arc(arc.n, 3.0f, 10.0f, arc.fit, origin_source(), {});
  EXPECT_EQ(s.Sy, 0.0f);
  EXPECT_EQ(s.CY, 0.0f);
  EXPECT_EQ(s.CMAX, -99.0f);
  EXPECT_EQ(s.CMAXQ, -99.0f);  // not -99.0 / 10.0
  EXPECT_EQ(s.CYQ, 0.0f);
  EXPECT_NEAR(s.Dist, 1.0, 1e-5);
  EXPECT_NEAR(s.PHIC, 90.0, 1e-3);
}

TEST(TlvArcLine, NoSamplers) {
  tlvanalysis::FitArrays fit;
  const auto s = tlvanalysis::analyse_arc(0, 0.0f, 10.0f, fit, origin_source(), {});
  EXPECT_EQ(s.OMAX, -99999.0f);
  EXPECT_EQ(s.Dist, -999.0f);
  EXPECT_EQ(s.CMAX, -99.0f);
}

TEST(TlvArcLine, MoreSamplersThanTheFitTakes) {
  std::vector<float> bearings, concs;
  for (int i = 0; i < 201; ++i) {
    bearings.push_back(0.2f * i);
    concs.push_back(1.0f + (i % 7));
  }
  TestArc arc(1.0f, bearings, concs);
  std::vector<int> reported;
  const auto s = tlvanalysis::analyse_arc(arc.n, 7.0f, 10.0f, arc.fit, origin_source(),
                                          [&reported](int NUM) { reported.push_back(NUM); });
  EXPECT_EQ(reported, std::vector<int>{201});
  EXPECT_EQ(s.OMAX, 7.0f);  // the driver's own value
  EXPECT_EQ(s.Dist, -999.0f);
  EXPECT_EQ(s.Sy, -999.0f);
  EXPECT_EQ(s.CMAXQ, -99.0f);
}

}  // namespace
