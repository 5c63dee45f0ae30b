// The joined table: which lines are written, what they hold, and the counts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/combine_files.h"

namespace {

using namespace combine_test;

const std::string kObsHead1 =
    "                      DUR     Dist         Arc   (observed header 1)";
const std::string kObsHead2 =
    "     Exp  YYMMDDHHMM (min)    (km)         (km)   (observed header 2)";
const std::string kModelHead1 = "* model results, first header line";
const std::string kModelHead2 = "*   YYMMDDHH     Distance     Cmax/Q";
const std::string kSurfHead = "   36.95N   76.43W  UA_ID:    99999  SF_ID:    13737  OS_ID:";

// Positive CY1/Q field text (55-64) used where the filter is not under test.
const std::string kCy = "1.2345E-02";

Study with_headers(std::vector<std::string> observed, std::vector<std::string> iscst3,
                   std::vector<std::string> surface, std::vector<std::string> aermod) {
  Study s;
  s.observed = {kObsHead1, kObsHead2};
  s.observed.insert(s.observed.end(), observed.begin(), observed.end());
  s.iscst3 = {kModelHead1, kModelHead2};
  s.iscst3.insert(s.iscst3.end(), iscst3.begin(), iscst3.end());
  s.surface = {kSurfHead};
  s.surface.insert(s.surface.end(), surface.begin(), surface.end());
  s.aermod = {kModelHead1, kModelHead2};
  s.aermod.insert(s.aermod.end(), aermod.begin(), aermod.end());
  return s;
}

std::vector<std::string> table(std::vector<std::string> lines, int zero_cy, int aerobs,
                               int all_three) {
  std::vector<std::string> t = {kHeader1, kHeader2};
  t.insert(t.end(), lines.begin(), lines.end());
  for (auto& c : count_lines(zero_cy, aerobs, all_three)) t.push_back(c);
  return t;
}

TEST(CombineTable, AermodFileOfHeadersOnlyGivesHeadersAndZeroCounts) {
  testsupport::ScratchDir dir;
  with_headers({observed_line("    1", "8007151000", "      0.50")},
               {model_record("80071510", "  500.000", kCy)},
               {surface_record(80, 7, 15, 10, "  -123.4")}, {})
      .write(dir);
  const Result r = run_in(dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.table, crlf(table({}, 0, 0, 0)));
  EXPECT_EQ(kHeader1.size(), 336u);
  EXPECT_EQ(kHeader2.size(), 334u);
}

TEST(CombineTable, JoinsWritesObkOfTheHourAndCountsEachDirection) {
  testsupport::ScratchDir dir;
  const std::string o1 = observed_line("    1", "8007151000", "      0.50");
  const std::string o2 = observed_line("    1", "8007151000", "      1.00");
  const std::string o3 = observed_line("    2", "8007151100", "      2.00");  // no AERMOD record
  const std::string i1 = model_record("80071510", "  500.000", kCy);
  const std::string i2 = model_record("80071510", " 1000.000", kCy);
  const std::string i9 = model_record("80071512", " 5000.000", kCy);  // no AERMOD record
  const std::string a1 = model_record("80071510", "  500.000", "9.9999E+09");
  const std::string a2 = model_record("80071510", " 1000.000", "          ");
  const std::string a3 = model_record("80071510", " 2000.000", kCy);  // no observed arc
  const std::string a4 = model_record("80071511", " 2000.000", kCy);  // no ISCST3 record
  with_headers(
      {o1, o2, o3}, {i1, i9, i2},
      {surface_record(80, 7, 15, 10, "  -123.4"), surface_record(80, 7, 15, 11, "    56.7")},
      {a1, a2, a3, a4})
      .write(dir);
  const Result r = run_in(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(
      r.table,
      crlf(table({joined(o1, "   -123.40", a1, i1), joined(o2, "   -123.40", a2, i2)}, 0, 3, 2)));
}

// The ISCST3 CY1/Q filter: only a positive value passes; the AERMOD record's own field
// is never tested.
TEST(CombineTable, Iscst3CyFilter) {
  struct Case {
    const char* cy10;
    bool written;
  };
  const Case cases[] = {
      {"0.0000E+00", false}, {"       0.0", false}, {"-1.000E-05", false}, {"          ", false},
      {"   -0     ", false}, {"1.0000E-30", true},  {"      5000", true},  {"     1.5-3", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cy10);
    testsupport::ScratchDir dir;
    const std::string o = observed_line("    7", "8107201300", "      5.00");
    const std::string i = model_record("81072013", " 5000.000", c.cy10);
    const std::string a = model_record("81072013", " 5432.100", "          ");
    with_headers({o}, {i}, {surface_record(81, 7, 20, 13, "    -8.5")}, {a}).write(dir);
    const Result r = run_in(dir);
    ASSERT_EQ(r.status, 0) << r.err;
    if (c.written) {
      EXPECT_EQ(r.table, crlf(table({joined(o, "     -8.50", a, i)}, 0, 1, 1)));
    } else {
      EXPECT_EQ(r.table, crlf(table({}, 1, 1, 1)));
    }
  }
}

// Model distances join the observed arc of the same whole kilometre.
TEST(CombineTable, WholeKilometreBoundaries) {
  struct Case {
    const char* dist9;
    const char* exp5;  // the observed line joined (by its Exp), "" for none
  };
  const Case cases[] = {
      {"  500.000", "   11"}, {"  999.999", "   11"}, {"    0.000", "   11"},
      {" 1000.000", "   12"}, {" 1999.999", "   12"}, {" 2000.000", "   13"},
      {" 2999.999", "   13"}, {" 3000.000", ""},      {" -999.999", "   11"},
  };
  const std::string o11 = observed_line("   11", "8007221100", "      0.50");
  const std::string o12 = observed_line("   12", "8007221100", "      1.00");
  const std::string o13 = observed_line("   13", "8007221100", "      2.00");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dist9);
    testsupport::ScratchDir dir;
    const std::string rec = model_record("80072211", c.dist9, kCy);
    with_headers({o11, o12, o13}, {rec}, {surface_record(80, 7, 22, 11, "   150.0")}, {rec})
        .write(dir);
    const Result r = run_in(dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string exp = c.exp5;
    if (exp.empty()) {
      EXPECT_EQ(r.table, crlf(table({}, 0, 0, 0)));
    } else {
      const std::string& o = exp == "   11" ? o11 : exp == "   12" ? o12 : o13;
      EXPECT_EQ(r.table, crlf(table({joined(o, "    150.00", rec, rec)}, 0, 1, 1)));
    }
  }
}

// Distances whose whole kilometre lies beyond the integer range still compare exactly
// (the Arc column of such a line is too wide for its field when written again).
TEST(CombineTable, WholeKilometreBeyondTheIntegerRange) {
  struct Case {
    const char* arc10;  // columns 43-47 are the arc distance read for the join
    const char* dist9;
    bool joined;
  };
  const Case cases[] = {
      {"     7.E+9", "  7.0E+12", true},  {"     5.E+9", "  7.0E+12", false},
      {"     -7.E9", " -7.0E+12", true},  {"     -5.E9", " -7.0E+12", false},
      {"     3.E+9", "   3.0E+9", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.arc10) + " / " + c.dist9);
    testsupport::ScratchDir dir;
    const std::string o = observed_line("    8", "8007221200", c.arc10);
    const std::string rec = model_record("80072212", c.dist9, kCy);
    with_headers({o}, {rec}, {surface_record(80, 7, 22, 12, "     2.0")}, {rec}).write(dir);
    const Result r = run_in(dir);
    ASSERT_EQ(r.status, 0) << r.err;
    if (c.joined) {
      const std::string written = splice(o, 38, "**********");
      EXPECT_EQ(r.table, crlf(table({joined(written, "      2.00", rec, rec)}, 0, 1, 1)));
    } else {
      EXPECT_EQ(r.table, crlf(table({}, 0, 0, 0)));
    }
  }
}

// Two arcs of one hour in the same whole kilometre: every model record of that kilometre
// joins the first of them; two AERMOD records of one key both join the same partners.
TEST(CombineTable, FirstObservedArcAndDuplicateAermodRecords) {
  testsupport::ScratchDir dir;
  const std::string o_first = observed_line("   21", "8105201200", "      0.50");
  const std::string o_second = observed_line("   22", "8105201200", "      0.80");
  const std::string i_first = model_record("81052012", "  800.000", kCy, "  1.0000E+00");
  const std::string i_second = model_record("81052012", "  500.000", kCy, "  2.0000E+00");
  const std::string a1 = model_record("81052012", "  800.000", kCy, "  3.0000E+00");
  const std::string a2 = model_record("81052012", "  500.000", kCy, "  4.0000E+00");
  const std::string a3 = model_record("81052012", "  800.000", kCy, "  3.0000E+00");
  with_headers({o_first, o_second}, {i_first, i_second},
               {surface_record(81, 5, 20, 12, "   -41.0")}, {a1, a2, a3})
      .write(dir);
  const Result r = run_in(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string l1 = joined(o_first, "    -41.00", a1, i_first);
  const std::string l2 = joined(o_first, "    -41.00", a2, i_first);
  EXPECT_EQ(r.table, crlf(table({l1, l2, l1}, 0, 3, 3)));
}

// Date-hour keys are compared as text: a blank for a leading zero is another key.
TEST(CombineTable, BlankForLeadingZeroDoesNotMatch) {
  testsupport::ScratchDir dir;
  const std::string o = observed_line("    4", "8007151000", "      1.00");
  const std::string o_blank = observed_line("    5", "80 7151100", "      1.00");
  const std::string i_blank = model_record("80 71510", " 1000.000", kCy);
  const std::string a_blank = model_record("80 71510", " 1000.000", kCy);    // no observed
  const std::string a = model_record("80071510", " 1000.000", kCy);          // no ISCST3
  const std::string a_blank11 = model_record("80 71511", " 1000.000", kCy);  // observed only
  with_headers({o, o_blank}, {i_blank}, {surface_record(80, 7, 15, 10, "    -5.0")},
               {a_blank, a, a_blank11})
      .write(dir);
  const Result r = run_in(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.table, crlf(table({}, 0, 2, 0)));
}

// OBK comes from the surface file: the later of two records of the hour; -99999.00 for
// an hour the file does not hold or the table cannot hold. Surface records dated outside
// the table are passed over.
TEST(CombineTable, ObkColumnFromSurfaceFile) {
  struct Case {
    const char* stamp10;
    const char* obk10;
  };
  const Case cases[] = {
      {"8007151000", "    -77.70"},  // later of two records
      {"8007151100", "      3.00"},  // a single record, observed OBK replaced
      {"8007151200", " -99999.00"},  // hour not in the surface file
      {"8007150000", " -99999.00"},  // hour 0: outside the table
      {"8007152400", "     24.00"},  // hour 24 is in the table
      {"8207151000", " -99999.00"},  // year 82: outside the table, its record ignored
      {"7907151000", " -99999.00"},  // year 79 likewise
      {"8013151000", " -99999.00"},  // month 13
      {"8012311000", "     -0.10"},  // December 31
      {"8107150100", "    -45.60"},  // the surface length, equal to the observed one
  };
  const std::vector<std::string> surface = {
      surface_record(80, 7, 15, 10, "   -12.0"),  surface_record(80, 7, 15, 11, "     3.0"),
      surface_record(80, 7, 15, 10, "   -77.7"),  surface_record(82, 7, 15, 10, "    99.0"),
      surface_record(79, 7, 15, 10, "    98.0"),  surface_record(80, 13, 15, 10, "    97.0"),
      surface_record(80, 7, 15, 0, "    96.0"),   surface_record(80, 7, 15, 24, "    24.0"),
      surface_record(80, 12, 31, 10, "    -0.1"), surface_record(81, 7, 15, 1, "   -45.6"),
      surface_record(80, 7, 32, 10, "    95.0"),  surface_record(0, 0, 0, 0, "     0.0"),
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stamp10);
    testsupport::ScratchDir dir;
    const std::string key(c.stamp10, 8);
    const std::string o = observed_line("    9", c.stamp10, "      2.00", "    111.11");
    const std::string rec = model_record(key, " 2000.000", kCy);
    with_headers({o}, {rec}, surface, {rec}).write(dir);
    const Result r = run_in(dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.table, crlf(table({joined(o, c.obk10, rec, rec)}, 0, 1, 1)));
  }
}

// Model records shorter than 80 columns are written blank-filled to 80, longer ones cut at
// column 80, so every combined line is 340 columns; CR LF input lines read as LF ones.
TEST(CombineTable, ModelRecordsPaddedOrCutTo80Columns) {
  testsupport::ScratchDir dir;
  const std::string o = observed_line("   30", "8007221400", "      5.00");
  const std::string a_short = "   80072214    5000.000";
  const std::string i_long = model_record("80072214", " 5000.000", kCy) + "EXTRA COLUMNS 81-95";
  Study s = with_headers({o}, {i_long}, {surface_record(80, 7, 22, 14, "   310.5")}, {a_short});
  s.write(dir);
  dir.write(kAermodName, crlf(s.aermod));  // CR LF line ends
  const Result r = run_in(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string line = joined(o, "    310.50", a_short, i_long);
  ASSERT_EQ(line.size(), 340u);
  EXPECT_EQ(line.substr(180, 80), a_short + std::string(57, ' '));
  EXPECT_EQ(line.substr(260, 80), i_long.substr(0, 80));
  EXPECT_EQ(r.table, crlf(table({line}, 0, 1, 1)));
}

TEST(CombineArguments, HelpVersionAndUnknownArgument) {
  testsupport::ScratchDir dir;
  Result help = run_in(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("TLVCombineAll"), std::string::npos);
  EXPECT_FALSE(dir.exists(kTableName));
  Result version = run_in(dir, {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("TLVCombineAll ", 0), 0u);
  Result bad = run_in(dir, {"-x"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("unknown argument"), std::string::npos);
  EXPECT_FALSE(dir.exists(kTableName));
}

}  // namespace
