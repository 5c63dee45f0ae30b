// The MG-VG and FB-NMSE diagrams: per quantity one panel with each model's value
// over all lines (95% limits as bars in both directions), each group's value as a
// small labelled marker, the curve of the least spread a bias allows, the
// factor-of-two lines and the acceptance region of the judged criteria.
#include <algorithm>
#include <cmath>
#include <functional>
#include <tuple>

#include "evaluate/pictures/diagrams.h"
#include "evaluate/pictures/figure.h"
#include "evaluate/pictures/labels.h"

namespace evaluate {
namespace {

constexpr double kPlot = 390;
constexpr double kInset = 90;  // left of the plot: tick labels and the upright axis title
// Two columns fill 1000 px. The picture ends 10 px under the last foot line's baseline.
constexpr FigureLayout kLayout{2, kInset + kPlot + 10, kInset, 34, 2, -5};
constexpr double kAxisBand = 64;  // below the plot: tick labels and the axis title
constexpr double kModelHalf = 10;
constexpr double kGroupHalf = kMarkerHalf;
constexpr double kUnlabelledHalf = 0.6 * kMarkerHalf;  // the groups not named one by one
constexpr std::string_view kRegionFill = "fill=\"#dcebdc\" stroke=\"none\"";
constexpr std::string_view kCurve = "fill=\"none\" stroke=\"#333333\" stroke-width=\"1.3\"";
constexpr std::string_view kFactorLine =
    "stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6,4\"";

// A panel's axes and their ticks, fitted to its values.
struct PanelAxes {
  Axis x = Axis::linear(0, 1), y = Axis::linear(0, 1);
  std::vector<Tick> x_ticks, y_ticks;
};

struct Diagram {
  std::string title;
  std::string x_name, y_name;  // "MG", "VG"
  std::string x_label, y_label;
  std::function<double(double)> curve;  // the least y for an x
  std::string curve_label;
  std::vector<double> factor_lines;  // x values
  std::string factor_label;
  PanelAxes (*fit)(const MeasurePanel&, const AcceptanceRegion&) = nullptr;
  double region_x_lo = NAN, region_x_hi = NAN, region_y_hi = NAN;
  std::string region_label;

  bool has_region() const {
    return !std::isnan(region_x_lo) || !std::isnan(region_x_hi) || !std::isnan(region_y_hi);
  }
};

// The pixel of v on `axis`, kept `reach` px inside the frame so that a marker there
// lies wholly within it.
double inside(const Axis& axis, double v, double reach) {
  const double lo = std::min(axis.a(), axis.b()) + reach, hi = std::max(axis.a(), axis.b()) - reach;
  return std::clamp(axis.clamped(v), lo, hi);
}

// The marks of a panel: the points labels keep clear of and the labels wanted, the
// values beyond the axes first.
struct Marks {
  std::vector<LabelPoint> points;
  std::vector<LabelRequest> values, labels;

  std::size_t point(double x, double y, double half) {
    points.push_back({x, y, half});
    return points.size() - 1;
  }
};

// A point of `model` at (vx, vy): its marker where it lies, or, beyond an axis, an
// outward arrow at the edge with the marker behind it and the value written beside
// it. Returns the marker's point and the off-scale text ("" on the scale).
std::pair<std::size_t, std::string> draw_point(SvgDoc& doc, Marks& marks, int model, const Axis& x,
                                               const Axis& y, double vx, double vy, double half,
                                               std::string_view attrs, const Diagram& d) {
  const OffScale mark = off_scale(x, y, vx, vy, d.x_name, d.y_name);
  const double reach = 1.2 * half + 1;
  double px = inside(x, vx, reach), py = inside(y, vy, reach);
  if (mark.off) {
    draw_off_scale_arrow(doc, mark, model_colour(model));
    marks.point(mark.tip_x - 10 * mark.dx, mark.tip_y - 10 * mark.dy, 8);
    if (mark.dx != 0) px = mark.tip_x - mark.dx * (21 + reach);
    if (mark.dy != 0) py = mark.tip_y - mark.dy * (21 + reach);
  }
  doc.marker(model, px, py, half, attrs);
  return {marks.point(px, py, half), mark.text};
}

// A bar of 95% limits from lo to hi along one axis at `across`, capped at its ends,
// clear of the frame; an end beyond the axis stops at the edge with an outward
// arrowhead. Limits wholly beyond one edge draw no bar: one outward arrow with the
// limits written beside it.
void bar(SvgDoc& doc, Marks& marks, const Axis& along, const Interval& i, double across,
         bool horizontal, int model, std::string_view name) {
  if (std::isnan(i.lower) || std::isnan(i.upper)) return;
  const std::string colour(model_colour(model));
  const int s1 = along.side(i.lower), s2 = along.side(i.upper);
  auto at = [&](double p) { return horizontal ? std::pair{p, across} : std::pair{across, p}; };
  if (s1 != 0 && s1 == s2) {
    if (along.side(i.value) == s1) return;  // the value's own arrow stands for it
    OffScale mark;
    mark.off = true;
    const double dir = s1 * along.direction();
    std::tie(mark.tip_x, mark.tip_y) = at(along.clamped(i.lower) - dir * kEdgeGap);
    (horizontal ? mark.dx : mark.dy) = dir;
    draw_off_scale_arrow(doc, mark, colour);
    const std::size_t p = marks.point(mark.tip_x - 10 * mark.dx, mark.tip_y - 10 * mark.dy, 8);
    const std::string text =
        std::string(name) + " limits " + short_number(i.lower) + " to " + short_number(i.upper);
    marks.values.push_back({p, text, colour, text});
    return;
  }
  const double p1 = inside(along, i.lower, kEdgeGap), p2 = inside(along, i.upper, kEdgeGap);
  const std::string stroke = "stroke=\"" + colour + "\" stroke-width=\"1.6\"";
  const auto [x1, y1] = at(p1);
  const auto [x2, y2] = at(p2);
  doc.line(x1, y1, x2, y2, stroke);
  const double dir = along.direction();
  for (const auto& [p, side, sign] : {std::tuple{p1, s1, -dir}, std::tuple{p2, s2, dir}}) {
    const auto [ex, ey] = at(p);
    if (side != 0) {
      doc.arrow(ex, ey, horizontal ? sign : 0, horizontal ? 0 : sign, colour);
    } else if (horizontal) {
      doc.line(ex, ey - 6, ex, ey + 6, stroke);
    } else {
      doc.line(ex - 6, ey, ex + 6, ey, stroke);
    }
  }
}

// The acceptance region and the factor-of-two lines and the curve of the least
// spread, clipped to the frame by `clip_id`.
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

bool model_known(const MeasurePlotInput& input, int model) {
  return model >= 0 && static_cast<std::size_t>(model) < input.models.size();
}

// The groups beyond those named one by one: smaller, lighter markers under the rest,
// unlabelled; a value beyond an axis at the edge behind its outward arrow.
// Returns the note of a subsample, if any.
std::string draw_unlabelled_groups(SvgDoc& doc, const Diagram& d, const MeasurePlotInput& input,
                                   const MeasurePanel& panel, const Axis& x, const Axis& y) {
  bool any = false;
  std::size_t unlabelled = 0;
  const std::vector<bool> drawn = drawn_points(panel.groups, unlabelled);
  for (std::size_t i = 0; i < panel.groups.size(); ++i) {
    const GroupMeasurePoint& g = panel.groups[i];
    if (g.labelled || !drawn[i] || !model_known(input, g.model) || std::isnan(g.x) ||
        std::isnan(g.y)) {
      continue;
    }
    if (!any) doc.add("<g fill=\"none\" stroke-width=\"1\" stroke-opacity=\"0.5\">");
    any = true;
    const OffScale mark = off_scale(x, y, g.x, g.y, d.x_name, d.y_name);
    const double reach = 1.2 * kUnlabelledHalf + 1;
    double px = inside(x, g.x, reach), py = inside(y, g.y, reach);
    if (mark.off) {
      draw_off_scale_arrow(doc, mark, model_colour(g.model));
      if (mark.dx != 0) px = mark.tip_x - mark.dx * (21 + reach);
      if (mark.dy != 0) py = mark.tip_y - mark.dy * (21 + reach);
    }
    doc.marker(g.model, px, py, kUnlabelledHalf);
  }
  if (any) doc.add("</g>");
  return thinned_note(unlabelled);
}

// Each group's value: a small open marker, labelled. Returns the note of a subsample
// of the unlabelled ones, if any.
std::string draw_groups(SvgDoc& doc, Marks& marks, const Diagram& d, const MeasurePlotInput& input,
                        const MeasurePanel& panel, const Axis& x, const Axis& y) {
  std::string note = draw_unlabelled_groups(doc, d, input, panel, x, y);
  doc.add("<g fill=\"none\" stroke-width=\"1.6\">");
  for (const GroupMeasurePoint& g : panel.groups) {
    if (!g.labelled || !model_known(input, g.model) || std::isnan(g.x) || std::isnan(g.y)) continue;
    const auto [point, off] = draw_point(doc, marks, g.model, x, y, g.x, g.y, kGroupHalf, {}, d);
    const std::string& model = input.models[static_cast<std::size_t>(g.model)];
    const std::string text = off.empty() ? g.label : g.label + ": " + off;
    marks.labels.push_back(
        {point, text, std::string(model_colour(g.model)), text + " (" + model + ")"});
  }
  doc.add("</g>");
  return note;
}

std::string limits_text(const Interval& i) {
  return std::isnan(i.lower) ? std::string(" (no limits)")
                             : " (" + short_number(i.lower) + " to " + short_number(i.upper) + ")";
}

// Each model's value over all lines: bars of the limits, then the marker; a note
// each, with the values and limits.
std::vector<std::string> draw_models(SvgDoc& doc, Marks& marks, const Diagram& d,
                                     const MeasurePlotInput& input, const MeasurePanel& panel,
                                     const Axis& x, const Axis& y) {
  std::vector<std::string> notes;
  for (const ModelMeasurePoint& m : panel.models) {
    if (!model_known(input, m.model)) continue;
    const std::string& name = input.models[static_cast<std::size_t>(m.model)];
    if (std::isnan(m.x.value) || std::isnan(m.y.value)) {
      notes.push_back(name + ": " + d.x_name + " " + short_number(m.x.value) + ", " + d.y_name +
                      " " + short_number(m.y.value) + " (not drawn: not formed)");
      continue;
    }
    const double reach = 1.2 * kModelHalf + 1;
    // Where the marker goes: on the scale, or behind its off-scale arrow.
    const OffScale mark = off_scale(x, y, m.x.value, m.y.value, d.x_name, d.y_name);
    const double bx =
        mark.dx != 0 ? mark.tip_x - mark.dx * (21 + reach) : inside(x, m.x.value, reach);
    const double by =
        mark.dy != 0 ? mark.tip_y - mark.dy * (21 + reach) : inside(y, m.y.value, reach);
    bar(doc, marks, x, m.x, by, true, m.model, d.x_name);
    bar(doc, marks, y, m.y, bx, false, m.model, d.y_name);
    const auto [point, off] =
        draw_point(doc, marks, m.model, x, y, m.x.value, m.y.value, kModelHalf,
                   "fill=\"white\" fill-opacity=\"0.7\" "
                   "stroke-width=\"2.2\"",
                   d);
    if (!off.empty()) {
      marks.values.push_back({point, off, std::string(model_colour(m.model)), name + " " + off});
    }
    notes.push_back(name + ": " + d.x_name + " " + short_number(m.x.value) + limits_text(m.x) +
                    ", " + d.y_name + " " + short_number(m.y.value) + limits_text(m.y));
  }
  return notes;
}

PanelNotes draw_panel(SvgDoc& doc, const Diagram& d, const MeasurePlotInput& input,
                      const MeasurePanel& panel, const PanelPlace& at, const std::string& clip_id) {
  const double left = at.left, top = at.top;
  const PanelAxes axes = d.fit(panel, input.region);
  const Axis x = axes.x.spanning(left, left + kPlot);
  const Axis y = axes.y.spanning(top + kPlot, top);
  doc.text(left + kPlot / 2, top - 12, xml_escape(panel.quantity),
           "font-size=\"" + num(kLabelFont) + "\" font-weight=\"bold\" text-anchor=\"middle\"");
  draw_ticks(doc, x, axes.x_ticks, false, top + kPlot, top);
  draw_ticks(doc, y, axes.y_ticks, true, left, left + kPlot);
  open_plot(doc, left, top, kPlot, kPlot);
  draw_background(doc, d, x, y, clip_id);
  Marks marks;
  const std::string thinned = draw_groups(doc, marks, d, input, panel, x, y);
  std::vector<std::string> notes = draw_models(doc, marks, d, input, panel, x, y);
  if (!thinned.empty()) notes.push_back(thinned);
  std::vector<LabelRequest> requests = std::move(marks.values);
  requests.insert(requests.end(), marks.labels.begin(), marks.labels.end());
  const std::vector<PlacedLabel> placed =
      place_labels({{left, top, left + kPlot, top + kPlot}, {}}, marks.points, requests);
  draw_labels(doc, requests, placed);
  close_plot(doc);
  doc.rect(left, top, kPlot, kPlot, "fill=\"none\" stroke=\"black\"");
  draw_axis_titles(doc, left, top, kPlot, kPlot, d.x_label, d.y_label, kAxisBand - 12, kInset - 18);
  if (std::string key = label_key(requests, placed); !key.empty()) notes.push_back(std::move(key));
  return {top + kPlot + kAxisBand + 12, std::move(notes), panel.quantity};
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
  figure.foot_wrapped(
      "Small markers: each arc (labelled with its distance in km) or group (labelled with its "
      "name), in the colour and shape of its model; where no room is left beside a marker, a "
      "line leads to its label, or the marker is numbered and the numbers are listed in the "
      "panel's notes. Each panel's axes hold every model's value with its limits and the group "
      "values "
      "near them; a value beyond the axes is drawn at the edge with an arrow pointing outwards "
      "and written beside it.");
  std::size_t unlabelled = 0;
  for (const MeasurePanel& panel : input.panels) {
    for (const GroupMeasurePoint& g : panel.groups) unlabelled += g.labelled ? 0 : 1;
  }
  if (unlabelled > 0) figure.foot_wrapped(unlabelled_note());
  return figure.finish();
}

// The values and limits of the models and the region's bounds on one axis (the core
// of the axis), and the group values on it.
struct AxisValues {
  std::vector<double> core, groups;
};

AxisValues axis_values(const MeasurePanel& panel, bool x_axis, const AcceptanceRegion& region,
                       bool positive) {
  AxisValues out;
  auto usable = [&](double v) { return std::isfinite(v) && (!positive || v > 0); };
  for (const ModelMeasurePoint& m : panel.models) {
    const Interval& i = x_axis ? m.x : m.y;
    for (double v : {i.value, i.lower, i.upper}) {
      if (usable(v)) out.core.push_back(v);
    }
  }
  const std::vector<double> bounds = x_axis ? std::vector<double>{region.x_lower, region.x_upper}
                                            : std::vector<double>{region.y_upper};
  for (double v : bounds) {
    if (usable(v)) out.core.push_back(v);
  }
  for (const GroupMeasurePoint& g : panel.groups) {
    const double v = x_axis ? g.x : g.y;
    if (usable(v)) out.groups.push_back(v);
  }
  return out;
}

// The core values with the group values that lie within the core's range widened by
// `widen` (a factor on a log axis, a multiple of its width on a linear one).
std::vector<double> held(const AxisValues& values, bool log, double widen) {
  std::vector<double> out = values.core;
  if (values.core.empty()) {
    out = values.groups;
    return out;
  }
  const auto [lo, hi] = std::minmax_element(values.core.begin(), values.core.end());
  const double from = log ? *lo / widen : *lo - widen * (*hi - *lo);
  const double to = log ? *hi * widen : *hi + widen * (*hi - *lo);
  for (double v : values.groups) {
    if (v >= from && v <= to) out.push_back(v);
  }
  return out;
}

// 10^k as a tick label: plain within 10^-3..10^3, else "10⁴", "10⁻⁴".
std::string decade_label(int k) {
  if (k >= -3 && k <= 3) return plain_number(1, k);
  const std::string text = short_number(std::pow(10.0, k));  // "1×10⁴"
  return text.substr(text.find("10"));
}

// The nice value (1, 1.5, 2, 2.5, 3, 4, 5, 6 or 8 times a power of ten) nearest to v
// at or below it (`down`) or at or above it.
double nice_log_end(double v, bool down) {
  constexpr double kMantissas[] = {1, 1.5, 2, 2.5, 3, 4, 5, 6, 8, 10};
  const double p = std::pow(10.0, std::floor(std::log10(v)));
  if (down) {
    for (int i = 9; i >= 0; --i) {
      if (kMantissas[i] * p <= v * (1 + 1e-12)) return kMantissas[i] * p;
    }
    return p / 10 * 8;
  }
  for (double m : kMantissas) {
    if (m * p >= v * (1 - 1e-12)) return m * p;
  }
  return p * 10;
}

// The ticks of a log axis from lo to hi (nice values): its ends, then 1 and the
// decades, then 2 and 5 times them, each where its label (at the tick labels' size)
// keeps 8 px clear of every label taken; decades written "10⁴" beyond 10^±3.
std::vector<Tick> log_ticks(const Axis& axis, bool vertical) {
  std::vector<double> wanted = {axis.lo(), axis.hi()};
  const int k0 = static_cast<int>(std::floor(std::log10(axis.lo()))) - 1;
  const int k1 = static_cast<int>(std::ceil(std::log10(axis.hi()))) + 1;
  for (double d : {1.0, 2.0, 5.0}) {
    for (int k = k0; k <= k1; ++k) wanted.push_back(d * std::pow(10.0, k));
  }
  auto label = [](double v) {
    const double k = std::log10(v);
    return std::abs(k - std::round(k)) < 1e-9 ? decade_label(static_cast<int>(std::lround(k)))
                                              : short_number(v);
  };
  auto room = [&](const std::string& a, const std::string& b) {
    return 8 +
           (vertical ? kLabelFont : (label_width(a, kLabelFont) + label_width(b, kLabelFont)) / 2);
  };
  std::vector<Tick> ticks;
  for (double v : wanted) {
    if (axis.side(v) != 0) continue;
    const std::string text = label(v);
    const bool clear = std::none_of(ticks.begin(), ticks.end(), [&](const Tick& t) {
      return std::abs(axis.fraction(t.value) - axis.fraction(v)) * kPlot < room(t.label, text);
    });
    if (clear) ticks.push_back({v, text});
  }
  std::sort(ticks.begin(), ticks.end(),
            [](const Tick& a, const Tick& b) { return a.value < b.value; });
  return ticks;
}

PanelAxes fit_mg_vg(const MeasurePanel& panel, const AcceptanceRegion& region) {
  PanelAxes axes;
  // MG over every value kept and the factor-of-two lines, a tenth wider, out to nice
  // values; within 10^-4..10^4, beyond which values are off the scale.
  std::vector<double> xs = held(axis_values(panel, true, region, true), true, 10);
  xs.insert(xs.end(), {0.5, 2.0});
  const auto [x_lo, x_hi] = std::minmax_element(xs.begin(), xs.end());
  axes.x = Axis::log(nice_log_end(std::max(*x_lo / 1.1, 1e-4), true),
                     nice_log_end(std::min(*x_hi * 1.1, 1e4), false));
  axes.x_ticks = log_ticks(axes.x, false);
  // VG from 1 to over every value kept and the region's bound, likewise (at most 10^8).
  double need = 2;
  for (double v : held(axis_values(panel, false, region, true), true, 10)) need = std::max(need, v);
  axes.y = Axis::log(1, nice_log_end(std::min(need * 1.1, 1e8), false));
  axes.y_ticks = log_ticks(axes.y, true);
  return axes;
}

// The least of 1, 1.2, 1.5, 2, 2.5, 3, 4, 5, 6, 8 times a power of ten at or above
// `need`, and a tick step of 1, 2, 5 (else 2.5) times a power of ten that divides it
// into at most 8 steps.
std::pair<double, double> nice_top(double need) {
  constexpr double kMantissas[] = {1, 1.2, 1.5, 2, 2.5, 3, 4, 5, 6, 8};
  double top = need;
  for (double p = 1e-3; p < 1e13; p *= 10) {
    const auto m = std::find_if(std::begin(kMantissas), std::end(kMantissas),
                                [&](double x) { return x * p >= need * (1 - 1e-12); });
    if (m != std::end(kMantissas)) {
      top = *m * p;
      break;
    }
  }
  // Steps of 1, 2 or 5 times a power of ten first, then of 2.5.
  for (const auto& mantissas : {std::vector<double>{1, 2, 5}, std::vector<double>{2.5}}) {
    for (double p = 1e-4; p < 1e13; p *= 10) {
      for (double s : mantissas) {
        const double n = top / (s * p);
        if (n <= 8 + 1e-9 && std::abs(n - std::round(n)) < 1e-9) return {top, s * p};
      }
    }
  }
  return {top, top / 4};
}

PanelAxes fit_fb_nmse(const MeasurePanel& panel, const AcceptanceRegion& region) {
  PanelAxes axes;
  // FB from -h to h, h the least of 1, 1.5 and 2 (FB lies within 2) that holds every
  // value kept and the factor-of-two lines.
  double reach = 2.0 / 3.0;
  for (double v : held(axis_values(panel, true, region, false), false, 1)) {
    reach = std::max(reach, std::abs(v));
  }
  const double h = reach * 1.05 <= 1 ? 1 : reach * 1.05 <= 1.5 ? 1.5 : 2;
  axes.x = Axis::linear(-h, h);
  for (double v = -h; v <= h + 1e-9; v += 0.5) axes.x_ticks.push_back({v, short_number(v)});
  // NMSE from 0 to the least nice top that holds every value kept, at least 2.
  double need = 2;
  for (double v : held(axis_values(panel, false, region, false), false, 1)) {
    need = std::max(need, v);
  }
  const auto [top, step] = nice_top(need);
  axes.y = Axis::linear(0, top);
  for (int i = 0; i * step <= top * (1 + 1e-9); ++i) {
    axes.y_ticks.push_back({i * step, short_number(i * step)});
  }
  return axes;
}

std::string criteria_label(const MeasurePlotInput& input, const std::string& bounds) {
  const std::string name = input.criteria.empty() ? std::string("the") : input.criteria;
  if (bounds.empty()) return "no region: neither measure judged (" + name + " criteria)";
  return "acceptance region, " + name + " criteria: " + bounds;
}

}  // namespace

std::string mg_vg_svg(const MeasurePlotInput& input, std::string_view id_prefix) {
  Diagram d;
  d.title = "MG–VG diagram: geometric mean bias and geometric variance";
  d.x_name = "MG";
  d.y_name = "VG";
  d.x_label = "MG, geometric mean bias (above 1: underprediction)";
  d.y_label = "VG, geometric variance";
  d.curve = [](double mg) { return std::exp(std::log(mg) * std::log(mg)); };
  d.curve_label = "VG = exp((ln MG)²), the least VG for an MG";
  d.factor_lines = {0.5, 2.0};
  d.factor_label = "MG = 0.5 and 2 (factor of two)";
  d.fit = fit_mg_vg;
  d.region_x_lo = input.region.x_lower;
  d.region_x_hi = input.region.x_upper;
  d.region_y_hi = input.region.y_upper;
  std::string bounds;
  if (!std::isnan(d.region_x_lo) || !std::isnan(d.region_x_hi)) {
    bounds = short_number(d.region_x_lo) + " ≤ MG ≤ " + short_number(d.region_x_hi);
  }
  if (!std::isnan(d.region_y_hi)) {
    bounds += (bounds.empty() ? "" : ", ") + std::string("VG ≤ ") + short_number(d.region_y_hi);
  }
  d.region_label = criteria_label(input, bounds);
  return picture(d, input, id_prefix);
}

std::string fb_nmse_svg(const MeasurePlotInput& input, std::string_view id_prefix) {
  Diagram d;
  d.title = "FB–NMSE diagram: fractional bias and normalised mean square error";
  d.x_name = "FB";
  d.y_name = "NMSE";
  d.x_label = "FB, fractional bias (positive: underprediction)";
  d.y_label = "NMSE, normalised mean square error";
  d.curve = [](double fb) { return 4 * fb * fb / (4 - fb * fb); };
  d.curve_label = "NMSE = 4 FB² / (4 − FB²), the least NMSE for an FB";
  d.factor_lines = {-2.0 / 3.0, 2.0 / 3.0};
  d.factor_label = "FB = −2/3 and 2/3 (factor of two in the means)";
  d.fit = fit_fb_nmse;
  d.region_x_hi = input.region.x_upper;
  d.region_x_lo = std::isnan(input.region.x_lower) ? -input.region.x_upper : input.region.x_lower;
  d.region_y_hi = input.region.y_upper;
  std::string bounds;
  if (!std::isnan(d.region_x_hi)) bounds = "|FB| ≤ " + short_number(d.region_x_hi);
  if (!std::isnan(d.region_y_hi)) {
    bounds += (bounds.empty() ? "" : ", ") + std::string("NMSE ≤ ") + short_number(d.region_y_hi);
  }
  d.region_label = criteria_label(input, bounds);
  return picture(d, input, id_prefix);
}

}  // namespace evaluate
