// Reading the combined table into paired values: which lines are which, the states
// of the pairs, and the failures that end the run. Reading a pairs file: its line
// ends and the failures that name their column.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "evaluate/input/combined_table.h"
#include "evaluate/input/pairs_file.h"
#include "formats/analysis_report.h"
#include "records/records.h"

namespace {

using evaluate::kAermod;
using evaluate::kCmax;
using evaluate::kCy;
using evaluate::kIscst3;
using evaluate::PairState;

// Places `text` right-aligned so that it ends at column `last` of `record`.
void put(std::string& record, int last, std::string_view text) {
  record.replace(static_cast<std::size_t>(last) - text.size(), text.size(), text);
}

// An 80-column model record: key, distance, Cmax/Q in columns 25-36, CY1/Q in 55-64.
std::string model_record(std::string_view cmax, std::string_view cy) {
  std::string r(80, ' ');
  put(r, 11, "80071510");
  put(r, 24, "  500.000");
  put(r, 36, cmax);
  put(r, 45, "    12.50");
  put(r, 54, "   250.00");
  put(r, 64, cy);
  put(r, 74, "    1.0000");
  return r;
}

// A combined line: the observed line (report layout) in columns 1-177, blanks to
// 180, then the two model records.
std::string combined(float arc, float obk, float cmax_q, float cy_q, std::string_view aer_cmax,
                     std::string_view aer_cy, std::string_view isc_cmax, std::string_view isc_cy) {
  static const records::Layout report(formats::kAnalysisReportLine);
  std::string line = records::format(report, {1, 80, 7, 15, 10, 0, 60, arc, arc, 1000.0f, obk,
                                              10.0f, 9.0f, 8.0f, cmax_q, cy_q, 150.0f, 200.0f});
  line.resize(180, ' ');
  return line + model_record(aer_cmax, aer_cy) + model_record(isc_cmax, isc_cy);
}

const std::string kHeader1 = "                       DUR     Dist         Arc          Q";
const std::string kHeader2 = "     Exp  YYMMDDHHMM  (min)    (m)         (km)        (g/s)";

evaluate::CombinedTable read(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\n";
  std::istringstream in(text);
  records::ConsoleIn source(in);
  return evaluate::read_combined_table(source);
}

TEST(EvaluatePairs, LineKindsAndCounts) {
  const std::string a = combined(0.5f, -50.0f, 2.0f, 3.0f, "  1.5000E+00", " 2.500E+00",
                                 "  2.0000E+00", " 3.000E+00");
  const std::string b =
      combined(1.0f, 40.0f, 4.0f, 5.0f, "  4.0000E+00", " 5.000E+00", "  8.0000E+00", " 1.000E+01");
  const evaluate::CombinedTable t =
      read({kHeader1, kHeader2, a, "", "      ", b, "     ISC Zero Cy:  3", "     Iaerobs:      12",
            "     iallthree:    9"});
  ASSERT_EQ(2u, t.lines.size());
  EXPECT_EQ(3, t.lines[0].line);
  EXPECT_EQ(6, t.lines[1].line);
  EXPECT_FLOAT_EQ(0.5f, t.lines[0].arc);
  EXPECT_FLOAT_EQ(-50.0f, t.lines[0].obk);
  EXPECT_FLOAT_EQ(2.0f, t.lines[0].observed[kCmax]);
  EXPECT_FLOAT_EQ(3.0f, t.lines[0].observed[kCy]);
  EXPECT_FLOAT_EQ(1.5f, t.lines[0].predicted[kAermod][kCmax]);
  EXPECT_FLOAT_EQ(2.5f, t.lines[0].predicted[kAermod][kCy]);
  EXPECT_FLOAT_EQ(2.0f, t.lines[0].predicted[kIscst3][kCmax]);
  EXPECT_FLOAT_EQ(3.0f, t.lines[0].predicted[kIscst3][kCy]);
  EXPECT_FLOAT_EQ(10.0f, t.lines[1].predicted[kIscst3][kCy]);
  for (const auto& line : t.lines) {
    for (const auto& model : line.state) {
      for (PairState s : model) EXPECT_EQ(PairState::valid, s);
    }
  }
  EXPECT_EQ(3, t.counts.isc_zero_cy.value_or(-1));
  EXPECT_EQ(12, t.counts.iaerobs.value_or(-1));
  EXPECT_EQ(9, t.counts.iallthree.value_or(-1));
}

TEST(EvaluatePairs, NoCountLines) {
  const evaluate::CombinedTable t = read({kHeader1, kHeader2});
  EXPECT_TRUE(t.lines.empty());
  EXPECT_FALSE(t.counts.isc_zero_cy || t.counts.iaerobs || t.counts.iallthree);
}

struct StateCase {
  const char* name;
  float observed_cy;
  std::string aer_cy;
  PairState expected;
  float value;  // expected predicted value when valid
};

TEST(EvaluatePairs, PairStates) {
  const StateCase cases[] = {
      {"plain value", 3.0f, " 2.500E+00", PairState::valid, 2.5f},
      {"zero prediction", 3.0f, " 0.000E+00", PairState::valid, 0.0f},
      {"negative zero", 3.0f, "      -0.0", PairState::valid, 0.0f},
      {"digits without point", 3.0f, "        12", PairState::valid, 12.0f},
      {"bare exponent sign", 3.0f, "     1.5-3", PairState::valid, 1.5e-3f},
      {"blank field", 3.0f, "          ", PairState::model_unread, 0},
      {"letters", 3.0f, "       abc", PairState::model_unread, 0},
      {"sign only", 3.0f, "         +", PairState::model_unread, 0},
      {"infinity", 3.0f, "  Infinity", PairState::model_unread, 0},
      {"nan", 3.0f, "       NaN", PairState::model_unread, 0},
      {"asterisks", 3.0f, "**********", PairState::model_unread, 0},
      {"negative", 3.0f, "-2.000E+00", PairState::model_negative, 0},
      {"missing mark", 3.0f, "-9.900E+01", PairState::model_negative, 0},
      // The observation decides first.
      {"observed missing", -99.0f, " 2.500E+00", PairState::observed_out, 0},
      {"observed zero", 0.0f, " 2.500E+00", PairState::observed_out, 0},
      {"observed negative, model blank", -1.0f, "          ", PairState::observed_out, 0},
  };
  for (const StateCase& c : cases) {
    SCOPED_TRACE(c.name);
    const evaluate::CombinedTable t =
        read({kHeader1, kHeader2,
              combined(1.0f, 10.0f, 4.0f, c.observed_cy, "  1.0000E+00", c.aer_cy, "  1.0000E+00",
                       " 1.000E+00")});
    ASSERT_EQ(1u, t.lines.size());
    EXPECT_EQ(c.expected, t.lines[0].state[kAermod][kCy]);
    EXPECT_FLOAT_EQ(c.value, t.lines[0].predicted[kAermod][kCy]);
    // The other pairs of the line keep their own states.
    EXPECT_EQ(PairState::valid, t.lines[0].state[kAermod][kCmax]);
    EXPECT_EQ(c.observed_cy > 0 ? PairState::valid : PairState::observed_out,
              t.lines[0].state[kIscst3][kCy]);
  }
}

TEST(EvaluatePairs, ShortLineLeavesMissingModelFieldsUnread) {
  // A line cut after the AERMOD Cmax/Q: the AERMOD CY1/Q and the whole ISCST3
  // record are beyond its end.
  std::string line = combined(2.0f, -10.0f, 4.0f, 5.0f, "  1.0000E+00", " 2.000E+00",
                              "  3.0000E+00", " 4.000E+00");
  line.resize(180 + 36);
  const evaluate::CombinedTable t = read({kHeader1, kHeader2, line});
  ASSERT_EQ(1u, t.lines.size());
  EXPECT_EQ(PairState::valid, t.lines[0].state[kAermod][kCmax]);
  EXPECT_EQ(PairState::model_unread, t.lines[0].state[kAermod][kCy]);
  EXPECT_EQ(PairState::model_unread, t.lines[0].state[kIscst3][kCmax]);
  EXPECT_EQ(PairState::model_unread, t.lines[0].state[kIscst3][kCy]);
}

TEST(EvaluatePairs, ModelFieldThatTheLineEndCutsIsUnread) {
  // The AERMOD CY1/Q, "1.1148E+04", is in columns 235-244: a line that ends inside
  // it is never read from the characters left ("1.1148" would read as 1.1148).
  const std::string full = combined(2.0f, -10.0f, 4.0f, 5.0f, "  1.0000E+00", "1.1148E+04",
                                    "  3.0000E+00", " 4.000E+00");
  const struct {
    std::size_t length;
    PairState expected;
  } cases[] = {{234, PairState::model_unread},  // ends before the field: blank
               {235, PairState::model_unread},
               {243, PairState::model_unread},
               {244, PairState::valid}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.length);
    const evaluate::CombinedTable t = read({kHeader1, kHeader2, full.substr(0, c.length)});
    ASSERT_EQ(1u, t.lines.size());
    EXPECT_EQ(c.expected, t.lines[0].state[kAermod][kCy]);
    if (c.expected == PairState::valid) {
      EXPECT_FLOAT_EQ(11148.0f, t.lines[0].predicted[kAermod][kCy]);
    }
  }
}

TEST(EvaluatePairs, ModelFieldAlone) {
  float v = 7.0f;
  EXPECT_EQ(PairState::model_unread, evaluate::read_model_field("", v));
  EXPECT_EQ(PairState::model_unread, evaluate::read_model_field("1.0E+39", v));
  EXPECT_EQ(PairState::model_unread, evaluate::read_model_field("1.0 x", v));
  EXPECT_FLOAT_EQ(7.0f, v);  // unchanged unless valid
  EXPECT_EQ(PairState::valid, evaluate::read_model_field("  3.4E+38", v));
  EXPECT_FLOAT_EQ(3.4e38f, v);
}

struct FailureCase {
  const char* name;
  std::vector<std::string> lines;
  std::string message;
};

TEST(EvaluatePairs, FailuresEndTheRun) {
  std::string bad_arc =
      combined(1.0f, 10.0f, 4.0f, 5.0f, "  1.0000E+00", " 2.000E+00", "  3.0000E+00", " 4.000E+00");
  bad_arc.replace(42, 5, " 1.x0");
  std::string bad_cyq =
      combined(1.0f, 10.0f, 4.0f, 5.0f, "  1.0000E+00", " 2.000E+00", "  3.0000E+00", " 4.000E+00");
  bad_cyq.replace(139, 12, "  1.0000Q+00");
  std::string bad_hour =
      combined(1.0f, 10.0f, 4.0f, 5.0f, "  1.0000E+00", " 2.000E+00", "  3.0000E+00", " 4.000E+00");
  bad_hour[16] = 'h';
  // Values beyond the float range in the observed part are corrupt data.
  std::string huge_arc =
      combined(1.0f, 10.0f, 4.0f, 5.0f, "  1.0000E+00", " 2.000E+00", "  3.0000E+00", " 4.000E+00");
  huge_arc.replace(37, 10, " 1.000E+39");
  std::string huge_cyq = huge_arc;
  huge_cyq.replace(37, 10, "      1.00");
  huge_cyq.replace(139, 12, "  1.0000E+39");
  std::string huge_phic = huge_cyq;
  huge_phic.replace(139, 12, "  5.0000E+00");
  huge_phic.replace(165, 12, "     -1.E+40");
  const FailureCase cases[] = {
      {"empty file", {}, "tlvstats: standard input line 1: End of file"},
      {"one header line", {kHeader1}, "tlvstats: standard input line 2: End of file"},
      {"arc",
       {kHeader1, kHeader2, bad_arc},
       "tlvstats: standard input line 3, columns 38-47 (Arc): Bad value during floating point "
       "read"},
      {"CY/Q",
       {kHeader1, kHeader2, bad_cyq},
       "tlvstats: standard input line 3, columns 140-151 (CY/Q): Bad value during floating point "
       "read"},
      {"arc beyond the float range",
       {kHeader1, kHeader2, huge_arc},
       "tlvstats: standard input line 3, columns 38-47 (Arc): Value beyond the float range"},
      {"CY/Q beyond the float range",
       {kHeader1, kHeader2, huge_cyq},
       "tlvstats: standard input line 3, columns 140-151 (CY/Q): Value beyond the float range"},
      {"PHIC beyond the float range",
       {kHeader1, kHeader2, huge_phic},
       "tlvstats: standard input line 3, columns 166-177 (PHIC): Value beyond the float range"},
      {"hour",
       {kHeader1, kHeader2, bad_hour},
       "tlvstats: standard input line 3, columns 17-18 (hour): Bad value during integer read"},
      {"count",
       {kHeader1, kHeader2, "     Iaerobs:      1x"},
       "tlvstats: standard input line 3, columns 20-31 (count): Bad value during integer read"},
      // A line that is neither a count line nor a combined line fails as a combined line.
      {"stray text",
       {kHeader1, kHeader2, "  Iaerobs: 3"},
       "tlvstats: standard input line 3, columns 4-8 (Exp): Bad value during integer read"},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      read(c.lines);
      ADD_FAILURE() << "no failure";
    } catch (const records::RunError& e) {
      EXPECT_EQ(records::kStatusBadInput, e.status());
      EXPECT_EQ(c.message, e.message("tlvstats"));
    }
  }
}

// Every line end of a pairs file (LF, CR LF, a lone CR) counts, so that each row
// keeps the number of the line it begins on; a byte-order mark is passed over.
TEST(EvaluatePairsFile, RowsKeepTheirLineNumbers) {
  const std::string text =
      "\xEF\xBB\xBFgroup,observed,A\r1,2,3\r\n\r\n2,\"4\",\"5\"\n\n3,1,\"1\"\r4,5,6";
  const evaluate::PairsFile f = evaluate::read_pairs_file(text, "t.csv");
  ASSERT_EQ(1u, f.study.blocks.size());
  EXPECT_EQ((std::vector<long>{2, 4, 6, 7}), f.study.blocks[0].line);
  EXPECT_EQ(4, f.lines);
}

TEST(EvaluatePairsFile, FailuresNameTheirColumnOnOneLine) {
  const std::string bad_name =
      "Bad model name (1 to 6 letters, digits or underscores, not \"Model\")";
  const struct {
    const char* name;
    std::string text;
    std::string message;
  } cases[] = {
      {"quote inside an unquoted field", "group,observed,A\n1,2\"5,3\n",
       "t.csv line 2 (observed): Quote inside an unquoted field"},
      {"quoted field not closed", "group,observed,A\n1,2,\"3\n4\n",
       "t.csv line 2 (A): Quoted field not closed"},
      {"characters after a closing quote", "group,observed,A\r\n1,\"2\"x,3\r\n",
       "t.csv line 2 (observed): Characters after a closing quote"},
      {"quote error in the header", "group,\"observed\"x,A\n",
       "t.csv line 1 (column 2): Characters after a closing quote"},
      {"quote error past the header's columns", "group,observed,A\n1,2,3,\"4\n",
       "t.csv line 2 (column 4): Quoted field not closed"},
      {"after a lone CR", "group,observed,A\r1,2,3\r1,x\",3\r",
       "t.csv line 3 (observed): Quote inside an unquoted field"},
      {"header name with a line end", "group,observed,\"A\nB\"\n",
       "t.csv line 1 (A\\nB): " + bad_name},
      {"header name with CR LF and a tab", "group,observed,\"A\tB\r\nC\"\n",
       "t.csv line 1 (A\\tB\\nC): " + bad_name},
      {"header name with a lone CR", "group,observed,\"A\rB\"\n",
       "t.csv line 1 (A\\rB): " + bad_name},
      {"header name with a control character", "group,observed,\"A\x01\"\n",
       "t.csv line 1 (A\\x01): " + bad_name},
      // A line end inside a quoted field counts as a line.
      {"after a quoted CR LF", "group,observed,A\n1,\"2\r\n\"x,3\n",
       "t.csv line 3 (observed): Characters after a closing quote"},
      {"after a quoted lone CR", "group,observed,A\n1,\"2\r\",3\"\n",
       "t.csv line 3 (A): Quote inside an unquoted field"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      evaluate::read_pairs_file(c.text, "t.csv");
      ADD_FAILURE() << "no failure";
    } catch (const records::RunError& e) {
      EXPECT_EQ(records::kStatusBadInput, e.status());
      EXPECT_EQ("tlvstats: " + c.message, e.message("tlvstats"));
    }
  }
}

}  // namespace
