// tlvanalysis on hostile input. Refused: missing files, files ending inside a
// block or inside the quality-control header, letters and binary bytes in numeric
// fields; each ends with its status, a message naming the file and line, and the
// output written before it intact on disk. Run as ordinary input, ending
// normally: arcs of more than 200 samplers (the arc-size lines in the report),
// records far longer than their layouts, CR-only line ends, CR LF line ends, an
// empty observation file.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "support/checked_records.h"
#include "support/run.h"
#include "support/scratch.h"
#include "support/tlvanalysis_files.h"
#include "tlvanalysis/tlvanalysis.h"

namespace {

using namespace tlvtest;

// A quality-control record of 1980-05-05 hour `hour` on the 1 km arc with `flag`.
std::string qc_record(std::string hour, std::string flag) {
  return tlvtest::qc_record({"80/05/05", std::move(hour), "1.0", std::move(flag)});
}

// The records of a quality-control file that admits hours 10 and 11 of 1980-05-05
// on the 1 km arc (`second_hour` in place of 11), and the file itself.
std::vector<std::string> qc_records(std::string second_hour = "11") {
  auto r = qc_header();
  r.push_back(qc_record("10", "5"));
  r.push_back(qc_record(std::move(second_hour), "5"));
  return r;
}
std::string qc_file() {
  return lines(qc_records());
}

std::vector<std::string_view> records_of(const std::string& text) {
  return testsupport::checked_records("output", text);
}

testsupport::RunResult run(const testsupport::ScratchDir& dir) {
  return testsupport::run_program(run_tlvanalysis, dir.path());
}

// Runs the analysis in `dir`, where it must succeed, and returns its report.
std::string report_of_run(const testsupport::ScratchDir& dir) {
  const auto r = run(dir);
  EXPECT_EQ(r.status, 0) << r.err;
  return dir.read(kReport);
}

// The columns of a report line that copy input values: Exp, date and time, DUR
// (1-24), and Arc, Q and OBK (35-73).
std::string copied_columns(std::string_view line) {
  return std::string(line.substr(0, 24)) + "|" + std::string(line.substr(34, 39));
}

// A block of 1980-05-05 at `time`: three samplers on the 1 km arc east of the stack.
Block at_time(std::string time) {
  Block b;
  b.date = " 80/05/05 ";
  b.time = std::move(time);
  b.dist = "1.0";
  b.samplers = small_plume();
  return b;
}

const Block kHour10 = at_time("1000");
const Block kHour11 = at_time("1100");

// ---------------------------------------------------------------------------
// Refused

TEST(HostileTlvanalysis, MissingQualityFileCreatesNoOutput) {
  testsupport::ScratchDir dir;
  dir.write(kObs, blocks_text({kHour10}));
  dir.write(kEmissions, "earlier run\r\n");
  const auto r = run(dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(std::string("tlvanalysis: ") + std::string(kQc)), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("Operating system error: "), std::string::npos) << r.err;
  EXPECT_FALSE(dir.exists(kReport));
  EXPECT_EQ(dir.read(kEmissions), "earlier run\r\n");
}

TEST(HostileTlvanalysis, MissingObservationFileChangesNoOutput) {
  testsupport::ScratchDir dir;
  dir.write(kQc, qc_file());
  dir.write(kEmissions, "earlier run\r\n");
  const auto r = run(dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(std::string(kObs)), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Operating system error: "), std::string::npos) << r.err;
  EXPECT_FALSE(dir.exists(kReport));
  EXPECT_EQ(dir.read(kEmissions), "earlier run\r\n");
}

TEST(HostileTlvanalysis, QualityFileEndingInsideItsHeader) {
  for (int n : {0, 1, 47}) {
    SCOPED_TRACE(n);
    testsupport::ScratchDir dir;
    dir.write(kQc, lines(qc_header(n)));
    dir.write(kObs, blocks_text({kHour10}));
    const auto r = run(dir);
    EXPECT_EQ(r.status, 2);
    const std::string where =
        n == 0 ? std::string(kQc) + ": " : std::string(kQc) + " line " + std::to_string(n) + ":";
    EXPECT_NE(r.err.find(where), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("End of file"), std::string::npos) << r.err;
    EXPECT_FALSE(dir.exists(kReport));
    EXPECT_FALSE(dir.exists(kEmissions));
  }
}

// The study of two admitted hours, then a third block that the file cuts short:
// the outputs of an earlier clean run of the two hours stay as they were.
TEST(HostileTlvanalysis, ObservationFileEndingInsideABlock) {
  testsupport::ScratchDir clean;
  clean.write(kQc, qc_file());
  clean.write(kObs, blocks_text({kHour10, kHour11}));
  ASSERT_EQ(run(clean).status, 0);
  const std::string report = clean.read(kReport), emissions = clean.read(kEmissions);
  ASSERT_EQ(records_of(report).size(), 4u);
  ASSERT_EQ(records_of(emissions).size(), 2u);

  Block four = kHour11;
  four.samplers = fan({"1.0", "2.0", "3.0", "4.0"});
  const auto third = block_records(four);
  // Cut after the key record, inside the five records fetch reads, and inside the samplers.
  for (std::size_t keep : {1u, 3u, 6u, 8u}) {
    SCOPED_TRACE(keep);
    testsupport::ScratchDir dir;
    dir.write(kQc, qc_file());
    const std::vector<std::string> cut(third.begin(), third.begin() + static_cast<long>(keep));
    dir.write(kObs, blocks_text({kHour10, kHour11}) + lines(cut));
    dir.write(kReport, report);
    dir.write(kEmissions, emissions);
    const auto r = run(dir);
    EXPECT_EQ(r.status, 2);
    const long last_line = 2 * 9 + static_cast<long>(keep);
    EXPECT_NE(
        r.err.find(std::string(kObs) + " line " + std::to_string(last_line) + ": End of file"),
        std::string::npos)
        << r.err;
    EXPECT_EQ(dir.read(kReport), report);
    EXPECT_EQ(dir.read(kEmissions), emissions);
  }
}

// A sampler count of 99999 (the largest the field holds) before a short file ends
// at "End of file" at once, without reserving room for the samplers that never come.
TEST(HostileTlvanalysis, HugeSamplerCountWithShortFile) {
  testsupport::ScratchDir dir;
  dir.write(kQc, qc_file());
  Block huge = kHour11;
  huge.count = "99999";
  dir.write(kObs, blocks_text({kHour10, huge}));
  const auto start = std::chrono::steady_clock::now();
  const auto r = run(dir);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(std::string(kObs) + " line 18: End of file"), std::string::npos) << r.err;
  EXPECT_FALSE(dir.exists(kReport));
}

struct FieldFault {
  const char* what;
  int block_record;     // record of the second block that is spoiled (0: key)
  int column;           // where the bad text goes
  std::string bad;      // the text
  const char* reason;   // the failure expected
  const char* columns;  // the columns named, or "" when not checked
};

// Letters or binary bytes in a numeric field of the second block: the run ends
// there, naming the file, the line and the field; the outputs of an earlier clean
// run of the first block stay as they were.
TEST(HostileTlvanalysis, LettersAndBinaryBytesInNumericFields) {
  const FieldFault faults[] = {
      {"letters in a concentration", 7, 33, "   12.3abc", "Bad value during floating point read",
       "columns 33-42"},
      {"binary bytes in a concentration", 8, 33, std::string("  1.\x01\xff\x00", 7) + "5  ",
       "Bad value during floating point read", "columns 33-42"},
      {"a letter in the sampler count", 5, 32, "   3x", "Bad value during integer read",
       "columns 32-36"},
      {"a NUL in the sampler count", 5, 32, std::string("  \0 3", 5),
       "Bad value during integer read", "columns 32-36"},
      {"letters in the emission rate", 4, 67, "    12.3Q", "Bad value during floating point read",
       "columns 67-75"},
      {"letters in the Obukhov length", 2, 30, "    -4O.6", "Bad value during floating point read",
       "columns 30-38"},
      {"a letter in the easting", 7, 5, " 2B6.000", "Bad value during floating point read",
       "columns 5-12"},
      {"a letter in the date key", 1, 32, " 80/0S/05 ", "Bad value during integer read", ""},
      {"a letter in the time key", 1, 78, "11O0", "Bad value during integer read", ""},
  };
  testsupport::ScratchDir clean;
  clean.write(kQc, qc_file());
  clean.write(kObs, blocks_text({kHour10}));
  ASSERT_EQ(run(clean).status, 0);

  for (const FieldFault& f : faults) {
    SCOPED_TRACE(f.what);
    auto second = block_records(kHour11);
    place(second[static_cast<std::size_t>(f.block_record - 1)], f.column, f.bad);
    testsupport::ScratchDir dir;
    dir.write(kQc, qc_file());
    dir.write(kObs, blocks_text({kHour10}) + lines(second));
    dir.write(kReport, clean.read(kReport));
    dir.write(kEmissions, clean.read(kEmissions));
    const auto r = run(dir);
    EXPECT_EQ(r.status, 2);
    const std::string line = std::string(kObs) + " line " + std::to_string(9 + f.block_record);
    EXPECT_NE(r.err.find(line), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(f.columns), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(f.reason), std::string::npos) << r.err;
    EXPECT_EQ(dir.read(kReport), clean.read(kReport));
    EXPECT_EQ(dir.read(kEmissions), clean.read(kEmissions));
  }
}

// A value that reads but cannot be written as a number: a concentration of 1e39
// (read as 1e37 under f10.2) makes CY and CMAX overflow, an emission rate or exit
// temperature of 1e41 reads as infinity. The run ends naming the block's key record
// (line 10) instead of writing "Infinity" into the report or the emissions file.
TEST(HostileTlvanalysis, ValuesBeyondTheFloatRangeAreNeverWritten) {
  struct Case {
    const char* what;
    Block block;
  };
  Case cases[] = {{"concentrations of 1e39", kHour11},
                  {"an emission rate of 1e41", kHour11},
                  {"an exit temperature of 1e41", kHour11}};
  for (Sampler& s : cases[0].block.samplers) s.conc = "1e39";
  cases[1].block.q = "1e41";
  cases[2].block.ts = "1e41";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testsupport::ScratchDir dir;
    dir.write(kQc, qc_file());
    dir.write(kObs, blocks_text({kHour10, c.block}));
    const auto r = run(dir);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err,
              "tlvanalysis: " + std::string(kObs) + " line 10: Value beyond the float range\n");
  }
}

TEST(HostileTlvanalysis, LettersInAQualityRecordCreateNoOutput) {
  const auto qc = qc_records("1l");  // a letter l for a one
  testsupport::ScratchDir dir;
  dir.write(kQc, lines(qc));
  dir.write(kObs, blocks_text({kHour10}));
  const auto r = run(dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(std::string(kQc) + " line 50, columns 20-21"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("Bad value during integer read"), std::string::npos) << r.err;
  EXPECT_FALSE(dir.exists(kReport));
  EXPECT_FALSE(dir.exists(kEmissions));
}

// ---------------------------------------------------------------------------
// Accepted

// An arc of 250 samplers: the fit refuses it with the two arc-size lines and the
// driver still writes its line, OMAX the largest concentration copied (7.5); the
// next block of the same hour is analysed as usual.
TEST(HostileTlvanalysis, ArcAboveTwoHundredSamplers) {
  Block big = kHour10;
  std::vector<std::string> concs(250, "1.00");
  concs[230] = "7.50";
  big.samplers = fan(concs);
  testsupport::ScratchDir dir;
  dir.write(kQc, qc_file());
  dir.write(kObs, blocks_text({big, kHour10}));
  const std::string text = report_of_run(dir);
  const auto report = records_of(text);
  ASSERT_EQ(report.size(), 6u);
  EXPECT_EQ(report[2], " NUM  = :  250");
  EXPECT_EQ(report[3], " NMAX = :  200");
  ASSERT_EQ(report[4].size(), 177u);
  EXPECT_EQ(copied_columns(report[4]),
            "       1  8005051000  60|         1.00        12.35       -45.60");
  EXPECT_EQ(report[4].substr(79, 12), "  7.5000E+00");
  ASSERT_EQ(report[5].size(), 177u);
  EXPECT_EQ(report[5].substr(79, 12), "  2.0000E+00");  // the three-sampler arc, fitted
  EXPECT_EQ(dir.read(kEmissions),
            "SO HOUREMIS 80  5  5 10 STACK     1000.000     400.000      12.500\r\n");
}

// Every record padded far past its layout with letters: nothing past column 120
// of records 2 to 6, past column 87 of the key record, past column 42 of a sampler
// record or past column 88 of a quality record is read.
TEST(HostileTlvanalysis, RecordsFarLongerThanTheirLayouts) {
  const std::string junk = " NOT A NUMBER " + std::string(5000, 'Z');
  auto pad = [&](std::vector<std::string> records, std::size_t from) {
    for (auto& r : records) {
      r.resize(std::max(r.size(), from), ' ');
      r += junk;
    }
    return records;
  };
  std::vector<std::string> obs;
  for (const Block& b : {kHour10, kHour11}) {
    auto recs = block_records(b);
    for (std::size_t i = 0; i < recs.size(); ++i) {
      const std::size_t from = i == 0 ? 87 : i < 6 ? 120 : 42;
      recs[i] = pad({recs[i]}, from)[0];
      obs.push_back(recs[i]);
    }
  }
  const auto qc = pad(qc_records(), 88);

  testsupport::ScratchDir clean, dir;
  clean.write(kQc, qc_file());
  clean.write(kObs, blocks_text({kHour10, kHour11}));
  dir.write(kQc, lines(qc));
  dir.write(kObs, lines(obs));
  ASSERT_EQ(run(clean).status, 0);
  const std::string text = report_of_run(dir);
  const auto report = records_of(text);
  ASSERT_EQ(report.size(), 4u);
  EXPECT_EQ(copied_columns(report[2]),
            "       1  8005051000  60|         1.00        12.35       -45.60");
  EXPECT_EQ(copied_columns(report[3]),
            "       2  8005051100  60|         1.00        12.35       -45.60");
  EXPECT_EQ(text, clean.read(kReport));
  EXPECT_EQ(dir.read(kEmissions), clean.read(kEmissions));
}

// Quality records ended by CR alone are one long record: only the first of them,
// 88 columns long, is read (hour 10), so hour 11 is not admitted.
TEST(HostileTlvanalysis, CrOnlyLineEndsMakeOneRecord) {
  testsupport::ScratchDir dir;
  dir.write(kQc, lines(qc_header()) + qc_record("10", "5") + "\r" + qc_record("11", "5") + "\r\n");
  dir.write(kObs, blocks_text({kHour10, kHour11}));
  const std::string text = report_of_run(dir);
  const auto report = records_of(text);
  ASSERT_EQ(report.size(), 3u);
  EXPECT_EQ(copied_columns(report[2]),
            "       1  8005051000  60|         1.00        12.35       -45.60");
  EXPECT_EQ(records_of(dir.read(kEmissions)).size(), 1u);

  // An observation file ended by CR alone is one record: its key record is read,
  // and the block's next record is past the end of the file.
  testsupport::ScratchDir one;
  one.write(kQc, qc_file());
  one.write(kObs, lines(block_records(kHour10), "\r"));
  const auto r1 = run(one);
  EXPECT_EQ(r1.status, 2);
  EXPECT_NE(r1.err.find(std::string(kObs) + " line 1: End of file"), std::string::npos) << r1.err;
  EXPECT_FALSE(one.exists(kReport));
}

TEST(HostileTlvanalysis, CrLfLineEndsReadAsLf) {
  testsupport::ScratchDir lf, crlf;
  lf.write(kQc, qc_file());
  lf.write(kObs, blocks_text({kHour10, kHour11}));
  crlf.write(kQc, lines(qc_records(), "\r\n"));
  crlf.write(kObs, lines(block_records(kHour10), "\r\n") + lines(block_records(kHour11), "\r\n"));
  ASSERT_EQ(run(lf).status, 0);
  ASSERT_EQ(run(crlf).status, 0);
  EXPECT_EQ(crlf.read(kReport), lf.read(kReport));
  EXPECT_EQ(crlf.read(kEmissions), lf.read(kEmissions));
  EXPECT_EQ(records_of(lf.read(kReport)).size(), 4u);
}

// An empty observation file, or one whose first key record has a blank date: the
// report holds its header alone, and an emissions file of an earlier run keeps
// its content.
TEST(HostileTlvanalysis, EmptyObservationFile) {
  for (const std::string& obs :
       {std::string(), std::string(100, ' ') + "\n" + lines(block_records(kHour10))}) {
    testsupport::ScratchDir dir;
    dir.write(kQc, qc_file());
    dir.write(kObs, obs);
    dir.write(kEmissions, "earlier run\r\n");
    const auto r = run(dir);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(records_of(dir.read(kReport)).size(), 2u);
    EXPECT_EQ(dir.read(kEmissions), "earlier run\r\n");
  }
}

}  // namespace
