// hlbanalysis end to end, run in-process in a scratch folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "hlbanalysis/hlbanalysis.h"
#include "support/run.h"
#include "support/scratch.h"

namespace {

struct Sampler {
  int bearing;
  int radius;
  double conc;
};

struct Block {
  int exp = 1;
  std::string date = "' 08/03/61 '";
  std::string time = "1400";
  int nfirst = 1;
  int nlast = -1;  // -1: the last sampler
  float distfac = 1.0f;
  float q = 95.0f;
  std::vector<Sampler> samplers;
};

std::string sampler_record(int i, const Sampler& s) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%5d  A%03d      %3d   1.5 %3d%10.1f\n", i, s.radius, s.bearing,
                s.radius, s.conc);
  return buf;
}

std::string block_text(const Block& b) {
  const int n = static_cast<int>(b.samplers.size());
  char buf[200];
  std::snprintf(buf, sizeof buf, "%d 1 %s %s 4.5\n%d %d %d 0 %g 0.0 0.0 %g 1.5\n", b.exp,
                b.date.c_str(), b.time.c_str(), n, b.nfirst, b.nlast < 0 ? n : b.nlast,
                static_cast<double>(b.distfac), static_cast<double>(b.q));
  std::string text = buf;
  for (int i = 0; i < n; ++i) text += sampler_record(i + 1, b.samplers[i]);
  return text;
}

// A Gaussian plume across samplers every 2 degrees.
Block plume(int exp, int centre, int radius, double peak, double sigma_deg) {
  Block b;
  b.exp = exp;
  for (int d = -20; d <= 20; d += 2) {
    int bearing = centre + d;
    if (bearing <= 0) bearing += 360;
    if (bearing > 360) bearing -= 360;
    const double c = std::round(peak * std::exp(-0.5 * (d / sigma_deg) * (d / sigma_deg)));
    b.samplers.push_back({bearing, radius, c});
  }
  return b;
}

// Five samplers at 100 coordinate units (DISTFAC 10: 1 km) at bearings 100, 80,
// 90, 110, 70 with concentrations 1, 1, 2, -1, 0.
Block worked_example(int exp) {
  Block b;
  b.exp = exp;
  b.distfac = 10.0f;
  b.q = 2.0f;
  b.samplers = {{100, 100, 1.0}, {80, 100, 1.0}, {90, 100, 2.0}, {110, 100, -1.0}, {70, 100, 0.0}};
  return b;
}

struct RunResult : testsupport::RunResult {
  std::string report;
  std::vector<std::string> lines;  // report records without CR LF
};

RunResult run_in(const testsupport::ScratchDir& dir, const std::vector<std::string>& args = {}) {
  RunResult r{testsupport::run_program(run_hlbanalysis, dir.path(), args),
              dir.read("HolmbyOBSAnalysis.txt"),
              {}};
  r.lines = testsupport::crlf_records(r.report);
  return r;
}

constexpr const char* kFileHeader = "'Holmby arc samples, test file'\n";

// A file of `count` blocks: block i is a plume at 100 m centred at 90 + i % 50.
std::string study(int count, const std::vector<std::pair<int, Block>>& replaced = {}) {
  std::string text = kFileHeader;
  for (int i = 1; i <= count; ++i) {
    Block b = plume(i, 90 + i % 50, 100, 1000.0 + i, 6.0);
    for (const auto& [at, block] : replaced) {
      if (at == i) b = block;
    }
    text += block_text(b);
  }
  return text;
}

double field(const std::string& line, std::size_t first_col, std::size_t width) {
  return std::strtod(line.substr(first_col - 1, width).c_str(), nullptr);
}

TEST(HlbProgram, FullStudyOfExactly340Blocks) {
  testsupport::ScratchDir dir;
  // Extra blocks after the 340th are never read, not even a broken one.
  dir.write("hbarcs.txt", study(340, {{2, worked_example(2)}}) + "garbage that is not a block\n");
  const RunResult r = run_in(dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  ASSERT_EQ(r.lines.size(), 342u);
  EXPECT_EQ(r.lines[0].substr(0, 25), std::string(20, ' ') + "  DUR");
  for (std::size_t i = 2; i < r.lines.size(); ++i) {
    EXPECT_EQ(r.lines[i].size(), 138u) << i;
    EXPECT_EQ(std::stoi(r.lines[i].substr(3, 5)), static_cast<int>(i - 1)) << i;
    EXPECT_EQ(r.lines[i].substr(8, 16), "  6108031400  10") << i;
  }

  // The worked example of the arc fit, at 1 km: PHIC 90 turns to -2.
  const std::string& w = r.lines[3];
  EXPECT_EQ(w.substr(0, 60), "       2  6108031400  10    100.00         2.00   2.0000E-03");
  EXPECT_NEAR(field(w, 64, 10), 1.9747e-3, 0.0002e-3) << w;  // CMAX / 1000
  EXPECT_NEAR(field(w, 77, 10), 0.61087, 0.0001) << w;       // CY / 1000
  EXPECT_NEAR(field(w, 90, 10), 1.9747e-3 / 2, 0.0002e-3) << w;
  EXPECT_NEAR(field(w, 103, 10), 0.61087 / 2, 0.0001) << w;
  EXPECT_NEAR(field(w, 115, 12), 123.41, 0.01) << w;
  EXPECT_EQ(w.substr(126), "      -2.000");
}

TEST(HlbProgram, PlumeDirectionIsTurnedBy92Degrees) {
  struct Case {
    int centre;
    const char* phic;
  };
  const Case cases[] = {{90, "      -2.000"},  {20, "     -72.000"}, {100, "       8.000"},
                        {358, "     266.000"}, {2, "     -90.000"},  {270, "     178.000"}};
  for (const Case& c : cases) {
    testsupport::ScratchDir dir;
    dir.write("hbarcs.txt", study(340, {{1, plume(1, c.centre, 200, 5000.0, 5.0)}}));
    const RunResult r = run_in(dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.lines[2].substr(126), c.phic) << c.centre;
    EXPECT_NEAR(field(r.lines[2], 25, 10), 200.0, 0.01) << r.lines[2];
  }
}

TEST(HlbProgram, OnlyTheRangeNfirstToNlastIsFitted) {
  // Ten samplers, of which 3..8 form the arc; 1, 2, 9 and 10 are far larger and
  // lie elsewhere, so any of them in the fit would change every column.
  Block ranged = plume(1, 180, 400, 3000.0, 4.0);
  std::vector<Sampler> arc(ranged.samplers.begin() + 7, ranged.samplers.begin() + 13);
  ranged.samplers = {{10, 400, 90000.0}, {20, 400, 80000.0}};
  ranged.samplers.insert(ranged.samplers.end(), arc.begin(), arc.end());
  ranged.samplers.push_back({300, 400, 70000.0});
  ranged.samplers.push_back({310, 400, 60000.0});
  ranged.nfirst = 3;
  ranged.nlast = 8;
  Block alone = ranged;
  alone.samplers = arc;
  alone.nfirst = 1;
  alone.nlast = -1;

  testsupport::ScratchDir dir;
  dir.write("hbarcs.txt", study(340, {{1, ranged}, {2, alone}}));
  const RunResult r = run_in(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_GE(r.lines.size(), 4u);
  EXPECT_EQ(r.lines[2].substr(8), r.lines[3].substr(8));
  EXPECT_EQ(r.lines[2].substr(50, 10), "3.0000E+00");  // 3000 / 1000: the largest in range
}

TEST(HlbProgram, FitsThatCannotBeFormedCarryMarksNotEarlierValues) {
  Block two_positive = plume(2, 150, 800, 400.0, 5.0);
  for (auto& s : two_positive.samplers) s.conc = 0.0;
  two_positive.samplers[3].conc = 40.0;
  two_positive.samplers[4].conc = 55.0;
  two_positive.samplers[5].conc = -1.0;
  Block single = plume(3, 150, 50, 400.0, 5.0);
  single.nfirst = single.nlast = 11;  // one sampler, the peak, fitted

  testsupport::ScratchDir dir;
  dir.write("hbarcs.txt", study(340, {{2, two_positive}, {3, single}}));
  const RunResult r = run_in(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.lines[2].substr(20, 10), "   -999.00");  // block 1 is fitted
  EXPECT_EQ(r.lines[3],
            "       2  6108031400  10   -999.00        95.00   5.5000E-02   **********   "
            "**********   **********   **********      -999.000    -999.000");
  EXPECT_EQ(r.lines[4],
            "       3  6108031400  10   -999.00        95.00   4.0000E-01   **********   "
            "**********   **********   **********      -999.000    -999.000");
}

TEST(HlbProgram, RangesOfMoreThan200SamplersAreRefusedWithTheArcSizeLines) {
  // 210 samplers a degree apart; range 1..201 is too large for the fit.
  Block big;
  big.exp = 1;
  for (int i = 0; i < 210; ++i) big.samplers.push_back({1 + i, 800, i == 100 ? 7000.0 : 50.0});
  big.nlast = 201;
  // The same block with a range of 20 samplers is fitted normally.
  Block big_small_range = big;
  big_small_range.exp = 2;
  big_small_range.nfirst = 91;
  big_small_range.nlast = 110;
  // All concentrations below the driver's start value: OMAX stays -9.0.
  Block big_negative = big;
  big_negative.exp = 3;
  for (auto& s : big_negative.samplers) s.conc = -20.0;

  testsupport::ScratchDir dir;
  dir.write("hbarcs.txt", study(340, {{1, big}, {2, big_small_range}, {3, big_negative}}));
  const RunResult r = run_in(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.lines.size(), 346u);
  EXPECT_EQ(r.lines[2], " Subroutine ARC NUM  = :  201");
  EXPECT_EQ(r.lines[3], " Increase NMAX = :  200");
  EXPECT_EQ(r.lines[4],
            "       1  6108031400  10   -999.00        95.00   7.0000E+00   **********   "
            "**********   **********   **********      -999.000    -999.000");
  EXPECT_NEAR(field(r.lines[5], 25, 10), 800.0, 0.01) << r.lines[5];
  EXPECT_EQ(r.lines[5].substr(50, 10), "7.0000E+00");
  EXPECT_GT(field(r.lines[5], 115, 12), 0.0) << r.lines[5];
  EXPECT_EQ(r.lines[6], " Subroutine ARC NUM  = :  201");
  EXPECT_EQ(r.lines[7], " Increase NMAX = :  200");
  EXPECT_EQ(r.lines[8].substr(50, 10), "**********");  // -9.0 / 1000
  EXPECT_EQ(r.lines[9].substr(0, 8), "       4");
}

TEST(HlbProgram, FewerThan340BlocksEndWithEndOfFileAndChangeNoReport) {
  testsupport::ScratchDir dir;
  dir.write("hbarcs.txt", study(339));
  dir.write("HolmbyOBSAnalysis.txt", "earlier run\r\n");
  const RunResult r = run_in(dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("hlbanalysis: hbarcs.txt"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("End of file"), std::string::npos) << r.err;
  EXPECT_EQ(r.report, "earlier run\r\n");

  // A block cut inside its sampler records: the same.
  std::string text = study(5);
  text.resize(text.size() - 100);  // two and a half sampler records
  dir.write("hbarcs.txt", text);
  const RunResult cut = run_in(dir);
  EXPECT_EQ(cut.status, 2);
  EXPECT_NE(cut.err.find("End of file"), std::string::npos) << cut.err;
  EXPECT_EQ(cut.report, "earlier run\r\n");
}

// The six-line message goes into the report as it is written, but a run ending
// with status 2 puts no output in place: the console line says it all.
TEST(HlbProgram, InvalidCountsEndTheRunNamingTheCounts) {
  Block bad = plume(3, 120, 100, 1000.0, 5.0);
  bad.samplers.resize(5);
  bad.nfirst = 2;
  bad.nlast = 6;
  testsupport::ScratchDir dir;
  dir.write("hbarcs.txt", study(340, {{3, bad}}));
  const RunResult r = run_in(dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err.rfind("hlbanalysis: hbarcs.txt line ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("N = 5, NFIRST = 2, NLAST = 6"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
  EXPECT_FALSE(dir.exists("HolmbyOBSAnalysis.txt"));
}

TEST(HlbProgram, HeaderValueMayFollowAnEmptyFirstLine) {
  testsupport::ScratchDir dir;
  dir.write("hbarcs.txt", study(340));
  const RunResult plain = run_in(dir);
  ASSERT_EQ(plain.status, 0) << plain.err;

  // The header read passes over the empty line, takes the value of line 2 and
  // leaves the first block to start on line 3.
  dir.write("hbarcs.txt", "\n" + study(340));
  const RunResult shifted = run_in(dir);
  EXPECT_EQ(shifted.status, 0) << shifted.err;
  EXPECT_EQ(shifted.report, plain.report);

  // The rest of the header line is dropped, whatever it holds.
  dir.write("hbarcs.txt", "Holmby 1961 arcs: 340 blocks, 7 8 9\n" +
                              study(340).substr(std::string(kFileHeader).size()));
  const RunResult tail = run_in(dir);
  EXPECT_EQ(tail.status, 0) << tail.err;
  EXPECT_EQ(tail.report, plain.report);
}

TEST(HlbProgram, MissingArcFileCreatesNoReport) {
  testsupport::ScratchDir dir;
  const RunResult r = run_in(dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("hlbanalysis: "), std::string::npos);
  EXPECT_NE(r.err.find("Operating system error: "), std::string::npos) << r.err;
  EXPECT_FALSE(dir.exists("HolmbyOBSAnalysis.txt"));
}

TEST(HlbProgram, BadKeysEndTheRunWithoutAReport) {
  Block bad = plume(4, 120, 100, 1000.0, 5.0);
  bad.date = "' Aug 3 61'";
  testsupport::ScratchDir dir;
  dir.write("hbarcs.txt", study(340, {{4, bad}}));
  const RunResult r = run_in(dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Bad value during integer read"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("date key"), std::string::npos) << r.err;
  EXPECT_FALSE(dir.exists("HolmbyOBSAnalysis.txt"));
}

TEST(HlbProgram, Arguments) {
  testsupport::ScratchDir dir;
  const RunResult help = run_in(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("hlbanalysis"), std::string::npos);
  EXPECT_NE(help.out.find("hbarcs.txt"), std::string::npos);
  const RunResult version = run_in(dir, {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("hlbanalysis ", 0), 0u) << version.out;
  const RunResult bad = run_in(dir, {"hbarcs.txt"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_FALSE(dir.exists("HolmbyOBSAnalysis.txt"));
}

TEST(HlbProgram, ExampleStudy) {
  testsupport::ScratchDir dir;
  std::filesystem::copy_file(std::filesystem::path(EXAMPLE_DIR) / "holmby" / "hbarcs.txt",
                             dir / "hbarcs.txt");
  const RunResult r = run_in(dir);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  ASSERT_EQ(r.lines.size(), 342u);
  int fitted = 0;
  for (std::size_t i = 2; i < r.lines.size(); ++i) {
    EXPECT_EQ(r.lines[i].size(), 138u) << i;
    if (r.lines[i].substr(24, 10) != "   -999.00") ++fitted;
  }
  EXPECT_GT(fitted, 300);
}

}  // namespace
