#include "evaluate/svg.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

#include "evaluate/evaluation.h"

namespace evaluate {
namespace {

constexpr double kWidth = 1000;
constexpr double kHeight = 600;
constexpr double kPlotSize = 380;
constexpr double kPlotTop = 90;
constexpr double kPlotLeft[kQuantities] = {100, 580};

constexpr std::string_view kColour[kModels] = {"#1f6fb4", "#d0442a"};
constexpr std::string_view kQuantityCaption[kQuantities] = {
    "CY/Q: crosswind-integrated value over the emission rate",
    "CMAX/Q: centreline maximum over the emission rate"};
constexpr std::string_view kUnit[kQuantities] = {"10^-6 s/m^2", "10^-6 s/m^3"};

// Coordinates with two decimals, locale-free.
std::string num(double v) {
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
  if (ec != std::errc()) return "0";
  return std::string(buf, end);
}

struct Point {
  double x;
  double y;
};

struct Series {
  std::vector<Point> points;  // both values positive
  long left_out = 0;          // points with a zero prediction
  long pairs = 0;
};

struct Panel {
  std::array<Series, kModels> series;
  std::string x_label;
  std::string y_label;
};

class Svg {
 public:
  Svg() {
    out_ += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    out_ += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(kWidth) + "\" height=\"" +
            num(kHeight) + "\" viewBox=\"0 0 " + num(kWidth) + " " + num(kHeight) +
            "\" font-family=\"Helvetica, Arial, sans-serif\">\n";
    out_ += "<rect x=\"0\" y=\"0\" width=\"" + num(kWidth) + "\" height=\"" + num(kHeight) +
            "\" fill=\"white\"/>\n";
  }
  void add(std::string_view element) {
    out_ += element;
    out_ += '\n';
  }
  void text(double x, double y, std::string_view content, std::string_view attrs = {}) {
    out_ += "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\"";
    if (!attrs.empty()) {
      out_ += ' ';
      out_ += attrs;
    }
    out_ += '>';
    out_ += content;
    out_ += "</text>\n";
  }
  void line(double x1, double y1, double x2, double y2, std::string_view attrs) {
    out_ += "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" +
            num(y2) + "\" " + std::string(attrs) + "/>\n";
  }
  void marker(int model, double x, double y) {
    const std::string colour(kColour[model]);
    if (model == kAermod) {
      out_ += "<circle cx=\"" + num(x) + "\" cy=\"" + num(y) +
              "\" r=\"4\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"1.5\"/>\n";
    } else {
      out_ += "<path d=\"M" + num(x) + "," + num(y - 5) + " L" + num(x + 4.5) + "," + num(y + 3.5) +
              " L" + num(x - 4.5) + "," + num(y + 3.5) + " Z\" fill=\"none\" stroke=\"" + colour +
              "\" stroke-width=\"1.5\"/>\n";
    }
  }
  std::string finish() {
    out_ += "</svg>\n";
    return std::move(out_);
  }

 private:
  std::string out_;
};

// d * 10^k written out ("0.02", "5", "500"), for a digit d of 1 to 9.
std::string plain_number(int d, int k) {
  if (k >= 0) return std::to_string(d) + std::string(static_cast<std::size_t>(k), '0');
  return "0." + std::string(static_cast<std::size_t>(-k - 1), '0') + std::to_string(d);
}

std::string decade_label(int k) {
  return "10<tspan dy=\"-7\" font-size=\"10\">" + std::to_string(k) + "</tspan>";
}

void draw_panel(Svg& svg, int q, const Panel& panel) {
  const double left = kPlotLeft[q];
  const double top = kPlotTop;
  const double right = left + kPlotSize;
  const double bottom = top + kPlotSize;

  double lo = std::numeric_limits<double>::infinity();
  double hi = -lo;
  for (const Series& s : panel.series) {
    for (const Point& p : s.points) {
      lo = std::min({lo, p.x, p.y});
      hi = std::max({hi, p.x, p.y});
    }
  }
  const DecadeRange range = decade_range(lo, hi);
  auto px = [&](double v) { return log_position(v, range, left, right); };
  auto py = [&](double v) { return log_position(v, range, bottom, top); };

  svg.text(left + kPlotSize / 2, top - 14, kQuantityCaption[q],
           "font-size=\"14\" text-anchor=\"middle\"");

  // Grid and ticks: a grid line at every decade, labels at every step-th decade,
  // minor ticks at 2..9 while the range is short enough to show them.
  const int decades = range.hi - range.lo;
  const int step = (decades + 7) / 8;
  for (int k = range.lo; k <= range.hi; ++k) {
    const double x = px(std::pow(10.0, k));
    const double y = py(std::pow(10.0, k));
    svg.line(x, top, x, bottom, "stroke=\"#e4e4e4\" stroke-width=\"1\"");
    svg.line(left, y, right, y, "stroke=\"#e4e4e4\" stroke-width=\"1\"");
    svg.line(x, bottom, x, bottom + 6, "stroke=\"black\" stroke-width=\"1\"");
    svg.line(left - 6, y, left, y, "stroke=\"black\" stroke-width=\"1\"");
    if ((k - range.lo) % step == 0) {
      svg.text(x, bottom + 24, decade_label(k), "font-size=\"13\" text-anchor=\"middle\"");
      svg.text(left - 10, y + 5, decade_label(k), "font-size=\"13\" text-anchor=\"end\"");
    }
    if (decades <= 6 && k < range.hi) {
      for (int d = 2; d <= 9; ++d) {
        const double v = d * std::pow(10.0, k);
        svg.line(px(v), bottom, px(v), bottom + 3, "stroke=\"black\" stroke-width=\"0.8\"");
        svg.line(left - 3, py(v), left, py(v), "stroke=\"black\" stroke-width=\"0.8\"");
        // Over one or two decades the 2 and 5 ticks carry their values too.
        if (decades <= 2 && (d == 2 || d == 5)) {
          const std::string label = plain_number(d, k);
          svg.text(px(v), bottom + 18, label,
                   "font-size=\"10\" fill=\"#444444\" text-anchor=\"middle\"");
          svg.text(left - 8, py(v) + 4, label,
                   "font-size=\"10\" fill=\"#444444\" text-anchor=\"end\"");
        }
      }
    }
  }

  // 1:1 and factor-of-two lines, clipped to the plot.
  const std::string clip = "plot" + std::to_string(q);
  svg.add("<clipPath id=\"" + clip + "\"><rect x=\"" + num(left) + "\" y=\"" + num(top) +
          "\" width=\"" + num(kPlotSize) + "\" height=\"" + num(kPlotSize) + "\"/></clipPath>");
  svg.add("<g clip-path=\"url(#" + clip + ")\">");
  const double a = std::pow(10.0, range.lo);
  const double b = std::pow(10.0, range.hi);
  svg.line(px(a), py(a), px(b), py(b), "stroke=\"black\" stroke-width=\"1.2\"");
  svg.line(px(a), py(2 * a), px(b), py(2 * b),
           "stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6,4\"");
  svg.line(px(a), py(a / 2), px(b), py(b / 2),
           "stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6,4\"");
  svg.add("</g>");

  for (int m = 0; m < kModels; ++m) {
    for (const Point& p : panel.series[m].points) svg.marker(m, px(p.x), py(p.y));
  }
  svg.add("<rect x=\"" + num(left) + "\" y=\"" + num(top) + "\" width=\"" + num(kPlotSize) +
          "\" height=\"" + num(kPlotSize) + "\" fill=\"none\" stroke=\"black\"/>");

  svg.text(left + kPlotSize / 2, bottom + 50, panel.x_label,
           "font-size=\"13\" text-anchor=\"middle\"");
  const double ly = top + kPlotSize / 2;
  const double lx = left - 58;
  svg.text(lx, ly, panel.y_label,
           "font-size=\"13\" text-anchor=\"middle\" transform=\"rotate(-90 " + num(lx) + " " +
               num(ly) + ")\"");

  std::string note;
  for (int m = 0; m < kModels; ++m) {
    const Series& s = panel.series[m];
    if (m > 0) note += "; ";
    note += std::string(model_name(m)) + " " + std::to_string(s.pairs) + " pairs";
    if (s.left_out > 0) {
      note += " (" + std::to_string(s.left_out) + " with prediction 0 not shown)";
    }
  }
  svg.text(left + kPlotSize / 2, bottom + 70, note,
           "font-size=\"11\" text-anchor=\"middle\" fill=\"#333333\"");
  if (panel.series[0].points.empty() && panel.series[1].points.empty()) {
    svg.text(left + kPlotSize / 2, top + kPlotSize / 2, "no pairs to show",
             "font-size=\"14\" text-anchor=\"middle\" fill=\"#777777\"");
  }
}

void draw_legend(Svg& svg) {
  const double y = kHeight - 22;
  double x = 250;
  for (int m = 0; m < kModels; ++m) {
    svg.marker(m, x, y - 4);
    svg.text(x + 12, y, model_name(m), "font-size=\"13\"");
    x += 110;
  }
  svg.line(x - 6, y - 4, x + 24, y - 4, "stroke=\"black\" stroke-width=\"1.2\"");
  svg.text(x + 30, y, "1:1", "font-size=\"13\"");
  x += 80;
  svg.line(x - 6, y - 4, x + 24, y - 4,
           "stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6,4\"");
  svg.text(x + 30, y, "factor of two (Cp = 2 Co, Cp = Co/2)", "font-size=\"13\"");
}

std::string picture(std::string_view title, const std::array<Panel, kQuantities>& panels) {
  Svg svg;
  svg.text(kWidth / 2, 34, title, "font-size=\"19\" font-weight=\"bold\" text-anchor=\"middle\"");
  for (int q = 0; q < kQuantities; ++q) draw_panel(svg, q, panels[q]);
  draw_legend(svg);
  return svg.finish();
}

}  // namespace

DecadeRange decade_range(double min, double max) {
  if (!(min > 0.0) || !(max >= min) || !std::isfinite(min) || !std::isfinite(max)) {
    return {-1, 1};
  }
  // The nearest decades strictly outside the values, so that no marker sits on the
  // frame; log10 may land a hair off at exact powers of ten, the loops settle it.
  int lo = static_cast<int>(std::floor(std::log10(min)));
  int hi = static_cast<int>(std::ceil(std::log10(max)));
  while (std::pow(10.0, lo) >= min) --lo;
  while (std::pow(10.0, lo + 1) < min) ++lo;
  while (std::pow(10.0, hi) <= max) ++hi;
  while (std::pow(10.0, hi - 1) > max) --hi;
  return {lo, hi};
}

double log_position(double v, DecadeRange range, double a, double b) {
  const double t = (std::log10(v) - range.lo) / (range.hi - range.lo);
  return a + t * (b - a);
}

std::string scatter_svg(const std::vector<CombinedLine>& lines) {
  std::array<Panel, kQuantities> panels;
  for (int q = 0; q < kQuantities; ++q) {
    const std::string name(quantity_name(q));
    const std::string unit(kUnit[q]);
    panels[q].x_label = "Observed " + name + " (" + unit + ")";
    panels[q].y_label = "Predicted " + name + " (" + unit + ")";
    for (int m = 0; m < kModels; ++m) {
      Series& s = panels[q].series[m];
      for (const Pair& p : valid_pairs(lines, m, q)) {
        ++s.pairs;
        if (p.cp > 0.0f) {
          s.points.push_back({p.co, p.cp});
        } else {
          ++s.left_out;
        }
      }
    }
  }
  return picture("Tolvern tracer study: observed against predicted", panels);
}

std::string qq_svg(const std::vector<CombinedLine>& lines) {
  std::array<Panel, kQuantities> panels;
  for (int q = 0; q < kQuantities; ++q) {
    const std::string name(quantity_name(q));
    const std::string unit(kUnit[q]);
    panels[q].x_label = "Observed " + name + ", sorted (" + unit + ")";
    panels[q].y_label = "Predicted " + name + ", sorted (" + unit + ")";
    for (int m = 0; m < kModels; ++m) {
      Series& s = panels[q].series[m];
      const std::vector<Pair> pairs = valid_pairs(lines, m, q);
      std::vector<float> co, cp;
      for (const Pair& p : pairs) {
        co.push_back(p.co);
        cp.push_back(p.cp);
      }
      std::sort(co.begin(), co.end());
      std::sort(cp.begin(), cp.end());
      s.pairs = static_cast<long>(pairs.size());
      for (std::size_t i = 0; i < co.size(); ++i) {
        if (cp[i] > 0.0f) {
          s.points.push_back({co[i], cp[i]});
        } else {
          ++s.left_out;
        }
      }
    }
  }
  return picture(
      "Tolvern tracer study: quantile-quantile plot (sorted observed against sorted "
      "predicted)",
      panels);
}

}  // namespace evaluate
