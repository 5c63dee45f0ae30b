// The evaluation page: escaping, numbers, the page's structure from a small input, and
// the whole page as headless Chromium reads it.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "evaluate/page/page.h"
#include "evaluate/page/page_input.h"
#include "evaluate/tlvstats.h"
#include "support/page_fixture.h"
#include "support/run.h"
#include "support/scratch.h"

namespace {

using testsupport::page_row;

std::size_t count(std::string_view text, std::string_view what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string_view::npos;
       at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

// The element that starts at the first `open` (e.g. "<td class=\"met\">") up to the
// first `close` after it; empty when there is none.
std::string element(const std::string& text, std::string_view open, std::string_view close) {
  const std::size_t at = text.find(open);
  if (at == std::string::npos) return {};
  const std::size_t end = text.find(close, at);
  return end == std::string::npos ? std::string() : text.substr(at, end + close.size() - at);
}

TEST(EvaluatePage, EscapesText) {
  const struct {
    std::string_view in, out;
  } cases[] = {
      {"", ""},
      {"CY/Q", "CY/Q"},
      {"a & b", "a &amp; b"},
      {"<script>x</script>", "&lt;script&gt;x&lt;/script&gt;"},
      {"\"quoted\" 'single'", "&quot;quoted&quot; &#39;single&#39;"},
      {"&amp;", "&amp;amp;"},
      {"C̄ ≤ 0.3", "C̄ ≤ 0.3"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, evaluate::html_escape(c.in)) << c.in;
}

TEST(EvaluatePage, NumbersWithThreeSignificantFigures) {
  const struct {
    double in;
    std::string_view out;
  } cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {1.234, "1.23"},
      {1, "1.00"},
      {-0.5, "−0.500"},
      {0.001, "0.00100"},
      {0.0009996, "0.00100"},  // rounds up into the plain range
      {0.0009994, "9.99×10⁻⁴"},
      {999.4, "999"},
      {999.6, "1.00×10³"},  // rounds up out of it
      {12.35, "12.3"},      // 12.35 is stored a little below
      {-12345, "−1.23×10⁴"},
      {4e-4, "4.00×10⁻⁴"},
      {1e300, "1.00×10³⁰⁰"},
      {5e-324, "4.94×10⁻³²⁴"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, evaluate::page_number(c.in)) << c.in;
}

evaluate::PageInput small_input() {
  evaluate::PageInput in;
  in.title = "Evaluation of <pairs.csv> & \"more\"";
  in.facts = {{"Lines read", "12"}, {"File", "a<b>.csv"}};
  in.remarks = {"<script>alert(1)</script>"};
  in.criteria = "urban";
  in.judged = {{"FB", "|FB| <= 0.67"},
               {"NMSE", "NMSE <= 6"},
               {"FAC2", "FAC2 >= 0.30"},
               {"NAD", "NAD <= 0.50"}};
  auto row = [&](std::string model, std::string group, double km, std::string measure, double v,
                 double lo, double hi, std::string mark) {
    evaluate::TidyRow r = page_row(model, "CY/Q", group, km, measure, v, lo, hi, mark);
    r.lines = 12;
    r.n = 11;
    if (model.find('-') != std::string::npos) r.n_both = 9, r.n.reset();
    in.rows.push_back(r);
  };
  row("A", "all", NAN, "MeanO", 4.5, NAN, NAN, "");
  row("A", "all", NAN, "FB", 0.25, 0.1, 0.4, "Y");
  row("A", "all", NAN, "MG", 1.9, 1.5, 2.3, ".");
  row("A", "all", NAN, "NMSE", 7.5, 6.1, 9.0, "N");
  row("A", "all", NAN, "VG", NAN, NAN, NAN, "-");
  row("A", "arc", 0.5, "FB", 0.5, NAN, NAN, "Y");
  row("A", "all", NAN, "RHCo", 150, 120, 190, "");
  row("A-B", "all", NAN, "dFB", 0.3, 0.1, 0.5, "Y");
  row("A-B", "all", NAN, "dlnMG", -0.2, -0.6, 0.2, "N");
  row("A-B", "all", NAN, "dNAD", 0.1, NAN, NAN, "-");
  row("A-B", "all", NAN, "dlnRHC", 0.4, 0.2, 0.6, "Y");
  in.diagrams = {{"First <one>", testsupport::page_fixture_svg("first", "red")},
                 {"Second", "<!DOCTYPE svg>\n<svg id=\"second\"></svg>"}};
  return in;
}

TEST(EvaluatePage, Structure) {
  const std::string page = evaluate::evaluation_page(small_input());
  EXPECT_TRUE(page.starts_with("<!DOCTYPE html>\n<html lang=\"en\">"));
  EXPECT_TRUE(page.ends_with("</html>\n"));
  // Self-contained and without script: no external reference, nothing executable.
  EXPECT_EQ(0u, count(page, "<script"));
  EXPECT_EQ(0u, count(page, "src="));
  EXPECT_EQ(0u, count(page, "url("));
  EXPECT_EQ(count(page, "http"), count(page, "http://www.w3.org/2000/svg"));
  EXPECT_EQ(0u, count(page, "<?xml"));
  EXPECT_EQ(0u, count(page, "<!DOCTYPE svg"));
  // Every text escaped.
  EXPECT_NE(std::string::npos,
            page.find("<title>Evaluation of &lt;pairs.csv&gt; &amp; &quot;more&quot;</title>"));
  EXPECT_NE(std::string::npos, page.find("<li>&lt;script&gt;alert(1)&lt;/script&gt;</li>"));
  EXPECT_NE(std::string::npos, page.find("<td>a&lt;b&gt;.csv</td>"));
  EXPECT_NE(std::string::npos, page.find("Figure 1. First &lt;one&gt;</figcaption>"));
  // Elements are closed as they are opened.
  for (const std::string_view tag :
       {"section", "table", "thead", "tbody", "tr", "td", "figure", "figcaption", "svg", "ul"}) {
    EXPECT_EQ(count(page, "<" + std::string(tag) + ">") + count(page, "<" + std::string(tag) + " "),
              count(page, "</" + std::string(tag) + ">"))
        << tag;
  }
  // The sections and their tables, in order; the rows of each.
  std::size_t last = 0;
  for (const std::string_view id :
       {"id=\"inputs\"", "id=\"facts\"", "id=\"acceptance\"", "id=\"acceptance-1\"",
        "id=\"differences\"", "id=\"differences-1\"", "id=\"high-end\"", "id=\"high-end-1\"",
        "id=\"high-end-differences-1\"", "id=\"means-1\"", "id=\"diagrams\"",
        "<figure id=\"diagram-1\">\n<div class=\"picture\"", "<svg xmlns",
        "<figure id=\"diagram-2\">\n<div class=\"picture\"",
        "<div style=\"min-width: 0px\"><svg id=\"second\">"}) {
    const std::size_t at = page.find(id, last);
    EXPECT_NE(std::string::npos, at) << id;
    if (at != std::string::npos) last = at;
  }
  // Every scrolling box is reachable by keyboard and named.
  for (const std::string_view box : {"scroll", "picture"}) {
    const std::string open = "<div class=\"" + std::string(box) + "\"";
    EXPECT_EQ(count(page, open),
              count(page, open + " tabindex=\"0\" role=\"region\" aria-label=\""))
        << box;
  }
  EXPECT_NE(std::string::npos, page.find("aria-label=\"Figure 1. First &lt;one&gt;\">"));
  const std::string acceptance = element(page, "id=\"acceptance-1\"", "</table>");
  EXPECT_EQ(3u, count(acceptance, "<tr"));  // head, all, arc
  EXPECT_NE(std::string::npos, acceptance.find("<th scope=\"rowgroup\">arc 0.50 km</th>"));
  EXPECT_EQ(2u, count(element(page, "id=\"differences-1\"", "</table>"), "<tr"));
  // Criteria named, judged and not judged measures named, thresholds in the heads.
  EXPECT_NE(std::string::npos,
            page.find("Criteria: <strong>urban</strong>. Judged: |FB| ≤ 0.67, NMSE ≤ 6, "
                      "FAC2 ≥ 0.30, NAD ≤ 0.50. Not judged: MG, VG."));
  EXPECT_NE(std::string::npos, acceptance.find("MG<span class=\"crit\">not judged</span>"));
  // Marks by colour (class) and text; the value and its limits above them.
  const struct {
    std::string_view open, contains;
  } cells[] = {
      {"<td class=\"met\">",
       "<span class=\"v\">0.250</span><span class=\"mark\">✓ met</span><span class=\"ci\" "
       "title=\"95% bootstrap limits\">[0.100, 0.400]</span>"},
      {"<td class=\"unmet\">", "7.50</span>"},
      {"<td class=\"unmet\">", "✗ not met"},
      {"<td class=\"nj\">", "1.90</span>"},
      {"<td class=\"nj\">", "not judged"},
      {"<td class=\"nf\">", "<span class=\"na\" title=\"not formed\">–</span>"},
      {"<td class=\"sig\">", "0.300</span>"},
      {"<td class=\"sig\">", "significant"},
      {"<td class=\"nsig\">", "−0.200</span>"},
      {"<td class=\"nsig\">", "not significant"},
  };
  for (const auto& c : cells) {
    EXPECT_NE(std::string::npos, element(page, c.open, "</td>").find(c.contains)) << c.open;
  }
  // A difference with a value but no limits, as in a group of fewer than 3 pairs.
  EXPECT_NE(std::string::npos,
            page.find("<span class=\"v\">0.100</span><span class=\"mark\">no limits</span><span "
                      "class=\"ci\"><span class=\"na\" title=\"no 95% limits (too few pairs or "
                      "resamples)\">–</span></span>"));
  EXPECT_NE(std::string::npos, page.find("<td class=\"n\">9</td>"));  // N.both
  const std::string high_end = element(page, "id=\"high-end-differences-1\"", "</table>");
  EXPECT_NE(std::string::npos, high_end.find("dlnRHC"));
  EXPECT_NE(std::string::npos, high_end.find("0.400</span>"));
}

TEST(EvaluatePage, UnitsInThePageNotation) {
  const struct {
    std::string_view in, out;
  } cases[] = {
      {"10^-6 s/m^2", "10⁻⁶ s/m²"},
      {"ug/m3", "ug/m3"},
      {"m^", "m^"},
      {"x^-", "x^-"},
      {"a^b", "a^b"},
      {"10^12", "10¹²"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, evaluate::unit_notation(c.in)) << c.in;
}

// A report: the summary first (judged measures over all lines, the main diagram),
// each diagram after the section it illustrates, units and one number form per
// column, and the definitions of what the tables show.
TEST(EvaluatePage, SummaryPlacesUnitsAndNotation) {
  evaluate::PageInput in = small_input();
  in.units = {{"CY/Q", "10⁻⁶ s/m²"}};
  // FB over an arc needs the ×10ⁿ form, so the whole FB column takes it; NMSE's zero
  // limit stays plain.
  for (evaluate::TidyRow& r : in.rows) {
    if (r.group == "arc" && r.measure == "FB") r.value = 1500;
    if (r.group == "all" && r.measure == "FB") r.lower = 0;
    if (r.measure == "NMSE") r.lower = 0;
  }
  in.diagrams = {{"Means picture", "<svg id=\"p1\"></svg>", "means"},
                 {"Main picture", "<svg id=\"p2\"></svg>", "acceptance", true},
                 {"Elsewhere", "<svg id=\"p3\"></svg>", "operational"}};
  const std::string page = evaluation_page(in);
  std::size_t last = 0;
  for (const std::string_view part :
       {"<section id=\"summary\">", "id=\"summary-1\"", "<figure id=\"diagram-1\">",
        "<svg id=\"p2\">", "Figure 1. Main picture</figcaption>", "<section id=\"inputs\">",
        "id=\"acceptance-1\"", "Main picture: <a href=\"#diagram-1\">Figure 1</a>",
        "id=\"means-1\"", "<figure id=\"diagram-2\">", "<svg id=\"p1\">",
        "<section id=\"diagrams\">", "<svg id=\"p3\">", "Figure 3. Elsewhere",
        "<section id=\"definitions\">",
        "<th scope=\"row\">FAC2</th><td>fraction of pairs with "
        "0.5 ≤ Cp/Co ≤ 2</td><td>dimensionless</td>",
        "<th scope=\"row\">N.both</th>", "<th scope=\"row\">MeanO</th>", "✗ not met"}) {
    const std::size_t at = page.find(part, last);
    EXPECT_NE(std::string::npos, at) << part;
    if (at != std::string::npos) last = at;
  }
  EXPECT_EQ(1u, count(page, "<svg id=\"p2\">"));  // the main diagram inlined once
  // The summary: the group all only, the judged measures only (urban: not MG, VG).
  const std::string summary = element(page, "id=\"summary-1\"", "</table>");
  EXPECT_EQ(2u, count(summary, "<tr"));
  EXPECT_EQ(std::string::npos, summary.find(">MG<"));
  EXPECT_NE(std::string::npos, summary.find("NAD<span class=\"crit\">NAD ≤ 0.50</span>"));
  // Units: the quantity's, none, counts.
  const std::string means = element(page, "id=\"means-1\"", "</thead>");
  EXPECT_NE(std::string::npos, means.find("MeanO<span class=\"unit\">10⁻⁶ s/m²</span>"));
  EXPECT_NE(std::string::npos, means.find("N<span class=\"unit\">count</span>"));
  const std::string acceptance = element(page, "id=\"acceptance-1\"", "</table>");
  EXPECT_NE(std::string::npos, acceptance.find("MG<span class=\"crit\">not judged</span><span "
                                               "class=\"unit\">dimen&shy;sion&shy;less</span>"));
  // The FB column in the ×10ⁿ form, its zero limit too; NMSE plain, its zero as 0.
  for (const std::string_view cell :
       {"<span class=\"v\">2.50×10⁻¹</span>", "[0.00×10⁰, 4.00×10⁻¹]",
        "<span class=\"v\">1.50×10³</span>", "<span class=\"v\">7.50</span>", "[0, 9.00]"}) {
    EXPECT_NE(std::string::npos, acceptance.find(cell)) << cell;
  }
  // The summary's FB column holds only the group all: plain.
  EXPECT_NE(std::string::npos, summary.find("<span class=\"v\">0.250</span>"));
  // Every body of a group is closed, and a small group is kept whole in print.
  EXPECT_EQ(count(acceptance, "<tbody"), count(acceptance, "</tbody>"));
  EXPECT_EQ(2u, count(acceptance, "<tbody class=\"keep\">"));
}

// ---- The page in a browser ----

// The Chromium program on PATH; empty when there is none.
std::string find_chromium() {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "";
  while (!dirs.empty()) {
    const std::size_t colon = dirs.find(':');
    const std::filesystem::path dir(std::string(dirs.substr(0, colon)));
    for (const char* name : {"chromium", "chromium-browser"}) {
      std::error_code ec;
      if (!dir.empty() && std::filesystem::is_regular_file(dir / name, ec)) {
        return (dir / name).string();
      }
    }
    dirs.remove_prefix(colon == std::string_view::npos ? dirs.size() : colon + 1);
  }
  return {};
}

// Whether Chromium must be there (TRACER_REQUIRE_CHROMIUM set, not 0).
bool chromium_required() {
  const char* required = std::getenv("TRACER_REQUIRE_CHROMIUM");
  return required && std::string_view(required) != "" && std::string_view(required) != "0";
}

TEST(EvaluatePage, ChromiumReadsEveryTableAndDiagram) {
  const std::string chromium = find_chromium();
  if (chromium.empty()) {
    if (chromium_required()) {
      FAIL() << "Chromium is required (TRACER_REQUIRE_CHROMIUM is set) but no chromium is on PATH";
    }
    GTEST_SKIP() << "*** SKIPPED: the evaluation page was NOT rendered in a browser: no "
                    "`chromium` on PATH (Debian package chromium). ***";
  }
  const testsupport::ScratchDir dir;
  const evaluate::PageInput input = testsupport::page_fixture();
  dir.write("page.html", evaluate::evaluation_page(input));
  const std::string command =
      "timeout 120 '" + chromium + "' --headless --no-sandbox --disable-gpu --user-data-dir='" +
      (dir / "profile").string() + "' --dump-dom 'file://" + (dir / "page.html").string() + "' >'" +
      (dir / "dom.html").string() + "' 2>'" + (dir / "chromium.log").string() + "'";
  ASSERT_EQ(0, std::system(command.c_str())) << command << "\n" << dir.read("chromium.log");
  const std::string dom = dir.read("dom.html");
  ASSERT_FALSE(dom.empty()) << dir.read("chromium.log");

  // Every table, with all its rows (the parser moved nothing out of a table).
  const struct {
    std::string_view id;
    std::size_t rows;  // head row included
  } tables[] = {
      {"summary-1", 3},
      {"summary-2", 3},
      {"facts", 6},
      {"acceptance-1", 15},
      {"acceptance-2", 15},
      {"differences-1", 8},
      {"differences-2", 8},
      {"high-end-1", 15},
      {"high-end-2", 15},
      {"high-end-differences-1", 8},
      {"high-end-differences-2", 8},
      {"means-1", 15},
      {"means-2", 15},
      // The fixture's R rows (among the means) land in the operational section too.
      {"operational-1", 15},
      {"operational-2", 15},
      // Head; N, Lines, Npos, the six judged measures, N.both and seven differences, the
      // three high-end measures, four counts and five means, eleven operational measures
      // (R counted among the means); sixteen marks and signs.
      {"definitions-table", 57},
  };
  EXPECT_EQ(std::size(tables), count(dom, "<table "));
  for (const auto& t : tables) {
    const std::string table = element(dom, "<table id=\"" + std::string(t.id) + "\"", "</table>");
    EXPECT_EQ(t.rows, count(table, "<tr")) << t.id;
  }
  // Every diagram, whole, inside its figure and before its caption.
  EXPECT_EQ(input.diagrams.size(), count(dom, "<svg "));
  const char* ids[] = {"mgvg", "fbnmse"};
  for (std::size_t i = 0; i < input.diagrams.size(); ++i) {
    const std::string figure =
        element(dom, "<figure id=\"diagram-" + std::to_string(i + 1) + "\"", "</figure>");
    const std::size_t svg = figure.find("<svg ");
    EXPECT_NE(std::string::npos, svg) << i;
    EXPECT_NE(std::string::npos, figure.find("id=\"" + std::string(ids[i]) + "-m1\"")) << i;
    EXPECT_LT(figure.find("</svg>"), figure.find("<figcaption>")) << i;
    EXPECT_NE(std::string::npos, figure.find(evaluate::html_escape(input.diagrams[i].caption)));
  }
  // Nothing swallowed after the last picture.
  EXPECT_NE(std::string::npos, dom.find("<footer>"));
}

}  // namespace
