// The pictures: axis ranges, positions, markers and the notes of left-out pairs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "evaluate/input/study.h"
#include "evaluate/pictures/diagrams.h"
#include "evaluate/pictures/figure.h"
#include "evaluate/pictures/pair_input.h"
#include "evaluate/pictures/svg.h"
#include "support/combined_line.h"

namespace {

using evaluate::kAermod;
using evaluate::kIscst3;

TEST(EvaluateSvg, DecadeRange) {
  struct Case {
    double min, max;
    int lo, hi;
  };
  // Decades -5 to 4 take a step of 2, so the range widens to the even decades -6 to
  // 4; -30 to 30 a step of 8: -32 to 32.
  const Case cases[] = {
      {1, 1, -1, 1},          {1, 10, -1, 2},     {1, 100, -1, 3},     {0.5, 3, -1, 1},
      {0.001, 0.001, -4, -2}, {2e-5, 7e3, -6, 4}, {9.99, 10.01, 0, 2}, {2e-30, 3e29, -32, 32},
      {5, 1, -1, 1},          {0, 1, -1, 1},      {-1, 1, -1, 1},      {1.5, 1.5, 0, 1},
  };
  for (const Case& c : cases) {
    const evaluate::DecadeRange r = evaluate::decade_range(c.min, c.max);
    EXPECT_EQ(c.lo, r.lo) << c.min << " " << c.max;
    EXPECT_EQ(c.hi, r.hi) << c.min << " " << c.max;
  }
}

TEST(EvaluateSvg, AxisPositions) {
  using evaluate::Axis;
  const Axis decades = Axis::decades({-1, 3});
  EXPECT_DOUBLE_EQ(100.0, decades.spanning(100, 500).at(0.1));
  EXPECT_DOUBLE_EQ(500.0, decades.spanning(100, 500).at(1000));
  EXPECT_DOUBLE_EQ(200.0, decades.spanning(100, 500).at(1));
  EXPECT_DOUBLE_EQ(400.0, decades.spanning(500, 100).at(1));  // y grows downwards
  const Axis log = Axis::log(0.25, 4).spanning(0, 400);
  EXPECT_DOUBLE_EQ(200.0, log.at(1));
  EXPECT_DOUBLE_EQ(2.0, log.value_at(0.75));
  const Axis linear = Axis::linear(-2, 2).spanning(100, 500);
  EXPECT_DOUBLE_EQ(350.0, linear.at(0.5));
  // Beyond the scale: the side, and the end it is drawn at.
  EXPECT_EQ(1, linear.side(3));
  EXPECT_EQ(-1, log.side(0));  // not positive on a log scale
  EXPECT_DOUBLE_EQ(500.0, linear.clamped(3));
  EXPECT_DOUBLE_EQ(0.0, log.clamped(-1));
  EXPECT_EQ(-1.0, Axis::linear(0, 1).spanning(400, 100).direction());
}

evaluate::CombinedLine line(float co, float aermod, float iscst3) {
  return testsupport::combined_line(1.0f, 0.0f, co, aermod, iscst3);
}

struct Xy {
  double x, y;
};

// The centres of the <circle> elements, in document order.
std::vector<Xy> circles(const std::string& svg) {
  std::vector<Xy> out;
  const std::string open = "<circle cx=\"";
  for (std::size_t at = svg.find(open); at != std::string::npos; at = svg.find(open, at + 1)) {
    const std::size_t x = at + open.size();
    const std::size_t y = svg.find("cy=\"", x) + 4;
    out.push_back({std::stod(svg.substr(x, svg.find('"', x) - x)),
                   std::stod(svg.substr(y, svg.find('"', y) - y))});
  }
  return out;
}

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

TEST(EvaluateSvg, ScatterMarkersLinesAndNotes) {
  std::vector<evaluate::CombinedLine> lines = {line(1, 100, 2), line(10, 1, 0), line(100, 10, 50)};
  lines.push_back(line(5, 5, 5));
  lines.back().state[kIscst3][evaluate::kCy] = evaluate::PairState::model_unread;
  const std::string svg =
      evaluate::scatter_svg(evaluate::pair_plot_input(evaluate::study_of(lines)), "s-");
  EXPECT_EQ(0u, svg.rfind("<?xml", 0));
  EXPECT_EQ("</svg>\n", svg.substr(svg.size() - 7));
  // AERMOD: 4 pairs per panel and one legend marker; ISCST3: CY/Q 2 shown (one zero
  // prediction, one unread), CMAX/Q 3 shown (one zero), one legend marker.
  EXPECT_EQ(4u + 4u + 1u, count(svg, "<circle"));
  EXPECT_EQ(2u + 3u + 1u, count(svg, "<path d=\"M"));
  // One note line per model under each panel.
  EXPECT_EQ(2u, count(svg, ">AERMOD: 4 pairs</text>"));
  EXPECT_EQ(1u, count(svg, ">ISCST3: 3 pairs, 1 with prediction 0 not shown</text>"));
  EXPECT_EQ(1u, count(svg, ">ISCST3: 4 pairs, 1 with prediction 0 not shown</text>"));
  EXPECT_NE(std::string::npos, svg.find("predicted against observed</text>"));
  // Powers raised, a negative one with a minus sign.
  const std::string raised = "<tspan dy=\"-6\" font-size=\"15.00\">";
  EXPECT_NE(std::string::npos,
            svg.find(">Observed CY/Q (10" + raised + "\u22126</tspan><tspan dy=\"6\"> s/m</tspan>" +
                     raised + "2</tspan><tspan dy=\"6\">)</tspan></text>"));
  EXPECT_NE(std::string::npos, svg.find(">Predicted CMAX/Q (10" + raised + "\u22126</tspan>"));
  // A caret without digits stays; a plus sign is dropped; &lt; escaped.
  EXPECT_EQ("a^b &lt;x" + raised + "1</tspan>", evaluate::with_powers("a^b <x^+1"));
  EXPECT_NE(std::string::npos, svg.find(">1:1</text>"));
  EXPECT_NE(std::string::npos, svg.find("factor of two"));
  EXPECT_EQ(2u * 2u + 1u, count(svg, "stroke-dasharray"));  // two per panel, one in the legend
  // Values from 1 to 100, with 1 and 100 on decades: labels 10^-1 .. 10^3 on both
  // axes of both panels, so that no marker sits on the frame.
  const std::string power = "<tspan dy=\"-7\" font-size=\"15.00\">";
  for (const char* k : {"\u22121", "0", "1", "2", "3"}) {
    EXPECT_EQ(2u * 2u, count(svg, power + k + "</tspan>")) << k;
  }
  EXPECT_EQ(0u, count(svg, power + "\u22122</tspan>"));
  EXPECT_EQ(0u, count(svg, power + "4</tspan>"));
  // The AERMOD pair (1, 100) lies off the 1:1 line of the CY/Q panel.
  const auto c = circles(svg);
  ASSERT_FALSE(c.empty());
  EXPECT_NE(c[0].x - 100.0, 474.0 - c[0].y);
}

TEST(EvaluateSvg, QuantilesAreSortedSeparately) {
  // Predictions are the observations in another order: every quantile pair lies on
  // the 1:1 line (panel CY/Q: x from 100 to 460, y from 474 up to 114).
  const std::vector<evaluate::CombinedLine> lines = {line(1, 100, 1), line(10, 1, 1),
                                                     line(100, 10, 1), line(1000, 1000, 1)};
  const evaluate::PairPlotInput input = evaluate::pair_plot_input(evaluate::study_of(lines));
  const std::string svg = evaluate::qq_svg(input, "q-");
  const auto c = circles(svg);
  ASSERT_EQ(4u + 4u + 1u, c.size());
  for (int k = 0; k < 4; ++k) EXPECT_NEAR(c[k].x - 100.0, 474.0 - c[k].y, 0.011) << k;
  // The scatter of the same lines does not lie on it.
  const auto s = circles(evaluate::scatter_svg(input, "s-"));
  int on_line = 0;
  for (int k = 0; k < 4; ++k) on_line += std::abs((s[k].x - 100.0) - (474.0 - s[k].y)) < 0.011;
  EXPECT_EQ(1, on_line);
  EXPECT_NE(std::string::npos, svg.find("Quantile-quantile plot"));
}

}  // namespace

TEST(EvaluateSvg, WrappingKeepsAnInequalityOnOneLine) {
  // Width for about 12 characters at 10 px: "MQI <= 1" never breaks around its sign.
  const double width = evaluate::text_width("objective: MQI", 10);
  for (const char* text : {"objective: MQI <= 1 met", "a b c d e MQI >= 0.5 f", "x \u2264 1 y"}) {
    for (const std::string& line : evaluate::wrap_text(text, width, 10)) {
      for (const char* sign : {"<=", ">=", "\u2264"}) {
        const std::size_t at = line.find(sign);
        if (at == std::string::npos) continue;
        EXPECT_GT(at, 0u) << line;
        EXPECT_LT(at + std::string(sign).size(), line.size()) << line;
      }
      EXPECT_FALSE(line.starts_with("<=") || line.ends_with("<=")) << line;
    }
  }
}

namespace {

TEST(EvaluateSvg, ShortNumbersInThePageNotation) {
  const struct {
    double in;
    std::string_view out;
  } cases[] = {
      {0, "0"},         {-0.0, "0"},        {2, "2"},           {1.25, "1.25"},
      {-0.5, "−0.5"},   {0.0456, "0.0456"}, {0.001, "0.001"},   {0.0009994, "9.99×10⁻⁴"},
      {999.4, "999"},   {999.6, "1×10³"},   {1234, "1.23×10³"}, {-12000, "−1.2×10⁴"},
      {5e-4, "5×10⁻⁴"}, {NAN, "–"},         {-INFINITY, "–"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.out, evaluate::short_number(c.in)) << c.in;
}

}  // namespace
