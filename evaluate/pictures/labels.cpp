#include "evaluate/pictures/labels.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace evaluate {

bool overlaps(const Box& a, const Box& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool contains(const Box& outer, const Box& inner) {
  return inner.left >= outer.left && inner.right <= outer.right && inner.top >= outer.top &&
         inner.bottom <= outer.bottom;
}

double label_width(std::string_view text, double size) {
  std::size_t chars = 0;
  for (const char c : text) chars += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return std::max(text_width(text, size), 0.6 * size * static_cast<double>(chars));
}

Box text_box(double x, double baseline, std::string_view text, double size) {
  return {x, baseline - 0.8 * size, x + label_width(text, size), baseline + 0.2 * size};
}

OffScale off_scale(const Axis& x, const Axis& y, double vx, double vy, std::string_view x_name,
                   std::string_view y_name) {
  OffScale mark;
  const int sx = x.side(vx), sy = y.side(vy);
  if (sx == 0 && sy == 0) return mark;
  mark.off = true;
  mark.dx = sx * x.direction();
  mark.dy = sy * y.direction();
  // Along an axis the value is on, the arrow keeps clear of the frame's corners.
  auto along = [](const Axis& axis, double v) {
    const double lo = std::min(axis.a(), axis.b()) + 8, hi = std::max(axis.a(), axis.b()) - 8;
    return std::clamp(axis.at(v), lo, hi);
  };
  mark.tip_x = sx == 0 ? along(x, vx) : x.clamped(vx) - mark.dx * kEdgeGap;
  mark.tip_y = sy == 0 ? along(y, vy) : y.clamped(vy) - mark.dy * kEdgeGap;
  if (sx != 0 && sy != 0) {
    mark.dx /= std::numbers::sqrt2;
    mark.dy /= std::numbers::sqrt2;
  }
  if (sx != 0) mark.text = std::string(x_name) + " " + short_number(vx);
  if (sy != 0) {
    mark.text += (mark.text.empty() ? "" : ", ") + std::string(y_name) + " " + short_number(vy);
  }
  return mark;
}

void draw_off_scale_arrow(SvgDoc& doc, const OffScale& mark, std::string_view colour) {
  const double bx = mark.tip_x - 11 * mark.dx, by = mark.tip_y - 11 * mark.dy;
  const double px = -mark.dy * 5, py = mark.dx * 5;
  doc.line(bx, by, mark.tip_x - 20 * mark.dx, mark.tip_y - 20 * mark.dy,
           "stroke=\"" + std::string(colour) + "\" stroke-width=\"2\"");
  doc.add("<path d=\"M" + num(mark.tip_x) + "," + num(mark.tip_y) + "L" + num(bx + px) + "," +
          num(by + py) + "L" + num(bx - px) + "," + num(by - py) + "z\" fill=\"" +
          std::string(colour) + "\" stroke=\"none\"/>");
}

namespace {

constexpr double kReach = 1.2;  // a marker's reach in half-widths
constexpr double kGap = 2;      // between a marker and its label

Box marker_box(const LabelPoint& p) {
  const double m = kReach * p.half;
  return {p.x - m, p.y - m, p.x + m, p.y + m};
}

struct Candidate {
  Box box;
  bool leader = false;  // checked for crossing labels unless `loose`
  bool loose = false;
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// Beside the marker: right, left, above and below on either side, centred above and below.
std::vector<Candidate> near_places(const LabelPoint& p, double w, double h) {
  const double m = kReach * p.half + kGap, cx = p.x, cy = p.y;
  auto at = [&](double left, double top) { return Candidate{{left, top, left + w, top + h}}; };
  return {at(cx + m, cy - h / 2),           at(cx - m - w, cy - h / 2),
          at(cx + 0.3 * m, cy - m - h),     at(cx + 0.3 * m, cy + m),
          at(cx - 0.3 * m - w, cy - m - h), at(cx - 0.3 * m - w, cy + m),
          at(cx - w / 2, cy - m - h),       at(cx - w / 2, cy + m)};
}

// A box whose side or corner nearest the marker is at (px, py), in direction angle a,
// with a leader from the marker's edge.
Candidate away(const LabelPoint& p, double a, double px, double py, double w, double h) {
  const double c = std::cos(a), s = std::sin(a);
  const double left = c > 0.3 ? px : c < -0.3 ? px - w : px - w / 2;
  const double top = s > 0.3 ? py - h : s < -0.3 ? py : py - h / 2;
  const double m = kReach * p.half + 1;
  return {{left, top, left + w, top + h}, true, false, p.x + m * c, p.y - m * s, px, py};
}

// Farther out, on rings of growing radius, nearly level directions first.
std::vector<Candidate> far_places(const LabelPoint& p, double w, double h) {
  static constexpr std::array<double, 12> kDegrees = {0,  180, 30,  150, 330, 210,
                                                      60, 120, 300, 240, 90,  270};
  std::vector<Candidate> out;
  const double m = kReach * p.half + kGap;
  for (const double r : {m + 16, m + 32, m + 52, m + 80}) {
    for (const double deg : kDegrees) {
      const double a = deg * std::numbers::pi / 180;
      out.push_back(away(p, a, p.x + r * std::cos(a), p.y - r * std::sin(a), w, h));
    }
  }
  return out;
}

// Anywhere in the frame on a 10 px grid, nearest first; the leader may cross labels.
std::vector<Candidate> anywhere(const LabelPoint& p, const Box& frame, double w, double h) {
  std::vector<std::pair<double, Candidate>> found;
  for (double y = frame.top + 1; y + h <= frame.bottom - 1; y += 10) {
    for (double x = frame.left + 1; x + w <= frame.right - 1; x += 10) {
      const Box box{x, y, x + w, y + h};
      const double nx = std::clamp(p.x, box.left, box.right);
      const double ny = std::clamp(p.y, box.top, box.bottom);
      const double d = std::hypot(nx - p.x, ny - p.y);
      if (d < 1) continue;
      const double m = (kReach * p.half + 1) / d;
      found.push_back({d, {box, true, true, p.x + (nx - p.x) * m, p.y + (ny - p.y) * m, nx, ny}});
    }
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Candidate> out;
  for (auto& f : found) out.push_back(f.second);
  return out;
}

// Whether the segment crosses the box (Liang-Barsky clipping).
bool crosses(double x1, double y1, double x2, double y2, const Box& b) {
  double t0 = 0, t1 = 1;
  const double dx = x2 - x1, dy = y2 - y1;
  const std::array<std::pair<double, double>, 4> sides = {
      std::pair{-dx, x1 - b.left}, {dx, b.right - x1}, {-dy, y1 - b.top}, {dy, b.bottom - y1}};
  for (const auto& [pv, qv] : sides) {
    if (pv == 0) {
      if (qv < 0) return false;
      continue;
    }
    const double t = qv / pv;
    if (pv < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  return true;
}

class Placer {
 public:
  Placer(const LabelRoom& room, const std::vector<LabelPoint>& points)
      : room_(room),
        inner_{room.frame.left + 1, room.frame.top + 1, room.frame.right - 1,
               room.frame.bottom - 1} {
    for (const LabelPoint& p : points) markers_.push_back(marker_box(p));
  }

  // The first free candidate, taken; false when none is free.
  bool take(const std::vector<Candidate>& candidates, PlacedLabel& out) {
    for (const Candidate& c : candidates) {
      if (!free(c)) continue;
      labels_.push_back(c.box);
      out.placed = true;
      out.x = c.box.left;
      out.baseline = c.box.bottom - 0.2 * (c.box.bottom - c.box.top);
      out.leader = c.leader;
      out.x1 = c.x1;
      out.y1 = c.y1;
      out.x2 = c.x2;
      out.y2 = c.y2;
      return true;
    }
    return false;
  }

  const Box& frame() const { return inner_; }

 private:
  bool free(const Candidate& c) const {
    if (!contains(inner_, c.box) || (room_.allowed && !room_.allowed(c.box))) return false;
    for (const auto* boxes : {&markers_, &labels_, &room_.taken}) {
      for (const Box& b : *boxes) {
        if (overlaps(c.box, b)) return false;
      }
    }
    if (c.leader && !c.loose) {
      for (const auto* boxes : {&labels_, &room_.taken}) {
        for (const Box& b : *boxes) {
          if (crosses(c.x1, c.y1, c.x2, c.y2, b)) return false;
        }
      }
    }
    return true;
  }

  const LabelRoom& room_;
  Box inner_;
  std::vector<Box> markers_, labels_;
};

}  // namespace

std::vector<PlacedLabel> place_labels(const LabelRoom& room, const std::vector<LabelPoint>& points,
                                      const std::vector<LabelRequest>& labels, double size) {
  Placer placer(room, points);
  std::vector<PlacedLabel> out(labels.size());
  auto point_of = [&](const LabelRequest& l) {
    return l.point < points.size() ? points[l.point] : LabelPoint{};
  };
  for (std::size_t i = 0; i < labels.size(); ++i) {
    out[i].text = labels[i].text;
    placer.take(near_places(point_of(labels[i]), label_width(labels[i].text, size), size), out[i]);
  }
  for (std::size_t i = 0; i < labels.size(); ++i) {
    if (out[i].placed) continue;
    placer.take(far_places(point_of(labels[i]), label_width(labels[i].text, size), size), out[i]);
  }
  int number = 0;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    if (out[i].placed) continue;
    const LabelPoint p = point_of(labels[i]);
    const std::string text = std::to_string(number + 1);
    const double w = label_width(text, size);
    if (placer.take(near_places(p, w, size), out[i]) ||
        placer.take(far_places(p, w, size), out[i]) ||
        placer.take(anywhere(p, placer.frame(), w, size), out[i])) {
      out[i].number = ++number;
      out[i].text = text;
    }
  }
  return out;
}

void draw_labels(SvgDoc& doc, const std::vector<LabelRequest>& labels,
                 const std::vector<PlacedLabel>& placed, double size) {
  for (std::size_t i = 0; i < placed.size() && i < labels.size(); ++i) {
    const PlacedLabel& p = placed[i];
    if (!p.placed || !p.leader) continue;
    doc.line(p.x1, p.y1, p.x2, p.y2,
             "stroke=\"" + labels[i].colour + "\" stroke-width=\"0.8\" stroke-opacity=\"0.6\"");
  }
  for (std::size_t i = 0; i < placed.size() && i < labels.size(); ++i) {
    const PlacedLabel& p = placed[i];
    if (!p.placed) continue;
    doc.text(p.x, p.baseline, xml_escape(p.text),
             "font-size=\"" + num(size) + "\" fill=\"" + labels[i].colour +
                 "\" stroke=\"white\" stroke-width=\"3\" stroke-linejoin=\"round\" "
                 "paint-order=\"stroke\"");
  }
}

std::string label_key(const std::vector<LabelRequest>& labels,
                      const std::vector<PlacedLabel>& placed) {
  std::string numbered, unmarked;
  for (std::size_t i = 0; i < placed.size() && i < labels.size(); ++i) {
    if (placed[i].number > 0) {
      numbered +=
          (numbered.empty() ? "" : "; ") + std::to_string(placed[i].number) + ": " + labels[i].key;
    } else if (!placed[i].placed) {
      unmarked += (unmarked.empty() ? "" : "; ") + labels[i].key;
    }
  }
  std::string key;
  if (!numbered.empty()) key = "Numbered markers: " + numbered + ".";
  if (!unmarked.empty()) {
    key += (key.empty() ? "" : " ") + std::string("Not marked (no room): ") + unmarked + ".";
  }
  return key;
}

}  // namespace evaluate
