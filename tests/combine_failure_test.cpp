// Where and when a run ends: every fault ends it at the point of the table that a scan
// of the files from their top would reach it, never earlier; a run that fails puts no
// table in place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/combine_files.h"

namespace {

using namespace combine_test;

const std::string kHead = "header line";
const std::string kCy = "1.2345E-02";

// Hour 80-07-15 10:00 on three arcs, and a surface file that gives it OBK -20.0.
const std::string kO05 = observed_line("    1", "8007151000", "      0.50");
const std::string kO10 = observed_line("    1", "8007151000", "      1.00");
const std::string kO20 = observed_line("    1", "8007151000", "      2.00");
const std::string kBadArc = observed_line("    1", "8007151000", "      x.00");
const std::string kBadExp = observed_line("   x1", "8007151000", "      2.00");
const std::string kA05 = model_record("80071510", "  500.000", kCy);
const std::string kA10 = model_record("80071510", " 1000.000", kCy);
const std::string kA20 = model_record("80071510", " 2000.000", kCy);
const std::string kA50 = model_record("80071510", " 5000.000", kCy);  // no observed arc
const std::string kBadDist = model_record("80071510", " 1000.0x0", kCy);
const std::vector<std::string> kSurface = {kHead, surface_record(80, 7, 15, 10, "   -20.0")};

Result run_files(const Study& f) {
  testsupport::ScratchDir dir;
  f.write(dir);
  return run_in(dir);
}

std::vector<std::string> with_heads(std::vector<std::string> lines) {
  lines.insert(lines.begin(), {kHead, kHead});
  return lines;
}

std::string line_of(const std::string& obs, const std::string& rec) {
  return joined(obs, "    -20.00", rec, rec);
}

std::string table_of(std::vector<std::string> lines, bool with_counts = false, int zero = 0,
                     int aerobs = 0, int all = 0) {
  lines.insert(lines.begin(), {kHeader1, kHeader2});
  if (with_counts) {
    for (auto& c : count_lines(zero, aerobs, all)) lines.push_back(c);
  }
  return crlf(lines);
}

const std::string kBadReal = "Bad value during floating point read";

// The table after a failed run in a fresh folder: none.
const std::string kNoTable;

// A bad arc field in the observed file: scans that find their arc before it succeed,
// the first scan that reaches it ends the run there.
TEST(CombineFailure, BadObservedLineBeforeAndAfterTheMatches) {
  struct Case {
    const char* name;
    std::vector<std::string> observed;
    std::vector<std::string> aermod;
    int status;
    std::vector<std::string> lines;
    bool counts;
    std::string err;
  };
  const std::string err5 =
      "TLVCombineAll: TolvernOBSAnalysisNoFill.txt line 5, columns 43-47 (arc distance): " +
      kBadReal + "\n";
  const std::string err3 =
      "TLVCombineAll: TolvernOBSAnalysisNoFill.txt line 3, columns 43-47 (arc distance): " +
      kBadReal + "\n";
  const std::vector<Case> cases = {
      {"bad line after every match",
       with_heads({kO05, kO10, kBadArc, kO20}),
       with_heads({kA05, kA10, kA10, kA05}),
       0,
       {line_of(kO05, kA05), line_of(kO10, kA10), line_of(kO10, kA10), line_of(kO05, kA05)},
       true,
       ""},
      {"scan passing the bad line ends the run after the lines before it",
       with_heads({kO05, kO10, kBadArc, kO20}),
       with_heads({kA05, kA10, kA20, kA05}),
       2,
       {},
       false,
       err5},
      {"unmatched record scans the whole file and meets the bad line",
       with_heads({kO05, kO10, kBadArc}),
       with_heads({kA05, kA50, kA10}),
       2,
       {},
       false,
       err5},
      {"bad line first: the first scan fails",
       with_heads({kBadArc, kO05}),
       with_heads({kA05}),
       2,
       {},
       false,
       err3},
      {"bad line first but no AERMOD record: no scan",
       with_heads({kBadArc, kO05}),
       with_heads({}),
       0,
       {},
       true,
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Result r =
        run_files({c.observed, with_heads({kA05, kA10, kA20, kA50}), kSurface, c.aermod});
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
    const std::string want = table_of(c.lines, c.counts, 0, static_cast<int>(c.lines.size()),
                                      static_cast<int>(c.lines.size()));
    EXPECT_EQ(r.table, c.status == 0 ? want : kNoTable);
  }
}

// The same rule for the ISCST3 file: a bad distance field before or after the partner.
TEST(CombineFailure, BadIscst3RecordBeforeAndAfterThePartner) {
  const std::string err =
      "TLVCombineAll: TLV-iscst3-Results.txt line 4, columns 16-24 (receptor distance): " +
      kBadReal + "\n";
  // Partner of 0.50 before the bad record, partner of 1.00 after it.
  const std::vector<std::string> iscst3 = with_heads({kA05, kBadDist, kA10});
  {
    SCOPED_TRACE("only the partner before the bad record is sought");
    const Result r =
        run_files({with_heads({kO05, kO10}), iscst3, kSurface, with_heads({kA05, kA50, kA05})});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.table, table_of({line_of(kO05, kA05), line_of(kO05, kA05)}, true, 0, 2, 2));
  }
  {
    SCOPED_TRACE("seeking the partner after it ends the run; the arc was counted, not written");
    const Result r =
        run_files({with_heads({kO05, kO10}), iscst3, kSurface, with_heads({kA05, kA10, kA05})});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, err);
    EXPECT_EQ(r.table, kNoTable);
  }
}

// True when `err` is the one end-of-file line naming `file` (the line number the record
// layer gives it is its own convention; the rescan comparison checks it is the same).
bool end_of_file_in(const std::string& err, std::string_view file) {
  const std::string head = "TLVCombineAll: " + std::string(file);
  const std::string tail = ": End of file\n";
  return err.rfind(head, 0) == 0 && err.size() >= tail.size() &&
         err.compare(err.size() - tail.size(), tail.size(), tail) == 0 &&
         err.find('\n') == err.size() - 1;
}

// Files shorter than their two header lines fail only when a scan needs them.
TEST(CombineFailure, ShortObservedAndIscst3Files) {
  {
    SCOPED_TRACE("one-line observed file, AERMOD headers only: no scan, no failure");
    const Result r = run_files({{kHead}, with_heads({kA05}), kSurface, with_heads({})});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.table, table_of({}, true, 0, 0, 0));
  }
  {
    SCOPED_TRACE("one-line observed file and an AERMOD record");
    const Result r = run_files({{kHead}, with_heads({kA05}), kSurface, with_heads({kA05})});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(end_of_file_in(r.err, kObservedName)) << r.err;
    EXPECT_EQ(r.table, kNoTable);
  }
  {
    SCOPED_TRACE("one-line ISCST3 file, no observed match: no scan of it");
    const Result r = run_files({with_heads({kO05}), {kHead}, kSurface, with_heads({kA10, kA50})});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.table, table_of({}, true, 0, 0, 0));
  }
  {
    SCOPED_TRACE("empty ISCST3 file, scanned after the second observed match");
    const Result r =
        run_files({with_heads({kO05, kO10}), {}, kSurface, with_heads({kA50, kA10, kA05})});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(end_of_file_in(r.err, kIscst3Name)) << r.err;
    EXPECT_EQ(r.table, kNoTable);
  }
  {
    SCOPED_TRACE("one-line ISCST3 file and a match");
    const Result r = run_files({with_heads({kO05}), {kHead}, kSurface, with_heads({kA05})});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(end_of_file_in(r.err, kIscst3Name)) << r.err;
    EXPECT_EQ(r.table, kNoTable);
  }
}

// Fields read only for the record that is written: the observed line through the report
// layout, and the ISCST3 CY1/Q field.
TEST(CombineFailure, FieldsReadOnlyWhenTheirLineIsWritten) {
  const std::string iscst3_bad_cy = model_record("80071510", " 2000.000", "  1.2x-02 ");
  {
    SCOPED_TRACE("bad Exp on a line whose ISCST3 CY1/Q is zero is never read");
    const std::string zero = model_record("80071510", " 2000.000", "       0.0");
    const Result r = run_files({with_heads({kO05, kBadExp}), with_heads({kA05, zero}), kSurface,
                                with_heads({kA20, kA05})});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.table, table_of({line_of(kO05, kA05)}, true, 1, 2, 2));
  }
  {
    SCOPED_TRACE("bad Exp ends the run when its line is written");
    const Result r = run_files({with_heads({kO05, kBadExp}), with_heads({kA05, kA20}), kSurface,
                                with_heads({kA05, kA20, kA05})});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "TLVCombineAll: TolvernOBSAnalysisNoFill.txt line 4, columns 4-8 (Exp): Bad value "
              "during integer read\n");
    EXPECT_EQ(r.table, kNoTable);
  }
  {
    SCOPED_TRACE("bad CY1/Q of a record no scan stops at");
    const Result r = run_files(
        {with_heads({kO05}), with_heads({kA05, iscst3_bad_cy}), kSurface, with_heads({kA05})});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.table, table_of({line_of(kO05, kA05)}, true, 0, 1, 1));
  }
  {
    SCOPED_TRACE("bad CY1/Q of the partner");
    const Result r = run_files({with_heads({kO05, kO20}), with_heads({kA05, iscst3_bad_cy}),
                                kSurface, with_heads({kA05, kA20})});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "TLVCombineAll: TLV-iscst3-Results.txt line 4, columns 55-64 (CY1/Q): " +
                         kBadReal + "\n");
    EXPECT_EQ(r.table, kNoTable);
  }
}

// AERMOD and surface faults end the run where they are read.
TEST(CombineFailure, AermodAndSurfaceFaults) {
  {
    SCOPED_TRACE("bad AERMOD distance after a written line");
    const Result r = run_files(
        {with_heads({kO05}), with_heads({kA05}), kSurface, with_heads({kA05, kBadDist, kA05})});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "TLVCombineAll: TLV-AERMOD-Results.txt line 4, columns 16-24 (receptor distance): " +
                  kBadReal + "\n");
    EXPECT_EQ(r.table, kNoTable);
  }
  {
    SCOPED_TRACE("AERMOD file of one line");
    const Result r = run_files({with_heads({kO05}), with_heads({kA05}), kSurface, {kHead}});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(end_of_file_in(r.err, kAermodName)) << r.err;
    EXPECT_EQ(r.table, kNoTable);
  }
  {
    SCOPED_TRACE("empty surface file");
    const Result r = run_files({with_heads({kO05}), with_heads({kA05}), {}, with_heads({kA05})});
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(end_of_file_in(r.err, kSurfaceName)) << r.err;
    EXPECT_EQ(r.table, kNoTable);
  }
  {
    SCOPED_TRACE("bad hour in a surface record");
    std::vector<std::string> surface = kSurface;
    surface.push_back(splice(surface_record(80, 7, 15, 11, "     1.0"), 13, " 1x"));
    const Result r =
        run_files({with_heads({kO05}), with_heads({kA05}), surface, with_heads({kA05})});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "TLVCombineAll: Tlvcutsurf-all.txt line 3, columns 13-15 (hour): Bad value during "
              "integer read\n");
    EXPECT_EQ(r.table, kNoTable);
  }
}

// Inputs are opened in the order observed, ISCST3, surface, AERMOD, after the table's
// header lines are written; the first missing one ends the run with status 1, and
// the table of an earlier run stays as it was.
TEST(CombineFailure, MissingInputFiles) {
  const std::vector<std::string_view> order = {kObservedName, kIscst3Name, kSurfaceName,
                                               kAermodName};
  for (std::size_t missing = 0; missing < order.size(); ++missing) {
    SCOPED_TRACE(std::string(order[missing]));
    testsupport::ScratchDir dir;
    dir.write(kTableName, "old content of an earlier run\r\n");
    for (std::size_t k = 0; k < order.size(); ++k) {
      // Files after the missing one are absent too: the first missing one is named.
      if (k < missing) dir.write(order[k], lines(k == 2 ? kSurface : with_heads({})));
    }
    const Result r = run_in(dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("TLVCombineAll: " + std::string(order[missing]), 0), 0u) << r.err;
    EXPECT_NE(r.err.find("Operating system error: "), std::string::npos) << r.err;
    EXPECT_EQ(r.table, "old content of an earlier run\r\n");
  }
}

}  // namespace
