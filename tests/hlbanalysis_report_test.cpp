// The report of the near-surface study: header, line layout, column values and
// the turn of the plume direction.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>

#include "hlbanalysis/report.h"
#include "support/scratch.h"

namespace {

using hlbanalysis::Columns;
using hlbanalysis::Stamp;

arcstats::FitResults fit_of(float OMAX, float CMAX, float CY, float Sy, float RMEAN, float PHIC) {
  arcstats::FitResults r;
  r.OMAX = OMAX;
  r.CMAX = CMAX;
  r.CY = CY;
  r.Sy = Sy;
  r.RMEAN = RMEAN;
  r.PHIC = PHIC;
  return r;
}

// The report columns of a fit that reached the arc (or, `reached` false, did not).
Columns columns_of(const arcstats::FitResults& fit, float Q, bool reached = true) {
  return hlbanalysis::report_columns(arcstats::arc_fit_of(fit, reached), Q);
}

const Stamp kStamp{61, 8, 3, 14, 0};

TEST(HlbReport, ExampleLine) {
  const hlbanalysis::ReportLayouts layouts;
  // A fitted direction of 263.5 turns to 171.5.
  const auto fit = fit_of(48000.0f, 46500.0f, 2100000.0f, 18.25f, 100.0f, 263.5f);
  const Columns c = columns_of(fit, 95.0f);
  EXPECT_EQ(hlbanalysis::format_line(layouts, 12, kStamp, 95.0f, c),
            "      12  6108031400  10    100.00        95.00   4.8000E+01   4.6500E+01   "
            "2.1000E+03   4.8947E-01   2.2105E+01        18.250     171.500");
}

TEST(HlbReport, NegativeValuesInScientificFieldsAreAsterisks) {
  const hlbanalysis::ReportLayouts layouts;
  struct Case {
    const char* name;
    arcstats::FitResults fit;
    float Q;
    const char* expected;
  };
  const Case cases[] = {
      {"negative Q: both ratios", fit_of(48000.0f, 46500.0f, 2100000.0f, 18.25f, 100.0f, 263.5f),
       -95.0f,
       "      12  6108031400  10    100.00       -95.00   4.8000E+01   4.6500E+01   2.1000E+03   "
       "**********   **********        18.250     171.500"},
      {"negative OMAX", fit_of(-1.0f, 46500.0f, 2100000.0f, 18.25f, 100.0f, 263.5f), 95.0f,
       "      12  6108031400  10    100.00        95.00   **********   4.6500E+01   2.1000E+03   "
       "4.8947E-01   2.2105E+01        18.250     171.500"},
      {"CMAX mark of a fit with a flat profile",
       fit_of(48000.0f, -99.0f, 2100000.0f, 18.25f, 100.0f, 263.5f), 95.0f,
       "      12  6108031400  10    100.00        95.00   4.8000E+01   **********   2.1000E+03   "
       "**********   2.2105E+01        18.250     171.500"},
      {"zero Q: ratios -99.0", fit_of(48000.0f, 46500.0f, 2100000.0f, 18.25f, 100.0f, 263.5f), 0.0f,
       "      12  6108031400  10    100.00         0.00   4.8000E+01   4.6500E+01   2.1000E+03   "
       "**********   **********        18.250     171.500"},
      {"zero spread and area: no CMAX, no CMAX/Q", fit_of(0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 92.0f),
       95.0f,
       "      12  6108031400  10      0.00        95.00   0.0000E+00   0.0000E+00   0.0000E+00   "
       "**********   0.0000E+00         0.000       0.000"},
  };
  for (const Case& c : cases) {
    const Columns cols = columns_of(c.fit, c.Q);
    const std::string line = hlbanalysis::format_line(layouts, 12, kStamp, c.Q, cols);
    EXPECT_EQ(line, c.expected) << c.name;
    EXPECT_EQ(line.size(), 138u) << c.name;
  }
}

TEST(HlbReport, ZeroRateGivesTheRatioMark) {
  const auto fit = fit_of(48000.0f, 46500.0f, 2100000.0f, 18.25f, 100.0f, 263.5f);
  for (float Q : {0.0f, -0.0f}) {
    const Columns c = columns_of(fit, Q);
    EXPECT_EQ(c.CMAXQ, -99.0f);
    EXPECT_EQ(c.CYQ, -99.0f);
    EXPECT_EQ(c.CMAX, 46.5f);
  }
}

TEST(HlbReport, AnUnformedCmaxGivesNoRatioWhateverTheRate) {
  // The fit marks CMAX -99.0 when the profile has no width; dividing the mark by a
  // negative rate would show a plausible positive ratio.
  const auto fit = fit_of(5200.0f, -99.0f, 2100.0f, 0.0f, 100.0f, 263.5f);
  for (float Q : {95.0f, -95.0f}) {
    const Columns c = columns_of(fit, Q);
    EXPECT_EQ(c.CMAXQ, -99.0f) << Q;
    EXPECT_EQ(c.CYQ, static_cast<float>(2100.0 / (static_cast<double>(Q) * 1000.0))) << Q;
  }
}

TEST(HlbReport, QuotientsAreRoundedOnceFromTheFloatOperands) {
  // 1/3 and 2/3 of the rate-scaled values: a single rounding from the exact quotient.
  const auto fit = fit_of(1.0f, 1000.0f, 2000.0f, 1.0f, 1.0f, 100.0f);
  const Columns c = columns_of(fit, 3.0f);
  EXPECT_EQ(c.CMAXQ, static_cast<float>(1.0 / 3.0));
  EXPECT_EQ(c.CYQ, static_cast<float>(2.0 / 3.0));
  EXPECT_EQ(c.OMAX, 0.001f);
}

TEST(HlbReport, AFitThatWasNotReachedCarriesTheMarks) {
  const hlbanalysis::ReportLayouts layouts;
  // Whatever the results hold (here values of another arc), only OMAX is used.
  const auto fit = fit_of(5200.0f, 46500.0f, 2100000.0f, 18.25f, 100.0f, 263.5f);
  const Columns c = columns_of(fit, 95.0f, false);
  EXPECT_EQ(c.Dist, -999.0f);
  EXPECT_EQ(c.CMAX, -99.0f);
  EXPECT_EQ(c.CY, -999.0f);
  EXPECT_EQ(c.CMAXQ, -99.0f);
  EXPECT_EQ(c.CYQ, -99.0f);
  EXPECT_EQ(c.Sy, -999.0f);
  EXPECT_EQ(c.PHIC, -999.0f);
  EXPECT_EQ(hlbanalysis::format_line(layouts, 7, kStamp, 95.0f, c),
            "       7  6108031400  10   -999.00        95.00   5.2000E+00   **********   "
            "**********   **********   **********      -999.000    -999.000");
}

TEST(HlbReport, DirectionTurn) {
  struct Case {
    float fitted, reported;
  };
  const Case cases[] = {
      {50.0f, -42.0f},          {500.0f, 48.0f}, {92.0f, 0.0f},
      {452.0f, 360.0f},         {453.0f, 1.0f},  {1172.0f, 360.0f},
      {171.5f + 92.0f, 171.5f}, {0.0f, -92.0f},  {-10.0f, -102.0f},
      {361.0f, 269.0f},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(hlbanalysis::turn_direction(c.fitted), c.reported) << c.fitted;
  }
  // Values no turn can bring down end the loop instead of hanging it.
  EXPECT_EQ(hlbanalysis::turn_direction(1.0e30f), 1.0e30f - 92.0f);
  EXPECT_TRUE(std::isinf(hlbanalysis::turn_direction(std::numeric_limits<float>::infinity())));
  EXPECT_TRUE(std::isnan(hlbanalysis::turn_direction(std::numeric_limits<float>::quiet_NaN())));

  const hlbanalysis::ReportLayouts layouts;
  const auto line = [&](float phic) {
    const Columns c = columns_of(fit_of(1.0f, 1.0f, 1.0f, 1.0f, 1.0f, phic), 1.0f);
    return hlbanalysis::format_line(layouts, 1, kStamp, 1.0f, c).substr(126);
  };
  EXPECT_EQ(line(50.0f), "     -42.000");
  EXPECT_EQ(line(500.0f), "      48.000");
}

// Year, month, day, hour and minute of a stamp.
std::array<int, 5> fields(const Stamp& s) {
  return {s.year, s.month, s.day, s.hour, s.minute};
}

TEST(HlbReport, StampFromTheKeys) {
  const hlbanalysis::ReportLayouts layouts;
  hlbanalysis::Mainn mainn;
  mainn.DATEKEY = " 08/03/61 ";
  mainn.TIMEKEY = "1400-1410 ";
  const Stamp s = hlbanalysis::read_stamp(layouts, mainn, "hbarcs.txt", 5);
  EXPECT_EQ(fields(s), (std::array{61, 8, 3, 14, 0}));
  const Columns c = columns_of(fit_of(1, 1, 1, 1, 1, 100), 1.0f);
  EXPECT_EQ(hlbanalysis::format_line(layouts, 12, s, 1.0f, c).substr(10, 10), "6108031400");

  mainn.DATEKEY = "(12-31-59)";
  mainn.TIMEKEY = "0905";
  EXPECT_EQ(fields(hlbanalysis::read_stamp(layouts, mainn, "hbarcs.txt", 5)),
            (std::array{59, 12, 31, 9, 5}));
}

TEST(HlbReport, KeysWithoutDigitsEndTheRun) {
  const hlbanalysis::ReportLayouts layouts;
  const char* bad[][2] = {{" Aug/03/61", "1400"}, {" 08/03/61 ", "14h0"}};
  for (const auto& keys : bad) {
    hlbanalysis::Mainn mainn;
    mainn.DATEKEY = std::string(keys[0]) + std::string(10 - std::string(keys[0]).size(), ' ');
    mainn.TIMEKEY = std::string(keys[1]) + std::string(10 - std::string(keys[1]).size(), ' ');
    try {
      hlbanalysis::read_stamp(layouts, mainn, "hbarcs.txt", 5);
      ADD_FAILURE() << keys[0];
    } catch (const records::RunError& e) {
      EXPECT_EQ(e.status(), 2);
      const std::string msg = e.message("hlbanalysis");
      EXPECT_NE(msg.find("hbarcs.txt line 5"), std::string::npos) << msg;
      EXPECT_NE(msg.find("Bad value during integer read"), std::string::npos) << msg;
    }
  }
}

TEST(HlbReport, Header) {
  const hlbanalysis::ReportLayouts layouts;
  testsupport::ScratchDir dir;
  {
    auto report = records::OutputFile::open(dir.path(), "HolmbyOBSAnalysis.txt");
    hlbanalysis::write_header(report, layouts);
  }
  const std::string line1 =
      std::string(20, ' ') +
      "  DUR     Dist         Q         OMAX         CMAX          CY         CMAX/Q       CY/Q   "
      "          Sy         PHIC";
  const std::string line2 =
      "     Exp  YYMMDDHHMM (min)     (m)       (g/s)  (10^-6 g/m^3)(10^-6 g/m^3)(10^-6 s/m^2)"
      "(10^-6 s/m^3)(10^-6 s/m^2)       (m)      (degrees)";
  ASSERT_EQ(line1.size(), 136u);
  ASSERT_EQ(line2.size(), 138u);
  // Label columns, counted from 1.
  const struct {
    const char* label;
    std::size_t column;
  } labels[] = {{"DUR", 23}, {"Dist", 31},   {"Q ", 44},    {"OMAX", 54}, {"CMAX ", 67},
                {"CY ", 81}, {"CMAX/Q", 92}, {"CY/Q", 105}, {"Sy", 122},  {"PHIC", 133}};
  for (const auto& l : labels) {
    EXPECT_EQ(line1.substr(l.column - 1, std::string(l.label).size()), l.label) << l.label;
  }
  EXPECT_EQ(dir.read("HolmbyOBSAnalysis.txt"), testsupport::crlf_lines({line1, line2}));
}

}  // namespace
