// The Taylor and target diagrams: per quantity one panel with each model's point
// over all lines (a large marker) and each group's (a small labelled marker).
// The Taylor panel draws its own polar axes: standard-deviation ratio as the radius,
// correlation as the angle, the observations' reference point at radius 1 and arcs
// of equal centred RMS error around it. The target panel plots the signed centred
// RMS error against the mean bias, both scaled by the observations' standard
// deviation or, with a measurement uncertainty, by beta RMS_U.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <functional>
#include <numbers>

#include "evaluate/pictures/diagrams.h"
#include "evaluate/pictures/figure.h"

namespace evaluate {

namespace {

// R within [-1, 1], a rounding beyond taken back; NaN when not formed or far beyond.
double correlation_of(double r) {
  return std::abs(r) <= 1 + 1e-9 ? std::clamp(r, -1.0, 1.0) : NAN;
}

}  // namespace

TaylorPlace taylor_place(const SkillPoint& p) {
  const double r = correlation_of(p.r);
  if (!(p.sd_o > 0) || !(p.sd_p > 0) || !std::isfinite(p.sd_o) || !std::isfinite(p.sd_p) ||
      std::isnan(r)) {
    return {};
  }
  const double sdr = p.sd_p / p.sd_o;
  const double crmse2 = 1 + sdr * sdr - 2 * sdr * r;
  return {sdr * r, sdr * std::sqrt(1 - r * r), std::sqrt(std::max(0.0, crmse2))};
}

bool taylor_two_quadrants(const SkillPlotInput& input) {
  for (const SkillPanel& panel : input.panels) {
    for (const auto* points : {&panel.models, &panel.groups}) {
      for (const SkillPoint& p : *points) {
        if (std::isfinite(taylor_place(p).x) && p.r < 0) return true;
      }
    }
  }
  return false;
}

TargetPlace target_place(const SkillPoint& p) {
  const double mb = p.mean_p - p.mean_o;
  if (std::isnan(p.beta_rms_u)) {
    if (!(p.sd_o > 0) || !std::isfinite(mb) || !std::isfinite(p.sd_p)) return {};
    const TaylorPlace t = taylor_place(p);
    // With sd_p = 0 the centred error is sd_o itself, whatever R.
    const double crmse = p.sd_p > 0 ? t.crmse : 1.0;
    if (std::isnan(crmse)) return {};
    return {p.sd_p > p.sd_o ? crmse : -crmse, mb / p.sd_o};
  }
  if (!(p.beta_rms_u > 0) || !std::isfinite(p.beta_rms_u) || !std::isfinite(mb) || !(p.sd_o >= 0) ||
      !(p.sd_p >= 0)) {
    return {};
  }
  // Without spread on either side, R is not formed and not needed.
  const bool both_spread = p.sd_o > 0 && p.sd_p > 0;
  const double r = both_spread ? correlation_of(p.r) : 0.0;
  if (std::isnan(r)) return {};
  const double crmse =
      std::sqrt(std::max(0.0, p.sd_o * p.sd_o + p.sd_p * p.sd_p - 2 * p.sd_o * p.sd_p * r));
  // |sd_p - sd_o| / (sd_o sqrt(2 (1 - R))); 0/0 (no centred error at all) counts as +.
  const double ratio = std::abs(p.sd_p - p.sd_o) / (p.sd_o * std::sqrt(2 * (1 - r)));
  const bool positive = !(ratio < 1);
  return {(positive ? crmse : -crmse) / p.beta_rms_u, mb / p.beta_rms_u};
}

namespace {

constexpr double kPlot = 380;     // a quadrant's radius, a target panel's side
constexpr double kAxisBand = 58;  // below the plot: tick labels and the axis title
constexpr double kInside = 10;    // an off-scale point is drawn this far inside the edge
constexpr std::string_view kRayAttrs = "stroke=\"#bbbbbb\" stroke-width=\"0.8\"";
constexpr std::string_view kArcAttrs =
    "fill=\"none\" stroke=\"#bbbbbb\" stroke-width=\"0.8\" stroke-dasharray=\"2,3\"";
constexpr std::string_view kCrmseAttrs =
    "fill=\"none\" stroke=\"#6aa06a\" stroke-width=\"0.9\" stroke-dasharray=\"5,3\"";
constexpr std::string_view kUnitAttrs = "fill=\"none\" stroke=\"#333333\" stroke-width=\"1.3\"";
constexpr std::string_view kMetFill = "fill=\"#dcebdc\" stroke=\"#333333\" stroke-width=\"1.3\"";
constexpr std::string_view kInnerAttrs =
    "fill=\"none\" stroke=\"#333333\" stroke-width=\"1.1\" stroke-dasharray=\"6,4\"";
constexpr std::string_view kModelAttrs = "fill=\"white\" fill-opacity=\"0.7\" stroke-width=\"2\"";

std::string circle(double cx, double cy, double r, std::string_view attrs) {
  return "<circle cx=\"" + num(cx) + "\" cy=\"" + num(cy) + "\" r=\"" + num(r) + "\" " +
         std::string(attrs) + "/>";
}

// The least of `steps` that holds `need`, else the last.
double least_step(double need, std::initializer_list<double> steps) {
  for (double s : steps) {
    if (need <= s * (1 + 1e-12)) return s;
  }
  return *(steps.end() - 1);
}

// How far out a scale must reach: at least `least`, every model's point over all
// lines, and every group's point up to twice the models' reach.
double scale_need(const SkillPlotInput& input, double least,
                  const std::function<double(const SkillPoint&)>& reach) {
  double models = least;
  for (const SkillPanel& panel : input.panels) {
    for (const SkillPoint& p : panel.models) models = std::max(models, reach(p));
  }
  double need = models;
  for (const SkillPanel& panel : input.panels) {
    for (const SkillPoint& p : panel.groups) {
      if (reach(p) <= 2 * models) need = std::max(need, reach(p));
    }
  }
  return need;
}

bool model_known(const SkillPlotInput& input, int model) {
  return model >= 0 && static_cast<std::size_t>(model) < input.models.size();
}

std::string group_name(const SkillPlotInput& input, const SkillPoint& p) {
  const std::string& name = input.models[static_cast<std::size_t>(p.model)];
  return p.label.empty() ? name : name + " " + p.label;
}

void group_label(SvgDoc& doc, double x, double y, const SkillPoint& p, bool left_of) {
  doc.text(x + (left_of ? -5 : 5), y - 3, xml_escape(p.label),
           "font-size=\"9\" fill=\"" + std::string(model_colour(p.model)) + "\"" +
               (left_of ? " text-anchor=\"end\"" : ""));
}

// The legend and foot of both diagrams, then the document.
std::string finish_picture(Figure& figure, const SkillPlotInput& input,
                           std::vector<LegendItem> extra, std::string_view foot) {
  std::vector<LegendItem> legend;
  for (std::size_t m = 0; m < input.models.size(); ++m) {
    legend.push_back({static_cast<int>(m), "", "", input.models[m] + ", all lines"});
  }
  for (LegendItem& item : extra) legend.push_back(std::move(item));
  figure.legend(legend);
  figure.foot_centred(
      "Small markers: each arc (labelled with its distance in km) or group (labelled with its "
      "name), in the colour and shape of its model.");
  figure.foot_wrapped(foot);
  return figure.finish();
}

// ---- Taylor ----

struct Polar {
  double ox, oy;  // the origin's pixel
  double scale;   // px per unit of SDR
  double rmax;    // the rim's SDR
  bool two;       // both quadrants
  double px(double x) const { return ox + x * scale; }
  double py(double y) const { return oy - y * scale; }
};

// The SDR at the rim: the least step holding every model's point over all lines and
// every group's point up to twice as far out (beyond 5: on the rim); a group's point
// beyond the rim is drawn on it.
double taylor_rim(const SkillPlotInput& input) {
  auto reach = [](const SkillPoint& p) {
    const TaylorPlace t = taylor_place(p);
    return std::isfinite(t.x) ? std::hypot(t.x, t.y) : 0.0;
  };
  return least_step(scale_need(input, 1.25, reach), {1.5, 2.0, 2.5, 3.0, 4.0, 5.0});
}

// The pixel of a place, pulled onto the rim when beyond it; whether it was.
struct Pixel {
  double x, y;
  bool beyond;
};
Pixel polar_pixel(const Polar& at, const TaylorPlace& t) {
  const double radius = std::hypot(t.x, t.y);
  const double limit = at.rmax - kInside / at.scale;
  const double f = radius > limit ? limit / radius : 1.0;
  return {at.px(t.x * f), at.py(t.y * f), radius > at.rmax};
}

// The sector's outline: the rim arc and the base line(s) through the origin.
std::string sector_path(const Polar& at) {
  const double r = at.rmax * at.scale;
  std::string path;
  auto point = [&](char command, double x, double y) {
    path += command;
    path += num(x);
    path += ',';
    path += num(y);
  };
  if (!at.two) point('M', at.ox, at.oy);
  point(at.two ? 'M' : 'L', at.ox + r, at.oy);
  point('A', r, r);
  path += " 0 0 0 ";
  path += num(at.two ? at.ox - r : at.ox);
  path += ',';
  path += num(at.two ? at.oy : at.oy - r);
  path += 'Z';
  return path;
}

// Arcs of equal SDR with their ticks and labels along the base line(s).
void draw_sdr_scale(SvgDoc& doc, const Polar& at) {
  const double step = at.rmax <= 1.5 ? 0.25 : at.rmax <= 3 ? 0.5 : 1.0;
  const std::string label_attrs = "font-size=\"11\" text-anchor=\"middle\"";
  for (double v = step; v <= at.rmax + 1e-9; v += step) {
    const double r = v * at.scale;
    const double start = at.two ? at.ox - r : at.ox;
    const std::string end =
        at.two ? num(at.ox - r) + "," + num(at.oy) : num(at.ox) + "," + num(at.oy - r);
    doc.add("<path d=\"M" + num(at.ox + r) + "," + num(at.oy) + "A" + num(r) + "," + num(r) +
            " 0 0 0 " + end + "\" " + std::string(v == 1.0 ? kUnitAttrs : kArcAttrs) + "/>");
    doc.text(at.ox + r, at.oy + 16, short_number(v), label_attrs);
    if (at.two) {
      doc.text(start, at.oy + 16, short_number(v), label_attrs);
    } else {
      doc.text(at.ox - 6, at.oy - r + 4, short_number(v), "font-size=\"11\" text-anchor=\"end\"");
    }
  }
  doc.text(at.ox, at.oy + 16, "0", label_attrs);
}

// Correlation rays from the origin to the rim, labelled outside it.
void draw_correlation_rays(SvgDoc& doc, const Polar& at) {
  std::vector<double> rs = {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 0.95, 0.99};
  if (at.two) {
    for (std::size_t i = 1, n = rs.size(); i < n; ++i) rs.push_back(-rs[i]);
  }
  const double r = at.rmax * at.scale;
  for (double c : rs) {
    const double s = std::sqrt(1 - c * c);
    doc.line(at.ox, at.oy, at.ox + c * r, at.oy - s * r, kRayAttrs);
    const double lx = at.ox + c * (r + 16), ly = at.oy - s * (r + 16) + 4;
    doc.text(lx, ly, short_number(c), "font-size=\"10\" text-anchor=\"middle\" fill=\"#555555\"");
  }
  // The angle's title outside the rim, between the rays of 0.6 and 0.7.
  const double a = std::acos(0.65), tr = r + 36;
  const double deg = -(a * 180 / std::numbers::pi) + 90;
  doc.add("<text x=\"" + num(at.ox + std::cos(a) * tr) + "\" y=\"" + num(at.oy - std::sin(a) * tr) +
          "\" transform=\"rotate(" + num(deg) + " " + num(at.ox + std::cos(a) * tr) + " " +
          num(at.oy - std::sin(a) * tr) +
          ")\" font-size=\"12\" text-anchor=\"middle\">correlation R</text>");
}

// Arcs of equal CRMSE/sd_o around the reference point, clipped to the sector, each
// labelled where its upper left part lies inside it.
void draw_crmse_arcs(SvgDoc& doc, const Polar& at, const std::string& clip_id) {
  const double step = at.rmax <= 1.5 ? 0.25 : 0.5;
  doc.add("<clipPath id=\"" + clip_id + "\"><path d=\"" + sector_path(at) + "\"/></clipPath>");
  doc.add("<g clip-path=\"url(#" + clip_id + ")\">");
  for (double c = step; c <= at.rmax + 1 + 1e-9; c += step) {
    doc.add(circle(at.px(1), at.py(0), c * at.scale, kCrmseAttrs));
  }
  doc.add("</g>");
  for (double c = step; c <= at.rmax + 1e-9; c += step) {
    for (double deg : {90.0, 110.0, 70.0, 130.0, 150.0}) {
      const double a = deg * std::numbers::pi / 180;
      const double x = 1 + c * std::cos(a), y = c * std::sin(a);
      if (std::hypot(x, y) > at.rmax * 0.93 || (!at.two && x < 0.05) || y < 0.05) continue;
      doc.text(at.px(x), at.py(y), short_number(c),
               "font-size=\"10\" text-anchor=\"middle\" fill=\"#4a8a4a\"");
      break;
    }
  }
}

// The group points (small, labelled), then the models' (large); notes of the points
// left out and of those on the rim.
std::vector<std::string> draw_taylor_points(SvgDoc& doc, const SkillPlotInput& input,
                                            const SkillPanel& panel, const Polar& at) {
  std::vector<std::string> notes, left_out, rim;
  doc.add("<g fill=\"none\" stroke-width=\"1.1\">");
  for (const SkillPoint& p : panel.groups) {
    if (!model_known(input, p.model)) continue;
    const TaylorPlace t = taylor_place(p);
    if (std::isnan(t.x)) {
      left_out.push_back(group_name(input, p));
      continue;
    }
    const Pixel px = polar_pixel(at, t);
    if (px.beyond) rim.push_back(group_name(input, p));
    doc.marker(p.model, px.x, px.y, 2.8);
    group_label(doc, px.x, px.y, p, px.x > at.ox + at.rmax * at.scale - 40);
  }
  doc.add("</g>");
  for (const SkillPoint& p : panel.models) {
    if (!model_known(input, p.model)) continue;
    const std::string& name = input.models[static_cast<std::size_t>(p.model)];
    const TaylorPlace t = taylor_place(p);
    if (std::isnan(t.x)) {
      notes.push_back(name + ": not drawn, SDR or R not formed (a standard deviation is 0)");
      continue;
    }
    const Pixel px = polar_pixel(at, t);
    if (px.beyond) rim.push_back(name);
    doc.marker(p.model, px.x, px.y, 5.5, kModelAttrs);
    notes.push_back(name + ": SDR " + short_number(p.sd_p / p.sd_o) + ", R " + short_number(p.r) +
                    ", CRMSE/σo " + short_number(t.crmse));
  }
  if (!left_out.empty()) {
    std::string n = "Groups not drawn (SDR or R not formed):";
    for (const std::string& g : left_out) n += " " + g + ",";
    notes.push_back(n.substr(0, n.size() - 1) + ".");
  }
  if (!rim.empty()) {
    std::string n = "Drawn on the rim (SDR beyond " + short_number(at.rmax) + "):";
    for (const std::string& g : rim) n += " " + g + ",";
    notes.push_back(n.substr(0, n.size() - 1) + ".");
  }
  return notes;
}

PanelNotes draw_taylor_panel(SvgDoc& doc, const SkillPlotInput& input, const SkillPanel& panel,
                             const PanelPlace& place, bool two, double rmax, std::size_t i) {
  const Polar at{place.left + (two ? kPlot : 0), place.top + kPlot, kPlot / rmax, rmax, two};
  doc.text(place.left + (two ? kPlot : kPlot / 2), place.top - 34, xml_escape(panel.quantity),
           "font-size=\"14\" text-anchor=\"middle\"");
  draw_correlation_rays(doc, at);
  draw_sdr_scale(doc, at);
  draw_crmse_arcs(doc, at, place.id_prefix + "panel" + std::to_string(i));
  doc.add("<path d=\"" + sector_path(at) + "\" fill=\"none\" stroke=\"black\"/>");
  // The reference point: the observations themselves.
  doc.add(circle(at.px(1), at.py(0), 4.5, "fill=\"black\""));
  doc.text(at.px(1) + 6, at.py(0) - 6, "observed", "font-size=\"10\"");
  std::vector<std::string> notes = draw_taylor_points(doc, input, panel, at);
  doc.text(at.ox + (two ? 0 : kPlot / 2), at.oy + 36, "SDR = σp/σo, standard deviation ratio",
           "font-size=\"13\" text-anchor=\"middle\"");
  return {place.top + kPlot + kAxisBand + 10, std::move(notes), panel.quantity};
}

// ---- Target ----

struct TargetFrame {
  Axis x = Axis::linear(-1, 1), y = Axis::linear(-1, 1);
  double half = 1;  // the axes' half-range
};

// The half-range of the target axes: the least step holding every model's point over
// all lines and every group's point up to twice as far out (beyond 10: at the edge);
// a group's point beyond the axes is drawn at the edge.
double target_half(const SkillPlotInput& input) {
  auto reach = [](const SkillPoint& p) {
    const TargetPlace t = target_place(p);
    return std::isfinite(t.x) ? std::max(std::abs(t.x), std::abs(t.y)) : 0.0;
  };
  return least_step(scale_need(input, 1.2, reach), {1.5, 2.0, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0});
}

double edge_pixel(const Axis& axis, double v) {
  return axis.clamped(v) - axis.side(v) * axis.direction() * kInside;
}

void draw_target_background(SvgDoc& doc, const SkillPanel& panel, const TargetFrame& f) {
  const double cx = f.x.at(0), cy = f.y.at(0), unit = f.x.at(1) - cx;
  const bool objective = !std::isnan(panel.beta);
  std::vector<Tick> ticks;
  const double step = f.half <= 2 ? 0.5 : f.half <= 5 ? 1 : 2;
  for (double v = -f.half; v <= f.half + 1e-9; v += step) ticks.push_back({v, short_number(v)});
  doc.add(circle(cx, cy, unit, objective ? kMetFill : kUnitAttrs));
  draw_ticks(doc, f.x, ticks, false, f.y.a(), f.y.b());
  draw_ticks(doc, f.y, ticks, true, f.x.a(), f.x.b());
  doc.line(cx, f.y.a(), cx, f.y.b(), "stroke=\"#777777\" stroke-width=\"1\"");
  doc.line(f.x.a(), cy, f.x.b(), cy, "stroke=\"#777777\" stroke-width=\"1\"");
  if (objective && panel.beta > 0) doc.add(circle(cx, cy, unit / panel.beta, kInnerAttrs));
}

// The points: groups small and labelled, models large; notes of each model's values,
// of points left out and of points beyond the axes.
std::vector<std::string> draw_target_points(SvgDoc& doc, const SkillPlotInput& input,
                                            const SkillPanel& panel, const TargetFrame& f) {
  std::vector<std::string> notes, left_out, edge;
  const bool objective = !std::isnan(panel.beta);
  auto place = [&](const SkillPoint& p, const std::string& name, double size,
                   std::string_view attrs) {
    const TargetPlace t = target_place(p);
    if (std::isnan(t.x) || std::isnan(t.y)) return false;
    if (f.x.side(t.x) != 0 || f.y.side(t.y) != 0) edge.push_back(name);
    const double x = edge_pixel(f.x, t.x), y = edge_pixel(f.y, t.y);
    doc.marker(p.model, x, y, size, attrs);
    if (!p.label.empty()) group_label(doc, x, y, p, x > f.x.b() - 30);
    return true;
  };
  doc.add("<g fill=\"none\" stroke-width=\"1.1\">");
  for (const SkillPoint& p : panel.groups) {
    if (model_known(input, p.model) && !place(p, group_name(input, p), 2.8, {})) {
      left_out.push_back(group_name(input, p));
    }
  }
  doc.add("</g>");
  for (const SkillPoint& p : panel.models) {
    if (!model_known(input, p.model)) continue;
    const std::string& name = input.models[static_cast<std::size_t>(p.model)];
    if (!place(p, name, 5.5, kModelAttrs)) {
      notes.push_back(name + (objective ? ": not drawn, beta RMS_U or a spread not formed"
                                        : ": not drawn, σo is 0 or not formed"));
      continue;
    }
    const TargetPlace t = target_place(p);
    notes.push_back(name + ": x " + short_number(t.x) + ", y " + short_number(t.y));
  }
  for (auto [list, text] : {std::pair{&left_out, "Groups not drawn (not formed):"},
                            std::pair{&edge, "Drawn at the edge (beyond the axes):"}}) {
    if (list->empty()) continue;
    std::string n = text;
    for (const std::string& g : *list) n += " " + g + ",";
    notes.push_back(n.substr(0, n.size() - 1) + ".");
  }
  return notes;
}

// Each model's MQI90 and the count of its groups with an MQI above 1, in the panel's
// upper left corner.
void draw_objectives(SvgDoc& doc, const SkillPlotInput& input, const SkillPanel& panel,
                     const TargetFrame& f) {
  double y = f.y.b() + 16;
  for (const SkillObjective& o : panel.objectives) {
    if (!model_known(input, o.model)) continue;
    std::string text = input.models[static_cast<std::size_t>(o.model)] + ": MQI90 " +
                       short_number(o.mqi90) +
                       (std::isnan(o.mqi90) ? ""
                        : o.mqi90 <= 1      ? " (met)"
                                            : " (not met)");
    if (o.groups_above_1 >= 0) {
      text += ", groups above 1: " + std::to_string(o.groups_above_1);
    }
    doc.text(f.x.a() + 8, y, xml_escape(text),
             "font-size=\"11\" fill=\"" + std::string(model_colour(o.model)) + "\"");
    y += 14;
  }
}

PanelNotes draw_target_panel(SvgDoc& doc, const SkillPlotInput& input, const SkillPanel& panel,
                             const PanelPlace& place, double half) {
  TargetFrame f;
  f.half = half;
  f.x = Axis::linear(-half, half).spanning(place.left, place.left + kPlot);
  f.y = Axis::linear(-half, half).spanning(place.top + kPlot, place.top);
  doc.text(place.left + kPlot / 2, place.top - 14, xml_escape(panel.quantity),
           "font-size=\"14\" text-anchor=\"middle\"");
  draw_target_background(doc, panel, f);
  draw_objectives(doc, input, panel, f);
  std::vector<std::string> notes = draw_target_points(doc, input, panel, f);
  doc.rect(place.left, place.top, kPlot, kPlot, "fill=\"none\" stroke=\"black\"");
  const bool objective = !std::isnan(panel.beta);
  draw_axis_titles(doc, place.left, place.top, kPlot, kPlot,
                   objective ? "±CRMSE/(β RMS_U); +: |σp - σo| / (σo sqrt(2(1 - R))) >= 1"
                             : "±CRMSE/σo; +: σp > σo",
                   objective ? "MB/(β RMS_U)" : "MB/σo, MB = mean Cp - mean Co", kAxisBand - 12,
                   58);
  if (objective) {
    notes.insert(notes.begin(), "β = " + short_number(panel.beta) +
                                    "; shaded: the objective met (MQI <= 1); dashed: radius 1/β");
  }
  return {place.top + kPlot + kAxisBand + 10, std::move(notes), panel.quantity};
}

}  // namespace

std::string taylor_svg(const SkillPlotInput& input, std::string_view id_prefix) {
  const bool two = taylor_two_quadrants(input);
  const double rmax = taylor_rim(input);
  // The sector and its labels: the quadrant(s), 100 px left, 60 px right of them.
  const FigureLayout layout{two ? 1u : 2u, (two ? 2 : 1) * kPlot + 160, 100, 50, 2, -5};
  Figure figure("Taylor diagram: standard deviation ratio, correlation and centred RMS error",
                id_prefix, layout, input.panels.size());
  figure.draw_panels([&](std::size_t i, const PanelPlace& at) {
    return draw_taylor_panel(figure.doc(), input, input.panels[i], at, two, rmax, i);
  });
  return finish_picture(
      figure, input,
      {{-1, "", "fill=\"black\"", "observed (SDR 1, R 1)"},
       {-1, std::string(kCrmseAttrs), "", "equal CRMSE/σo around the observed point"}},
      "A model's point lies at radius SDR = σp/σo and at the angle arccos R; its distance from "
      "the observed point is CRMSE/σo = sqrt(1 + SDR^2 - 2 SDR R) (Taylor 2001). The diagram "
      "spans two quadrants when a correlation is negative. Points not formed (a standard "
      "deviation of 0) are left out and named under the panel.");
}

std::string target_svg(const SkillPlotInput& input, std::string_view id_prefix) {
  const double half = target_half(input);
  constexpr FigureLayout kLayout{2, 100 + kPlot, 100, 30, 2, -5};
  Figure figure("Target diagram: centred RMS error and mean bias", id_prefix, kLayout,
                input.panels.size());
  figure.draw_panels([&](std::size_t i, const PanelPlace& at) {
    return draw_target_panel(figure.doc(), input, input.panels[i], at, half);
  });
  bool objective = false, plain = input.panels.empty();
  for (const SkillPanel& p : input.panels) {
    objective = objective || !std::isnan(p.beta);
    plain = plain || std::isnan(p.beta);
  }
  std::vector<LegendItem> extra;
  if (plain) extra.push_back({-1, std::string(kUnitAttrs), "", "radius 1"});
  if (objective) {
    extra.push_back({-1, "", std::string(kMetFill), "MQI <= 1: the quality objective met"});
    extra.push_back({-1, std::string(kInnerAttrs), "", "radius 1/β"});
  }
  std::string foot =
      "x is the centred RMS error and y the mean bias, both over σo: the distance from the "
      "centre is RMSE/σo, and inside the circle of radius 1 the model's error is below the "
      "observations' spread; x is + when σp > σo (Jolliff et al. 2009).";
  if (objective) {
    foot +=
        " In a panel with a measurement uncertainty both are over β RMS_U, the distance from "
        "the centre is the MQI, and x is + when the standard deviation dominates the error, "
        "|σp - σo| / (σo sqrt(2(1 - R))) >= 1.";
  }
  foot += " Points not formed are left out and named under the panel.";
  return finish_picture(figure, input, std::move(extra), foot);
}

}  // namespace evaluate
