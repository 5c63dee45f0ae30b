// A pairs file of 60 label groups, more than the page and the pictures name one by
// one: the page names the 50 with the largest |FB| over the models in rank order
// and summarises the other 10 by quantiles, the pictures label only those 50, and
// the residual picture puts the other 10 in one box.

// GCC 12 warns, wrongly, that std::regex's inlined std::function may be used
// uninitialised when it builds with the sanitizers; the warning is in libstdc++.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "evaluate/tlvstats.h"
#include "support/run.h"
#include "support/scratch.h"
#include "support/svg_geometry.h"

namespace {

using testsupport::ScratchDir;

// Group k (G00..G59) has three lines, Co = 1, 2, 3. Model M1 predicts c_k Co with
// c_k = 1 + k/100 (G59 as G58), so |FB| = 2 (c - 1) / (1 + c) grows with k; M2
// predicts Co, except 3 Co in G00 and G01 (|FB| = 1, the largest). Ranked largest
// first, ties in group order: G00, G01, G58, G59, G57, ..., G12; the rest G02..G11.
double factor(int k) {
  return 1 + (k == 59 ? 58 : k) / 100.0;
}

struct Outputs {
  std::string page, mg_vg, fb_nmse, taylor, target, residuals;
};

const Outputs& many_groups_run() {
  static const Outputs run = [] {
    ScratchDir dir;
    std::string csv = "group,observed,M1,M2\n";
    char line[96];
    for (int k = 0; k < 60; ++k) {
      for (int co = 1; co <= 3; ++co) {
        std::snprintf(line, sizeof line, "G%02d,%d,%.6g,%d\n", k, co, factor(k) * co,
                      k < 2 ? 3 * co : co);
        csv += line;
      }
    }
    dir.write("net.csv", csv);
    const testsupport::RunResult r = testsupport::run_program(
        run_tlvstats, dir.path(), {"--pairs", "net.csv", "--resamples", "2"});
    EXPECT_EQ(0, r.status) << r.err;
    return Outputs{dir.read("net-Evaluation.html"), dir.read("net-MG-VG.svg"),
                   dir.read("net-FB-NMSE.svg"),     dir.read("net-Taylor.svg"),
                   dir.read("net-Target.svg"),      dir.read("net-Residuals.svg")};
  }();
  return run;
}

std::vector<std::string> expected_order() {
  std::vector<std::string> out = {"G00", "G01", "G58", "G59"};
  char name[8];
  for (int k = 57; k >= 12; --k) {
    std::snprintf(name, sizeof name, "G%02d", k);
    out.push_back(name);
  }
  return out;
}

std::vector<std::string> matches(const std::string& text, const std::string& pattern) {
  std::vector<std::string> out;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
       ++it) {
    out.push_back((*it)[1].str());
  }
  return out;
}

// The markup of the element with id `id` up to its end tag `end`.
std::string element(const std::string& page, const std::string& id, const std::string& end) {
  const std::size_t at = page.find("id=\"" + id + "\"");
  if (at == std::string::npos) return {};
  return page.substr(at, page.find(end, at) - at);
}

double page_value(const std::string& text) {
  const std::string minus = "\u2212";
  const bool negative = text.rfind(minus, 0) == 0;
  const double v = std::stod(text.substr(negative ? minus.size() : 0));
  return negative ? -v : v;
}

// Type 7 quantile of ascending values.
double quantile(const std::vector<double>& v, double p) {
  const double h = static_cast<double>(v.size() - 1) * p;
  const std::size_t i = static_cast<std::size_t>(h);
  return i + 1 < v.size() ? v[i] + (h - static_cast<double>(i)) * (v[i + 1] - v[i]) : v[i];
}

TEST(EvaluateManyGroups, PageNamesTheLargestFiftyAndSummarisesTheRest) {
  const std::string& page = many_groups_run().page;
  std::vector<std::string> want = expected_order();
  want.insert(want.begin(), "all");
  EXPECT_EQ(want, matches(element(page, "acceptance-1", "</table>"),
                          "<th scope=\"rowgroup\"[^>]*>([^<]*)</th>"));
  EXPECT_EQ(want, matches(element(page, "means-1", "</table>"),
                          "<th scope=\"rowgroup\"[^>]*>([^<]*)</th>"));

  // The summary of G02..G11: per model and measure the count and 7 quantiles.
  const std::string rest = element(page, "acceptance-1-rest", "</table>");
  ASSERT_FALSE(rest.empty());
  std::vector<double> fb_m1;
  for (int k = 2; k <= 11; ++k) fb_m1.push_back(2 * (1 - factor(k)) / (1 + factor(k)));
  std::sort(fb_m1.begin(), fb_m1.end());
  const std::vector<std::string> rows = matches(rest, "(<tr[\\s\\S]*?</tr>)");
  auto cells = [&](std::size_t row) {
    return matches(rows.at(row), "<td class=\"(?:n|plain)\">([^<]*)</td>");
  };
  // The first row: M1's FB; the first row of M2 (after M1's measures): its FB, 0 in each group.
  ASSERT_NE(std::string::npos, rows.at(1).find(">M1<"));
  ASSERT_NE(std::string::npos, rows.at(1).find(">FB<"));
  const std::vector<std::string> m1 = cells(1);
  ASSERT_EQ(8u, m1.size());
  EXPECT_EQ("10", m1[0]);
  const double ps[] = {0, 0.05, 0.25, 0.5, 0.75, 0.95, 1};
  for (std::size_t i = 0; i < 7; ++i) {
    const double want_q = quantile(fb_m1, ps[i]);
    EXPECT_NEAR(want_q, page_value(m1[i + 1]), 5e-3 * std::fabs(want_q)) << "quantile " << ps[i];
  }
  const std::size_t m2_row = (rows.size() - 1) / 2 + 1;
  ASSERT_NE(std::string::npos, rows.at(m2_row).find(">M2<"));
  EXPECT_EQ((std::vector<std::string>{"10", "0", "0", "0", "0", "0", "0", "0"}), cells(m2_row));
  EXPECT_NE(std::string::npos, page.find("the other 10 are summarised"));
}

TEST(EvaluateManyGroups, PicturesLabelOnlyTheFiftyNamed) {
  const Outputs& run = many_groups_run();
  const std::vector<std::string> order = expected_order();
  const std::set<std::string> named(order.begin(), order.end());
  for (const std::string* svg : {&run.mg_vg, &run.fb_nmse, &run.taylor, &run.target}) {
    const std::vector<std::string> found = matches(*svg, "\\b(G\\d\\d)\\b");
    const std::set<std::string> labelled(found.begin(), found.end());
    EXPECT_FALSE(labelled.empty());
    EXPECT_LE(labelled.size(), 50u);
    for (const std::string& g : labelled) EXPECT_TRUE(named.count(g)) << g;
    EXPECT_EQ("", testsupport::describe(testsupport::svg_geometry_problems(*svg)));
  }
}

TEST(EvaluateManyGroups, ResidualsPutTheRestInOneBox) {
  const std::string& svg = many_groups_run().residuals;
  std::vector<std::string> want = expected_order();
  want.push_back("other 10 groups");
  EXPECT_EQ(want, matches(svg, "<text[^>]*>(G\\d\\d|other \\d+ groups)</text>"));
  // Under the rest's two boxes (one per model) the count of its pairs: 10 groups of 3.
  EXPECT_EQ(2u, matches(svg, "(<text[^>]*>30</text>)").size());
  EXPECT_EQ("", testsupport::describe(testsupport::svg_geometry_problems(svg)));
}

}  // namespace
