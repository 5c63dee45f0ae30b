// The MG-VG and FB-NMSE diagrams: per quantity one panel with each model's value
// over all lines (95% limits as bars in both directions), each group's value as a
// small labelled marker, the curve of the least spread a bias allows, the
// factor-of-two lines and the acceptance region of the judged criteria.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>

#include "evaluate/pictures/diagrams.h"
#include "evaluate/pictures/figure.h"

namespace evaluate {
namespace {

constexpr double kPlot = 380;
// The picture ends 10 px under the last foot line's baseline, 5 px above the next line's.
constexpr FigureLayout kLayout{2, 100 + kPlot, 100, 30, 2, -5};
constexpr double kAxisBand = 58;  // below the plot: tick labels and the axis title
constexpr double kInside = 14;    // an off-scale value is drawn this far inside the edge
constexpr std::string_view kRegionFill = "fill=\"#dcebdc\" stroke=\"none\"";
constexpr std::string_view kCurve = "fill=\"none\" stroke=\"#333333\" stroke-width=\"1.3\"";
constexpr std::string_view kFactorLine =
    "stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6,4\"";

struct Diagram {
  std::string title;
  std::string x_name, y_name;  // "MG", "VG"
  std::string x_label, y_label;
  std::function<double(double)> curve;  // the least y for an x
  std::string curve_label;
  std::vector<double> factor_lines;  // x values
  std::string factor_label;
  Axis x = Axis::linear(0, 1), y = Axis::linear(0, 1);
  std::vector<Tick> x_ticks, y_ticks;
  double region_x_lo = NAN, region_x_hi = NAN, region_y_hi = NAN;
  std::string region_label;

  bool has_region() const {
    return !std::isnan(region_x_lo) || !std::isnan(region_x_hi) || !std::isnan(region_y_hi);
  }
};

// Where a value is drawn on `axis`: at its place, or kInside px inside the edge it
// lies beyond.
double marker_position(const Axis& axis, double v) {
  return axis.clamped(v) - axis.side(v) * axis.direction() * kInside;
}

// A marker of `model`; a value beyond an axis is drawn just inside that edge, with
// an arrow from the marker to the edge pointing outwards.
void clipped_marker(SvgDoc& doc, int model, const Axis& x, const Axis& y, double vx, double vy,
                    double size, std::string_view attrs) {
  const double px = marker_position(x, vx), py = marker_position(y, vy);
  const double dx = x.side(vx) * x.direction(), dy = y.side(vy) * y.direction();
  doc.marker(model, px, py, size, attrs);
  const std::string colour(model_colour(model));
  if (dx != 0) doc.arrow(px + dx * kInside, py, dx, 0, colour);
  if (dy != 0) doc.arrow(px, py + dy * kInside, 0, dy, colour);
}

// A bar from lo to hi along one axis, capped at its ends, an arrow where it is clipped.
void bar(SvgDoc& doc, const Axis& along, double lo, double hi, double across, bool horizontal,
         const std::string& colour) {
  if (std::isnan(lo) || std::isnan(hi)) return;
  const double p1 = along.clamped(lo), p2 = along.clamped(hi);
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
  const double dir = along.direction();
  end(p1, along.side(lo), static_cast<int>(-dir));
  end(p2, along.side(hi), static_cast<int>(dir));
}

// The acceptance region (clipped to the frame), the axes, and the factor-of-two lines
// and the curve of the least spread clipped by `clip_id`.
void draw_background(SvgDoc& doc, const Diagram& d, const Axis& x, const Axis& y,
                     const std::string& clip_id) {
  const double left = x.a(), right = x.b(), top = y.b(), bottom = y.a();
  doc.add("<clipPath id=\"" + clip_id + "\"><rect x=\"" + num(left) + "\" y=\"" + num(top) +
          "\" width=\"" + num(kPlot) + "\" height=\"" + num(kPlot) + "\"/></clipPath>");
  const bool x_judged = !std::isnan(d.region_x_lo) || !std::isnan(d.region_x_hi);
  const bool y_judged = !std::isnan(d.region_y_hi);
  if (x_judged || y_judged) {
    const double x1 = std::isnan(d.region_x_lo) ? left : x.clamped(d.region_x_lo);
    const double x2 = std::isnan(d.region_x_hi) ? right : x.clamped(d.region_x_hi);
    const double y1 = y_judged ? y.clamped(d.region_y_hi) : top;
    doc.rect(x1, y1, std::max(0.0, x2 - x1), std::max(0.0, bottom - y1), kRegionFill);
  }
  draw_ticks(doc, x, d.x_ticks, false, bottom, top);
  draw_ticks(doc, y, d.y_ticks, true, left, right);
  doc.add("<g clip-path=\"url(#" + clip_id + ")\">");
  for (double v : d.factor_lines) doc.line(x.clamped(v), top, x.clamped(v), bottom, kFactorLine);
  // The curve, sampled evenly along the axis.
  std::string path;
  constexpr int kSteps = 240;
  for (int i = 0; i <= kSteps; ++i) {
    const double t = static_cast<double>(i) / kSteps;
    double c = d.curve(x.value_at(t));
    if (!std::isfinite(c) || c > y.hi() * 4) c = y.hi() * 4;  // off the top, cut by the clip
    path += path.empty() ? 'M' : 'L';
    path += num(x.a() + t * (x.b() - x.a()));
    path += ',';
    path += num(y.at(c));
  }
  doc.add("<path d=\"" + path + "\" " + std::string(kCurve) + "/>");
  doc.add("</g>");
}

// Each group's value: a small open marker, labelled.
void draw_groups(SvgDoc& doc, const MeasurePlotInput& input, const MeasurePanel& panel,
                 const Axis& x, const Axis& y) {
  doc.add("<g fill=\"none\" stroke-width=\"1.1\">");
  for (const GroupMeasurePoint& g : panel.groups) {
    if (g.model < 0 || static_cast<std::size_t>(g.model) >= input.models.size() ||
        std::isnan(g.x) || std::isnan(g.y)) {
      continue;
    }
    clipped_marker(doc, g.model, x, y, g.x, g.y, 2.8, {});
    // The label right of the marker, or left of it near the right edge.
    const double gx = marker_position(x, g.x);
    const bool left_of = gx > x.b() - 30;
    doc.text(gx + (left_of ? -5 : 5), marker_position(y, g.y) - 3, xml_escape(g.label),
             "font-size=\"9\" fill=\"" + std::string(model_colour(g.model)) + "\"" +
                 (left_of ? " text-anchor=\"end\"" : ""));
  }
  doc.add("</g>");
}

std::string limits_text(const Interval& i) {
  return std::isnan(i.lower) ? std::string(" (no limits)")
                             : " (" + short_number(i.lower) + " to " + short_number(i.upper) + ")";
}

// Each model's value over all lines: bars of the limits, then the marker; a note
// each, with the values and limits.
std::vector<std::string> draw_models(SvgDoc& doc, const Diagram& d, const MeasurePlotInput& input,
                                     const MeasurePanel& panel, const Axis& x, const Axis& y) {
  std::vector<std::string> notes;
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
    notes.push_back(name + ": " + d.x_name + " " + short_number(m.x.value) + limits_text(m.x) +
                    ", " + d.y_name + " " + short_number(m.y.value) + limits_text(m.y));
  }
  return notes;
}

PanelNotes draw_panel(SvgDoc& doc, const Diagram& d, const MeasurePlotInput& input,
                      const MeasurePanel& panel, const PanelPlace& at, const std::string& clip_id) {
  const double left = at.left, top = at.top;
  const Axis x = d.x.spanning(left, left + kPlot);
  const Axis y = d.y.spanning(top + kPlot, top);
  doc.text(left + kPlot / 2, top - 14, xml_escape(panel.quantity),
           "font-size=\"14\" text-anchor=\"middle\"");
  draw_background(doc, d, x, y, clip_id);
  draw_groups(doc, input, panel, x, y);
  std::vector<std::string> notes = draw_models(doc, d, input, panel, x, y);
  doc.rect(left, top, kPlot, kPlot, "fill=\"none\" stroke=\"black\"");
  draw_axis_titles(doc, left, top, kPlot, kPlot, d.x_label, d.y_label, kAxisBand - 12, 58);
  return {top + kPlot + kAxisBand + 10, std::move(notes), panel.quantity};
}

std::string picture(const Diagram& d, const MeasurePlotInput& input, std::string_view id_prefix) {
  Figure figure(d.title, id_prefix, kLayout, input.panels.size());
  figure.draw_panels([&](std::size_t i, const PanelPlace& at) {
    return draw_panel(figure.doc(), d, input, input.panels[i], at,
                      at.id_prefix + "panel" + std::to_string(i));
  });
  std::vector<LegendItem> legend;
  for (std::size_t m = 0; m < input.models.size(); ++m) {
    legend.push_back({static_cast<int>(m), "", "", input.models[m] + ", all lines, 95% limits"});
  }
  legend.push_back({-1, std::string(kCurve), "", d.curve_label});
  legend.push_back({-1, std::string(kFactorLine), "", d.factor_label});
  legend.push_back({-1, "",
                    d.has_region() ? std::string(kRegionFill) : "fill=\"none\" stroke=\"none\"",
                    d.region_label});
  figure.legend(legend);
  figure.foot_centred(
      "Small markers: each arc (labelled with its distance in km) or group (labelled with its "
      "name), in the colour and shape of its model.");
  figure.foot_centred(
      "A value beyond the axes is drawn at the edge with an arrow pointing outwards.");
  return figure.finish();
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
  d.x = Axis::log(1 / b, b);
  if (b == 4) {
    d.x_ticks = {{0.25, "0.25"}, {0.5, "0.5"}, {1, "1"}, {2, "2"}, {4, "4"}};
  } else if (b == 10) {
    d.x_ticks = {{0.1, "0.1"}, {0.2, "0.2"}, {0.5, "0.5"}, {1, "1"},
                 {2, "2"},     {5, "5"},     {10, "10"}};
  } else {
    for (int k = b == 100 ? -2 : -3; k <= (b == 100 ? 2 : 3); ++k) {
      d.x_ticks.push_back({std::pow(10.0, k), plain_number(1, k)});
    }
  }
  double top = 10;
  std::vector<double> ys = axis_values(input, false);
  if (!std::isnan(input.region.y_upper)) ys.push_back(input.region.y_upper);
  for (double v : ys) {
    if (v > top) top = v <= 100 ? std::max(top, 100.0) : 1000;
  }
  d.y = Axis::log(1, top);
  if (top == 10) {
    d.y_ticks = {{1, "1"}, {2, "2"}, {5, "5"}, {10, "10"}};
  } else if (top == 100) {
    d.y_ticks = {{1, "1"}, {2, "2"}, {5, "5"}, {10, "10"}, {20, "20"}, {50, "50"}, {100, "100"}};
  } else {
    d.y_ticks = {{1, "1"}, {10, "10"}, {100, "100"}, {1000, "1000"}};
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
  d.x = Axis::linear(-2, 2);
  d.x_ticks = {{-2, "-2"},   {-1.5, "-1.5"}, {-1, "-1"},   {-0.5, "-0.5"}, {0, "0"},
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
  d.y = Axis::linear(0, top);
  const double tick = top <= 3 ? 0.5 : top <= 6 ? 1 : top <= 12 ? 2 : 5;
  for (double v = 0; v <= top + 1e-9; v += tick) d.y_ticks.push_back({v, short_number(v)});
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
