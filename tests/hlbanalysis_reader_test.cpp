// The arc file reader: bearing/radius conversion, list-form block records,
// sampler counts and the invalid-counts message.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "hlbanalysis/arc_reader.h"
#include "support/scratch.h"

namespace {

using hlbanalysis::Counts;
using hlbanalysis::ReceptorArrays;
using hlbanalysis::SharedBlocks;

std::string fixed4(float v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.4f", static_cast<double>(v));
  return buf;
}

// One sampler record: bearing in columns 18-20, radius in 28-30, concentration in 31-40.
std::string sampler(int bearing, int radius, const char* conc) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "  101  S-%02d      %3d   1.5 %3d%10s\n", bearing % 100, bearing,
                radius, conc);
  return buf;
}

struct Fixture {
  testsupport::ScratchDir dir;
  hlbanalysis::ReaderLayouts layouts;
  SharedBlocks blocks;
  Counts counts;
  ReceptorArrays samplers;
  std::optional<records::InputFile> arcs;
  std::optional<records::OutputFile> report;

  explicit Fixture(const std::string& content) {
    dir.write("hbarcs.txt", content);
    arcs.emplace(records::InputFile::open(dir.path(), "hbarcs.txt"));
    report.emplace(records::OutputFile::open(dir.path(), "HolmbyOBSAnalysis.txt"));
  }
  void fetch() { hlbanalysis::fetch(*arcs, *report, layouts, blocks, counts, samplers); }
  std::string report_text() {
    report.reset();
    return dir.read("HolmbyOBSAnalysis.txt");
  }
};

TEST(HlbReceptorOffset, ExactAxisCases) {
  struct Case {
    int bearing;
    float x, y;
    bool y_negative_zero;
  };
  const Case cases[] = {
      {90, 100.0f, 0.0f, false},
      {270, -100.0f, -0.0f, true},
  };
  for (const Case& c : cases) {
    const auto o = hlbanalysis::receptor_offset(c.bearing, 100);
    EXPECT_EQ(o.x, c.x) << c.bearing;
    EXPECT_EQ(o.y, c.y) << c.bearing;
    EXPECT_EQ(std::signbit(o.y), c.y_negative_zero) << c.bearing;
  }
}

TEST(HlbReceptorOffset, NorthIsNotQuiteARightAngle) {
  // 90 * 0.01745328 in single precision falls short of a right angle, so the
  // cosine leaves about 0.000115 m east (or west for 360 degrees).
  const auto north0 = hlbanalysis::receptor_offset(0, 100);
  EXPECT_EQ(north0.y, 100.0f);
  EXPECT_NEAR(north0.x, 0.000115f, 0.0000015f);
  EXPECT_GT(north0.x, 0.0f);

  const auto north360 = hlbanalysis::receptor_offset(360, 100);
  EXPECT_EQ(north360.y, 100.0f);
  EXPECT_NEAR(north360.x, -0.000115f, 0.0000015f);
  EXPECT_LT(north360.x, 0.0f);

  // Due south is the end of the second branch: the same right angle, east of the axis.
  const auto south = hlbanalysis::receptor_offset(180, 100);
  EXPECT_EQ(south.y, -100.0f);
  EXPECT_NEAR(south.x, 0.000115f, 0.0000015f);
}

TEST(HlbReceptorOffset, FortyFiveDegrees) {
  const auto o = hlbanalysis::receptor_offset(45, 100);
  EXPECT_EQ(fixed4(o.x), "70.7107");
  EXPECT_EQ(fixed4(o.y), "70.7106");
}

TEST(HlbReceptorOffset, QuadrantsPointTheRightWay) {
  // bearing, expected signs of east and north offsets
  struct Case {
    int bearing;
    int sx, sy;
  };
  const Case cases[] = {{30, 1, 1}, {120, 1, -1}, {200, -1, -1}, {300, -1, 1}, {359, -1, 1}};
  for (const Case& c : cases) {
    const auto o = hlbanalysis::receptor_offset(c.bearing, 400);
    const double rad = c.bearing * 3.14159265358979 / 180.0;
    EXPECT_NEAR(o.x, 400.0 * std::sin(rad), 0.01) << c.bearing;
    EXPECT_NEAR(o.y, 400.0 * std::cos(rad), 0.01) << c.bearing;
    EXPECT_EQ(o.x > 0 ? 1 : -1, c.sx) << c.bearing;
    EXPECT_EQ(o.y > 0 ? 1 : -1, c.sy) << c.bearing;
  }
}

TEST(HlbFetch, ReadsEveryRecordOfTheBlockAndTheListFormRecords) {
  std::string text =
      "   12 3 ' 08/03/61 ' 1400-1410,\n"
      "  4.5\n"
      "10, 3, 8, 100, 1.0, 0.0, 0.0, 95.0, 1.5\n";
  for (int i = 1; i <= 10; ++i) {
    text += sampler(60 + 2 * i, 100, (std::to_string(i * 10) + ".0").c_str());
  }
  text += "13 1 ' 08/04/61 ' 0900 2.0\n1 1 1 0 2.0 5.0 -3.0 0.0 0\n";
  text += sampler(90, 50, "7");
  Fixture f(text);

  f.fetch();
  EXPECT_EQ(f.blocks.mainn.NEXP, 12);
  EXPECT_EQ(f.blocks.mainn.second_value, 3);
  EXPECT_EQ(f.blocks.mainn.DATEKEY, " 08/03/61 ");
  EXPECT_EQ(f.blocks.mainn.TIMEKEY, "1400-1410 ");
  EXPECT_EQ(f.blocks.main0.fifth_value, 4.5f);
  EXPECT_EQ(f.blocks.key_line, 2);
  EXPECT_EQ(f.counts.N, 10);
  EXPECT_EQ(f.counts.NFIRST, 3);
  EXPECT_EQ(f.counts.NLAST, 8);
  EXPECT_EQ(f.blocks.main1.DISTFAC, 1.0f);
  EXPECT_EQ(f.blocks.main0.Q, 95.0f);
  EXPECT_EQ(f.blocks.main0.ninth_value, 1.5f);
  ASSERT_EQ(f.samplers.CONC.size(), 10u);
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(f.samplers.CONC[i], static_cast<float>((i + 1) * 10)) << i;
    const auto o = hlbanalysis::receptor_offset(62 + 2 * i, 100);
    EXPECT_EQ(f.samplers.XREC[i], o.x) << i;
    EXPECT_EQ(f.samplers.YREC[i], o.y) << i;
  }

  // The next block starts right after the tenth record; NFIRST equal to NLAST is
  // accepted, and every shared value is replaced.
  f.fetch();
  EXPECT_EQ(f.blocks.mainn.NEXP, 13);
  EXPECT_EQ(f.blocks.mainn.TIMEKEY, "0900      ");
  EXPECT_EQ(f.counts.N, 1);
  EXPECT_EQ(f.blocks.main1.DISTFAC, 2.0f);
  EXPECT_EQ(f.blocks.main1.XSRC, 5.0f);
  EXPECT_EQ(f.blocks.main1.YSRC, -3.0f);
  EXPECT_EQ(f.blocks.main0.Q, 0.0f);
  ASSERT_EQ(f.samplers.CONC.size(), 1u);
  EXPECT_EQ(f.samplers.CONC[0], 7.0f);  // f10.0: no implied decimals
  EXPECT_EQ(f.samplers.XREC[0], 50.0f);
  EXPECT_EQ(f.report_text(), "");
}

TEST(HlbFetch, BlankFieldsAndConcentrationsStayAsRead) {
  std::string text = "1 1 x0101x00 1200 0\n3 1 3 0 1 0 0 1 0\n";
  text += "  blank bearing\n";  // columns 18-40 blank: bearing 0, radius 0, concentration 0
  text += sampler(0, 100, "-1.0");
  text += sampler(180, 200, "2.5E+03");
  Fixture f(text);
  f.fetch();
  ASSERT_EQ(f.samplers.CONC.size(), 3u);
  EXPECT_EQ(f.samplers.XREC[0], 0.0f);
  EXPECT_EQ(f.samplers.YREC, (std::vector<float>{0.0f, 100.0f, -200.0f}));
  EXPECT_EQ(f.samplers.CONC, (std::vector<float>{0.0f, -1.0f, 2500.0f}));
}

TEST(HlbFetch, BlocksLargerThanTheFitReadEverySampler) {
  std::string text = "5 1 x0101x00 1200 0\n250 20 40 0 1 0 0 1 0\n";
  for (int i = 0; i < 250; ++i) text += sampler(1 + i, 800, std::to_string(i).c_str());
  text += "6 1 x0101x00 1300 0\n1 1 1 0 1 0 0 1 0\n" + sampler(10, 50, "3");
  Fixture f(text);
  f.fetch();
  ASSERT_EQ(f.samplers.CONC.size(), 250u);
  EXPECT_EQ(f.samplers.CONC[249], 249.0f);
  f.fetch();
  EXPECT_EQ(f.blocks.mainn.NEXP, 6);
  EXPECT_EQ(f.samplers.CONC.size(), 1u);
}

// The six lines of the invalid-counts message with N, NFIRST, NLAST in I3 fields.
std::string fault_lines(const char* n, const char* first, const char* last) {
  const std::string line1 = std::string(5, ' ') + "*** FATAL ERROR ENCOUNTERED ***" +
                            std::string(5, ' ') +
                            "    NUMBER OF DATA VALUES (N) MUST BE GE. NLAST" +
                            std::string(5, ' ') + "    AND NLAST MUST BE GREATER THAN NFIRST";
  const std::string line2 = std::string(5, ' ') + "    INPUT VALUES ARE:" + std::string(5, ' ') +
                            "                 N = " + n;
  const std::string line3 = std::string(5, ' ') + "            NFIRST = " + first;
  const std::string line4 = std::string(5, ' ') + "             NLAST = " + last;
  EXPECT_EQ(line1.size(), 134u);
  EXPECT_EQ(line2.size(), 55u);
  EXPECT_EQ(line3.size(), 29u);
  return testsupport::crlf_lines({line1, line2, line3, line4, "", ""});
}

TEST(HlbFetch, InvalidCountsWriteTheMessageAndStopWithStatus2) {
  struct Case {
    const char* counts;  // N NFIRST NLAST
    const char *n, *first, *last;
    const char* console;
  };
  const Case cases[] = {
      {"5 2 6", "  5", "  2", "  6", "N = 5, NFIRST = 2, NLAST = 6"},
      {"5 0 3", "  5", "  0", "  3", "N = 5, NFIRST = 0, NLAST = 3"},
      {"5 4 3", "  5", "  4", "  3", "N = 5, NFIRST = 4, NLAST = 3"},
      {"0 1 1", "  0", "  1", "  1", "N = 0, NFIRST = 1, NLAST = 1"},
      {"1000 -5 2", "***", " -5", "  2", "N = 1000, NFIRST = -5, NLAST = 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.counts);
    Fixture f(std::string("7 1 x0101x00 1200 0\n\n") + c.counts + " 0 1 0 0 1 0\n" +
              sampler(90, 100, "1"));
    try {
      f.fetch();
      ADD_FAILURE() << "no stop";
    } catch (const records::StopRun& stop) {
      EXPECT_EQ(stop.status(), 2);
      EXPECT_NE(stop.console_line().find("hbarcs.txt line 3"), std::string::npos)
          << stop.console_line();
      EXPECT_NE(stop.console_line().find(c.console), std::string::npos) << stop.console_line();
    }
    EXPECT_EQ(f.report_text(), fault_lines(c.n, c.first, c.last));
  }
}

TEST(HlbFetch, ShortOrBadBlocksEndTheRunWithReadFailures) {
  struct Case {
    std::string text;
    std::string reason;
  };
  const Case cases[] = {
      {"", "End of file"},
      {"1 1 x0101x00 1200 0\n", "End of file"},
      {"1 1 x0101x00 1200 0\n3 1 3 0 1 0 0 1 0\n" + sampler(10, 50, "1"), "End of file"},
      {"1 1 x0101x00 1200 0\n1 1 1 0 1 0 0 1 0\n" + sampler(10, 50, "12a"),
       "Bad value during floating point read"},
      {"1 1 x0101x00 1200 0\n1 1 1 0 1 0 0 1 0\n                 1x0       100       1.0\n",
       "Bad value during integer read"},
      {"x 1 x0101x00 1200 0\n", "integer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    Fixture f(c.text);
    try {
      f.fetch();
      ADD_FAILURE() << "no failure";
    } catch (const records::RunError& e) {
      EXPECT_EQ(e.status(), 2);
      EXPECT_NE(e.message("hlbanalysis").find(c.reason), std::string::npos)
          << e.message("hlbanalysis");
      EXPECT_NE(e.message("hlbanalysis").find("hbarcs.txt"), std::string::npos);
    }
  }
}

}  // namespace
