// The MG-VG and FB-NMSE diagrams: per quantity one panel with each model's value
// over all lines (95% limits as bars in both directions), each group's value as a
// small labelled marker, the curve of the least spread a bias allows, the
// factor-of-two lines and the acceptance region of the judged criteria.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>

#include "evaluate/pictures/diagrams.h"
#include "evaluate/pictures/svg.h"

namespace evaluate {
namespace {

constexpr double kPlot = 380;
constexpr double kColumn = 480;
constexpr double kInset = 100;
constexpr double kNoteLine = 15;
constexpr std::string_view kRegionFill = "fill=\"#dcebdc\" stroke=\"none\"";
constexpr std::string_view kCurve = "fill=\"none\" stroke=\"#333333\" stroke-width=\"1.3\"";
constexpr std::string_view kFactorLine =
    "stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6,4\"";

// Three significant digits, locale-free ("1.23", "0.0456", "1.2e+03").
std::string short_number(double v) {
  if (!std::isfinite(v)) return "-";
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 3);
  return ec == std::errc() ? std::string(buf, end) : "-";
}

// A linear or log axis from lo to hi, drawn from pixel a to b.
struct Axis {
  bool log = false;
  double lo = 0, hi = 1;
  double a = 0, b = 1;
  std::vector<std::pair<double, std::string>> ticks;
  double t(double v) const {
    return log ? (std::log(v) - std::log(lo)) / (std::log(hi) - std::log(lo))
               : (v - lo) / (hi - lo);
  }
  bool inside(double v) const { return v >= lo && v <= hi && (!log || v > 0); }
  // -1 below, +1 above, 0 inside; NaN is not asked for.
  int side(double v) const {
    if (log && v <= 0) return -1;
    return v < lo ? -1 : (v > hi ? 1 : 0);
  }
  double pos(double v) const {
    const int s = side(v);
    if (s < 0) return a;
    if (s > 0) return b;
    return a + t(v) * (b - a);
  }
};

struct Diagram {
  std::string title;
  std::string x_name, y_name;  // "MG", "VG"
  std::string x_label, y_label;
  std::function<double(double)> curve;  // the least y for an x
  std::string curve_label;
  std::vector<double> factor_lines;  // x values
  std::string factor_label;
  Axis x, y;
  double region_x_lo = NAN, region_x_hi = NAN, region_y_hi = NAN;
  std::string region_label;
};

void draw_frame_axes(SvgDoc& doc, const Axis& x, const Axis& y, double left, double top) {
  const double right = left + kPlot, bottom = top + kPlot;
  for (const auto& [v, label] : x.ticks) {
    const double p = x.pos(v);
    doc.line(p, top, p, bottom, "stroke=\"#e4e4e4\" stroke-width=\"1\"");
    doc.line(p, bottom, p, bottom + 6, "stroke=\"black\" stroke-width=\"1\"");
    doc.text(p, bottom + 22, label, "font-size=\"12\" text-anchor=\"middle\"");
  }
  for (const auto& [v, label] : y.ticks) {
    const double p = y.pos(v);
    doc.line(left, p, right, p, "stroke=\"#e4e4e4\" stroke-width=\"1\"");
    doc.line(left - 6, p, left, p, "stroke=\"black\" stroke-width=\"1\"");
    doc.text(left - 10, p + 4, label, "font-size=\"12\" text-anchor=\"end\"");
  }
}

// A marker of `model`; a value beyond an axis is drawn just inside that edge, with
// an arrow from the marker to the edge pointing outwards.
void clipped_marker(SvgDoc& doc, int model, const Axis& x, const Axis& y, double vx, double vy,
                    double size, std::string_view attrs) {
  constexpr double kInside = 14;
  auto place = [&](const Axis& axis, double v, double& p, double& dir) {
    const int side = axis.side(v);
    const double sign = axis.b > axis.a ? 1 : -1;
    dir = side * sign;
    p = side == 0 ? axis.pos(v) : axis.pos(v) - dir * kInside;
  };
  double px, py, dx, dy;
  place(x, vx, px, dx);
  place(y, vy, py, dy);
  doc.marker(model, px, py, size, attrs);
  const std::string colour(model_colour(model));
  if (dx != 0) doc.arrow(px + dx * kInside, py, dx, 0, colour);
  if (dy != 0) doc.arrow(px, py + dy * kInside, 0, dy, colour);
}

// Where clipped_marker() puts a value on `axis`.
double marker_position(const Axis& axis, double v) {
  const int side = axis.side(v);
  const double sign = axis.b > axis.a ? 1 : -1;
  return axis.pos(v) - side * sign * 14;
}

// A bar from lo to hi along one axis, capped at its ends, an arrow where it is clipped.
void bar(SvgDoc& doc, const Axis& along, double lo, double hi, double across, bool horizontal,
         const std::string& colour) {
  if (std::isnan(lo) || std::isnan(hi)) return;
  const double p1 = along.pos(lo), p2 = along.pos(hi);
  const std::string stroke = "stroke=\"" + colour + "\" stroke-width=\"1.4\"";
  auto end = [&](double p, int side, int dir) {
    if (side != 0) {
      if (horizontal) {
        doc.arrow(p, across, dir, 0, colour);
      } else {
        doc.arrow(across, p, 0, dir, colour);
      }
    } else if (horizontal) {
      doc.line(p, across - 4, p, across + 4, stroke);
    } else {
      doc.line(across - 4, p, across + 4, p, stroke);
    }
  };
  if (horizontal) {
    doc.line(p1, across, p2, across, stroke);
  } else {
    doc.line(across, p1, across, p2, stroke);
  }
  const double dir = (along.b > along.a) ? 1 : -1;
  end(p1, along.side(lo), static_cast<int>(-dir));
  end(p2, along.side(hi), static_cast<int>(dir));
}

void draw_panel(SvgDoc& doc, const Diagram& d, const MeasurePlotInput& input,
                const MeasurePanel& panel, double left, double top, const std::string& clip_id,
                std::vector<std::string>& notes) {
  Axis x = d.x, y = d.y;
  x.a = left;
  x.b = left + kPlot;
  y.a = top + kPlot;
  y.b = top;
  const double right = left + kPlot, bottom = top + kPlot;
  doc.text(left + kPlot / 2, top - 14, xml_escape(panel.quantity),
           "font-size=\"14\" text-anchor=\"middle\"");
  doc.add("<clipPath id=\"" + clip_id + "\"><rect x=\"" + num(left) + "\" y=\"" + num(top) +
          "\" width=\"" + num(kPlot) + "\" height=\"" + num(kPlot) + "\"/></clipPath>");
  // The acceptance region, clipped to the frame.
  const bool x_judged = !std::isnan(d.region_x_lo) || !std::isnan(d.region_x_hi);
  const bool y_judged = !std::isnan(d.region_y_hi);
  if (x_judged || y_judged) {
    const double x1 = std::isnan(d.region_x_lo) ? left : x.pos(d.region_x_lo);
    const double x2 = std::isnan(d.region_x_hi) ? right : x.pos(d.region_x_hi);
    const double y1 = y_judged ? y.pos(d.region_y_hi) : top;
    doc.rect(x1, y1, std::max(0.0, x2 - x1), std::max(0.0, bottom - y1), kRegionFill);
  }
  draw_frame_axes(doc, x, y, left, top);
  doc.add("<g clip-path=\"url(#" + clip_id + ")\">");
  for (double v : d.factor_lines) doc.line(x.pos(v), top, x.pos(v), bottom, kFactorLine);
  // The curve, sampled evenly along the axis.
  std::string path;
  constexpr int kSteps = 240;
  for (int i = 0; i <= kSteps; ++i) {
    const double t = static_cast<double>(i) / kSteps;
    const double v = x.log ? std::exp(std::log(x.lo) + t * (std::log(x.hi) - std::log(x.lo)))
                           : x.lo + t * (x.hi - x.lo);
    double c = d.curve(v);
    if (!std::isfinite(c) || c > y.hi * 4) c = y.hi * 4;  // off the top, cut by the clip
    const double py = y.log ? y.a + (std::log(c) - std::log(y.lo)) /
                                        (std::log(y.hi) - std::log(y.lo)) * (y.b - y.a)
                            : y.a + (c - y.lo) / (y.hi - y.lo) * (y.b - y.a);
    path += path.empty() ? 'M' : 'L';
    path += num(x.a + t * (x.b - x.a));
    path += ',';
    path += num(py);
  }
  doc.add("<path d=\"" + path + "\" " + std::string(kCurve) + "/>");
  doc.add("</g>");

  // Groups: small open markers, labelled.
  doc.add("<g fill=\"none\" stroke-width=\"1.1\">");
  for (const GroupMeasurePoint& g : panel.groups) {
    if (g.model < 0 || static_cast<std::size_t>(g.model) >= input.models.size() ||
        std::isnan(g.x) || std::isnan(g.y)) {
      continue;
    }
    clipped_marker(doc, g.model, x, y, g.x, g.y, 2.8, {});
    // The label right of the marker, or left of it near the right edge.
    const double gx = marker_position(x, g.x);
    const bool left_of = gx > x.b - 30;
    doc.text(gx + (left_of ? -5 : 5), marker_position(y, g.y) - 3, xml_escape(g.label),
             "font-size=\"9\" fill=\"" + std::string(model_colour(g.model)) + "\"" +
                 (left_of ? " text-anchor=\"end\"" : ""));
  }
  doc.add("</g>");
  // Models over all lines: bars of the limits, then the marker.
  for (const ModelMeasurePoint& m : panel.models) {
    if (m.model < 0 || static_cast<std::size_t>(m.model) >= input.models.size()) continue;
    const std::string& name = input.models[static_cast<std::size_t>(m.model)];
    if (std::isnan(m.x.value) || std::isnan(m.y.value)) {
      notes.push_back(name + ": " + d.x_name + " " + short_number(m.x.value) + ", " + d.y_name +
                      " " + short_number(m.y.value) + " (not drawn: not formed)");
      continue;
    }
    const std::string colour(model_colour(m.model));
    bar(doc, x, m.x.lower, m.x.upper, marker_position(y, m.y.value), true, colour);
    bar(doc, y, m.y.lower, m.y.upper, marker_position(x, m.x.value), false, colour);
    clipped_marker(doc, m.model, x, y, m.x.value, m.y.value, 5.5,
                   "fill=\"white\" fill-opacity=\"0.7\" stroke-width=\"2\"");
    auto limits = [](const Interval& i) {
      return std::isnan(i.lower)
                 ? std::string(" (no limits)")
                 : " (" + short_number(i.lower) + " to " + short_number(i.upper) + ")";
    };
    notes.push_back(name + ": " + d.x_name + " " + short_number(m.x.value) + limits(m.x) + ", " +
                    d.y_name + " " + short_number(m.y.value) + limits(m.y));
  }
  doc.rect(left, top, kPlot, kPlot, "fill=\"none\" stroke=\"black\"");
  doc.text(left + kPlot / 2, bottom + 46, xml_escape(d.x_label),
           "font-size=\"13\" text-anchor=\"middle\"");
  const double ly = top + kPlot / 2, lx = left - 58;
  doc.text(lx, ly, xml_escape(d.y_label),
           "font-size=\"13\" text-anchor=\"middle\" transform=\"rotate(-90 " + num(lx) + " " +
               num(ly) + ")\"");
}

std::string picture(const Diagram& d, const MeasurePlotInput& input, std::string_view id_prefix) {
  SvgDoc doc;
  const std::size_t columns = std::clamp<std::size_t>(input.panels.size(), 1, 2);
  const double width = 20 + kColumn * static_cast<double>(columns);
  doc.text(width / 2, 34, xml_escape(d.title),
           "font-size=\"" + num(std::min(19.0, 19.0 * (width - 20) / text_width(d.title, 19))) +
               "\" font-weight=\"bold\" text-anchor=\"middle\"");
  double row_top = 60;
  for (std::size_t first = 0; first < input.panels.size(); first += columns) {
    std::size_t lines = 0;
    for (std::size_t i = first; i < std::min(input.panels.size(), first + columns); ++i) {
      const double left = kInset + kColumn * static_cast<double>(i - first);
      std::vector<std::string> notes;
      draw_panel(doc, d, input, input.panels[i], left, row_top + 30,
                 xml_escape(id_prefix) + "panel" + std::to_string(i), notes);
      double ny = row_top + 30 + kPlot + 68;
      std::size_t count = 0;
      for (const std::string& note : notes) {
        for (const std::string& line : wrap_text(note, kColumn - 40, 11)) {
          doc.text(left - 60, ny, xml_escape(line), "font-size=\"11\" fill=\"#333333\"");
          ny += kNoteLine;
          ++count;
        }
      }
      lines = std::max(lines, count);
    }
    row_top += 30 + kPlot + 58 + kNoteLine * static_cast<double>(lines) + 12;
  }
  if (input.panels.empty()) {
    doc.text(width / 2, row_top + 40, "no quantities to show",
             "font-size=\"14\" text-anchor=\"middle\" fill=\"#777777\"");
    row_top += 80;
  }
  std::vector<LegendItem> legend;
  for (std::size_t m = 0; m < input.models.size(); ++m) {
    legend.push_back({static_cast<int>(m), "", "", input.models[m] + ", all lines, 95% limits"});
  }
  legend.push_back({-1, std::string(kCurve), "", d.curve_label});
  legend.push_back({-1, std::string(kFactorLine), "", d.factor_label});
  const bool region =
      !std::isnan(d.region_x_lo) || !std::isnan(d.region_x_hi) || !std::isnan(d.region_y_hi);
  legend.push_back({-1, "", region ? std::string(kRegionFill) : "fill=\"none\" stroke=\"none\"",
                    d.region_label});
  double y = draw_legend(doc, legend, width, row_top + 14);
  doc.text(width / 2, y,
           "Small markers: each arc (labelled with its distance in km) or group (labelled with "
           "its name), in the colour and shape of its model.",
           "font-size=\"11\" text-anchor=\"middle\" fill=\"#333333\"");
  y += kNoteLine;
  doc.text(width / 2, y,
           "A value beyond the axes is drawn at the edge with an arrow pointing outwards.",
           "font-size=\"11\" text-anchor=\"middle\" fill=\"#333333\"");
  return doc.finish(width, y + 10);
}

// The values a diagram must show on one axis: values, limits and group values.
std::vector<double> axis_values(const MeasurePlotInput& input, bool x_axis) {
  std::vector<double> out;
  for (const MeasurePanel& p : input.panels) {
    for (const ModelMeasurePoint& m : p.models) {
      const Interval& i = x_axis ? m.x : m.y;
      for (double v : {i.value, i.lower, i.upper}) {
        if (std::isfinite(v)) out.push_back(v);
      }
    }
    for (const GroupMeasurePoint& g : p.groups) {
      const double v = x_axis ? g.x : g.y;
      if (std::isfinite(v)) out.push_back(v);
    }
  }
  return out;
}

std::string criteria_label(const MeasurePlotInput& input, const std::string& bounds) {
  const std::string name = input.criteria.empty() ? std::string("the") : input.criteria;
  if (bounds.empty()) return "no region: neither measure judged (" + name + " criteria)";
  return "acceptance region, " + name + " criteria: " + bounds;
}

}  // namespace

std::string mg_vg_svg(const MeasurePlotInput& input, std::string_view id_prefix) {
  Diagram d;
  d.title = "MG-VG diagram: geometric mean bias and geometric variance";
  d.x_name = "MG";
  d.y_name = "VG";
  d.x_label = "MG, geometric mean bias (above 1: underprediction)";
  d.y_label = "VG, geometric variance";
  d.curve = [](double mg) { return std::exp(std::log(mg) * std::log(mg)); };
  d.curve_label = "VG = exp((ln MG)^2), the least VG for an MG";
  d.factor_lines = {0.5, 2.0};
  d.factor_label = "MG = 0.5 and 2 (factor of two)";
  // MG from 1/b to b, the least b of the steps that holds every value (beyond 1000:
  // clipped); VG from 1 to the least top that holds every value.
  double b = 4;
  for (double v : axis_values(input, true)) {
    if (!(v > 0)) continue;
    const double reach = std::max(v, 1 / v);
    double needed = 1000;
    for (double step : {4.0, 10.0, 100.0, 1000.0}) {
      if (reach <= step * (1 + 1e-12)) {
        needed = step;
        break;
      }
    }
    b = std::max(b, needed);
  }
  d.x.log = true;
  d.x.lo = 1 / b;
  d.x.hi = b;
  if (b == 4) {
    d.x.ticks = {{0.25, "0.25"}, {0.5, "0.5"}, {1, "1"}, {2, "2"}, {4, "4"}};
  } else if (b == 10) {
    d.x.ticks = {{0.1, "0.1"}, {0.2, "0.2"}, {0.5, "0.5"}, {1, "1"},
                 {2, "2"},     {5, "5"},     {10, "10"}};
  } else {
    for (int k = b == 100 ? -2 : -3; k <= (b == 100 ? 2 : 3); ++k) {
      d.x.ticks.push_back({std::pow(10.0, k), plain_number(1, k)});
    }
  }
  double top = 10;
  std::vector<double> ys = axis_values(input, false);
  if (!std::isnan(input.region.y_upper)) ys.push_back(input.region.y_upper);
  for (double v : ys) {
    if (v > top) top = v <= 100 ? std::max(top, 100.0) : 1000;
  }
  d.y.log = true;
  d.y.lo = 1;
  d.y.hi = top;
  if (top == 10) {
    d.y.ticks = {{1, "1"}, {2, "2"}, {5, "5"}, {10, "10"}};
  } else if (top == 100) {
    d.y.ticks = {{1, "1"}, {2, "2"}, {5, "5"}, {10, "10"}, {20, "20"}, {50, "50"}, {100, "100"}};
  } else {
    d.y.ticks = {{1, "1"}, {10, "10"}, {100, "100"}, {1000, "1000"}};
  }
  d.region_x_lo = input.region.x_lower;
  d.region_x_hi = input.region.x_upper;
  d.region_y_hi = input.region.y_upper;
  std::string bounds;
  if (!std::isnan(d.region_x_lo) || !std::isnan(d.region_x_hi)) {
    bounds = short_number(d.region_x_lo) + " <= MG <= " + short_number(d.region_x_hi);
  }
  if (!std::isnan(d.region_y_hi)) {
    bounds += (bounds.empty() ? "" : ", ") + std::string("VG <= ") + short_number(d.region_y_hi);
  }
  d.region_label = criteria_label(input, bounds);
  return picture(d, input, id_prefix);
}

std::string fb_nmse_svg(const MeasurePlotInput& input, std::string_view id_prefix) {
  Diagram d;
  d.title = "FB-NMSE diagram: fractional bias and normalised mean square error";
  d.x_name = "FB";
  d.y_name = "NMSE";
  d.x_label = "FB, fractional bias (positive: underprediction)";
  d.y_label = "NMSE, normalised mean square error";
  d.curve = [](double fb) { return 4 * fb * fb / (4 - fb * fb); };
  d.curve_label = "NMSE = 4 FB^2 / (4 - FB^2), the least NMSE for an FB";
  d.factor_lines = {-2.0 / 3.0, 2.0 / 3.0};
  d.factor_label = "FB = -2/3 and 2/3 (factor of two in the means)";
  d.x.lo = -2;
  d.x.hi = 2;
  d.x.ticks = {{-2, "-2"},   {-1.5, "-1.5"}, {-1, "-1"},   {-0.5, "-0.5"}, {0, "0"},
               {0.5, "0.5"}, {1, "1"},       {1.5, "1.5"}, {2, "2"}};
  // NMSE from 0 to the least of the steps that holds every value (beyond 20: clipped).
  double need = 2;
  std::vector<double> ys = axis_values(input, false);
  if (!std::isnan(input.region.y_upper)) ys.push_back(input.region.y_upper);
  for (double v : ys) need = std::max(need, v);
  double top = 20;
  for (double step : {2.0, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0, 12.0, 15.0, 20.0}) {
    if (need <= step) {
      top = step;
      break;
    }
  }
  d.y.lo = 0;
  d.y.hi = top;
  const double tick = top <= 3 ? 0.5 : top <= 6 ? 1 : top <= 12 ? 2 : 5;
  for (double v = 0; v <= top + 1e-9; v += tick) d.y.ticks.push_back({v, short_number(v)});
  d.region_x_hi = input.region.x_upper;
  d.region_x_lo = std::isnan(input.region.x_lower) ? -input.region.x_upper : input.region.x_lower;
  d.region_y_hi = input.region.y_upper;
  std::string bounds;
  if (!std::isnan(d.region_x_hi)) bounds = "|FB| <= " + short_number(d.region_x_hi);
  if (!std::isnan(d.region_y_hi)) {
    bounds += (bounds.empty() ? "" : ", ") + std::string("NMSE <= ") + short_number(d.region_y_hi);
  }
  d.region_label = criteria_label(input, bounds);
  return picture(d, input, id_prefix);
}

}  // namespace evaluate
