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

constexpr double kPlotHeight = 300;
constexpr double kBox = 12;      // box width
constexpr double kBoxStep = 18;  // from one model's box to the next in a slot
constexpr double kLeft = 100;    // picture edge to sub-panel (a)
constexpr double kGap = 80;      // between the sub-panels

constexpr std::array<std::string_view, kStabilityClasses> kClassRule = {
    "VU -100 < L < 0", "U -500 < L <= -100", "N |L| >= 500", "S 100 <= L < 500", "VS 0 < L < 100"};

// One slot of a sub-panel: its label and a box per model.
struct Slot {
  std::string label;
  std::vector<BoxStats> boxes;
};

struct SubPanel {
  std::string title;
  std::vector<Slot> slots;
  double slot_width = 0;
  double width = 0;
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
};

// ln(Cp/Co) of one quantity's pairs with Cp > 0, per group and model and per
// stability class and model; the pairs with Cp = 0 counted per model.
struct Residuals {
  std::vector<std::vector<std::vector<double>>> by_group;
  std::vector<std::vector<std::vector<double>>> by_class;
  std::vector<std::size_t> zero;
};

double ln_to_ratio(double v) {
  return std::exp(v);
}

Residuals residuals_of(const PairPlotInput& input, const PairPanel& in) {
  const std::size_t models = input.models.size();
  const std::size_t groups = input.groups.size();
  Residuals r{std::vector<std::vector<std::vector<double>>>(
                  groups, std::vector<std::vector<double>>(models)),
              std::vector<std::vector<std::vector<double>>>(
                  kStabilityClasses, std::vector<std::vector<double>>(models)),
              std::vector<std::size_t>(models)};
  for (const PlotPair& pp : in.pairs) {
    if (pp.model < 0 || static_cast<std::size_t>(pp.model) >= models || !(pp.co > 0.0f) ||
        !(pp.cp >= 0.0f) || !std::isfinite(pp.co) || !std::isfinite(pp.cp)) {
      continue;
    }
    const std::size_t m = static_cast<std::size_t>(pp.model);
    if (pp.cp == 0.0f) {
      ++r.zero[m];
      continue;
    }
    const double v = std::log(static_cast<double>(pp.cp) / static_cast<double>(pp.co));
    if (pp.group >= 0 && static_cast<std::size_t>(pp.group) < groups) {
      r.by_group[static_cast<std::size_t>(pp.group)][m].push_back(v);
    }
    const StabilityClass c = input.has_obk ? stability_class(pp.obk) : StabilityClass::none;
    if (c != StabilityClass::none) r.by_class[static_cast<std::size_t>(c)][m].push_back(v);
  }
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

void layout(SubPanel& sub, std::size_t models) {
  const double inner = static_cast<double>(models) * kBoxStep - (kBoxStep - kBox);
  sub.slot_width = inner + 16;
  for (const Slot& s : sub.slots) {
    sub.slot_width = std::max(sub.slot_width, text_width(s.label, 11) + 10);
  }
  sub.width = std::max(160.0, sub.slot_width * static_cast<double>(sub.slots.size()));
}

// The counts n under the boxes: upright when the widest would not fit a box's step.
void place_counts(Panel& p) {
  double widest = 0;
  for (const SubPanel* sub : {&p.groups, &p.classes}) {
    for (const Slot& s : sub->slots) {
      for (const BoxStats& b : s.boxes) widest = std::max(widest, text_width(grouped(b.n), 9));
    }
  }
  p.vertical_n = widest > kBoxStep - 2;
  p.n_height = p.vertical_n ? widest + 6 : 12;
}

Panel make_panel(const PairPlotInput& input, const PairPanel& in) {
  const std::size_t models = input.models.size();
  Panel p;
  p.caption = in.caption.empty() ? in.quantity : in.caption;
  p.unit_label = "Cp/Co of " + in.quantity;
  Residuals r = residuals_of(input, in);
  p.groups.title = input.groups_are_arcs ? "(a) by arc, distance in km" : "(a) by group";
  for (std::size_t g = 0; g < input.groups.size(); ++g) {
    Slot& s = p.groups.slots.emplace_back();
    s.label = input.groups[g];
    for (auto& values : r.by_group[g]) s.boxes.push_back(box_stats(std::move(values)));
  }
  if (input.has_obk) {
    p.classes.title = "(b) by stability class";
    for (int c = 0; c < kStabilityClasses; ++c) {
      Slot& s = p.classes.slots.emplace_back();
      s.label = std::string(stability_class_name(static_cast<StabilityClass>(c)));
      for (auto& values : r.by_class[static_cast<std::size_t>(c)]) {
        s.boxes.push_back(box_stats(std::move(values)));
      }
    }
  }
  const std::vector<BoxStats*> boxes = boxes_of(p);
  p.range = range_of(boxes);
  const std::size_t points = thin_outside(boxes);
  std::string zero_note = "Left off, valid pairs with Cp = 0 (no logarithm):";
  for (std::size_t m = 0; m < models; ++m) {
    zero_note += (m == 0 ? " " : ", ") + input.models[m] + " " + grouped(r.zero[m]);
  }
  p.notes.push_back(zero_note + ".");
  if (!input.has_obk) p.notes.push_back("No Obukhov length in the input: no stability classes.");
  if (points > kMaxPanelPoints) {
    p.notes.push_back("Subsample: " + grouped(kMaxPanelPoints) + " of " + grouped(points) +
                      " points beyond the whiskers drawn, evenly spaced within each box.");
  }
  layout(p.groups, models);
  if (input.has_obk) layout(p.classes, models);
  place_counts(p);
  return p;
}

// The plot of a sub-panel: its left edge, top and bottom, and its ratio scale.
struct Plot {
  double left, top, bottom;
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

// The centre of model m's box in slot s.
double box_centre(const SubPanel& sub, const Plot& f, std::size_t models, std::size_t s,
                  std::size_t m) {
  const double inner = static_cast<double>(models) * kBoxStep - (kBoxStep - kBox);
  const double slots_left =
      f.left + (sub.width - sub.slot_width * static_cast<double>(sub.slots.size())) / 2;
  const double slot_left = slots_left + sub.slot_width * static_cast<double>(s);
  const double first = slot_left + (sub.slot_width - inner) / 2 + kBox / 2;
  return first + kBoxStep * static_cast<double>(m);
}

// The boxes, then the points beyond the whiskers, clipped to the plot.
void draw_boxes(SvgDoc& doc, const SubPanel& sub, const Plot& f, std::size_t models,
                const std::string& clip_id) {
  doc.add("<clipPath id=\"" + clip_id + "\"><rect x=\"" + num(f.left) + "\" y=\"" + num(f.top) +
          "\" width=\"" + num(sub.width) + "\" height=\"" + num(f.bottom - f.top) +
          "\"/></clipPath>");
  doc.add("<g clip-path=\"url(#" + clip_id + ")\">");
  for (std::size_t s = 0; s < sub.slots.size(); ++s) {
    for (std::size_t m = 0; m < models; ++m) {
      draw_box(doc, sub.slots[s].boxes[m], static_cast<int>(m), box_centre(sub, f, models, s, m),
               f);
    }
  }
  doc.add("<g fill=\"none\" stroke-width=\"1\">");
  for (std::size_t s = 0; s < sub.slots.size(); ++s) {
    for (std::size_t m = 0; m < models; ++m) {
      for (double v : sub.slots[s].boxes[m].outside) {
        doc.marker(static_cast<int>(m), box_centre(sub, f, models, s, m), f.y(ln_to_ratio(v)), 2.5);
      }
    }
  }
  doc.add("</g>");
  doc.add("</g>");
}

// One sub-panel: the factor-of-two band, the axis, the line Cp = Co, the boxes, the
// frame, and n under each box.
void draw_sub_panel(SvgDoc& doc, const SubPanel& sub, const Plot& f, std::size_t models,
                    bool vertical_n, const std::string& clip_id) {
  const double right = f.left + sub.width;
  doc.rect(f.left, f.y(2.0), sub.width, f.y(0.5) - f.y(2.0), "fill=\"#dcebdc\" stroke=\"none\"");
  draw_decade_axis(doc, f.ratio, true, f.left, sub.width, true);
  draw_boxes(doc, sub, f, models, clip_id);
  // The line Cp = Co over the boxes.
  doc.line(f.left, f.y(1.0), right, f.y(1.0), "stroke=\"#555555\" stroke-width=\"1\"");
  doc.rect(f.left, f.top, sub.width, f.bottom - f.top, "fill=\"none\" stroke=\"black\"");
  for (std::size_t s = 0; s < sub.slots.size(); ++s) {
    for (std::size_t m = 0; m < models; ++m) {
      const double cx = box_centre(sub, f, models, s, m);
      const std::string n = grouped(sub.slots[s].boxes[m].n);
      if (vertical_n) {
        const double y = f.bottom + 8;
        doc.text(cx + 3, y, n,
                 "font-size=\"9\" text-anchor=\"end\" fill=\"#333333\" transform=\"rotate(-90 " +
                     num(cx + 3) + " " + num(y) + ")\"");
      } else {
        doc.text(cx, f.bottom + 17, n, "font-size=\"9\" text-anchor=\"middle\" fill=\"#333333\"");
      }
    }
  }
}

// The slots' labels on the baseline `labels`, and the sub-panel's title under them.
void slot_labels(SvgDoc& doc, const SubPanel& sub, double left, double labels) {
  const double slots_left =
      left + (sub.width - sub.slot_width * static_cast<double>(sub.slots.size())) / 2;
  for (std::size_t s = 0; s < sub.slots.size(); ++s) {
    doc.text(slots_left + sub.slot_width * (static_cast<double>(s) + 0.5), labels,
             xml_escape(sub.slots[s].label), "font-size=\"11\" text-anchor=\"middle\"");
  }
  doc.text(left + sub.width / 2, labels + 20, xml_escape(sub.title),
           "font-size=\"13\" text-anchor=\"middle\"");
}

PanelNotes draw_panel(SvgDoc& doc, const Panel& p, std::size_t models, bool has_obk,
                      const PanelPlace& at, const std::string& prefix) {
  const double top = at.top;
  const double bottom = top + kPlotHeight;
  doc.text(at.left, top - 20, xml_escape(p.caption), "font-size=\"14\"");
  const Axis ratio = Axis::decades(p.range).spanning(bottom, top);
  draw_sub_panel(doc, p.groups, {at.left, top, bottom, ratio}, models, p.vertical_n, prefix + "a");
  draw_upright_title(doc, at.left - 62, (top + bottom) / 2, p.unit_label);
  doc.text(at.left - 8, bottom + (p.vertical_n ? 16 : 17), "n",
           "font-size=\"10\" font-style=\"italic\" text-anchor=\"end\" fill=\"#333333\"");
  const double labels = bottom + 8 + p.n_height + 12;
  slot_labels(doc, p.groups, at.left, labels);
  if (p.groups.slots.empty()) {
    doc.text(at.left + p.groups.width / 2, (top + bottom) / 2, "no groups",
             "font-size=\"13\" text-anchor=\"middle\" fill=\"#777777\"");
  }
  if (has_obk) {
    const double bl = at.left + p.groups.width + kGap;
    draw_sub_panel(doc, p.classes, {bl, top, bottom, ratio}, models, p.vertical_n, prefix + "b");
    slot_labels(doc, p.classes, bl, labels);
  }
  return {labels + 44, p.notes, p.caption};
}

// One panel per row, as wide as the widest panel needs.
FigureLayout layout_of(const std::vector<Panel>& panels, bool has_obk) {
  double width = 620;
  for (const Panel& p : panels) {
    double w = kLeft + p.groups.width + 20;
    if (has_obk) w += kGap + p.classes.width;
    width = std::max(width, w);
  }
  return {1, width - 20, kLeft, 40, 6, 6};
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
