// tlvstats from end to end: the table read back through its published layouts
// against hand-computed values, arguments, failures, and reproducibility.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "evaluate/tables/report.h"
#include "evaluate/tables/tidy.h"
#include "evaluate/tlvstats.h"
#include "formats/analysis_report.h"
#include "formats/combined_table.h"
#include "records/records.h"
#include "support/run.h"
#include "support/scratch.h"
#include "tracer_version.h"

namespace {

using testsupport::crlf_records;
using testsupport::RunResult;
using testsupport::ScratchDir;

const std::string kInput(formats::kCombinedFile);
const std::string kOutput = "TLV-Model-Statistics.txt";

std::string data_file(const std::string& name) {
  return testsupport::read_file(std::string(TEST_DATA_DIR) + "/evaluate/" + name);
}

RunResult run(const ScratchDir& dir, const std::vector<std::string>& args) {
  return testsupport::run_program(run_tlvstats, dir.path(), args);
}

std::string trimmed(const std::string& s) {
  const auto end = s.find_last_not_of(' ');
  return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

// One measure line, read through the published layout: FB, MG, NMSE, VG, FAC2,
// NAD, RHCo, RHCp, RHCp/RHCo blocks.
constexpr int kLineBlocks = 9;
struct MeasureLine {
  std::string model, quantity, group;
  float arc = 0;
  int lines = 0, obs_out = 0, mod_unread = 0, mod_negative = 0, n = 0, npos = 0, boot = 0;
  float mean_o = 0, mean_p = 0, sd_o = 0, sd_p = 0, r = 0;
  float value[kLineBlocks]{}, lower[kLineBlocks]{}, upper[kLineBlocks]{};
  std::string mark[kLineBlocks];
};

// Destinations of the value, limits and mark of `blocks` blocks.
void add_blocks(std::vector<records::Dest>& dests, int blocks, float* value, float* lower,
                float* upper, std::vector<std::string>& marks) {
  marks.assign(static_cast<std::size_t>(blocks), std::string(1, ' '));
  for (int k = 0; k < blocks; ++k) {
    dests.insert(dests.end(), {&value[k], &lower[k], &upper[k], records::text(marks[k])});
  }
}

// The texts that open every data line (model, quantity, group) and the marks of
// its blocks: read as text, then trimmed into the line.
struct LineTexts {
  std::string model = std::string(13, ' ');
  std::string quantity = std::string(6, ' ');
  std::string group = std::string(8, ' ');
  std::vector<std::string> marks;

  std::vector<records::Dest> head() {
    return {records::text(model), records::text(quantity), records::text(group)};
  }

  template <class Line>
  void read_into(Line& line, const records::Layout& layout, const std::string& record, long number,
                 const std::vector<records::Dest>& dests) {
    records::read_text(layout, record, dests, records::Origin{kOutput, number});
    line.model = trimmed(model);
    line.quantity = trimmed(quantity);
    line.group = trimmed(group);
    for (std::size_t k = 0; k < marks.size(); ++k) line.mark[k] = marks[k];
  }
};

MeasureLine read_measure_line(const std::string& record, long number) {
  static const records::Layout layout(evaluate::measure_line_layout());
  MeasureLine m;
  LineTexts texts;
  std::vector<records::Dest> dests = texts.head();
  dests.insert(dests.end(), {&m.arc, &m.lines, &m.obs_out, &m.mod_unread, &m.mod_negative, &m.n,
                             &m.npos, &m.boot, &m.mean_o, &m.mean_p, &m.sd_o, &m.sd_p, &m.r});
  add_blocks(dests, kLineBlocks, m.value, m.lower, m.upper, texts.marks);
  texts.read_into(m, layout, record, number, dests);
  return m;
}

// dFB, dlnMG, dNMSE, dlnVG, dFAC2, dNAD, dlnRHC blocks, then N.both.
constexpr int kDifferenceBlocks = 7;
struct DifferenceLine {
  std::string model, quantity, group;
  float arc = 0;
  int lines = 0, n_aermod = 0, n_iscst3 = 0, boot = 0, n_both = 0;
  float value[kDifferenceBlocks]{}, lower[kDifferenceBlocks]{}, upper[kDifferenceBlocks]{};
  std::string mark[kDifferenceBlocks];
};

DifferenceLine read_difference_line(const std::string& record, long number) {
  static const records::Layout layout(evaluate::difference_line_layout());
  DifferenceLine d;
  LineTexts texts;
  std::vector<records::Dest> dests = texts.head();
  dests.insert(dests.end(), {&d.arc, &d.lines, &d.n_aermod, &d.n_iscst3, &d.boot});
  add_blocks(dests, kDifferenceBlocks, d.value, d.lower, d.upper, texts.marks);
  dests.push_back(&d.n_both);
  texts.read_into(d, layout, record, number, dests);
  return d;
}

// The data lines of a table, keyed "model quantity group arc".
struct Table {
  std::map<std::string, MeasureLine> measures;
  std::map<std::string, DifferenceLine> differences;
  std::vector<std::string> order;
};

std::string key(const std::string& model, const std::string& quantity, const std::string& group,
                float arc) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%.2f", arc);
  return model + " " + quantity + " " + group + (group == "arc" ? std::string(" ") + buf : "");
}

// The title line that each line belongs to: the last line after an empty line
// above it (or itself); empty in the header.
std::vector<std::string> titles_of(const std::vector<std::string>& lines) {
  std::vector<std::string> out;
  std::string title;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0 && lines[i - 1].empty() && !lines[i].empty()) title = lines[i];
    out.push_back(title);
  }
  return out;
}

// Data lines are told apart by columns 1-13: a model's name, or two joined by "-";
// those of the first section are under the titles "Measures ..." and "Differences ...".
Table read_table(const std::string& text,
                 const std::vector<std::string>& models = {"AERMOD", "ISCST3"}) {
  Table t;
  const auto lines = crlf_records(text);
  const auto titles = titles_of(lines);
  auto is_model = [&](const std::string& name) {
    return std::find(models.begin(), models.end(), name) != models.end();
  };
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (titles[i].rfind("Measures ", 0) != 0 && titles[i].rfind("Differences ", 0) != 0) continue;
    const std::string head = trimmed(lines[i].substr(0, 13));
    const auto dash = head.find('-');
    if (is_model(head)) {
      MeasureLine m = read_measure_line(lines[i], long(i + 1));
      const std::string k = key(m.model, m.quantity, m.group, m.arc);
      t.order.push_back(k);
      t.measures[k] = m;
    } else if (dash != std::string::npos && is_model(head.substr(0, dash)) &&
               is_model(head.substr(dash + 1))) {
      DifferenceLine d = read_difference_line(lines[i], long(i + 1));
      const std::string k = key(d.model, d.quantity, d.group, d.arc);
      t.order.push_back(k);
      t.differences[k] = d;
    }
  }
  return t;
}

// Four significant digits are written: compare to a relative 1e-3.
void expect_close(double expected, float actual, const std::string& what) {
  EXPECT_NEAR(expected, actual, 1e-3 * std::fabs(expected) + 1e-6) << what;
}

const double kLn2 = std::log(2.0);

TEST(EvaluateProgram, SmallTableAgainstHandComputedValues) {
  ScratchDir dir;
  dir.write(kInput, data_file("small-combined.txt"));
  const RunResult r = run(dir, {"--resamples", "200"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ("", r.err);
  EXPECT_EQ("", r.out);
  const Table t = read_table(dir.read(kOutput));

  // Groups: all, arcs 0.5 and 1.0, stable, unstable; quantity, group, model order.
  ASSERT_EQ(20u + 10u, t.order.size());
  EXPECT_EQ("AERMOD CY/Q all", t.order[0]);
  EXPECT_EQ("ISCST3 CY/Q all", t.order[1]);
  EXPECT_EQ("AERMOD CY/Q arc 0.50", t.order[2]);
  EXPECT_EQ("ISCST3 CMAX/Q unstable", t.order[19]);
  EXPECT_EQ("AERMOD-ISCST3 CY/Q all", t.order[20]);

  struct Expected {
    std::string key;
    int lines, obs_out, mod_unread, mod_negative, n, npos;
    double mean_o, mean_p, fb, mg, nmse, vg, fac2;
    std::string marks;  // FB MG NMSE VG FAC2
  };
  // The six lines of small-combined.txt, worked by hand (see the file's values):
  // AERMOD CY/Q pairs (1,2) (2,2) (4,1) (3,0); line 4 has no observation, line 5 a
  // blank field. ISCST3 CY/Q (1,1) (2,4) (4,2) (1,1) (3,3). AERMOD CMAX/Q (10,10)
  // (5,5) (8,2) (6,6), "abc" unread; ISCST3 CMAX/Q (10,20) (5,5) (8,8) (6,3), -2.0
  // negative.
  const Expected cases[] = {
      {"AERMOD CY/Q all", 6, 1, 1, 0, 4, 3, 2.5, 1.25, 2.0 / 3.0, std::pow(2.0, 1.0 / 3.0), 1.52,
       std::exp(5 * kLn2 * kLn2 / 3), 0.5, "NYNYY"},
      {"ISCST3 CY/Q all", 6, 1, 0, 0, 5, 5, 2.2, 2.2, 0.0, 1.0, 1.6 / 4.84,
       std::exp(0.4 * kLn2 * kLn2), 1.0, "YYYYY"},
      {"AERMOD CMAX/Q all", 6, 1, 1, 0, 4, 4, 7.25, 5.75, 1.5 / 6.5, std::pow(4.0, 0.25),
       9.0 / (7.25 * 5.75), std::exp(4 * kLn2 * kLn2 / 4), 0.75, "YNYYY"},
      {"ISCST3 CMAX/Q all", 6, 1, 0, 1, 4, 4, 7.25, 9.0, -1.75 / 8.125, 1.0, 27.25 / 65.25,
       std::exp(2 * kLn2 * kLn2 / 4), 1.0, "YYYYY"},
      // Stable hours: lines 3 and 4; only line 3 observed. Groups of fewer than 3
      // valid pairs keep their values but get no limits and no marks.
      {"AERMOD CY/Q stable", 2, 1, 0, 0, 1, 1, 4.0, 1.0, 1.2, 4.0, 2.25, std::exp(4 * kLn2 * kLn2),
       0.0, "-----"},
      // Unstable hours: lines 1 and 2; lines 5 (missing OBK) and 6 (OBK 0) are in neither.
      {"AERMOD CY/Q unstable", 2, 0, 0, 0, 2, 2, 1.5, 2.0, -1.0 / 3.5, std::sqrt(0.5), 0.5 / 3.0,
       std::exp(kLn2 * kLn2 / 2), 1.0, "-----"},
      // Arc 1.0 km: lines 2, 4, 5.
      {"AERMOD CY/Q arc 1.00", 3, 1, 1, 0, 1, 1, 2.0, 2.0, 0.0, 1.0, 0.0, 1.0, 1.0, "-----"},
      {"ISCST3 CMAX/Q arc 1.00", 3, 1, 0, 1, 1, 1, 5.0, 5.0, 0.0, 1.0, 0.0, 1.0, 1.0, "-----"},
  };
  for (const Expected& e : cases) {
    SCOPED_TRACE(e.key);
    ASSERT_EQ(1u, t.measures.count(e.key));
    const MeasureLine& m = t.measures.at(e.key);
    // Lines, observed out, model unread, model negative, N, N positive.
    EXPECT_EQ((std::array{e.lines, e.obs_out, e.mod_unread, e.mod_negative, e.n, e.npos}),
              (std::array{m.lines, m.obs_out, m.mod_unread, m.mod_negative, m.n, m.npos}));
    expect_close(e.mean_o, m.mean_o, "MeanO");
    expect_close(e.mean_p, m.mean_p, "MeanP");
    const double values[5] = {e.fb, e.mg, e.nmse, e.vg, e.fac2};
    for (int k = 0; k < 5; ++k) {
      expect_close(values[k], m.value[k], "measure " + std::to_string(k));
      EXPECT_EQ(std::string(1, e.marks[k]), m.mark[k]) << "measure " << k;
      // The limits come from resamples of the same lines: they bracket a value
      // that the resamples can reach; here at least they are formed and ordered,
      // or not formed at all for fewer than 3 pairs.
      EXPECT_LE(m.lower[k], m.upper[k]);
      if (e.n < 3) {
        EXPECT_EQ(-99.0f, m.lower[k]);
      }
    }
  }
  // A single stable pair: resampled (Boot counts the resamples that hold it), but
  // too few pairs for limits.
  const MeasureLine& stable = t.measures.at("AERMOD CY/Q stable");
  EXPECT_GT(stable.boot, 0);
  EXPECT_LT(stable.boot, 200);
  EXPECT_EQ(-99.0f, stable.lower[0]);
  EXPECT_EQ(-99.0f, stable.upper[0]);
  // Standard deviation and correlation of a single pair: deviations 0, R not formed.
  EXPECT_EQ(0.0f, stable.sd_o);
  EXPECT_EQ(-99.0f, stable.r);

  // Differences are paired: lines 1, 2, 3 and 6 have both models' CY/Q pairs, where
  // ISCST3 has (1,1) (2,4) (4,2) (3,3): FB 0, ln MG 0, NMSE 2/6.25, ln VG ln2^2/2,
  // FAC2 1, NAD 1/5; AERMOD as above, NAD (7/4)/3.75.
  const DifferenceLine& d = t.differences.at("AERMOD-ISCST3 CY/Q all");
  EXPECT_EQ(6, d.lines);
  EXPECT_EQ(4, d.n_aermod);
  EXPECT_EQ(5, d.n_iscst3);
  EXPECT_EQ(4, d.n_both);
  EXPECT_EQ(200, d.boot);
  expect_close(2.0 / 3.0, d.value[0], "dFB");
  expect_close(kLn2 / 3.0, d.value[1], "dlnMG");
  expect_close(1.52 - 0.32, d.value[2], "dNMSE");
  expect_close(kLn2 * kLn2 * (5.0 / 3.0 - 0.5), d.value[3], "dlnVG");
  expect_close(-0.5, d.value[4], "dFAC2");
  expect_close(7.0 / 15.0 - 0.2, d.value[5], "dNAD");
  // RHC of 4 values: R = 4, ln(11/2); AERMOD predictions 2,2,1,0: C(4) = 0, Cbar 5/3;
  // ISCST3 4,3,2,1: C(4) = 1, Cbar 3.
  const double ln_r = std::log(5.5);
  expect_close(std::log(5.0 / 3.0 * ln_r) - std::log(1.0 + 2.0 * ln_r), d.value[6], "dlnRHC");
  // One stable line with both pairs: the value stays, no limits, no mark.
  const DifferenceLine& ds = t.differences.at("AERMOD-ISCST3 CY/Q stable");
  expect_close(0.5333333, ds.value[0], "dFB stable");  // 1.2 - 2/3
  EXPECT_EQ(1, ds.n_both);
  for (int k = 0; k < kDifferenceBlocks; ++k) {
    EXPECT_EQ("-", ds.mark[k]) << k;
    EXPECT_EQ(-99.0f, ds.lower[k]) << k;
  }
}

TEST(EvaluateProgram, HeaderStatesDefinitionsAndInput) {
  ScratchDir dir;
  dir.write(kInput, data_file("small-combined.txt"));
  ASSERT_EQ(0, run(dir, {"--seed", "77", "--resamples", "50"}).status);
  const std::string text = dir.read(kOutput);
  for (const char* needle :
       {"Input: 6 combined lines; count lines: ISC Zero Cy 1, Iaerobs 7, iallthree 7",
        "FB   = (mean Co - mean Cp) / (0.5 (mean Co + mean Cp))",
        "positive: the model underpredicts", "MG   = exp(mean ln Co - mean ln Cp)",
        "NMSE = mean (Co - Cp)^2 / (mean Co * mean Cp)", "VG   = exp(mean (ln Co - ln Cp)^2)",
        "FAC2 = fraction of the N pairs with 0.5 <= Cp/Co <= 2", "Bootstrap: 50 resamples, seed 77",
        "double precision", "FAC2 >= 0.5, |FB| <= 0.3, 0.7 <= MG <= 1.3, NMSE <= 1.5, VG <= 4"}) {
    EXPECT_NE(std::string::npos, text.find(needle)) << needle;
  }
}

TEST(EvaluateProgram, TableWithoutCombinedLines) {
  ScratchDir dir;
  const std::string table = data_file("small-combined.txt");
  const auto lines = crlf_records(table);
  dir.write(kInput, testsupport::crlf_lines({lines[0], lines[1], "     ISC Zero Cy:  0",
                                             "     Iaerobs:      0", "     iallthree:    0"}));
  const RunResult r = run(dir, {});
  ASSERT_EQ(0, r.status) << r.err;
  const Table t = read_table(dir.read(kOutput));
  EXPECT_EQ(2u * 2u * 3u, t.measures.size());  // all, stable, unstable; no arcs
  EXPECT_EQ(2u * 3u, t.differences.size());
  for (const auto& [k, m] : t.measures) {
    SCOPED_TRACE(k);
    EXPECT_EQ(0, m.n);
    EXPECT_EQ(0, m.boot);
    EXPECT_EQ(-99.0f, m.mean_o);
    for (int q = 0; q < 5; ++q) {
      EXPECT_EQ(-99.0f, m.value[q]);
      EXPECT_EQ(-99.0f, m.lower[q]);
      EXPECT_EQ("-", m.mark[q]);
    }
  }
  for (const auto& [k, d] : t.differences) EXPECT_EQ("-", d.mark[0]) << k;
  EXPECT_NE(std::string::npos, dir.read("TLV-Scatter.svg").find("no pairs to show"));
  EXPECT_NE(std::string::npos, dir.read("TLV-QQ.svg").find("no pairs to show"));
}

TEST(EvaluateProgram, ReproducibleForASeed) {
  ScratchDir a, b, c;
  for (const ScratchDir* d : {&a, &b, &c}) d->write(kInput, data_file("varied-combined.txt"));
  ASSERT_EQ(0, run(a, {"--seed", "5", "--resamples", "300"}).status);
  ASSERT_EQ(0, run(b, {"--resamples=300", "--seed=5"}).status);
  ASSERT_EQ(0, run(c, {"--seed", "6", "--resamples", "300"}).status);
  EXPECT_EQ(a.read(kOutput), b.read(kOutput));
  const Table ta = read_table(a.read(kOutput));
  const Table tc = read_table(c.read(kOutput));
  // Another seed moves limits but never the measures themselves.
  bool limits_moved = false;
  for (const auto& [k, m] : ta.measures) {
    const MeasureLine& o = tc.measures.at(k);
    for (int q = 0; q < 5; ++q) {
      EXPECT_EQ(m.value[q], o.value[q]) << k;
      limits_moved = limits_moved || m.lower[q] != o.lower[q] || m.upper[q] != o.upper[q];
    }
  }
  EXPECT_TRUE(limits_moved);
  // The default run is seed 1 with 1000 resamples.
  ScratchDir dflt;
  dflt.write(kInput, data_file("varied-combined.txt"));
  ASSERT_EQ(0, run(dflt, {}).status);
  const Table td = read_table(dflt.read(kOutput));
  EXPECT_EQ(1000, td.measures.at("AERMOD CY/Q all").boot);
  EXPECT_NE(std::string::npos, dflt.read(kOutput).find("Bootstrap: 1000 resamples, seed 1;"));
}

// A combined line built column by column: report layout, blanks to 180, two model
// records with Cmax/Q in record columns 25-36 and CY1/Q in 55-64.
std::string combined_line(float arc, float obk, float co, float aer, float isc) {
  static const records::Layout report(formats::kAnalysisReportLine);
  static const records::Layout model("(3x,a8,4x,f9.3,1pe12.4,0p,2f9.2,1pe10.3,0pf10.4)");
  std::string line = records::format(
      report, {1, 81, 5, 20, 12, 0, 60, arc, arc, 1000.0f, obk, co, co, co, co, co, 150.0f, 0.0f});
  line.resize(180, ' ');
  for (float p : {aer, isc}) {
    line += records::format(
        model, {std::string_view("81052012"), arc * 1000.0f, p, 10.0f, 200.0f, p, 1.0f});
    line.resize(line.size() + 6, ' ');  // the record's last six columns are blank
  }
  return line;
}

TEST(EvaluateProgram, SignificanceOfAClearlyBetterModel) {
  // AERMOD within 10%, ISCST3 a factor of three off, on three arcs.
  std::string text = "header 1\r\nheader 2\r\n";
  for (int k = 0; k < 30; ++k) {
    const float co = 1.0f + 0.5f * float(k);
    const bool up = k % 2 == 0;
    const std::string line = combined_line(float(1 + k % 3), -40.0f, co, co * (up ? 1.1f : 0.9f),
                                           co * (up ? 3.0f : 1.0f / 3.0f));
    ASSERT_EQ(340u, line.size());
    text += line + "\r\n";
  }
  ScratchDir dir;
  dir.write(kInput, text);
  ASSERT_EQ(0, run(dir, {}).status);
  const Table t = read_table(dir.read(kOutput));
  for (const char* q : {"CY/Q", "CMAX/Q"}) {
    SCOPED_TRACE(q);
    const DifferenceLine& d = t.differences.at(std::string("AERMOD-ISCST3 ") + q + " all");
    EXPECT_EQ("Y", d.mark[2]);  // NMSE
    EXPECT_EQ("Y", d.mark[3]);  // ln VG
    EXPECT_EQ("Y", d.mark[4]);  // FAC2
    expect_close(1.0, d.value[4], "dFAC2");
    const MeasureLine& aermod = t.measures.at(std::string("AERMOD ") + q + " all");
    std::string marks;
    for (const std::string& m : aermod.mark) marks += m;
    EXPECT_EQ("YYYYY....", marks);  // AERMOD meets every criterion; NAD, RHC not judged
    EXPECT_EQ("N", t.measures.at(std::string("ISCST3 ") + q + " all").mark[4]);  // FAC2 0
  }
}

TEST(EvaluateProgram, FailuresLeaveOutputsAlone) {
  {
    ScratchDir dir;
    const RunResult r = run(dir, {});
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(0u, r.err.rfind("tlvstats: ", 0)) << r.err;
    EXPECT_NE(std::string::npos, r.err.find("Operating system error: ")) << r.err;
    EXPECT_FALSE(dir.exists(kOutput));
    EXPECT_FALSE(dir.exists("TLV-Scatter.svg"));
  }
  {
    // A bad Arc field on the fourth line: nothing written, earlier outputs kept.
    auto lines = crlf_records(data_file("small-combined.txt"));
    lines[3].replace(37, 10, "      x.50");
    std::string text;
    for (const auto& l : lines) text += l + "\r\n";
    ScratchDir dir;
    dir.write(kInput, text);
    dir.write(kOutput, "old table\r\n");
    const RunResult r = run(dir, {});
    EXPECT_EQ(2, r.status);
    EXPECT_EQ(
        "tlvstats: TLV-Combined-NoFill-Results.txt line 4, columns 38-47 (Arc): Bad value during "
        "floating point read\n",
        r.err);
    EXPECT_EQ("old table\r\n", dir.read(kOutput));
    EXPECT_FALSE(dir.exists("TLV-QQ.svg"));
  }
  {
    ScratchDir dir;
    dir.write(kInput, "only one header line\r\n");
    const RunResult r = run(dir, {});
    EXPECT_EQ(2, r.status);
    EXPECT_NE(std::string::npos, r.err.find("End of file")) << r.err;
  }
}

struct ArgCase {
  std::vector<std::string> args;
  int status;
  std::string out_start;  // expected start of standard output
  std::string err_part;   // expected part of standard error
};

TEST(EvaluateProgram, Arguments) {
  const ArgCase cases[] = {
      {{"--help"}, 0, "usage: tlvstats [--resamples N] [--seed N]", ""},
      {{"--version"}, 0, "tlvstats " + std::string(tracer::kVersion) + "\n", ""},
      {{"--seed", "3", "--version"}, 0, "tlvstats ", ""},
      {{"--bogus"}, 2, "", "unknown argument '--bogus'"},
      {{"--resamples"}, 2, "", "'--resamples' needs a number"},
      {{"--seed"}, 2, "", "'--seed' needs a number"},
      {{"--resamples", "0"}, 2, "", "bad value '0' for --resamples"},
      {{"--resamples", "100001"}, 2, "", "bad value '100001' for --resamples"},
      {{"--resamples", "12x"}, 2, "", "bad value '12x' for --resamples"},
      {{"--resamples", "-5"}, 2, "", "bad value '-5' for --resamples"},
      {{"--resamples", ""}, 2, "", "bad value '' for --resamples"},
      {{"--resamples=99999999999999999999"}, 2, "", "bad value '99999999999999999999'"},
      {{"--seed", "-1"}, 2, "", "bad value '-1' for --seed"},
      {{"--seed", "18446744073709551616"}, 2, "", "bad value '18446744073709551616' for --seed"},
      {{"--seed", " 1"}, 2, "", "bad value ' 1' for --seed"},
      {{"--criteria", "suburban"}, 2, "", "bad value 'suburban' for --criteria (rural or urban)"},
      {{"--criteria"}, 2, "", "'--criteria' needs rural or urban"},
      {{"--pairs"}, 2, "", "'--pairs' needs a file name"},
      {{"--pairs="}, 2, "", "'--pairs' needs a file name"},
      {{"--units"}, 2, "", "'--units' needs QTY=TEXT"},
      {{"--units", "ug/m3"}, 2, "", "bad value 'ug/m3' for --units"},
      {{"--units", "=ug/m3"}, 2, "", "bad value '=ug/m3' for --units"},
      {{"--units", "CY/Q="}, 2, "", "bad value 'CY/Q=' for --units"},
      {{"--units", "CY/Q=a\nb"}, 2, "", "for --units (no control characters)"},
      {{"--max-memory"}, 2, "", "'--max-memory' needs a number of bytes"},
      {{"--max-memory", "0"}, 2, "", "bad value '0' for --max-memory"},
      {{"--max-memory", "K"}, 2, "", "bad value 'K' for --max-memory"},
      {{"--max-memory", "1.5G"}, 2, "", "bad value '1.5G' for --max-memory"},
      {{"--max-memory", "12T"}, 2, "", "bad value '12T' for --max-memory"},
      {{"--max-memory", "-1"}, 2, "", "bad value '-1' for --max-memory"},
      {{"--max-memory=17179869184G"}, 2, "", "bad value '17179869184G' for --max-memory"},
      {{"--threads"}, 2, "", "'--threads' needs a number"},
      {{"--threads", "0"}, 2, "", "bad value '0' for --threads (a whole number from 1 to 256)"},
      {{"--threads", "257"}, 2, "", "bad value '257' for --threads"},
      {{"--threads=two"}, 2, "", "bad value 'two' for --threads"},
  };
  for (const ArgCase& c : cases) {
    std::string joined;
    for (const auto& a : c.args) joined += "[" + a + "]";
    SCOPED_TRACE(joined);
    ScratchDir dir;
    const RunResult r = run(dir, c.args);
    EXPECT_EQ(c.status, r.status);
    EXPECT_EQ(0u, r.out.rfind(c.out_start, 0)) << r.out;
    if (c.err_part.empty()) {
      EXPECT_EQ("", r.err);
    } else {
      EXPECT_NE(std::string::npos, r.err.find(c.err_part)) << r.err;
      EXPECT_NE(std::string::npos, r.err.find("usage: tlvstats")) << r.err;
    }
    EXPECT_FALSE(dir.exists(kOutput));
  }
  // The largest seed is taken.
  ScratchDir dir;
  dir.write(kInput, data_file("small-combined.txt"));
  EXPECT_EQ(0, run(dir, {"--seed", "18446744073709551615", "--resamples", "1"}).status);
  EXPECT_NE(std::string::npos,
            dir.read(kOutput).find("Bootstrap: 1 resample, seed 18446744073709551615;"));
}

}  // namespace

namespace {

// Splits a tidy file without quoted fields into rows of fields.
std::vector<std::vector<std::string>> csv_rows(const std::string& text) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : crlf_records(text)) {
    if (line.empty()) continue;
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (;;) {
      const std::size_t comma = line.find(',', at);
      fields.push_back(
          line.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
      if (comma == std::string::npos) break;
      at = comma + 1;
    }
    rows.push_back(fields);
  }
  return rows;
}

// The row of a tidy file whose first five fields are model .. measure.
const std::vector<std::string>& tidy_row(const std::vector<std::vector<std::string>>& rows,
                                         const std::string& head) {
  for (const auto& r : rows) {
    if (r.size() >= 5 && r[0] + "," + r[1] + "," + r[2] + "," + r[3] + "," + r[4] == head) return r;
  }
  static const std::vector<std::string> none;
  ADD_FAILURE() << "no row " << head;
  return none;
}

TEST(EvaluateProgram, TidyStatisticsReadBack) {
  ScratchDir dir;
  dir.write(kInput, data_file("small-combined.txt"));
  ASSERT_EQ(0, run(dir, {"--resamples", "200"}).status);
  const auto rows = csv_rows(dir.read("TLV-Model-Statistics.csv"));
  ASSERT_FALSE(rows.empty());
  EXPECT_EQ(std::string(evaluate::kTidyHeader),
            crlf_records(dir.read("TLV-Model-Statistics.csv"))[0]);
  // 2 quantities x 5 groups: 2 models x 14 statistics, 1 pair x 7 differences; then
  // the operational section: 2 models x 11 statistics (R's row is among the means),
  // 1 pair x 12 differences.
  ASSERT_EQ(1u + 2 * 5 * (2 * 14 + 7) + 2 * 5 * (2 * 11 + 12), rows.size());
  for (const auto& r : rows) EXPECT_EQ(17u, r.size());

  // The double results, shortest form: FB of AERMOD CY/Q is 1.25 / 1.875 exactly.
  const auto& fb = tidy_row(rows, "AERMOD,CY/Q,all,,FB");
  ASSERT_EQ(17u, fb.size());
  EXPECT_EQ(2.0 / 3.0, std::stod(fb[5]));
  EXPECT_LE(std::stod(fb[6]), std::stod(fb[7]));
  EXPECT_EQ("N", fb[8]);
  EXPECT_EQ((std::vector<std::string>{"6", "1", "1", "0", "4", "3", "", "200"}),
            std::vector<std::string>(fb.begin() + 9, fb.end()));
  // The table and the tidy file agree on every value of the model lines.
  const Table t = read_table(dir.read(kOutput));
  const char* names[] = {"FB", "MG", "NMSE", "VG", "FAC2", "NAD", "RHCo", "RHCp", "RHCp/RHCo"};
  for (const auto& [k, m] : t.measures) {
    const std::string arc = m.group == "arc" ? (m.arc == 0.5f ? "0.5" : "1") : "";
    for (int s = 0; s < kLineBlocks; ++s) {
      const auto& r =
          tidy_row(rows, m.model + "," + m.quantity + "," + m.group + "," + arc + "," + names[s]);
      if (r.size() != 17u) continue;
      SCOPED_TRACE(k + " " + names[s]);
      if (m.value[s] == -99.0f) {
        EXPECT_EQ("", r[5]);
      } else {
        expect_close(std::stod(r[5]), m.value[s], "value");
      }
      if (m.lower[s] == -99.0f) {
        EXPECT_EQ("", r[6]);
      }
      EXPECT_EQ(m.mark[s], r[8]);
    }
  }
  // Fewer than 3 pairs: no limits, mark "-"; NAD and the RHCs are not judged.
  const auto& arc1 = tidy_row(rows, "AERMOD,CY/Q,arc,1,FB");
  EXPECT_EQ((std::vector<std::string>{"", "", "-"}),
            std::vector<std::string>(arc1.begin() + 6, arc1.begin() + 9));
  EXPECT_EQ(".", tidy_row(rows, "AERMOD,CY/Q,all,,NAD")[8]);
  const auto& d = tidy_row(rows, "AERMOD-ISCST3,CY/Q,all,,dFAC2");
  EXPECT_EQ(-0.5, std::stod(d[5]));
  EXPECT_EQ("4", d[15]);    // n_both
  EXPECT_EQ("200", d[16]);  // boot
  EXPECT_EQ("", d[13]);     // n belongs to the model rows
}

TEST(EvaluateProgram, UrbanCriteria) {
  ScratchDir dir;
  dir.write(kInput, data_file("small-combined.txt"));
  ASSERT_EQ(0, run(dir, {"--criteria", "urban", "--resamples", "100"}).status);
  const std::string text = dir.read(kOutput);
  EXPECT_NE(std::string::npos,
            text.find("criteria urban (--criteria urban): FAC2 >= 0.30, |FB| <= 0.67, NMSE <= 6, "
                      "NAD <= 0.50; judged: FB, NMSE, FAC2, NAD."));
  const Table t = read_table(text);
  // AERMOD CY/Q: FB 2/3 <= 0.67, NMSE 1.52, FAC2 0.5, NAD 7/15 all met; MG, VG not judged.
  for (const char* k : {"AERMOD CY/Q all", "ISCST3 CY/Q all"}) {
    std::string marks;
    for (const std::string& m : t.measures.at(k).mark) marks += m;
    EXPECT_EQ("Y.Y.YY...", marks) << k;
  }
  expect_close(7.0 / 15.0, t.measures.at("AERMOD CY/Q all").value[5], "NAD");
}

TEST(EvaluateProgram, ValueBeyondTheFloatRangeIsAsterisksInTheTableAndEmptyInTheTidyFile) {
  // AERMOD predicts 1e-30 where 1e10 is observed: VG = exp(92^2) is beyond any float.
  std::string text = "header 1\r\nheader 2\r\n";
  for (int k = 0; k < 3; ++k)
    text += combined_line(1.0f, -40.0f, 1.0e10f, 1.0e-30f, 1.0e10f) + "\r\n";
  ScratchDir dir;
  dir.write(kInput, text);
  ASSERT_EQ(0, run(dir, {"--resamples", "20"}).status);
  int found = 0;
  for (const std::string& line : crlf_records(dir.read(kOutput))) {
    if (line.rfind("AERMOD        CY/Q   all", 0) != 0) continue;
    ++found;
    EXPECT_EQ(" **********", line.substr(252, 11));  // VG, columns 253-263
    EXPECT_EQ("   N", line.substr(285, 4));          // its mark: not met
    break;  // the first section's line; the operational section's follows
  }
  EXPECT_EQ(1, found);
  // The tidy file leaves the value empty, as the table leaves it unwritten.
  found = 0;
  for (const auto& row : csv_rows(dir.read("TLV-Model-Statistics.csv"))) {
    if (row.size() < 9 || row[0] != "AERMOD" || row[1] != "CY/Q" || row[2] != "all" ||
        row[4] != "VG") {
      continue;
    }
    ++found;
    EXPECT_EQ("", row[5]);
    EXPECT_EQ("N", row[8]);
  }
  EXPECT_EQ(1, found);
}

TEST(EvaluateProgram, IncompleteTableIsRemarked) {
  const auto lines = crlf_records(data_file("small-combined.txt"));
  const std::size_t first_count = lines.size() - 3;
  const struct {
    std::size_t counts;
    std::string remark;  // empty: none
  } cases[] = {
      {0, "no count lines: the table may be incomplete"},
      {1, "only 1 of the 3 count lines: the table may be incomplete"},
      {2, "only 2 of the 3 count lines: the table may be incomplete"},
      {3, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.counts);
    std::vector<std::string> kept(lines.begin(), lines.begin() + long(first_count + c.counts));
    ScratchDir dir;
    std::string text;
    for (const std::string& l : kept) text += l + "\r\n";
    dir.write(kInput, text);
    const RunResult r = run(dir, {"--resamples", "10"});
    EXPECT_EQ(0, r.status);
    const std::string table = dir.read(kOutput);
    if (c.remark.empty()) {
      EXPECT_EQ("", r.err);
      EXPECT_EQ(std::string::npos, table.find("Remark:"));
    } else {
      EXPECT_EQ("tlvstats: TLV-Combined-NoFill-Results.txt: " + c.remark + "\n", r.err);
      EXPECT_NE(std::string::npos, table.find("\r\nRemark: " + c.remark + "\r\n"));
    }
    EXPECT_EQ(2u * 5 * 2, read_table(table).measures.size());  // still computed
  }
}

// A pairs file of three models over arcs, a label and two quantities. A predicts
// the observations, B twice them and C half of them; the CM lines exercise the
// states: an empty observation, an empty, a negative and an overflowing prediction.
const std::string kPairsCsv =
    "group,quantity,observed,obk,A,B,C\r\n"
    "1,CY,1,-50,1,2,0.5\r\n"
    "1,CY,2,-50,2,4,1\r\n"
    "1.0,CY,4,30,4,8,2\r\n"
    "0.5,CY,3,,3,6,1.5\r\n"
    "0.5,CY,5,-20,5,10,2.5\r\n"
    "east,CY,2,40,2,4,1\r\n"
    "\"east\",CY,\"6\",40,6,12,3\r\n"
    "east,CY,8,-10,8,16,4\r\n"
    "1,CM,10,-50,10,,-1\r\n"
    "1,CM,,-50,5,5,5\r\n"
    "1,CM,3,-50,3,1e39,3\r\n"
    "0.8,CM,3,-50,3,3,3\r\n";

TEST(EvaluateProgram, PairsFileOfThreeModels) {
  ScratchDir dir;
  dir.write("pairs.csv", kPairsCsv);
  const RunResult r = run(dir, {"--pairs", "pairs.csv", "--resamples", "200"});
  ASSERT_EQ(0, r.status) << r.err;
  EXPECT_EQ("", r.err);
  EXPECT_FALSE(dir.exists(kOutput));
  EXPECT_TRUE(dir.exists("pairs-Model-Statistics.csv"));
  const std::string text = dir.read("pairs-Model-Statistics.txt");
  EXPECT_NE(std::string::npos, text.find("performance of A, B and C against the observations of "
                                         "pairs.csv"));
  const Table t = read_table(text, {"A", "B", "C"});
  // Groups all, 0.50, 1.00, east, stable, unstable; quantities in order of appearance.
  // Groups all, 0.50, 0.80 (CM only), 1.00, east, stable, unstable.
  ASSERT_EQ(2u * 7 * 3, t.measures.size());
  ASSERT_EQ(2u * 7 * 3, t.differences.size());
  const std::vector<std::string> order = {
      "A CY all",      "B CY all",      "C CY all",      "A CY arc 0.50",
      "B CY arc 0.50", "C CY arc 0.50", "A CY arc 0.80", "B CY arc 0.80",
      "C CY arc 0.80", "A CY arc 1.00", "B CY arc 1.00", "C CY arc 1.00",
      "A CY east",     "B CY east",     "C CY east",     "A CY stable"};
  EXPECT_EQ(order, std::vector<std::string>(t.order.begin(), t.order.begin() + 16));
  EXPECT_EQ(0, t.measures.at("A CY arc 0.80").lines);  // a group value of another quantity
  EXPECT_EQ("A CM all", t.order[21]);
  EXPECT_EQ("A-B CY all", t.order[42]);
  EXPECT_EQ("A-C CY all", t.order[43]);
  EXPECT_EQ("B-C CY all", t.order[44]);

  struct Expected {
    std::string key;
    int lines, n;
    double fb, nad, ratio;
  };
  const Expected cases[] = {
      {"A CY all", 8, 8, 0.0, 0.0, 1.0},
      {"B CY all", 8, 8, -2.0 / 3.0, 1.0 / 3.0, 2.0},
      {"C CY all", 8, 8, 2.0 / 3.0, 1.0 / 3.0, 0.5},
      {"B CY east", 3, 3, -2.0 / 3.0, 1.0 / 3.0, 2.0},
      {"C CY stable", 3, 3, 2.0 / 3.0, 1.0 / 3.0, 0.5},
      {"A CY unstable", 4, 4, 0.0, 0.0, 1.0},
  };
  for (const Expected& e : cases) {
    SCOPED_TRACE(e.key);
    const MeasureLine& m = t.measures.at(e.key);
    EXPECT_EQ(e.lines, m.lines);
    EXPECT_EQ(e.n, m.n);
    expect_close(e.fb, m.value[0], "FB");
    expect_close(e.nad, m.value[5], "NAD");
    expect_close(e.ratio, m.value[8], "RHCp/RHCo");
  }
  EXPECT_EQ(0.5f, t.measures.at("A CY arc 0.50").arc);

  // CM: line 2 has no observation; B's cells are empty and beyond the float range,
  // C's first is negative.
  const MeasureLine& a = t.measures.at("A CM all");
  const MeasureLine& b = t.measures.at("B CM all");
  const MeasureLine& c = t.measures.at("C CM all");
  EXPECT_EQ((std::vector<int>{4, 1, 0, 0, 3}),
            (std::vector<int>{a.lines, a.obs_out, a.mod_unread, a.mod_negative, a.n}));
  EXPECT_EQ((std::vector<int>{4, 1, 2, 0, 1}),
            (std::vector<int>{b.lines, b.obs_out, b.mod_unread, b.mod_negative, b.n}));
  EXPECT_EQ((std::vector<int>{4, 1, 0, 1, 2}),
            (std::vector<int>{c.lines, c.obs_out, c.mod_unread, c.mod_negative, c.n}));

  // Differences, first minus second in column order, on the lines where both are valid.
  const double ln2 = std::log(2.0);
  const struct {
    std::string key;
    double dfb, dnad, dlnrhc;
  } diffs[] = {{"A-B CY all", 2.0 / 3.0, -1.0 / 3.0, -ln2},
               {"A-C CY all", -2.0 / 3.0, -1.0 / 3.0, ln2},
               {"B-C CY all", -4.0 / 3.0, 0.0, 2.0 * ln2}};
  for (const auto& e : diffs) {
    SCOPED_TRACE(e.key);
    const DifferenceLine& d = t.differences.at(e.key);
    EXPECT_EQ(8, d.n_both);
    expect_close(e.dfb, d.value[0], "dFB");
    expect_close(e.dnad, d.value[5], "dNAD");
    expect_close(e.dlnrhc, d.value[6], "dlnRHC");
  }
  EXPECT_EQ("Y", t.differences.at("A-B CY all").mark[0]);  // B always overpredicts more
  EXPECT_EQ(1, t.differences.at("A-B CM all").n_both);
  EXPECT_EQ("-", t.differences.at("A-B CM all").mark[0]);
  // The tidy file gives the arc as its decimal.
  EXPECT_NE(std::string::npos,
            dir.read("pairs-Model-Statistics.csv").find("\r\nA,CM,arc,0.8,MeanO,3,"));
}

TEST(EvaluateProgram, PictureTooTallToPrintIsAlsoWrittenPerQuantity) {
  // 7 models, 2 quantities: a scatter panel per model and quantity, too tall for one
  // printed page; each quantity's part in a file of its own, shown on the page.
  std::string csv = "group,quantity,observed,A,B,C,D,E,F,G\n";
  for (int l = 1; l <= 6; ++l) {
    for (const char* q : {"CY", "CM"}) {
      csv += "1," + std::string(q) + "," + std::to_string(l) + ",1,2,3,4,5,6,7\n";
    }
  }
  ScratchDir dir;
  dir.write("p.csv", csv);
  // Parts an earlier run left, which this run does not write, go.
  for (const char* stale : {"p-Scatter-3.svg", "p-QQ-3.svg", "p-Residuals-1.svg"}) {
    dir.write(stale, "<svg/>");
  }
  const RunResult r = run(dir, {"--pairs", "p.csv", "--resamples", "20"});
  ASSERT_EQ(0, r.status) << r.err;
  const std::string page = dir.read("p-Evaluation.html");
  for (const char* stem : {"p-Scatter", "p-QQ"}) {
    EXPECT_TRUE(dir.exists(std::string(stem) + ".svg")) << stem;  // the whole stays
    EXPECT_NE(std::string::npos, dir.read(std::string(stem) + "-1.svg").find(">CY: A</text>"));
    EXPECT_NE(std::string::npos, dir.read(std::string(stem) + "-2.svg").find(">CM: G</text>"));
    EXPECT_FALSE(dir.exists(std::string(stem) + "-3.svg"));
  }
  EXPECT_NE(std::string::npos, page.find("Predicted against observed, CM: "));
  EXPECT_EQ(std::string::npos, page.find("Predicted against observed: "));
  EXPECT_NE(std::string::npos, page.find("id=\"scatter-2-title\""));
  EXPECT_FALSE(dir.exists("p-Residuals-1.svg"));  // fits as it is
}

// --units names a quantity's units in the page's column heads (and the pictures'
// axes); without it a pairs file's are "units of the input". The table and tidy file
// do not change; a quantity the input lacks is a usage error.
TEST(EvaluateProgram, UnitsInTheColumnHeads) {
  auto page_of = [](const std::vector<std::string>& units, std::string* table, std::string* tidy) {
    ScratchDir dir;
    dir.write("pairs.csv", kPairsCsv);
    std::vector<std::string> args = {"--pairs", "pairs.csv", "--resamples", "20"};
    args.insert(args.end(), units.begin(), units.end());
    const RunResult r = run(dir, args);
    EXPECT_EQ(0, r.status) << r.err;
    *table = dir.read("pairs-Model-Statistics.txt");
    *tidy = dir.read("pairs-Model-Statistics.csv");
    return dir.read("pairs-Evaluation.html") + dir.read("pairs-Scatter.svg");
  };
  std::string table, tidy, table2, tidy2;
  const std::string plain = page_of({}, &table, &tidy);
  const std::string named =
      page_of({"--units", "CY=g/m^2", "--units", "CM=ppb", "--units", "CM=<ppt>"}, &table2, &tidy2);
  EXPECT_EQ(table, table2);
  EXPECT_EQ(tidy, tidy2);
  const std::string means = "MeanO<span class=\"unit\">";
  EXPECT_NE(std::string::npos, plain.find(means + "units of the input</span>"));
  EXPECT_NE(std::string::npos, named.find(means + "g/m²</span>"));
  EXPECT_NE(std::string::npos, named.find(means + "&lt;ppt&gt;</span>"));  // the last one given
  EXPECT_EQ(std::string::npos, named.find(means + "ppb</span>"));
  EXPECT_EQ(std::string::npos, named.find("units of the input</span>"));
  EXPECT_NE(std::string::npos,  // an axis title of the scatter, its power raised
            named.find("(g/m<tspan dy=\"-6\" font-size=\"15.00\">2</tspan>"));
  EXPECT_NE(std::string::npos, named.find("FB<span class=\"crit\">"));
  EXPECT_NE(std::string::npos, named.find("N<span class=\"unit\">count</span>"));

  ScratchDir dir;
  dir.write("pairs.csv", kPairsCsv);
  const RunResult r = run(dir, {"--pairs", "pairs.csv", "--units", "NO=ppb"});
  EXPECT_EQ(2, r.status);
  EXPECT_EQ("tlvstats: pairs.csv: --units: the input has no quantity 'NO'\n", r.err);
  EXPECT_FALSE(dir.exists("pairs-Evaluation.html"));
}

TEST(EvaluateProgram, MalformedPairsFiles) {
  const std::string nine = "group,observed,M1,M2,M3,M4,M5,M6,M7,M8,M9\n";
  const struct {
    const char* name;
    std::string text;
    std::string message;
  } cases[] = {
      {"observed not a number", "group,observed,A\n1,abc,2\n",
       "p.csv line 2 (observed): Bad value during floating point read"},
      {"model not a number", "group,observed,A\n1,2,x2\n",
       "p.csv line 2 (A): Bad value during floating point read"},
      {"obk not a number", "group,observed,obk,A\n1,2,1 0,2\n",
       "p.csv line 2 (obk): Bad value during floating point read"},
      {"observed beyond the float range", "group,observed,A\n1,1e39,2\n",
       "p.csv line 2 (observed): Value beyond the float range"},
      {"bad model name", "group,observed,A-1\n1,2,3\n",
       "p.csv line 1 (A-1): Bad model name (1 to 6 letters, digits or underscores, not \"Model\")"},
      {"long model name", "group,observed,ABCDEFG\n",
       "p.csv line 1 (ABCDEFG): Bad model name (1 to 6 letters, digits or underscores, not "
       "\"Model\")"},
      {"nine models", nine, "p.csv line 1 (M9): More than 8 model columns"},
      {"no model", "group,observed\n", "p.csv line 1: No model column"},
      {"no observed column", "group,A\n1,2\n", "p.csv line 1 (observed): No observed column"},
      {"column twice", "group,observed,A,A\n", "p.csv line 1 (A): Column named twice"},
      {"short row", "group,observed,A\n1,2\n", "p.csv line 2: 2 fields where the header has 3"},
      {"open quote", "group,observed,A\n1,2,3\n\"1,2,3\n",
       "p.csv line 3 (group): Quoted field not closed"},
      {"stray quote", "group,observed,A\n1,2\"5,3\n",
       "p.csv line 2 (observed): Quote inside an unquoted field"},
      {"long label", "group,observed,A\nabcdefghi,2,3\n",
       "p.csv line 2 (group): Bad group label (1 to 8 characters without blank, comma or quote; "
       "not all, arc, stable or unstable)"},
      {"reserved label", "group,observed,A\nstable,2,3\n",
       "p.csv line 2 (group): Bad group label (1 to 8 characters without blank, comma or quote; "
       "not all, arc, stable or unstable)"},
      {"empty group", "group,observed,A\n ,2,3\n", "p.csv line 2 (group): Empty group"},
      {"long quantity", "group,quantity,observed,A\n1,CYQ1234,2,3\n",
       "p.csv line 2 (quantity): Bad quantity (1 to 6 characters without blank, comma or quote)"},
      {"empty file", "", "p.csv line 1: No header row"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    dir.write("p.csv", c.text);
    dir.write("p-Model-Statistics.txt", "old\r\n");
    const RunResult r = run(dir, {"--pairs=p.csv"});
    EXPECT_EQ(2, r.status);
    EXPECT_EQ("tlvstats: " + c.message + "\n", r.err);
    EXPECT_EQ("old\r\n", dir.read("p-Model-Statistics.txt"));
    EXPECT_FALSE(dir.exists("p-Model-Statistics.csv"));
  }
  {
    // 2001 groups x 61 statistics, each 2 threads x (16 x 2501 + 20) bytes of heaps
    // at 100000 resamples (and 128 more) and 320 once: more than 1 GiB. Each line
    // (2 models) 24 + 8 + 16 bytes held and 8 + 2 x 4 + 40 + 48 resampled; 16 MiB
    // the program's own.
    std::string text = "group,observed,A,B\n";
    for (int k = 0; k < 2000; ++k) text.append(1, 'g').append(std::to_string(k)).append(",1,1,1\n");
    ScratchDir dir;
    dir.write("p.csv", text);
    const RunResult r = run(
        dir, {"--pairs", "p.csv", "--resamples", "100000", "--max-memory", "1G", "--threads", "2"});
    EXPECT_EQ(2, r.status);
    EXPECT_EQ(
        "tlvstats: p.csv: Not enough memory for the bootstrap: 2001 groups, 2 models and 100000 "
        "resamples on 2 threads need 122061 statistics (40164 bytes each per thread and 320 once) "
        "and 2000 lines (48 bytes each, and 104 more each for the 2000 resampled together) "
        "besides the program's own 16777216 bytes, an estimated 9861056744 bytes, more than the "
        "bound of 1073741824 bytes (--max-memory); use fewer groups or resamples\n",
        r.err);
  }
  {
    // 21 groups x 61 statistics x (2 threads x (16 x 1 + 20 + 128) + 320) bytes at 10
    // resamples + 20 lines x (48 + 104) bytes + 16 MiB = 17610344 bytes: a run that
    // fits exactly, and one with 17197 KiB that does not (on a terminal, which a run this
    // short leaves alone).
    std::string text = "group,observed,A,B\n";
    for (int k = 0; k < 20; ++k) text.append(1, 'g').append(std::to_string(k)).append(",1,2,3\n");
    ScratchDir dir;
    dir.write("p.csv", text);
    const std::vector<std::string> fits{"--pairs",   "p.csv", "--resamples",          "10",
                                        "--threads", "2",     "--max-memory=17610344"};
    const RunResult ok = testsupport::run_program(run_tlvstats, dir.path(), fits, {}, true);
    EXPECT_EQ(0, ok.status);
    EXPECT_EQ("", ok.err);
    EXPECT_NE(std::string::npos, dir.read("p-Evaluation.html").find("--max-memory=17610344"));
    const std::vector<std::string> refused{"--pairs",      "p.csv",  "--resamples", "10",
                                           "--max-memory", "17197K", "--threads=2"};
    const RunResult r = testsupport::run_program(run_tlvstats, dir.path(), refused, {}, true);
    EXPECT_EQ(2, r.status);
    EXPECT_EQ(
        "tlvstats: p.csv: Not enough memory for the bootstrap: 21 groups, 2 models and 10 "
        "resamples on 2 threads need 1281 statistics (164 bytes each per thread and 320 once) and "
        "20 lines (48 bytes each, and 104 more each for the 20 resampled together) besides the "
        "program's own 16777216 bytes, an estimated 17610344 bytes, more than the bound of "
        "17609728 bytes (--max-memory); use fewer groups or resamples\n",
        r.err);
  }
  {
    // Two quantities, each a block of 3 groups x 61 statistics: the first block's
    // 183 on both threads, the values of both kept, 4 lines held and 2 resampled
    // together: 60024 + 117120 + 192 + 208 + 16777216 bytes.
    ScratchDir dir;
    dir.write("p.csv",
              "group,quantity,observed,A,B\ng1,X,1,2,3\ng2,X,1,2,3\ng1,Y,1,2,3\ng2,Y,1,2,3\n");
    const RunResult r =
        run(dir, {"--pairs", "p.csv", "--resamples", "10", "--max-memory", "1K", "--threads", "2"});
    EXPECT_EQ(2, r.status);
    EXPECT_EQ(
        "tlvstats: p.csv: Not enough memory for the bootstrap: 3 groups, 2 models and 10 resamples "
        "on 2 threads need 183 statistics (164 bytes each per thread and 320 once), the other "
        "quantities' 183 (320 bytes each once) and 4 lines (48 bytes each, and 104 more each for "
        "the 2 resampled together) besides the program's own 16777216 bytes, an estimated "
        "16954760 bytes, more than the bound of 1024 bytes (--max-memory); use fewer groups or "
        "resamples\n",
        r.err);
  }
  ScratchDir dir;
  const RunResult r = run(dir, {"--pairs", "absent.csv"});
  EXPECT_EQ(1, r.status);
  EXPECT_EQ(0u, r.err.rfind("tlvstats: absent.csv: Operating system error: ", 0)) << r.err;
}

}  // namespace
