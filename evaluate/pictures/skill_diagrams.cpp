// The Taylor and target diagrams: per quantity one panel with each model's point
// over all lines (a large marker) and each group's (a small labelled marker).
// The Taylor panel draws its own polar axes: standard-deviation ratio as the radius,
// correlation as the angle, the observations' reference point at radius 1 and arcs
// of equal centred RMS error around it. The target panel plots the signed centred
// RMS error against the mean bias, both scaled by the observations' standard
// deviation or, with a measurement uncertainty, by beta RMS_U.
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "evaluate/pictures/diagrams.h"
#include "evaluate/pictures/figure.h"
#include "evaluate/pictures/labels.h"

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

constexpr double kPlot = 390;     // a target panel's side
constexpr double kPad = 12;       // the Taylor plot's frame reaches this far beyond the sector
constexpr double kAxisBand = 64;  // below the plot: tick labels and the axis title
constexpr double kInset = 90;     // left of a target plot: tick labels and the axis title
constexpr double kModelHalf = 10;
constexpr double kGroupHalf = kMarkerHalf;
constexpr double kUnlabelledHalf = 0.6 * kMarkerHalf;  // the groups not named one by one
constexpr std::string_view kUnlabelledAttrs = "stroke-width=\"1\" stroke-opacity=\"0.5\"";
constexpr std::string_view kRayAttrs = "stroke=\"#bbbbbb\" stroke-width=\"0.8\"";
constexpr std::string_view kArcAttrs =
    "fill=\"none\" stroke=\"#bbbbbb\" stroke-width=\"0.8\" stroke-dasharray=\"2,3\"";
constexpr std::string_view kCrmseAttrs =
    "fill=\"none\" stroke=\"#6aa06a\" stroke-width=\"0.9\" stroke-dasharray=\"5,3\"";
constexpr std::string_view kUnitAttrs = "fill=\"none\" stroke=\"#333333\" stroke-width=\"1.3\"";
constexpr std::string_view kMetFill = "fill=\"#dcebdc\" stroke=\"#333333\" stroke-width=\"1.3\"";
constexpr std::string_view kInnerAttrs =
    "fill=\"none\" stroke=\"#333333\" stroke-width=\"1.1\" stroke-dasharray=\"6,4\"";
constexpr std::string_view kModelAttrs = "fill=\"white\" fill-opacity=\"0.7\" stroke-width=\"2.2\"";

// A Taylor quadrant's radius: two one-quadrant panels side by side, or one panel of
// two quadrants, fill 1000 px or less.
double taylor_radius(bool two) {
  return two ? 400 : 360;
}

std::string circle(double cx, double cy, double r, std::string_view attrs) {
  return "<circle cx=\"" + num(cx) + "\" cy=\"" + num(cy) + "\" r=\"" + num(r) + "\" " +
         std::string(attrs) + "/>";
}

// Writes a text (plain) anchored at start, middle or end, and keeps its box for the
// labels to keep clear of.
void kept_text(SvgDoc& doc, std::vector<Box>& taken, double x, double y, std::string_view text,
               double size, char anchor, std::string_view attrs = {}) {
  const double w = label_width(text, size);
  const double left = anchor == 's' ? x : anchor == 'm' ? x - w / 2 : x - w;
  taken.push_back({left, y - 0.8 * size, left + w, y + 0.2 * size});
  std::string all = "font-size=\"" + num(size) + "\"";
  if (anchor != 's') all += anchor == 'm' ? " text-anchor=\"middle\"" : " text-anchor=\"end\"";
  if (!attrs.empty()) all += " " + std::string(attrs);
  doc.text(x, y, xml_escape(text), all);
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

// The marks of a panel: the points labels keep clear of, and the labels wanted (the
// values beyond the axes first).
struct Marks {
  std::vector<LabelPoint> points;
  std::vector<LabelRequest> values, labels;
};

// A point drawn: its marker, or beyond the scale an outward arrow with the marker
// behind it; a label for a group (with the value when beyond), the value alone for a
// model beyond.
void mark_point(SvgDoc& doc, Marks& marks, const SkillPlotInput& input, const SkillPoint& p,
                double x, double y, double half, std::string_view attrs, const OffScale& off) {
  const std::string colour(model_colour(p.model));
  if (!p.labelled) {
    // One of the many groups not named one by one: smaller, lighter, no label, and
    // nothing the labels keep clear of.
    if (off.off) {
      draw_off_scale_arrow(doc, off, colour);
      const double back = 21 + 1.2 * half + 1;
      x = off.tip_x - off.dx * back;
      y = off.tip_y - off.dy * back;
    }
    doc.marker(p.model, x, y, kUnlabelledHalf, kUnlabelledAttrs);
    return;
  }
  if (off.off) {
    draw_off_scale_arrow(doc, off, colour);
    marks.points.push_back({off.tip_x - 10 * off.dx, off.tip_y - 10 * off.dy, 8});
    const double back = 21 + 1.2 * half + 1;
    x = off.tip_x - off.dx * back;
    y = off.tip_y - off.dy * back;
  }
  doc.marker(p.model, x, y, half, attrs);
  marks.points.push_back({x, y, half});
  const std::size_t point = marks.points.size() - 1;
  const std::string& model = input.models[static_cast<std::size_t>(p.model)];
  if (!p.label.empty()) {
    const std::string text = off.off ? p.label + ": " + off.text : p.label;
    marks.labels.push_back({point, text, colour, text + " (" + model + ")"});
  } else if (off.off) {
    marks.values.push_back({point, off.text, colour, model + " " + off.text});
  }
}

// Names `n` points of the groups not named one by one after the list of those named.
void add_others(std::vector<std::string>& names, std::size_t n) {
  if (n > 0) names.push_back(grouped(n) + (n == 1 ? " point" : " points") + " of other groups");
}

// Places and draws the labels of the marks; the key of numbered markers, if any,
// becomes the last note.
void label_marks(SvgDoc& doc, Marks& marks, LabelRoom room, std::vector<std::string>& notes) {
  std::vector<LabelRequest> requests = std::move(marks.values);
  requests.insert(requests.end(), marks.labels.begin(), marks.labels.end());
  const std::vector<PlacedLabel> placed = place_labels(room, marks.points, requests);
  draw_labels(doc, requests, placed);
  if (std::string key = label_key(requests, placed); !key.empty()) notes.push_back(std::move(key));
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
  figure.foot_wrapped(
      "Small markers: each arc (labelled with its distance in km) or group (labelled with its "
      "name), in the colour and shape of its model; where no room is left beside a marker, a "
      "line leads to its label, or the marker is numbered and the numbers are listed in the "
      "panel's notes.");
  figure.foot_wrapped(foot);
  std::size_t unlabelled = 0;
  for (const SkillPanel& panel : input.panels) {
    for (const SkillPoint& p : panel.groups) unlabelled += p.labelled ? 0 : 1;
  }
  if (unlabelled > 0) figure.foot_wrapped(unlabelled_note());
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
  double radius() const { return rmax * scale; }
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

// The sector's outline: the rim arc and the base line(s) through the origin.
std::string sector_path(const Polar& at) {
  const double r = at.radius();
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

double sdr_step(const Polar& at) {
  return at.rmax <= 1.5 ? 0.25 : at.rmax <= 3 ? 0.5 : 1.0;
}

// The values of the arcs of equal SDR along the base line(s), and the correlations
// outside the rim: tick labels, outside the plot.
void draw_polar_labels(SvgDoc& doc, std::vector<Box>& taken, const Polar& at) {
  const double step = sdr_step(at);
  for (double v = step; v <= at.rmax + 1e-9; v += step) {
    const double r = v * at.scale;
    kept_text(doc, taken, at.ox + r, at.oy + kPad + 19, short_number(v), kLabelFont, 'm');
    if (at.two) {
      kept_text(doc, taken, at.ox - r, at.oy + kPad + 19, short_number(v), kLabelFont, 'm');
    } else {
      kept_text(doc, taken, at.ox - kPad - 6, at.oy - r + 6, short_number(v), kLabelFont, 'e');
    }
  }
  kept_text(doc, taken, at.ox, at.oy + kPad + 19, "0", kLabelFont, 'm');
  // Each outside the rim where no neighbour's label is in the way: the even tenths
  // and the high correlations first, then the odd tenths where room is left.
  std::vector<double> rs;
  for (double c : {0.0, 0.2, 0.4, 0.6, 0.8, 0.9, 0.95, 0.99, 0.1, 0.3, 0.5, 0.7}) {
    rs.push_back(c);
    if (at.two && c > 0) rs.push_back(-c);
  }
  const double r = at.radius() + 22;
  for (double c : rs) {
    const double s = std::sqrt(1 - c * c);
    const std::string text = short_number(c);
    const double w = label_width(text, kLabelFont);
    const Box box = text_box(at.ox + c * r - w / 2, at.oy - s * r + 6, text, kLabelFont);
    if (std::any_of(taken.begin(), taken.end(), [&](const Box& b) { return overlaps(b, box); })) {
      continue;
    }
    kept_text(doc, taken, at.ox + c * r, at.oy - s * r + 6, text, kLabelFont, 'm',
              "fill=\"#444444\"");
  }
  // The angle's title outside the rim, between the rays of 0.6 and 0.7.
  const double a = std::acos(0.65), tr = at.radius() + 48;
  const double deg = -(a * 180 / std::numbers::pi) + 90;
  const double tx = at.ox + std::cos(a) * tr, ty = at.oy - std::sin(a) * tr;
  doc.add("<text x=\"" + num(tx) + "\" y=\"" + num(ty) + "\" transform=\"rotate(" + num(deg) + " " +
          num(tx) + " " + num(ty) + ")\" font-size=\"" + num(kTextFont) +
          "\" text-anchor=\"middle\">correlation R</text>");
}

// Correlation rays and arcs of equal SDR, within the sector.
void draw_polar_grid(SvgDoc& doc, const Polar& at) {
  std::vector<double> rs = {0, 0.1, 0.2, 0.3, 0.4, 0.5, 0.6, 0.7, 0.8, 0.9, 0.95, 0.99};
  if (at.two) {
    for (std::size_t i = 1, n = rs.size(); i < n; ++i) rs.push_back(-rs[i]);
  }
  const double r = at.radius();
  for (double c : rs) {
    doc.line(at.ox, at.oy, at.ox + c * r, at.oy - std::sqrt(1 - c * c) * r, kRayAttrs);
  }
  const double step = sdr_step(at);
  for (double v = step; v <= at.rmax + 1e-9; v += step) {
    const double rv = v * at.scale;
    const std::string end =
        at.two ? num(at.ox - rv) + "," + num(at.oy) : num(at.ox) + "," + num(at.oy - rv);
    doc.add("<path d=\"M" + num(at.ox + rv) + "," + num(at.oy) + "A" + num(rv) + "," + num(rv) +
            " 0 0 0 " + end + "\" " + std::string(v == 1.0 ? kUnitAttrs : kArcAttrs) + "/>");
  }
}

double crmse_step(const Polar& at) {
  return at.rmax <= 1.5 ? 0.25 : 0.5;
}

// Arcs of equal CRMSE/σo around the reference point, clipped to the sector.
void draw_crmse_arcs(SvgDoc& doc, const Polar& at, const std::string& clip_id) {
  doc.add("<clipPath id=\"" + clip_id + "\"><path d=\"" + sector_path(at) + "\"/></clipPath>");
  doc.add("<g clip-path=\"url(#" + clip_id + ")\">");
  for (double c = crmse_step(at); c <= at.rmax + 1 + 1e-9; c += crmse_step(at)) {
    doc.add(circle(at.px(1), at.py(0), c * at.scale, kCrmseAttrs));
  }
  doc.add("</g>");
}

// Each arc's value where its upper left part lies inside the sector, clear of the
// texts taken and of the markers.
void label_crmse_arcs(SvgDoc& doc, std::vector<Box>& taken, const Polar& at,
                      const std::vector<LabelPoint>& points) {
  auto free = [&](const Box& box) {
    for (const LabelPoint& p : points) {
      const double m = 1.2 * p.half;
      if (overlaps(box, {p.x - m, p.y - m, p.x + m, p.y + m})) return false;
    }
    return std::none_of(taken.begin(), taken.end(), [&](const Box& b) { return overlaps(b, box); });
  };
  for (double c = crmse_step(at); c <= at.rmax + 1e-9; c += crmse_step(at)) {
    const std::string text = short_number(c);
    const double w = label_width(text, kTextFont);
    for (double deg : {90.0, 110.0, 70.0, 130.0, 150.0, 100.0, 80.0, 120.0, 140.0}) {
      const double a = deg * std::numbers::pi / 180;
      const double x = 1 + c * std::cos(a), y = c * std::sin(a);
      if (std::hypot(x, y) > at.rmax * 0.9 || (!at.two && x < 0.1) || y < 0.08) continue;
      if (!free(text_box(at.px(x) - w / 2, at.py(y), text, kTextFont))) continue;
      kept_text(doc, taken, at.px(x), at.py(y), text, kTextFont, 'm', "fill=\"#3f7a3f\"");
      break;
    }
  }
}

// The pixel of a place, pulled onto the rim (kept clear of it) when beyond it, with
// an outward arrow there; whether it was.
struct Pixel {
  double x, y;
  OffScale off;
};
Pixel polar_pixel(const Polar& at, const TaylorPlace& t, double half) {
  const double radius = std::hypot(t.x, t.y) * at.scale;
  const double keep = 1.2 * half + 1;
  double x = at.px(t.x), y = std::min(at.py(t.y), at.oy + kPad - keep);
  Pixel out{x, y, {}};
  if (radius > at.radius()) {
    const double ux = t.x / std::hypot(t.x, t.y), uy = -t.y / std::hypot(t.x, t.y);
    out.off.off = true;
    out.off.dx = ux;
    out.off.dy = uy;
    out.off.tip_x = at.ox + ux * (at.radius() - kEdgeGap);
    out.off.tip_y = std::min(at.oy + uy * (at.radius() - kEdgeGap), at.oy - 6);
    out.off.text = "SDR " + short_number(std::hypot(t.x, t.y));
  } else if (radius > at.radius() - keep) {
    const double f = (at.radius() - keep) / radius;
    out.x = at.ox + (x - at.ox) * f;
    out.y = at.oy + (y - at.oy) * f;
  }
  return out;
}

// The group points (small, labelled), then the models' (large); notes of the points
// left out and of those beyond the rim.
std::vector<std::string> draw_taylor_points(SvgDoc& doc, Marks& marks, const SkillPlotInput& input,
                                            const SkillPanel& panel, const Polar& at) {
  std::vector<std::string> notes, left_out, rim;
  std::size_t others_left_out = 0, others_rim = 0, unlabelled = 0;
  const std::vector<bool> drawn = drawn_points(panel.groups, unlabelled);
  doc.add("<g fill=\"none\" stroke-width=\"1.6\">");
  for (const bool labelled : {false, true}) {
    for (std::size_t i = 0; i < panel.groups.size(); ++i) {
      const SkillPoint& p = panel.groups[i];
      if (p.labelled != labelled || !drawn[i] || !model_known(input, p.model)) continue;
      const TaylorPlace t = taylor_place(p);
      if (std::isnan(t.x)) {
        if (labelled) left_out.push_back(group_name(input, p));
        others_left_out += labelled ? 0 : 1;
        continue;
      }
      const Pixel px = polar_pixel(at, t, kGroupHalf);
      if (px.off.off && labelled) rim.push_back(group_name(input, p));
      others_rim += px.off.off && !labelled ? 1 : 0;
      mark_point(doc, marks, input, p, px.x, px.y, kGroupHalf, {}, px.off);
    }
  }
  doc.add("</g>");
  add_others(left_out, others_left_out);
  add_others(rim, others_rim);
  if (std::string note = thinned_note(unlabelled); !note.empty()) notes.push_back(std::move(note));
  for (const SkillPoint& p : panel.models) {
    if (!model_known(input, p.model)) continue;
    const std::string& name = input.models[static_cast<std::size_t>(p.model)];
    const TaylorPlace t = taylor_place(p);
    if (std::isnan(t.x)) {
      notes.push_back(name + ": not drawn, SDR or R not formed (a standard deviation is 0)");
      continue;
    }
    const Pixel px = polar_pixel(at, t, kModelHalf);
    if (px.off.off) rim.push_back(name);
    mark_point(doc, marks, input, p, px.x, px.y, kModelHalf, kModelAttrs, px.off);
    notes.push_back(name + ": SDR " + short_number(p.sd_p / p.sd_o) + ", R " + short_number(p.r) +
                    ", CRMSE/σo " + short_number(t.crmse));
  }
  if (!left_out.empty()) {
    std::string n = "Groups not drawn (SDR or R not formed):";
    for (const std::string& g : left_out) n += " " + g + ",";
    notes.push_back(n.substr(0, n.size() - 1) + ".");
  }
  if (!rim.empty()) {
    std::string n = "Drawn at the rim (SDR beyond " + short_number(at.rmax) + "):";
    for (const std::string& g : rim) n += " " + g + ",";
    notes.push_back(n.substr(0, n.size() - 1) + ".");
  }
  return notes;
}

PanelNotes draw_taylor_panel(SvgDoc& doc, const SkillPlotInput& input, const SkillPanel& panel,
                             const PanelPlace& place, bool two, double rmax, std::size_t i) {
  const double r = taylor_radius(two);
  const Polar at{place.left + (two ? r : 0), place.top + r, r / rmax, rmax, two};
  doc.text(place.left + (two ? r : r / 2), place.top - 42, xml_escape(panel.quantity),
           "font-size=\"" + num(kLabelFont) + "\" font-weight=\"bold\" text-anchor=\"middle\"");
  std::vector<Box> taken;
  draw_polar_labels(doc, taken, at);
  const Box frame{at.ox - (two ? r : 0) - kPad, at.oy - r - kPad, at.ox + r + kPad, at.oy + kPad};
  open_plot(doc, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top);
  draw_polar_grid(doc, at);
  draw_crmse_arcs(doc, at, place.id_prefix + "panel" + std::to_string(i));
  doc.add("<path d=\"" + sector_path(at) + "\" fill=\"none\" stroke=\"black\"/>");
  // The reference point: the observations themselves, labelled before any group.
  doc.add(circle(at.px(1), at.py(0), 5, "fill=\"black\""));
  Marks marks;
  marks.points.push_back({at.px(1), at.py(0), 5});
  marks.values.push_back({0, "observed", "#000000", "observed"});
  std::vector<std::string> notes = draw_taylor_points(doc, marks, input, panel, at);
  label_crmse_arcs(doc, taken, at, marks.points);
  // Labels within the sector (or just below its base line).
  auto within = [at](const Box& b) {
    for (double x : {b.left, b.right}) {
      for (double y : {b.top, b.bottom}) {
        if (std::hypot(x - at.ox, std::min(y, at.oy) - at.oy) > at.radius() - 2) return false;
      }
    }
    return at.two || b.left >= at.ox - 2;
  };
  label_marks(doc, marks, {frame, taken, within}, notes);
  close_plot(doc);
  doc.text(at.ox + (two ? 0 : r / 2), at.oy + kPad + 46, "SDR = σp/σo, standard deviation ratio",
           "font-size=\"" + num(kTextFont) + "\" text-anchor=\"middle\"");
  return {at.oy + kPad + kAxisBand + 12, std::move(notes), panel.quantity};
}

// ---- Target ----

struct TargetFrame {
  Axis x = Axis::linear(-1, 1), y = Axis::linear(-1, 1);
  double half = 1;  // the axes' half-range
};

// The half-range of the target axes: the least step holding every model's point over
// all lines and every group's point up to twice as far out (beyond 10: at the edge).
double target_half(const SkillPlotInput& input) {
  auto reach = [](const SkillPoint& p) {
    const TargetPlace t = target_place(p);
    return std::isfinite(t.x) ? std::max(std::abs(t.x), std::abs(t.y)) : 0.0;
  };
  return least_step(scale_need(input, 1.2, reach), {1.5, 2.0, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0});
}

// The pixel of v on `axis`, kept `reach` px inside the frame.
double inside(const Axis& axis, double v, double reach) {
  const double lo = std::min(axis.a(), axis.b()) + reach, hi = std::max(axis.a(), axis.b()) - reach;
  return std::clamp(axis.at(v), lo, hi);
}

void draw_target_ticks(SvgDoc& doc, const TargetFrame& f) {
  std::vector<Tick> ticks;
  const double step = f.half <= 2 ? 0.5 : f.half <= 5 ? 1 : 2;
  for (double v = -f.half; v <= f.half + 1e-9; v += step) ticks.push_back({v, short_number(v)});
  draw_ticks(doc, f.x, ticks, false, f.y.a(), f.y.b());
  draw_ticks(doc, f.y, ticks, true, f.x.a(), f.x.b());
}

void draw_target_background(SvgDoc& doc, const SkillPanel& panel, const TargetFrame& f,
                            const std::string& clip_id) {
  const double cx = f.x.at(0), cy = f.y.at(0), unit = f.x.at(1) - cx;
  const bool objective = !std::isnan(panel.beta);
  const double left = f.x.a(), top = f.y.b(), side = f.x.b() - f.x.a();
  doc.add("<clipPath id=\"" + clip_id + "\"><rect x=\"" + num(left) + "\" y=\"" + num(top) +
          "\" width=\"" + num(side) + "\" height=\"" + num(side) + "\"/></clipPath>");
  doc.add("<g clip-path=\"url(#" + clip_id + ")\">");
  doc.add(circle(cx, cy, unit, objective ? kMetFill : kUnitAttrs));
  if (objective && panel.beta > 0) doc.add(circle(cx, cy, unit / panel.beta, kInnerAttrs));
  doc.add("</g>");
  doc.line(cx, f.y.a(), cx, f.y.b(), "stroke=\"#777777\" stroke-width=\"1\"");
  doc.line(f.x.a(), cy, f.x.b(), cy, "stroke=\"#777777\" stroke-width=\"1\"");
}

// The points: groups small and labelled, models large; notes of each model's values,
// of points left out and of points beyond the axes.
std::vector<std::string> draw_target_points(SvgDoc& doc, Marks& marks, const SkillPlotInput& input,
                                            const SkillPanel& panel, const TargetFrame& f) {
  std::vector<std::string> notes, left_out, edge;
  std::size_t others_left_out = 0, others_edge = 0, unlabelled = 0;
  const std::vector<bool> drawn = drawn_points(panel.groups, unlabelled);
  const bool objective = !std::isnan(panel.beta);
  auto place = [&](const SkillPoint& p, const std::string& name, double size,
                   std::string_view attrs) {
    const TargetPlace t = target_place(p);
    if (std::isnan(t.x) || std::isnan(t.y)) return false;
    const OffScale off = off_scale(f.x, f.y, t.x, t.y, "x", "y");
    if (off.off && p.labelled) edge.push_back(name);
    others_edge += off.off && !p.labelled ? 1 : 0;
    const double keep = 1.2 * size + 1;
    mark_point(doc, marks, input, p, inside(f.x, t.x, keep), inside(f.y, t.y, keep), size, attrs,
               off);
    return true;
  };
  doc.add("<g fill=\"none\" stroke-width=\"1.6\">");
  for (const bool labelled : {false, true}) {
    for (std::size_t i = 0; i < panel.groups.size(); ++i) {
      const SkillPoint& p = panel.groups[i];
      if (p.labelled != labelled || !drawn[i] || !model_known(input, p.model)) continue;
      if (!place(p, group_name(input, p), kGroupHalf, {})) {
        if (labelled) left_out.push_back(group_name(input, p));
        others_left_out += labelled ? 0 : 1;
      }
    }
  }
  doc.add("</g>");
  add_others(left_out, others_left_out);
  add_others(edge, others_edge);
  if (std::string note = thinned_note(unlabelled); !note.empty()) notes.push_back(std::move(note));
  for (const SkillPoint& p : panel.models) {
    if (!model_known(input, p.model)) continue;
    const std::string& name = input.models[static_cast<std::size_t>(p.model)];
    if (!place(p, name, kModelHalf, kModelAttrs)) {
      notes.push_back(name + (objective ? ": not drawn, β RMS_U or a spread not formed"
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

// Each model's MQI90 and the count of its groups with an MQI above 1, as notes.
std::vector<std::string> objective_notes(const SkillPlotInput& input, const SkillPanel& panel) {
  std::vector<std::string> notes;
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
    notes.push_back(std::move(text));
  }
  return notes;
}

PanelNotes draw_target_panel(SvgDoc& doc, const SkillPlotInput& input, const SkillPanel& panel,
                             const PanelPlace& place, double half, std::size_t i) {
  TargetFrame f;
  f.half = half;
  f.x = Axis::linear(-half, half).spanning(place.left, place.left + kPlot);
  f.y = Axis::linear(-half, half).spanning(place.top + kPlot, place.top);
  doc.text(place.left + kPlot / 2, place.top - 12, xml_escape(panel.quantity),
           "font-size=\"" + num(kLabelFont) + "\" font-weight=\"bold\" text-anchor=\"middle\"");
  draw_target_ticks(doc, f);
  open_plot(doc, place.left, place.top, kPlot, kPlot);
  draw_target_background(doc, panel, f, place.id_prefix + "panel" + std::to_string(i));
  Marks marks;
  std::vector<std::string> notes = draw_target_points(doc, marks, input, panel, f);
  label_marks(doc, marks, {{place.left, place.top, place.left + kPlot, place.top + kPlot}, {}},
              notes);
  close_plot(doc);
  doc.rect(place.left, place.top, kPlot, kPlot, "fill=\"none\" stroke=\"black\"");
  const bool objective = !std::isnan(panel.beta);
  draw_axis_titles(
      doc, place.left, place.top, kPlot, kPlot,
      objective ? "±CRMSE/(β RMS_U); +: |σp − σo| / (σo √(2(1 − R))) ≥ 1" : "±CRMSE/σo; +: σp > σo",
      objective ? "MB/(β RMS_U)" : "MB/σo, MB = mean Cp − mean Co", kAxisBand - 12, kInset - 18);
  if (objective) {
    std::vector<std::string> front = objective_notes(input, panel);
    front.insert(front.begin(), "β = " + short_number(panel.beta) +
                                    "; shaded: the objective met (MQI ≤ 1); dashed: radius 1/β");
    notes.insert(notes.begin(), front.begin(), front.end());
  }
  return {place.top + kPlot + kAxisBand + 12, std::move(notes), panel.quantity};
}

}  // namespace

std::string taylor_svg(const SkillPlotInput& input, std::string_view id_prefix) {
  const bool two = taylor_two_quadrants(input);
  const double rmax = taylor_rim(input);
  // The sector and its labels: the quadrant(s), 80 px left and 50 px right of them;
  // two one-quadrant panels side by side fill 1000 px, a two-quadrant panel 950 px.
  const FigureLayout layout{two ? 1u : 2u, (two ? 2 : 1) * taylor_radius(two) + 130, 80, 60, 2, -5};
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
      "the observed point is CRMSE/σo = √(1 + SDR² − 2 SDR R) (Taylor 2001). The diagram "
      "spans two quadrants when a correlation is negative. A point beyond the rim is drawn at "
      "it with an arrow pointing outwards and its SDR written beside it. Points not formed (a "
      "standard deviation of 0) are left out and named under the panel.");
}

std::string target_svg(const SkillPlotInput& input, std::string_view id_prefix) {
  const double half = target_half(input);
  constexpr FigureLayout kLayout{2, kInset + kPlot + 10, kInset, 34, 2, -5};
  Figure figure("Target diagram: centred RMS error and mean bias", id_prefix, kLayout,
                input.panels.size());
  figure.draw_panels([&](std::size_t i, const PanelPlace& at) {
    return draw_target_panel(figure.doc(), input, input.panels[i], at, half, i);
  });
  bool objective = false, plain = input.panels.empty();
  for (const SkillPanel& p : input.panels) {
    objective = objective || !std::isnan(p.beta);
    plain = plain || std::isnan(p.beta);
  }
  std::vector<LegendItem> extra;
  if (plain) extra.push_back({-1, std::string(kUnitAttrs), "", "radius 1"});
  if (objective) {
    extra.push_back({-1, "", std::string(kMetFill), "MQI ≤ 1: the quality objective met"});
    extra.push_back({-1, std::string(kInnerAttrs), "", "radius 1/β"});
  }
  std::string foot =
      "x is the centred RMS error and y the mean bias, both over σo: the distance from the "
      "centre is RMSE/σo, and inside the circle of radius 1 the model's error is below the "
      "observations' spread; x is + when σp > σo (Jolliff et al. 2009). A point beyond the "
      "axes is drawn at the edge with an arrow pointing outwards and its value written beside "
      "it.";
  if (objective) {
    foot +=
        " In a panel with a measurement uncertainty both are over β RMS_U, the distance from "
        "the centre is the MQI, and x is + when the standard deviation dominates the error, "
        "|σp − σo| / (σo √(2(1 − R))) ≥ 1.";
  }
  foot += " Points not formed are left out and named under the panel.";
  return finish_picture(figure, input, std::move(extra), foot);
}

}  // namespace evaluate
