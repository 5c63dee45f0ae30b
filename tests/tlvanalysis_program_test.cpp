// tlvanalysis run in-process on small studies: experiment numbering, quality
// control, the report lines and emission records of several hours, the end of the
// observation file, and every way a run can fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "records/records.h"
#include "support/run.h"
#include "support/scratch.h"
#include "support/tlvanalysis_files.h"
#include "tlvanalysis/tlvanalysis.h"
#include "tracer_version.h"

namespace {

using testsupport::crlf_records;
using testsupport::RunResult;
using testsupport::ScratchDir;
using tlvtest::Block;
using tlvtest::kEmissions;
using tlvtest::kObs;
using tlvtest::kQc;
using tlvtest::kReport;
using tlvtest::QcRecord;

RunResult run(const ScratchDir& dir, const std::vector<std::string>& args = {}) {
  return testsupport::run_program(run_tlvanalysis, dir.path(), args);
}

// The data lines of the report (the two header lines dropped).
std::vector<std::string> data_lines(const ScratchDir& dir) {
  auto lines = crlf_records(dir.read(kReport));
  EXPECT_GE(lines.size(), 2u);
  if (lines.size() < 2) return {};
  return {lines.begin() + 2, lines.end()};
}

// Columns first..last (1-based) of a line, and their number.
std::string cols(const std::string& line, int first, int last) {
  return line.substr(static_cast<std::size_t>(first - 1),
                     static_cast<std::size_t>(last - first + 1));
}
double num(const std::string& line, int first, int last) {
  return std::strtod(cols(line, first, last).c_str(), nullptr);
}

Block block(std::string date, std::string time, std::string dist) {
  Block b;
  b.date = std::move(date);
  b.time = std::move(time);
  b.dist = std::move(dist);
  b.samplers = tlvtest::small_plume();
  return b;
}

QcRecord qc(std::string date, std::string hour, std::string dist, std::string flag) {
  return {std::move(date), std::move(hour), std::move(dist), std::move(flag)};
}

TEST(TlvProgram, FittedLine) {
  ScratchDir dir;
  dir.write(kQc, tlvtest::qc_file({QcRecord{}}));
  Block b = block(" 80-05-05 ", "1000", "2.0");
  b.samplers = tlvtest::arc_samplers(2.0, {80.0, 90.0, 100.0}, {"1.00", "2.00", "1.00"});
  dir.write(kObs, tlvtest::block_text(b));
  const RunResult r = run(dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "");
  const auto lines = data_lines(dir);
  ASSERT_EQ(lines.size(), 1u);
  const std::string& l = lines[0];
  ASSERT_EQ(l.size(), 177u);
  EXPECT_EQ(cols(l, 1, 24), "       1  8005051000  60");
  EXPECT_EQ(cols(l, 35, 91), "         2.00        12.35       -45.60        2.0000E+00");
  // Three samplers 10 degrees apart at 2 km, concentrations 1, 2, 1: crosswind
  // positions -349.07, 0, 349.07 m (coordinates are rounded to 1 m in the file).
  EXPECT_NEAR(num(l, 25, 34), 2.00, 0.005);    // Dist
  EXPECT_NEAR(num(l, 110, 121), 1047.2, 3.0);  // CY
  EXPECT_NEAR(num(l, 154, 165), 246.83, 1.0);  // Sy
  EXPECT_NEAR(num(l, 166, 177), 90.0, 0.05);   // PHIC
  const double cmax = num(l, 95, 106);
  EXPECT_NEAR(cmax, num(l, 110, 121) / (num(l, 154, 165) * 2.5066273), 0.001);
  EXPECT_NEAR(num(l, 125, 136), cmax / 12.35, 1e-4);
  EXPECT_NEAR(num(l, 140, 151), num(l, 110, 121) / 12.35, 0.01);
  EXPECT_EQ(dir.read(kEmissions),
            testsupport::crlf_lines(
                {"SO HOUREMIS 80  5  5 10 STACK     1000.000     400.000      12.500"}));
}

TEST(TlvProgram, MissingAndZeroEmissionRates) {
  ScratchDir dir;
  dir.write(kQc, tlvtest::qc_file({QcRecord{}, qc("80/05/05", "11", "2.0", "3")}));
  Block missing = block(" 80-05-05 ", "1000", "2.0");
  missing.q = "-1.00";
  Block zero = block(" 80-05-05 ", "1100", "2.0");
  zero.q = "";
  dir.write(kObs, tlvtest::blocks_text({missing, zero}));
  ASSERT_EQ(run(dir).status, 0);
  const auto lines = data_lines(dir);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(cols(lines[0], 51, 60), "     -1.00");
  EXPECT_EQ(cols(lines[1], 51, 60), "      0.00");
  for (const auto& l : lines) {
    EXPECT_EQ(cols(l, 122, 151), "    -9.9000E+01    -9.9000E+01");
    EXPECT_GT(num(l, 95, 106), 0.0);  // CMAX is formed all the same
  }
}

TEST(TlvProgram, ExperimentNumbersCountKeyChangesOverSkippedBlocks) {
  ScratchDir dir;
  dir.write(kQc, tlvtest::qc_file({
                     qc("80/05/05", "10", "1.0", "3"),
                     qc("80/05/05", "10", "2.0", "4"),
                     qc("80/05/05", "12", "1.0", "5"),
                     qc("80/05/06", "12", "1.0", "9"),
                     qc("80/05/06", "13", "1.0", "3"),
                 }));
  dir.write(kObs, tlvtest::blocks_text({
                      block(" 80-05-05 ", "1000", "0.5"),  // 1: arc 1 not admitted
                      block(" 80-05-05 ", "1000", "1.0"),  // 1
                      block(" 80-05-05 ", "1000", "2.0"),  // 1
                      block(" 80-05-05 ", "1100", "1.0"),  // 2: not admitted
                      block(" 80-05-05 ", "1200", "1.0"),  // 3: time key alone changed
                      block(" 80-05-06 ", "1200", "1.0"),  // 4: date key alone changed
                      block(" 80-05-06 ", "1300", "0.5"),  // 5: not admitted
                      block(" 80-05-06 ", "1300", "1.0"),  // 5
                      block(" 80-05-06 ", "1300", "1.0"),  // 5: same keys again
                      block(" 80-05-06 ", "1330", "1.0"),  // 6: minutes differ, same hour
                  }));
  ASSERT_EQ(run(dir).status, 0);
  const auto lines = data_lines(dir);
  std::vector<std::string> keys;
  for (const auto& l : lines) keys.push_back(cols(l, 4, 20) + " " + cols(l, 38, 47));
  EXPECT_EQ(keys, (std::vector<std::string>{
                      "    1  8005051000       1.00", "    1  8005051000       2.00",
                      "    3  8005051200       1.00", "    4  8005061200       1.00",
                      "    5  8005061300       1.00", "    5  8005061300       1.00",
                      "    6  8005061330       1.00"}));
}

TEST(TlvProgram, PreviousTimeKeyStartsBlank) {
  // Only a first block whose date key equals the start value of the previous date key
  // compares its time key, against ten blanks.
  struct Case {
    std::string first_time;
    std::string exp;  // Exp of the admitted second block
  };
  const Case cases[] = {{"", "    1"}, {"1000", "    2"}};
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.write(kQc, tlvtest::qc_file({QcRecord{}}));
    dir.write(kObs, tlvtest::blocks_text({block("9999999999", c.first_time, "2.0"),
                                          block(" 80-05-05 ", "1000", "2.0")}));
    ASSERT_EQ(run(dir).status, 0);
    const auto lines = data_lines(dir);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(cols(lines[0], 4, 8), c.exp) << "'" << c.first_time << "'";
  }
}

TEST(TlvProgram, QualityFlagsDecide) {
  ScratchDir dir;
  std::vector<QcRecord> flags;
  std::vector<Block> blocks;
  const char* values[] = {"0", "1", "2", "3", "4", "9", " "};
  for (int h = 0; h < 7; ++h) {
    const std::string hour = std::to_string(10 + h);
    flags.push_back(qc("80/05/05", hour, "5.0", values[h]));
    blocks.push_back(block(" 80-05-05 ", hour + "00", "5.0"));
  }
  // No record at all for this hour and arc, and one outside the years of the table.
  blocks.push_back(block(" 80-05-05 ", "2000", "5.0"));
  flags.push_back(qc("82/05/05", "10", "5.0", "9"));
  blocks.push_back(block(" 82-05-05 ", "1000", "5.0"));
  // Arc distance in no band: arc number 0, never admitted.
  flags.push_back(qc("80/05/05", "21", "0.75", "9"));
  blocks.push_back(block(" 80-05-05 ", "2100", "0.75"));
  dir.write(kQc, tlvtest::qc_file(flags));
  dir.write(kObs, tlvtest::blocks_text(blocks));
  ASSERT_EQ(run(dir).status, 0);
  std::vector<std::string> hours;
  for (const auto& l : data_lines(dir)) hours.push_back(cols(l, 17, 18));
  EXPECT_EQ(hours, (std::vector<std::string>{"13", "14", "15"}));
}

TEST(TlvProgram, OneEmissionRecordPerRunOfAnHour) {
  ScratchDir dir;
  std::vector<QcRecord> flags;
  for (const char* h : {"10", "11", "12"}) {
    for (const char* d : {"0.5", "1.0", "2.0"}) flags.push_back(qc("80/05/05", h, d, "5"));
  }
  flags.push_back(qc("80/05/05", "13", "1.0", "1"));
  dir.write(kQc, tlvtest::qc_file(flags));
  auto b = [](std::string time, std::string dist, std::string ts) {
    Block x = block(" 80-05-05 ", std::move(time), std::move(dist));
    x.ts = std::move(ts);
    return x;
  };
  dir.write(kObs, tlvtest::blocks_text({
                      b("1000", "0.5", "401.0"), b("1000", "1.0", "402.0"),
                      b("1000", "2.0", "403.0"),  // three arcs of hour 10
                      b("1100", "1.0", "411.0"), b("1100", "2.0", "412.0"),  // two of hour 11
                      b("1300", "1.0", "431.0"),  // hour 13: not admitted
                      b("1200", "5.0", "421.0"),  // first block skipped
                      b("1200", "1.0", "422.0"),  // emits with its own TS
                      b("1000", "1.0", "404.0"),  // hour 10 comes back
                      b("1030", "0.5", "405.0"),  // same hour, other minutes
                  }));
  ASSERT_EQ(run(dir).status, 0);
  EXPECT_EQ(data_lines(dir).size(), 8u);
  EXPECT_EQ(dir.read(kEmissions),
            testsupport::crlf_lines(
                {"SO HOUREMIS 80  5  5 10 STACK     1000.000     401.000      12.500",
                 "SO HOUREMIS 80  5  5 11 STACK     1000.000     411.000      12.500",
                 "SO HOUREMIS 80  5  5 12 STACK     1000.000     422.000      12.500",
                 "SO HOUREMIS 80  5  5 10 STACK     1000.000     404.000      12.500"}));
}

TEST(TlvProgram, BlankDateKeyEndsTheRun) {
  ScratchDir dir;
  dir.write(kQc, tlvtest::qc_file({QcRecord{}}));
  // After the blank key comes what would fail if it were read.
  dir.write(kObs, tlvtest::block_text(block(" 80-05-05 ", "1000", "2.0")) +
                      tlvtest::key_record("          ", "1100") + "\nGARBAGE\n");
  EXPECT_EQ(run(dir).status, 0);
  EXPECT_EQ(data_lines(dir).size(), 1u);

  // A first key record with a blank date: header only; emissions file left as it was.
  ScratchDir first;
  first.write(kQc, tlvtest::qc_file({QcRecord{}}));
  first.write(kObs, "SHORT KEY RECORD\n" + tlvtest::block_text(block(" 80-05-05 ", "1000", "2.0")));
  first.write(kEmissions, "from an earlier run\r\n");
  const RunResult r = run(first);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(crlf_records(first.read(kReport)).size(), 2u);
  EXPECT_EQ(first.read(kEmissions), "from an earlier run\r\n");

  // An empty observation file: header only, a new emissions file stays empty.
  ScratchDir empty;
  empty.write(kQc, tlvtest::qc_file({QcRecord{}}));
  empty.write(kObs, "");
  EXPECT_EQ(run(empty).status, 0);
  EXPECT_EQ(crlf_records(empty.read(kReport)).size(), 2u);
  EXPECT_TRUE(empty.exists(kEmissions));
  EXPECT_EQ(empty.read(kEmissions), "");
}

TEST(TlvProgram, ConcentrationScaling) {
  ScratchDir dir;
  dir.write(kQc, tlvtest::qc_file({QcRecord{}}));
  Block b = block(" 80-05-05 ", "1000", "2.0");
  b.factor = "1000.0";
  b.samplers =
      tlvtest::arc_samplers(2.0, {75.0, 80.0, 90.0, 100.0}, {"-1.00", "0.001", "0.002", "0.001"});
  dir.write(kObs, tlvtest::block_text(b));
  ASSERT_EQ(run(dir).status, 0);
  const auto lines = data_lines(dir);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(cols(lines[0], 80, 91), "  2.0000E+00");  // OMAX: 0.002 x 1000
  EXPECT_NEAR(num(lines[0], 166, 177), 90.0, 0.05);   // the missing sampler plays no part
}

TEST(TlvProgram, ArcsTheFitCannotTake) {
  ScratchDir dir;
  dir.write(kQc,
            tlvtest::qc_file({QcRecord{}, qc("80/05/05", "11", "2.0", "3"),
                              qc("80/05/05", "12", "2.0", "3"), qc("80/05/05", "13", "2.0", "3")}));
  Block good = block(" 80-05-05 ", "1000", "2.0");
  Block two = block(" 80-05-05 ", "1100", "2.0");  // two positive concentrations
  two.samplers = tlvtest::arc_samplers(2.0, {80, 85, 90, 95}, {"0.00", "3.00", "4.50", "0.00"});
  Block none = block(" 80-05-05 ", "1200", "2.0");  // no samplers
  none.samplers.clear();
  Block big = block(" 80-05-05 ", "1300", "2.0");  // more samplers than the fit takes
  big.samplers.clear();
  for (int i = 0; i < 250; ++i) {
    big.samplers.push_back({"286.597", "4385.088", tlvtest::fixed(1.0 + (i % 10), 2)});
  }
  dir.write(kObs, tlvtest::blocks_text({good, two, none, big}));
  ASSERT_EQ(run(dir).status, 0);
  const auto lines = data_lines(dir);
  const std::string marks_tail =
      "    -9.9000E+01    -9.9900E+02    -9.9000E+01    -9.9000E+01      -999.000     -999.00";
  EXPECT_EQ(cols(lines[1], 1, 91),
            "       2  8005051100  60   -999.00         2.00        12.35       -45.60        "
            "4.5000E+00");
  EXPECT_EQ(lines[1].substr(91), marks_tail);
  EXPECT_EQ(cols(lines[2], 1, 91),
            "       3  8005051200  60   -999.00         2.00        12.35       -45.60       "
            "-9.9999E+04");
  EXPECT_EQ(lines[2].substr(91), marks_tail);
  EXPECT_EQ(lines.size(), 6u);
  ASSERT_GE(lines.size(), 6u);
  EXPECT_EQ(lines[3], " NUM  = :  250");
  EXPECT_EQ(lines[4], " NMAX = :  200");
  EXPECT_EQ(cols(lines[5], 1, 91),
            "       4  8005051300  60   -999.00         2.00        12.35       -45.60        "
            "1.0000E+01");
  EXPECT_EQ(lines[5].substr(91), marks_tail);
}

TEST(TlvProgram, PlumeAcrossNorth) {
  ScratchDir dir;
  dir.write(kQc, tlvtest::qc_file({QcRecord{}}));
  Block b = block(" 80-05-05 ", "1000", "2.0");
  b.samplers = tlvtest::arc_samplers(2.0, {344, 352, 0, 8, 16, 24},
                                     {"0.5", "1.5", "3.0", "3.5", "2.0", "0.5"});
  dir.write(kObs, tlvtest::block_text(b));
  ASSERT_EQ(run(dir).status, 0);
  const auto lines = data_lines(dir);
  ASSERT_EQ(lines.size(), 1u);
  // Concentration-weighted mean bearing: 52/11 = 4.73 degrees east of north.
  EXPECT_NEAR(num(lines[0], 166, 177), 52.0 / 11.0, 0.05);
}

TEST(TlvProgram, MissingObservationFile) {
  ScratchDir dir;
  dir.write(kQc, tlvtest::qc_file({QcRecord{}}));
  dir.write(kEmissions, "SO HOUREMIS from an earlier run\r\n");
  const RunResult r = run(dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("tlvanalysis: TolvernSF611052011.txt", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("Operating system error: "), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
  // A failed run changes no output: the report header it wrote is not put in place.
  EXPECT_FALSE(dir.exists(kReport));
  EXPECT_EQ(dir.read(kEmissions), "SO HOUREMIS from an earlier run\r\n");
}

TEST(TlvProgram, MissingQualityControlFileCreatesNothing) {
  ScratchDir dir;
  dir.write(kObs, tlvtest::block_text(block(" 80-05-05 ", "1000", "2.0")));
  const RunResult r = run(dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("tlvanalysis: tolvernsf6-max11052011.txt", 0), 0u) << r.err;
  EXPECT_FALSE(dir.exists(kReport));
  EXPECT_FALSE(dir.exists(kEmissions));
}

TEST(TlvProgram, FileEndingInsideABlockChangesNoOutput) {
  ScratchDir dir;
  dir.write(kQc, tlvtest::qc_file({QcRecord{}, qc("80/05/05", "11", "2.0", "3")}));
  const std::string second = tlvtest::block_text(block(" 80-05-05 ", "1100", "2.0"));
  // The second block loses its last sampler record.
  const std::string cut = second.substr(0, second.rfind('\n', second.size() - 2) + 1);
  dir.write(kObs, tlvtest::block_text(block(" 80-05-05 ", "1000", "2.0")) + cut);
  const RunResult r = run(dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("tlvanalysis: TolvernSF611052011.txt", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("End of file"), std::string::npos) << r.err;
  EXPECT_FALSE(dir.exists(kReport));
  EXPECT_FALSE(dir.exists(kEmissions));
}

TEST(TlvProgram, LettersInANumericFieldNameFileLineAndColumns) {
  ScratchDir dir;
  dir.write(kQc, tlvtest::qc_file({QcRecord{}}));
  // Block 1: records 1-9. Block 2: key record 10, samplers from record 16 on, so
  // its 42nd sampler stands on line 57.
  Block two = block(" 80-05-05 ", "1000", "2.0");
  two.samplers.clear();
  for (int i = 0; i < 50; ++i) two.samplers.push_back({"286.597", "4385.088", "1.25"});
  two.samplers[41].conc = "1.2S";
  dir.write(kObs, tlvtest::blocks_text({block(" 80-05-05 ", "1000", "2.0"), two}));
  const RunResult r = run(dir);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "tlvanalysis: TolvernSF611052011.txt line 57, columns 33-42 (concentration): Bad value "
            "during floating point read\n");
  EXPECT_FALSE(dir.exists(kReport));
}

TEST(TlvProgram, DateAndTimeKeysThatAreNotNumbers) {
  struct Case {
    std::string date, time, field;
    int first_col, last_col;
  };
  const Case cases[] = {
      {" 8O-05-05 ", "1000", "year", 33, 34},    {" 80-O5-05 ", "1000", "month", 36, 37},
      {" 80-05-0x ", "1000", "day", 39, 40},     {" 80-05-05 ", "1O00", "hour", 78, 79},
      {" 80-05-05 ", "10.0", "minutes", 80, 81},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.write(kQc, tlvtest::qc_file({QcRecord{}}));
    dir.write(kObs, tlvtest::blocks_text(
                        {block(" 80-05-05 ", "1000", "2.0"), block(c.date, c.time, "2.0")}));
    const RunResult r = run(dir);
    EXPECT_EQ(r.status, 2) << c.field;
    EXPECT_EQ(r.err, "tlvanalysis: TolvernSF611052011.txt line 10, columns " +
                         std::to_string(c.first_col) + "-" + std::to_string(c.last_col) + " (" +
                         c.field + "): Bad value during integer read\n");
    EXPECT_FALSE(dir.exists(kReport)) << c.field;
  }
}

TEST(TlvProgram, Arguments) {
  ScratchDir dir;
  dir.write(kQc, tlvtest::qc_file({QcRecord{}}));
  dir.write(kObs, tlvtest::block_text(block(" 80-05-05 ", "1000", "2.0")));
  const RunResult help = run(dir, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("tlvanalysis"), std::string::npos);
  const RunResult version = run(dir, {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_NE(version.out.find(tracer::kVersion), std::string::npos);
  for (const char* bad : {"-h", "--hlep", "TolvernSF611052011.txt"}) {
    const RunResult r = run(dir, {bad});
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.err, "") << bad;
  }
  // None of them ran the analysis.
  EXPECT_FALSE(dir.exists(kReport));
  EXPECT_FALSE(dir.exists(kEmissions));
}

TEST(TlvProgram, ExampleStudy) {
  ScratchDir dir;
  for (std::string_view name : {kQc, kObs}) {
    std::ifstream in(std::string(EXAMPLE_DIR) + "/tolvern/" + std::string(name), std::ios::binary);
    ASSERT_TRUE(in) << name;
    std::ostringstream content;
    content << in.rdbuf();
    dir.write(name, content.str());
  }
  const RunResult r = run(dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  // 12 hours x 4 arcs, of which quality control skips 6; one emission record per hour.
  const auto lines = data_lines(dir);
  EXPECT_EQ(lines.size(), 42u);
  EXPECT_EQ(crlf_records(dir.read(kEmissions)).size(), 12u);
  int last_exp = 0;
  for (const auto& l : lines) {
    ASSERT_EQ(l.size(), 177u) << l;
    const std::string arc = cols(l, 38, 47);
    EXPECT_TRUE(arc == "      0.50" || arc == "      1.00" || arc == "      2.00" ||
                arc == "      5.00")
        << l;
    const int exp = std::atoi(cols(l, 4, 8).c_str());
    EXPECT_GE(exp, last_exp);
    last_exp = exp;
    EXPECT_NEAR(num(l, 25, 34), num(l, 38, 47), 0.05) << l;  // Dist near the nominal arc
    const double phic = num(l, 166, 177);
    EXPECT_GT(phic, 0.0) << l;
    EXPECT_LE(phic, 360.0) << l;
    EXPECT_GT(num(l, 154, 165), 0.0) << l;  // Sy
    EXPECT_GT(num(l, 125, 136), 0.0) << l;  // CMAX/Q
  }
  EXPECT_EQ(last_exp, 12);
}

}  // namespace
