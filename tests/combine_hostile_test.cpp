// TLVCombineAll on hostile input. Refused: a missing input file, files ending
// inside the header lines they must skip, letters and binary bytes in the fields
// read; each ends with its status, a message naming the file (and line) and the
// combined lines written before it intact on disk. Run as ordinary input, ending
// normally: more than 200 joined records, records far longer than their layouts,
// CR-only line ends, an AERMOD file of header lines only.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/harness.h"
#include "support/checked_records.h"
#include "support/combine_files.h"
#include "support/scratch.h"

namespace {

using combine_test::count_lines;
using combine_test::joined;
using combine_test::kAermodName;
using combine_test::kIscst3Name;
using combine_test::kObservedName;
using combine_test::kSurfaceName;
using combine_test::kTableName;
using combine_test::run_in;
using testsupport::crlf;
using testsupport::lines;
using testsupport::padded;
using testsupport::place;

// An observed line of 1980-07-<day> hour <hour> on the arc of `arc_km`, in the
// report layout; OBK is 999.99, which the join replaces.
std::string observed_line(int exp, int day, int hour, double arc_km,
                          std::string_view q = "      5.12") {
  char buf[256];
  std::snprintf(buf, sizeof buf,
                "   %5d  8007%02d%02d00  60%10.2f   %10.2f   %s   %10.2f      %12.4E   %12.4E   "
                "%12.4E   %12.4E   %12.4E  %12.3f%12.2f",
                exp, day, hour, arc_km * 1.03, arc_km, std::string(q).c_str(), 999.99, 34.62, 30.11,
                4821.5, 5.8809, 941.7, 63.9, 61.55);
  return buf;
}

// A model record: date-hour key in columns 4-11, distance (m) in 16-24, CY1/Q in 55-64.
std::string model_record(std::string_view key, std::string_view metres, std::string_view cy1q) {
  std::string r;
  place(r, 4, key);
  place(r, 16 + 9 - static_cast<int>(metres.size()), metres);
  place(r, 27, "7.2451E+00   13.26   117.8");
  place(r, 55 + 10 - static_cast<int>(cy1q.size()), cy1q);
  return place(r, 67, "1.610");
}

std::string key(int day, int hour) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "8007%02d%02d", day, hour);
  return buf;
}

// A surface record of 1980-07-<day> hour <hour> with Monin-Obukhov length `L`
// in columns 57-64.
std::string surface_record(int day, int hour, std::string_view L) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "80  7%3d%4d%3d", day, 182 + day, hour);
  std::string r = buf;
  place(r, 16, "  196.2  0.246  1.357  0.005  460.  281.");
  return place(r, 57 + 8 - static_cast<int>(L.size()), L);
}

constexpr std::string_view kModelHeader1 = "** MODEL RESULTS - ARC MAXIMA PER HOUR";
constexpr std::string_view kModelHeader2 = "** YYMMDDHH     DIST (M)      CMAX/Q";

// The combined line of an observed line, its OBK field replaced, with the two
// model records.
std::string combined(const std::string& observed, std::string_view obk, std::string_view aermod,
                     std::string_view iscst3) {
  return joined(observed, testsupport::right(obk, 10), aermod, iscst3);
}

std::string counts(int zero, int aerobs, int all_three) {
  return crlf(count_lines(zero, aerobs, all_three));
}

struct Study {
  std::vector<std::string> observed, iscst3, surface, aermod;  // data records
  std::string observed_header = "OBSERVED HEADER 1\nOBSERVED HEADER 2\n";

  void write(const testsupport::ScratchDir& dir) const {
    dir.write(kObservedName, observed_header + lines(observed));
    dir.write(kIscst3Name,
              lines({std::string(kModelHeader1), std::string(kModelHeader2)}) + lines(iscst3));
    dir.write(kSurfaceName, lines({"   51.650N    1.350W   UA_ID: 13841"}) + lines(surface));
    dir.write(kAermodName,
              lines({std::string(kModelHeader1), std::string(kModelHeader2)}) + lines(aermod));
  }
};

// Two hours, each with one arc joined by both models.
Study two_arcs() {
  Study s;
  s.observed = {observed_line(1, 15, 10, 0.5), observed_line(2, 15, 11, 1.0)};
  s.iscst3 = {model_record(key(15, 10), "500.000", "3.3583E+03"),
              model_record(key(15, 11), "1000.000", "3.1001E+03")};
  s.surface = {surface_record(15, 10, "-12.0"), surface_record(15, 11, "-42.9")};
  s.aermod = {model_record(key(15, 10), "500.000", "2.1398E+03"),
              model_record(key(15, 11), "1000.000", "1.1148E+04")};
  return s;
}

std::string first_line_of_two_arcs() {
  const Study s = two_arcs();
  return combined(s.observed[0], "-12.00", s.aermod[0], s.iscst3[0]);
}

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The two header lines of the table as this run wrote them (336 and 334 columns).
std::string table_header(const testsupport::ScratchDir& dir) {
  const std::string text = dir.read(kTableName);
  const auto recs = testsupport::checked_records("table", text);
  EXPECT_GE(recs.size(), 2u);
  if (recs.size() < 2) return {};
  EXPECT_EQ(recs[0].size(), 336u);
  EXPECT_EQ(recs[1].size(), 334u);
  return crlf({std::string(recs[0]), std::string(recs[1])});
}

// ---------------------------------------------------------------------------
// Refused

// A failed run leaves the table of an earlier run as it was.
const std::string kEarlier = "table of an earlier run\r\n";

TEST(HostileCombine, MissingInputFileChangesNoTable) {
  for (std::string_view missing : {kObservedName, kIscst3Name, kSurfaceName, kAermodName}) {
    SCOPED_TRACE(missing);
    testsupport::ScratchDir dir;
    two_arcs().write(dir);
    dir.write(kTableName, kEarlier);
    std::filesystem::remove(dir / missing);
    const auto r = run_in(dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(has(r.err, "TLVCombineAll: " + std::string(missing) + ": Operating system error: "))
        << r.err;
    EXPECT_EQ(dir.read(kTableName), kEarlier);
  }
}

TEST(HostileCombine, FilesEndingInsideTheirHeaderLines) {
  struct Row {
    std::string_view file;
    std::string content;
    const char* where;
  };
  const Row rows[] = {
      {kObservedName, "ONE HEADER LINE ONLY\n", "TolvernOBSAnalysisNoFill.txt line 1: End of file"},
      {kObservedName, "", "TolvernOBSAnalysisNoFill.txt: End of file"},
      {kIscst3Name, std::string(kModelHeader1) + "\n",
       "TLV-iscst3-Results.txt line 1: End of file"},
      {kSurfaceName, "", "Tlvcutsurf-all.txt: End of file"},
      {kAermodName, std::string(kModelHeader1) + "\n",
       "TLV-AERMOD-Results.txt line 1: End of file"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.where);
    testsupport::ScratchDir dir;
    two_arcs().write(dir);
    dir.write(row.file, row.content);
    dir.write(kTableName, kEarlier);
    const auto r = run_in(dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.err, "TLVCombineAll: " + std::string(row.where))) << r.err;
    EXPECT_EQ(dir.read(kTableName), kEarlier);
  }
}

// The first AERMOD record joins; the second meets a bad field (or the surface file
// fails before any join): the earlier table stays as it was.
TEST(HostileCombine, LettersAndBinaryBytesInNumericFields) {
  struct Fault {
    const char* what;
    Study study;
    const char* message;
  };
  Study bad_cy = two_arcs();
  bad_cy.iscst3[1] = model_record(key(15, 11), "1000.000", "3.1x01E+03");
  Study bad_distance = two_arcs();
  bad_distance.aermod[1] = model_record(key(15, 11), std::string("100\x80.000"), "1.1148E+04");
  Study bad_q = two_arcs();
  bad_q.observed[1] = observed_line(2, 15, 11, 1.0, "      5.l2");
  Study bad_arc = two_arcs();
  place(bad_arc.observed[1], 43, "1.O0");
  Study bad_hour = two_arcs();
  place(bad_hour.surface[1], 13, "1l1");
  Study nul_key = two_arcs();
  place(nul_key.iscst3[1], 16,
        std::string("1\0"
                    "000.000",
                    9));
  const Fault faults[] = {
      {"letters in CY1/Q", bad_cy,
       "TLV-iscst3-Results.txt line 4, columns 55-64 (CY1/Q): Bad value during floating point "
       "read"},
      {"a binary byte in an AERMOD distance", bad_distance,
       "TLV-AERMOD-Results.txt line 4, columns 16-24 (receptor distance): Bad value during "
       "floating "
       "point read"},
      {"a letter in an observed Q", bad_q,
       "TolvernOBSAnalysisNoFill.txt line 4, columns 51-60 (Q): Bad value during floating point "
       "read"},
      {"a letter in an observed arc distance", bad_arc,
       "TolvernOBSAnalysisNoFill.txt line 4, columns 43-47 (arc distance): Bad value during "
       "floating "
       "point read"},
      {"a NUL in an ISCST3 distance", nul_key,
       "TLV-iscst3-Results.txt line 4, columns 16-24 (receptor distance): Bad value during "
       "floating "
       "point read"},
      {"a letter in a surface hour", bad_hour,
       "Tlvcutsurf-all.txt line 3, columns 13-15 (hour): Bad value during integer read"},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.what);
    testsupport::ScratchDir dir;
    f.study.write(dir);
    dir.write(kTableName, kEarlier);
    const auto r = run_in(dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "TLVCombineAll: " + std::string(f.message) + "\n");
    EXPECT_EQ(dir.read(kTableName), kEarlier);
  }
}

// ---------------------------------------------------------------------------
// Accepted

// 250 AERMOD records over 25 hours and ten arcs, all joined; every tenth ISCST3
// CY1/Q is zero. 225 combined lines in AERMOD order, and the counts 25, 250, 250.
TEST(HostileCombine, MoreThanTwoHundredJoinedRecords) {
  const double arcs[] = {0.5, 1.0, 2.0, 3.0, 5.0, 7.0, 10.0, 15.0, 20.0, 30.0};
  Study s;
  std::vector<std::string> expected;
  int exp = 0;
  for (int k = 0; k < 25; ++k) {
    const int day = 15 + k / 24, hour = 1 + k % 24;
    char L[32];
    std::snprintf(L, sizeof L, "%.1f", -10.0 - k);
    s.surface.push_back(surface_record(day, hour, L));
    for (int a = 0; a < 10; ++a) {
      char metres[32];
      std::snprintf(metres, sizeof metres, "%.3f", arcs[a] * 1000.0);
      s.observed.push_back(observed_line(++exp, day, hour, arcs[a]));
      s.iscst3.push_back(model_record(key(day, hour), metres, a == 9 ? "0.0" : "3.3583E+03"));
      s.aermod.push_back(model_record(key(day, hour), metres, "2.1398E+03"));
      char obk[32];
      std::snprintf(obk, sizeof obk, "%.2f", -10.0 - k);
      if (a != 9)
        expected.push_back(combined(s.observed.back(), obk, s.aermod.back(), s.iscst3.back()));
    }
  }
  testsupport::ScratchDir dir;
  s.write(dir);
  const auto r = run_in(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read(kTableName), table_header(dir) + crlf(expected) + counts(25, 250, 250));
}

// Model records of 500 columns are cut at 80; observed lines of 400 columns and
// surface records of 300 are read through their layouts alone.
TEST(HostileCombine, RecordsFarLongerThanTheirLayouts) {
  const std::string junk = " 12.5 JUNK 80071510 " + std::string(300, 'W');
  Study s = two_arcs();
  for (auto* list : {&s.observed, &s.iscst3, &s.surface, &s.aermod})
    for (auto& rec : *list) rec = padded(rec, 185) + junk;
  testsupport::ScratchDir dir;
  s.write(dir);
  const auto r = run_in(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const Study clean = two_arcs();
  EXPECT_EQ(dir.read(kTableName),
            table_header(dir) +
                crlf({combined(clean.observed[0], "-12.00", s.aermod[0], s.iscst3[0]),
                      combined(clean.observed[1], "-42.90", s.aermod[1], s.iscst3[1])}) +
                counts(0, 2, 2));
}

// AERMOD data records ended by CR alone are one record: its first 80 columns are
// the first AERMOD record, which alone is joined.
TEST(HostileCombine, CrOnlyLineEndsMakeOneRecord) {
  Study s = two_arcs();
  const std::string first = padded(s.aermod[0], 80);
  s.aermod = {first + "\r" + s.aermod[1]};
  testsupport::ScratchDir dir;
  s.write(dir);
  const auto r = run_in(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read(kTableName),
            table_header(dir) + crlf({first_line_of_two_arcs()}) + counts(0, 1, 1));
}

TEST(HostileCombine, AermodFileOfHeaderLinesOnly) {
  Study s = two_arcs();
  s.aermod.clear();
  testsupport::ScratchDir dir;
  s.write(dir);
  const auto r = run_in(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read(kTableName), table_header(dir) + counts(0, 0, 0));
}

}  // namespace
