// hlbanalysis on hostile input. Refused: a missing arc file, a file ending inside
// a block (or before its first), letters and binary bytes in numeric fields and
// keys, invalid sampler counts; each ends with its status, a message naming the
// file and line, and the report lines written before it intact on disk.
// Run as ordinary input, ending normally: arcs of more than 200 receptors (the
// arc-size lines in the report), records far longer than their layouts, CR-only
// and CR LF line ends, an empty first line.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "hlbanalysis/hlbanalysis.h"
#include "support/checked_records.h"
#include "support/run.h"
#include "support/scratch.h"

namespace {

using testsupport::lines;

constexpr std::string_view kArcs = "hbarcs.txt";
constexpr std::string_view kReport = "HolmbyOBSAnalysis.txt";
constexpr int kBlocks = 340;

std::string receptor(int bearing, int radius, std::string_view conc) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%17s%3d%7s%3d%10s", "", bearing, "", radius,
                std::string(conc).c_str());
  return buf;
}

// One arc block as its records: first record, counts record, receptors.
struct Block {
  int exp = 1;
  std::string counts = "5 1 5 50 1.0 0.0 0.0 101.3 0.46";
  std::vector<std::string> receptors = {receptor(160, 50, "20.0"), receptor(165, 50, "80.0"),
                                        receptor(170, 50, "150.0"), receptor(175, 50, "70.0"),
                                        receptor(180, 50, "10.0")};
  std::string key = "' 07/03/61 ' '1130-1140'";
};

Block numbered(int exp, std::string counts = Block{}.counts) {
  Block b;
  b.exp = exp;
  b.counts = std::move(counts);
  return b;
}

std::vector<std::string> block_records(const Block& b) {
  std::vector<std::string> r = {std::to_string(b.exp) + " 1 " + b.key + " 5.1", b.counts};
  r.insert(r.end(), b.receptors.begin(), b.receptors.end());
  return r;
}

// The header record, then `blocks`, then standard blocks up to `total`.
std::vector<std::string> arc_file(std::vector<Block> blocks, int total = kBlocks) {
  std::vector<std::string> r = {"'Holmby test arcs, 10-min samples'"};
  for (int k = static_cast<int>(blocks.size()); k < total; ++k) blocks.push_back(numbered(k + 1));
  for (const Block& b : blocks) {
    const auto recs = block_records(b);
    r.insert(r.end(), recs.begin(), recs.end());
  }
  return r;
}

std::vector<std::string_view> records_of(const std::string& text) {
  return testsupport::checked_records("report", text);
}

testsupport::RunResult run(const testsupport::ScratchDir& dir) {
  return testsupport::run_program(run_hlbanalysis, dir.path());
}

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// The report of the clean study of 340 standard blocks.
const std::string& clean_report() {
  static const std::string report = [] {
    testsupport::ScratchDir dir;
    dir.write(kArcs, lines(arc_file({})));
    const auto r = run(dir);
    EXPECT_EQ(r.status, 0) << r.err;
    return dir.read(kReport);
  }();
  return report;
}

// ---------------------------------------------------------------------------
// Refused

// A failed run changes no report: an earlier one stays as it was.
const std::string kEarlier = "report of an earlier run\r\n";

TEST(HostileHlbanalysis, MissingArcFileChangesNoReport) {
  testsupport::ScratchDir dir;
  dir.write(kReport, kEarlier);
  const auto r = run(dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(has(r.err, "hlbanalysis: hbarcs.txt")) << r.err;
  EXPECT_TRUE(has(r.err, "Operating system error: ")) << r.err;
  EXPECT_EQ(dir.read(kReport), kEarlier);
}

// The file ends before its header value, inside the first record of a block,
// inside its counts record, inside its receptors, or after 339 blocks.
TEST(HostileHlbanalysis, ArcFileEndingInsideABlock) {
  const auto full = arc_file({});  // 1 + 340 * 7 records
  // Records kept.
  const std::size_t cuts[] = {0, 1, 1 + 7 * 3 + 1, 1 + 7 * 3 + 2, 1 + 7 * 3 + 6, 1 + 7 * 339};
  for (const std::size_t keep : cuts) {
    SCOPED_TRACE(keep);
    testsupport::ScratchDir dir;
    dir.write(kArcs, lines({full.begin(), full.begin() + static_cast<long>(keep)}));
    dir.write(kReport, kEarlier);
    const auto r = run(dir);
    EXPECT_EQ(r.status, 2);
    const std::string where = keep == 0
                                  ? "hbarcs.txt: End of file"
                                  : "hbarcs.txt line " + std::to_string(keep) + ": End of file";
    EXPECT_TRUE(has(r.err, where)) << r.err;
    EXPECT_EQ(dir.read(kReport), kEarlier);
  }
}

TEST(HostileHlbanalysis, HugeReceptorCountWithShortFile) {
  testsupport::ScratchDir dir;
  dir.write(kArcs, lines(arc_file({numbered(1, "2000000000 1 3 50 1.0 0.0 0.0 101.3 0.46")}, 1)));
  const auto start = std::chrono::steady_clock::now();
  const auto r = run(dir);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(has(r.err, "hbarcs.txt line 8: End of file")) << r.err;
  EXPECT_FALSE(dir.exists(kReport));
}

// A concentration or emission rate of 1e39 reads as infinity; the second block's
// line would hold "Infinity", so the run ends naming that block's first record.
TEST(HostileHlbanalysis, ValuesBeyondTheFloatRangeAreNeverWritten) {
  Block huge_conc = numbered(2), huge_rate = numbered(2, "5 1 5 50 1.0 0.0 0.0 1e39 0.46");
  huge_conc.receptors[2] = receptor(170, 50, "1e39");
  for (const Block& b : {huge_conc, huge_rate}) {
    SCOPED_TRACE(block_records(b)[1]);
    testsupport::ScratchDir dir;
    dir.write(kArcs, lines(arc_file({numbered(1), b})));
    const auto r = run(dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "hlbanalysis: hbarcs.txt line 9: Value beyond the float range\n");
  }
}

// A fault in the third block: the earlier report stays as it was.
TEST(HostileHlbanalysis, LettersAndBinaryBytesInNumericFields) {
  struct Fault {
    const char* what;
    Block block;
    int line;  // line of the third block's records that fails (1: its first record)
    const char* detail;
  };
  Block letters_conc, letters_bearing, binary_count, letters_xsrc, letters_key, binary_key,
      bad_time;
  letters_conc.receptors[1] = receptor(165, 50, "12x.5");
  letters_bearing.receptors[3] =
      std::string(17, ' ') + " 9O" + std::string(7, ' ') + " 50      70.0";
  binary_count.counts = std::string("5 \x01\xff 5 50 1.0 0.0 0.0 101.3 0.46");
  letters_xsrc.counts = "5 1 5 50 1.0 0.0q 0.0 101.3 0.46";
  letters_key.key = "' 07/ab/61 ' '1130-1140'";
  binary_key.key = std::string("' 07/03/6\x02 ' '1130-1140'");
  bad_time.key = "' 07/03/61 ' '11:30'";
  const Fault faults[] = {
      {"letters in a concentration", letters_conc, 4,
       "columns 31-40 (concentration): Bad value during floating point read"},
      {"a letter in a bearing", letters_bearing, 6,
       "columns 18-20 (bearing): Bad value during integer read"},
      {"binary bytes in NFIRST", binary_count, 2, "Bad value during integer read"},
      {"a letter in XSRC", letters_xsrc, 2, "Bad value during floating point read"},
      {"letters in the date key", letters_key, 1, "Bad value during integer read"},
      {"a binary byte in the date key", binary_key, 1, "Bad value during integer read"},
      {"a colon in the time key", bad_time, 1, "Bad value during integer read"},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.what);
    Block b = f.block;
    b.exp = 3;
    testsupport::ScratchDir dir;
    dir.write(kArcs, lines(arc_file({numbered(1), numbered(2), b})));
    dir.write(kReport, kEarlier);
    const auto r = run(dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(has(r.err, "hlbanalysis: hbarcs.txt line " + std::to_string(1 + 2 * 7 + f.line)))
        << r.err;
    EXPECT_TRUE(has(r.err, f.detail)) << r.err;
    EXPECT_EQ(dir.read(kReport), kEarlier);
  }
}

// Invalid counts: the rest of the file is not read, the console line names the
// file, its line and the counts, and the earlier report stays as it was (the fatal
// message written into the new one goes with it; hlbanalysis_reader_test checks it).
TEST(HostileHlbanalysis, InvalidCountsEndTheRunNamingTheCounts) {
  struct Row {
    const char* counts;
    const char* counts_named;
  };
  const Row rows[] = {{"5 2 6", "N = 5, NFIRST = 2, NLAST = 6"},
                      {"5 0 3", "N = 5, NFIRST = 0, NLAST = 3"},
                      {"5 4 3", "N = 5, NFIRST = 4, NLAST = 3"},
                      {"-1 1 1", "N = -1, NFIRST = 1, NLAST = 1"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.counts);
    const Block bad = numbered(2, std::string(row.counts) + " 50 1.0 0.0 0.0 101.3 0.46");
    testsupport::ScratchDir dir;
    dir.write(kArcs, lines(arc_file({Block{}, bad})));
    dir.write(kReport, kEarlier);
    const auto r = run(dir);
    EXPECT_EQ(r.status, 2);  // the program's documented status for invalid counts
    EXPECT_TRUE(has(r.err, "hlbanalysis: hbarcs.txt line 10")) << r.err;
    EXPECT_TRUE(has(r.err, row.counts_named)) << r.err;
    EXPECT_EQ(dir.read(kReport), kEarlier);
  }
}

// ---------------------------------------------------------------------------
// Accepted

// An arc of 250 receptors is refused by the fit with the two arc-size lines and
// still gets its line (OMAX the largest concentration copied, 7.5); an arc whose
// receptors 241 to 245 of 300 are fitted gives the line of the same five
// receptors as an arc of five.
TEST(HostileHlbanalysis, ArcsAboveTwoHundredReceptors) {
  Block big = numbered(1, "250 1 250 50 1.0 0.0 0.0 101.3 0.46");
  big.receptors.assign(250, receptor(170, 50, "1.0"));
  big.receptors[220] = receptor(170, 50, "7500.0");
  Block tail = numbered(2, "300 241 245 50 1.0 0.0 0.0 101.3 0.46");
  const std::vector<std::string> five = Block{}.receptors;
  tail.receptors.assign(300, receptor(90, 50, "-1.0"));
  for (std::size_t i = 0; i < 5; ++i) tail.receptors[240 + i] = five[i];

  testsupport::ScratchDir dir;
  dir.write(kArcs, lines(arc_file({big, tail})));
  const auto r = run(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string text = dir.read(kReport);
  const auto report = records_of(text);
  const auto clean = records_of(clean_report());
  ASSERT_EQ(report.size(), 2u + 2u + kBlocks);
  EXPECT_EQ(report[2], " Subroutine ARC NUM  = :  250");
  EXPECT_EQ(report[3], " Increase NMAX = :  200");
  ASSERT_EQ(report[4].size(), 138u);
  EXPECT_EQ(report[4].substr(0, 60), "       1  6107031130  10" +
                                         std::string(report[4].substr(24, 10)) +
                                         "       101.30   7.5000E+00");
  EXPECT_EQ(report[5], clean[3]);  // the five receptors, Exp 2
  for (std::size_t k = 6; k < report.size(); ++k) EXPECT_EQ(report[k], clean[k - 2]);
}

// Receptor records padded far past column 40, list-form records carrying more
// values than a statement takes, a header far longer than its 80 characters: the
// report is that of the clean file.
TEST(HostileHlbanalysis, RecordsFarLongerThanTheirLayouts) {
  const std::string junk = " 1 2 3 'NOT READ' " + std::string(4000, 'Z');
  auto recs = arc_file({});
  recs[0] = "'" + std::string(5000, 'H') + "' and more";
  for (std::size_t i = 1; i < recs.size(); ++i) {
    if (recs[i].size() < 40) recs[i] += " ";
    recs[i] += junk;
  }
  testsupport::ScratchDir dir;
  dir.write(kArcs, lines(recs));
  const auto r = run(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read(kReport), clean_report());
}

TEST(HostileHlbanalysis, CrOnlyAndCrLfLineEnds) {
  // A header of three lines ended by CR alone is one record, of which the header
  // read takes the first value; receptor records carry a CR and text after column 40.
  auto recs = arc_file({});
  recs[0] = "Holmby\rnear-surface\rrelease";
  for (std::size_t i = 3; i < recs.size(); i += 7) recs[i] += "\rtrailing text";
  testsupport::ScratchDir cr;
  cr.write(kArcs, lines(recs));
  auto r = run(cr);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(cr.read(kReport), clean_report());

  testsupport::ScratchDir crlf;
  crlf.write(kArcs, lines(arc_file({}), "\r\n"));
  r = run(crlf);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(crlf.read(kReport), clean_report());

  // The whole file ended by CR alone: one record, so the first block is missing.
  testsupport::ScratchDir one;
  one.write(kArcs, lines(arc_file({}), "\r"));
  r = run(one);
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(has(r.err, "hbarcs.txt line 1: End of file")) << r.err;
  EXPECT_FALSE(one.exists(kReport));
}

// An empty first line: the header value is the first value of the second line
// and the blocks follow from the third.
TEST(HostileHlbanalysis, EmptyFirstLine) {
  auto recs = arc_file({});
  recs.insert(recs.begin(), "");
  testsupport::ScratchDir dir;
  dir.write(kArcs, lines(recs));
  const auto r = run(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(dir.read(kReport), clean_report());
}

}  // namespace
