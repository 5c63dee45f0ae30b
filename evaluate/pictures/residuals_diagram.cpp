// The residual picture: box plots of Cp/Co on a log axis, per quantity one panel
// with (a) a box per group and model and (b) a box per stability class and model.
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "evaluate/pictures/diagrams.h"
#include "evaluate/pictures/figure.h"

namespace evaluate {
namespace {

constexpr double kPlotHeight = 200;
constexpr double kPad = 8;       // between the frame and the ends of the ratio axis
constexpr double kBox = 12;      // box width
constexpr double kBoxStep = 17;  // from one model's box to the next in a slot
constexpr double kLeft = 100;    // picture edge to the plots
constexpr double kGap = 70;      // between sub-panels side by side
// The widest a row of slots may be: the drawn width less the margins.
constexpr double kRowRoom = kMaxDrawnWidth - 20 - kLeft - 10;
constexpr double kRowGap = 26;  // between one row's titles and the next row's plot

constexpr std::array<std::string_view, kStabilityClasses> kClassRule = {
    "VU\u00a0\u2212100 < L < 0", "U\u00a0\u2212500 < L \u2264 \u2212100", "N\u00a0|L| \u2265 500",
    "S\u00a0100 \u2264 L < 500", "VS\u00a00 < L < 100"};  // each class kept on one line

// One slot of a sub-panel: its label and a box per model.
struct Slot {
  std::string label;
  std::vector<BoxStats> boxes;
};

struct SubPanel {
  std::string title;
  std::vector<Slot> slots;
  double slot_width = 0;
  std::size_t per_row = 1;      // slots in a row, the last row holding the rest
  bool upright_labels = false;  // slot labels turned upright: too wide for their slot
  double label_height = 0;      // the band the slot labels take under the counts
};

// One quantity's panel: (a) by group, (b) by stability class.
struct Panel {
  std::string caption;
  std::string unit_label;
  SubPanel groups;
  SubPanel classes;
  std::vector<std::string> notes;
  DecadeRange range{-1, 1};
  bool vertical_n = false;
  double n_height = 0;
  bool classes_beside = false;  // (b) in the row of (a)'s last slots
};

// The slot of each group in (a): its own, in the order of the panel's shown groups
// (all groups when none are given), or the one slot of the rest after them.
std::vector<std::size_t> group_slots(const PairPlotInput& input, const PairPanel& in) {
  const std::size_t groups = input.groups.size();
  std::vector<std::size_t> slot(groups);
  if (in.shown_groups.empty()) {
    for (std::size_t g = 0; g < groups; ++g) slot[g] = g;
    return slot;
  }
  std::fill(slot.begin(), slot.end(), in.shown_groups.size());
  for (std::size_t k = 0; k < in.shown_groups.size(); ++k) {
    const int g = in.shown_groups[k];
    if (g >= 0 && static_cast<std::size_t>(g) < groups) slot[static_cast<std::size_t>(g)] = k;
  }
  return slot;
}

// The number of slots in (a).
std::size_t group_slot_count(const PairPlotInput& input, const PairPanel& in) {
  return in.shown_groups.empty() ? input.groups.size() : in.shown_groups.size() + 1;
}

// ln(Cp/Co) of one quantity's pairs with Cp > 0, per slot of (a) and model or (with
// `classes`) per stability class and model, so that only one of them is held at a
// time; the pairs with Cp = 0 counted per model.
struct Residuals {
  std::vector<std::vector<std::vector<double>>> by_group;
  std::vector<std::vector<std::vector<double>>> by_class;
  std::vector<std::size_t> zero;
};

double ln_to_ratio(double v) {
  return std::exp(v);
}

Residuals residuals_of(const PairPlotInput& input, const PairPanel& in, bool classes) {
  const std::size_t models = input.models.size();
  const std::size_t groups = input.groups.size();
  const std::vector<std::size_t> slot = group_slots(input, in);
  Residuals r{std::vector<std::vector<std::vector<double>>>(
                  group_slot_count(input, in), std::vector<std::vector<double>>(models)),
              std::vector<std::vector<std::vector<double>>>(
                  kStabilityClasses, std::vector<std::vector<double>>(models)),
              std::vector<std::size_t>(models)};
  // Each box's values counted first, so that they are held without room to spare.
  std::vector<std::vector<std::size_t>> in_group(r.by_group.size(),
                                                 std::vector<std::size_t>(models));
  std::vector<std::vector<std::size_t>> in_class(kStabilityClasses,
                                                 std::vector<std::size_t>(models));
  in.pairs.for_each([&](const PlotPair& pp) {
    if (pp.model < 0 || static_cast<std::size_t>(pp.model) >= models || !(pp.co > 0.0f) ||
        !(pp.cp > 0.0f) || !std::isfinite(pp.co) || !std::isfinite(pp.cp)) {
      return;
    }
    const std::size_t m = static_cast<std::size_t>(pp.model);
    if (!classes && pp.group >= 0 && static_cast<std::size_t>(pp.group) < groups) {
      ++in_group[slot[static_cast<std::size_t>(pp.group)]][m];
    }
    const StabilityClass c =
        classes && input.has_obk ? stability_class(pp.obk) : StabilityClass::none;
    if (c != StabilityClass::none) ++in_class[static_cast<std::size_t>(c)][m];
  });
  for (std::size_t k = 0; k < in_group.size(); ++k) {
    for (std::size_t m = 0; m < models; ++m) r.by_group[k][m].reserve(in_group[k][m]);
  }
  for (std::size_t c = 0; c < in_class.size(); ++c) {
    for (std::size_t m = 0; m < models; ++m) r.by_class[c][m].reserve(in_class[c][m]);
  }
  in.pairs.for_each([&](const PlotPair& pp) {
    if (pp.model < 0 || static_cast<std::size_t>(pp.model) >= models || !(pp.co > 0.0f) ||
        !(pp.cp >= 0.0f) || !std::isfinite(pp.co) || !std::isfinite(pp.cp)) {
      return;
    }
    const std::size_t m = static_cast<std::size_t>(pp.model);
    if (pp.cp == 0.0f) {
      ++r.zero[m];
      return;
    }
    const double v = std::log(static_cast<double>(pp.cp) / static_cast<double>(pp.co));
    if (!classes && pp.group >= 0 && static_cast<std::size_t>(pp.group) < groups) {
      r.by_group[slot[static_cast<std::size_t>(pp.group)]][m].push_back(v);
    }
    const StabilityClass c =
        classes && input.has_obk ? stability_class(pp.obk) : StabilityClass::none;
    if (c != StabilityClass::none) r.by_class[static_cast<std::size_t>(c)][m].push_back(v);
  });
  return r;
}

// The boxes of every slot, in drawing order.
std::vector<BoxStats*> boxes_of(Panel& p) {
  std::vector<BoxStats*> boxes;
  for (SubPanel* sub : {&p.groups, &p.classes}) {
    for (Slot& s : sub->slots) {
      for (BoxStats& b : s.boxes) {
        if (b.n > 0) boxes.push_back(&b);
      }
    }
  }
  return boxes;
}

// The decades that hold every value drawn, and the factor-of-two band.
DecadeRange range_of(const std::vector<BoxStats*>& boxes) {
  double lo = 0.5, hi = 2.0;
  for (const BoxStats* b : boxes) {
    lo = std::min(lo, std::exp(b->outside.empty() ? b->whisker_low
                                                  : std::min(b->whisker_low, b->outside.front())));
    hi = std::max(hi, std::exp(b->outside.empty() ? b->whisker_high
                                                  : std::max(b->whisker_high, b->outside.back())));
  }
  return decade_range(std::max(lo, std::numeric_limits<double>::min()),
                      std::min(hi, std::numeric_limits<double>::max()));
}

// Too many single points: an evenly spaced share of each box's points. Returns the
// number of points beyond the whiskers before the cut.
std::size_t thin_outside(const std::vector<BoxStats*>& boxes) {
  std::vector<std::size_t> sizes;
  std::size_t points = 0;
  for (const BoxStats* b : boxes) {
    sizes.push_back(b->outside.size());
    points += b->outside.size();
  }
  if (points > kMaxPanelPoints) {
    const std::vector<std::size_t> shares = proportional_shares(sizes, kMaxPanelPoints);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      std::vector<double> kept;
      for (std::size_t j : evenly_spaced(sizes[i], shares[i])) kept.push_back(boxes[i]->outside[j]);
      boxes[i]->outside = std::move(kept);
    }
  }
  return points;
}

// The slots' width and the rows they wrap into, fewest rows first, then as even as
// they go: a slot is as wide as its boxes, or as its label up to twice that.
void layout(SubPanel& sub, std::size_t models) {
  const double inner = static_cast<double>(models) * kBoxStep - (kBoxStep - kBox);
  double widest = 0;
  for (const Slot& s : sub.slots) widest = std::max(widest, text_width(s.label, kLabelFont));
  sub.slot_width = std::min(std::max(inner + 14, widest + 10), 2 * (inner + 14));
  sub.slot_width = std::min(sub.slot_width, kRowRoom);
  sub.upright_labels = widest + 10 > sub.slot_width;
  sub.label_height = sub.upright_labels ? widest + 8 : kLabelFont + 8;
  const std::size_t n = std::max<std::size_t>(sub.slots.size(), 1);
  const std::size_t fit =
      std::max<std::size_t>(1, static_cast<std::size_t>(kRowRoom / sub.slot_width));
  const std::size_t rows = (n + fit - 1) / fit;
  sub.per_row = (n + rows - 1) / rows;
}

std::size_t rows_of(const SubPanel& sub) {
  return std::max<std::size_t>(1, (sub.slots.size() + sub.per_row - 1) / sub.per_row);
}

// The slots of row r, first and count.
std::pair<std::size_t, std::size_t> row_slots(const SubPanel& sub, std::size_t r) {
  const std::size_t first = r * sub.per_row;
  return {first, std::min(sub.per_row, sub.slots.size() - std::min(first, sub.slots.size()))};
}

// The width of a row's plot.
double row_width(const SubPanel& sub, std::size_t r) {
  return std::max(160.0, sub.slot_width * static_cast<double>(row_slots(sub, r).second));
}

// The counts n under the boxes: upright when the widest would not fit a box's step.
void place_counts(Panel& p) {
  double widest = 0;
  for (const SubPanel* sub : {&p.groups, &p.classes}) {
    for (const Slot& s : sub->slots) {
      for (const BoxStats& b : s.boxes)
        widest = std::max(widest, text_width(grouped(b.n), kTextFont));
    }
  }
  p.vertical_n = widest > kBoxStep - 2;
  p.n_height = p.vertical_n ? widest + 10 : kTextFont + 8;
}

Panel make_panel(const PairPlotInput& input, const PairPanel& in) {
  const std::size_t models = input.models.size();
  Panel p;
  p.caption = in.caption.empty() ? in.quantity : in.caption;
  p.unit_label = "Cp/Co of " + in.quantity;
  Residuals r = residuals_of(input, in, false);
  p.groups.title = input.groups_are_arcs ? "(a) by arc, distance in km" : "(a) by group";
  const std::size_t slots = group_slot_count(input, in);
  const std::size_t rest =
      input.groups.size() - std::min(in.shown_groups.size(), input.groups.size());
  for (std::size_t k = 0; k < slots; ++k) {
    Slot& s = p.groups.slots.emplace_back();
    if (in.shown_groups.empty()) {
      s.label = input.groups[k];
    } else if (k < in.shown_groups.size()) {
      const int g = in.shown_groups[k];
      s.label = g >= 0 && static_cast<std::size_t>(g) < input.groups.size()
                    ? input.groups[static_cast<std::size_t>(g)]
                    : std::string();
    } else {
      s.label = "other " + grouped(rest) + (rest == 1 ? " group" : " groups");
    }
    for (auto& values : r.by_group[k]) s.boxes.push_back(box_stats(std::move(values)));
  }
  if (!in.shown_groups.empty()) {
    p.groups.title += ", the " + grouped(in.shown_groups.size()) + " named, then the others";
  }
  if (input.has_obk) {
    p.classes.title = "(b) by stability class";
    Residuals by_class = residuals_of(input, in, true);
    for (int c = 0; c < kStabilityClasses; ++c) {
      Slot& s = p.classes.slots.emplace_back();
      s.label = std::string(stability_class_name(static_cast<StabilityClass>(c)));
      for (auto& values : by_class.by_class[static_cast<std::size_t>(c)]) {
        s.boxes.push_back(box_stats(std::move(values)));
      }
    }
  }
  const std::vector<BoxStats*> boxes = boxes_of(p);
  p.range = range_of(boxes);
  const std::size_t points = thin_outside(boxes);
  std::string zero_note = "Left off, valid pairs with Cp = 0 (no logarithm):";
  for (std::size_t m = 0; m < models; ++m) {
    zero_note += (m == 0 ? " " : ", ") + input.models[m] + "\u00a0" + grouped(r.zero[m]);
  }
  p.notes.push_back(zero_note + ".");
  if (!in.shown_groups.empty()) {
    p.notes.push_back("Of the " + grouped(input.groups.size()) + " " +
                      (input.groups_are_arcs ? "arcs" : "groups") + ", the " +
                      grouped(in.shown_groups.size()) +
                      " the page names (the largest MQI, else |FB|, over the models) have a box "
                      "each, in its order; the pairs of the other " +
                      grouped(rest) + " are in one box.");
  }
  if (!input.has_obk) p.notes.push_back("No Obukhov length in the input: no stability classes.");
  if (points > kMaxPanelPoints) {
    p.notes.push_back("Subsample: " + grouped(kMaxPanelPoints) + " of " + grouped(points) +
                      " points beyond the whiskers drawn, evenly spaced within each box.");
  }
  layout(p.groups, models);
  if (input.has_obk) {
    layout(p.classes, models);
    p.classes_beside =
        p.classes.slots.size() <= p.classes.per_row &&
        row_width(p.groups, rows_of(p.groups) - 1) + kGap + row_width(p.classes, 0) <= kRowRoom;
  }
  place_counts(p);
  return p;
}

// The plot of one row of a sub-panel: its frame and its ratio scale, which stops
// kPad short of the frame so that no whisker ends on it.
struct Plot {
  double left, top, width, bottom;
  Axis ratio;
  double y(double r) const { return ratio.at(r); }
};

void draw_box(SvgDoc& doc, const BoxStats& b, int model, double cx, const Plot& f) {
  if (b.n == 0) return;
  const std::string colour(model_colour(model));
  const std::string stroke = "stroke=\"" + colour + "\" stroke-width=\"1.2\"";
  const double top = f.y(ln_to_ratio(b.q3));
  const double bottom = f.y(ln_to_ratio(b.q1));
  const double hi = f.y(ln_to_ratio(b.whisker_high));
  const double lo = f.y(ln_to_ratio(b.whisker_low));
  doc.line(cx, hi, cx, top, stroke);
  doc.line(cx, bottom, cx, lo, stroke);
  doc.line(cx - kBox / 4, hi, cx + kBox / 4, hi, stroke);
  doc.line(cx - kBox / 4, lo, cx + kBox / 4, lo, stroke);
  doc.rect(cx - kBox / 2, top, kBox, std::max(bottom - top, 0.5),
           "fill=\"" + colour + "\" fill-opacity=\"0.2\" " + stroke);
  const double med = f.y(ln_to_ratio(b.median));
  doc.line(cx - kBox / 2, med, cx + kBox / 2, med,
           "stroke=\"" + colour + "\" stroke-width=\"2.4\"");
}

// The centre of model m's box in the j-th slot of a row.
double box_centre(const SubPanel& sub, const Plot& f, std::size_t models, std::size_t j,
                  std::size_t m) {
  const double inner = static_cast<double>(models) * kBoxStep - (kBoxStep - kBox);
  const double slot_left = f.left + sub.slot_width * static_cast<double>(j);
  return slot_left + (sub.slot_width - inner) / 2 + kBox / 2 + kBoxStep * static_cast<double>(m);
}

// The boxes of the row's slots, then the points beyond the whiskers, clipped to the plot.
void draw_boxes(SvgDoc& doc, const SubPanel& sub, std::size_t row, const Plot& f,
                std::size_t models, const std::string& clip_id) {
  const auto [first, count] = row_slots(sub, row);
  doc.add("<clipPath id=\"" + clip_id + "\"><rect x=\"" + num(f.left) + "\" y=\"" + num(f.top) +
          "\" width=\"" + num(f.width) + "\" height=\"" + num(f.bottom - f.top) +
          "\"/></clipPath>");
  doc.add("<g clip-path=\"url(#" + clip_id + ")\">");
  for (std::size_t j = 0; j < count; ++j) {
    for (std::size_t m = 0; m < models; ++m) {
      draw_box(doc, sub.slots[first + j].boxes[m], static_cast<int>(m),
               box_centre(sub, f, models, j, m), f);
    }
  }
  doc.add("<g fill=\"none\" stroke-width=\"1\">");
  for (std::size_t j = 0; j < count; ++j) {
    for (std::size_t m = 0; m < models; ++m) {
      for (double v : sub.slots[first + j].boxes[m].outside) {
        doc.marker(static_cast<int>(m), box_centre(sub, f, models, j, m), f.y(ln_to_ratio(v)),
                   kMarkerHalf);
      }
    }
  }
  doc.add("</g>");
  doc.add("</g>");
}

// The height of a row: the plot, the counts, the slot labels and the title under them.
double row_height(const Panel& p, const SubPanel& sub) {
  return kPlotHeight + 8 + p.n_height + sub.label_height + kTitleFont + 6;
}

// One row of a sub-panel: in the plot the factor-of-two band, the grid, the boxes,
// the line Cp = Co over them and the frame; outside it the ratio labels, n under each
// box, the slots' labels and the sub-panel's title.
void draw_row(SvgDoc& doc, const Panel& p, const SubPanel& sub, std::size_t row, const Plot& f,
              std::size_t models, const std::string& clip_id) {
  const double right = f.left + f.width;
  open_plot(doc, f.left, f.top, f.width, f.bottom - f.top);
  doc.rect(f.left, f.y(2.0), f.width, f.y(0.5) - f.y(2.0), "fill=\"#dcebdc\" stroke=\"none\"");
  draw_decade_grid(doc, f.ratio, true, f.left, f.width);
  draw_boxes(doc, sub, row, f, models, clip_id);
  doc.line(f.left, f.y(1.0), right, f.y(1.0), "stroke=\"#555555\" stroke-width=\"1\"");
  doc.rect(f.left, f.top, f.width, f.bottom - f.top, "fill=\"none\" stroke=\"black\"");
  if (sub.slots.empty()) {
    doc.text(f.left + f.width / 2, (f.top + f.bottom) / 2, "no groups",
             "font-size=\"" + num(kTitleFont) + "\" text-anchor=\"middle\" fill=\"#777777\"");
  }
  close_plot(doc);
  draw_decade_labels(doc, f.ratio, true, f.left, true);
  const auto [first, count] = row_slots(sub, row);
  const std::string small = "font-size=\"" + num(kTextFont) + "\"";
  for (std::size_t j = 0; j < count; ++j) {
    for (std::size_t m = 0; m < models; ++m) {
      const double cx = box_centre(sub, f, models, j, m);
      const std::string n = grouped(sub.slots[first + j].boxes[m].n);
      if (p.vertical_n) {
        const double x = cx + 0.35 * kTextFont;
        const double y = f.bottom + 8;
        doc.text(x, y, n,
                 small + " text-anchor=\"end\" fill=\"#333333\" transform=\"rotate(-90 " + num(x) +
                     " " + num(y) + ")\"");
      } else {
        doc.text(cx, f.bottom + 8 + kTextFont, n,
                 small + " text-anchor=\"middle\" fill=\"#333333\"");
      }
    }
  }
  const double labels = f.bottom + 8 + p.n_height;
  for (std::size_t j = 0; j < count; ++j) {
    const double x = f.left + sub.slot_width * (static_cast<double>(j) + 0.5);
    const std::string label = xml_escape(sub.slots[first + j].label);
    const std::string size = "font-size=\"" + num(kLabelFont) + "\"";
    if (sub.upright_labels) {
      const double lx = x + 0.35 * kLabelFont;
      doc.text(lx, labels, label,
               size + " text-anchor=\"end\" transform=\"rotate(-90 " + num(lx) + " " + num(labels) +
                   ")\"");
    } else {
      doc.text(x, labels + kLabelFont, label, size + " text-anchor=\"middle\"");
    }
  }
  doc.text(f.left + f.width / 2, labels + sub.label_height + kTitleFont, xml_escape(sub.title),
           "font-size=\"" + num(kTitleFont) + "\" text-anchor=\"middle\"");
  doc.text(f.left - 8, f.bottom + 8 + kTextFont, "n",
           small + " font-style=\"italic\" text-anchor=\"end\" fill=\"#333333\"");
}

PanelNotes draw_panel(SvgDoc& doc, const Panel& p, std::size_t models, bool has_obk,
                      const PanelPlace& at, const std::string& prefix) {
  doc.text(at.left, at.top - 18, xml_escape(p.caption),
           "font-size=\"" + num(kTitleFont) + "\" font-weight=\"bold\"");
  double top = at.top;
  auto row_plot = [&](double left, double width) {
    const double bottom = top + kPlotHeight;
    return Plot{left, top, width, bottom,
                Axis::decades(p.range).spanning(bottom - kPad, top + kPad)};
  };
  auto draw = [&](const SubPanel& sub, std::size_t r, double left, const std::string& id) {
    const Plot f = row_plot(left, row_width(sub, r));
    draw_row(doc, p, sub, r, f, models, id + std::to_string(r + 1));
    return f;
  };
  const std::size_t group_rows = rows_of(p.groups);
  for (std::size_t r = 0; r < group_rows; ++r) {
    const Plot f = draw(p.groups, r, at.left, prefix + "a");
    draw_upright_title(doc, at.left - 72, (f.top + f.bottom) / 2, p.unit_label);
    double height = row_height(p, p.groups);
    if (has_obk && p.classes_beside && r + 1 == group_rows) {
      draw(p.classes, 0, at.left + f.width + kGap, prefix + "b");
      height = std::max(height, row_height(p, p.classes));
    }
    top += height + kRowGap;
  }
  if (has_obk && !p.classes_beside) {
    for (std::size_t r = 0; r < rows_of(p.classes); ++r) {
      const Plot f = draw(p.classes, r, at.left, prefix + "b");
      draw_upright_title(doc, at.left - 72, (f.top + f.bottom) / 2, p.unit_label);
      top += row_height(p, p.classes) + kRowGap;
    }
  }
  return {top - kRowGap + kTextFont + 8, p.notes, p.caption};
}

// One panel per row, as wide as the widest row of slots needs.
FigureLayout layout_of(const std::vector<Panel>& panels, bool has_obk) {
  double width = 760;  // at least: so that a picture of few groups prints without a split
  for (const Panel& p : panels) {
    double widest = 0;
    for (std::size_t r = 0; r < rows_of(p.groups); ++r) {
      widest = std::max(widest, row_width(p.groups, r));
    }
    if (has_obk) {
      for (std::size_t r = 0; r < rows_of(p.classes); ++r) {
        widest = std::max(widest, row_width(p.classes, r));
      }
      if (p.classes_beside) {
        widest = std::max(
            widest, row_width(p.groups, rows_of(p.groups) - 1) + kGap + row_width(p.classes, 0));
      }
    }
    width = std::max(width, kLeft + widest + 30);
  }
  return {1, std::min(width, kMaxDrawnWidth) - 20, kLeft, 48, 6, 6};
}

std::vector<LegendItem> legend_of(const PairPlotInput& input) {
  std::vector<LegendItem> legend;
  for (std::size_t m = 0; m < input.models.size(); ++m) {
    const std::string colour(model_colour(static_cast<int>(m)));
    legend.push_back({-1, "",
                      "fill=\"" + colour + "\" fill-opacity=\"0.2\" stroke=\"" + colour + "\"",
                      input.models[m]});
  }
  legend.push_back({-1, "", "fill=\"#dcebdc\" stroke=\"none\"", "factor of two (0.5 to 2)"});
  return legend;
}

}  // namespace

std::string residuals_svg(const PairPlotInput& input, std::string_view id_prefix) {
  std::vector<Panel> panels;
  for (const PairPanel& in : input.panels) panels.push_back(make_panel(input, in));
  const std::string title = std::string("Residuals: predicted over observed (Cp/Co) by ") +
                            (input.groups_are_arcs ? "arc" : "group") +
                            (input.has_obk ? " and by stability class" : "");
  Figure figure(title, id_prefix, layout_of(panels, input.has_obk), panels.size());
  figure.draw_panels([&](std::size_t i, const PanelPlace& at) {
    return draw_panel(figure.doc(), panels[i], input.models.size(), input.has_obk, at,
                      at.id_prefix + "res" + std::to_string(i));
  });
  figure.legend(legend_of(input));
  figure.foot_wrapped(
      "Boxes: quartiles and median of ln(Cp/Co) over the valid pairs with Cp > 0 (linear "
      "interpolation between order statistics); whiskers to the furthest value within 1.5 IQR; "
      "points beyond drawn singly.");
  if (input.has_obk) {
    std::string rule = "Stability classes by the Obukhov length L (m):";
    for (std::size_t c = 0; c < kClassRule.size(); ++c)
      rule += (c == 0 ? " " : "; ") + std::string(kClassRule[c]);
    figure.foot_wrapped(rule + "; a missing L and L = 0 in no class.");
  }
  return figure.finish();
}

}  // namespace evaluate
