// The scatter and quantile-quantile pictures: one log-log panel per quantity, every
// model in every panel, the 1:1 and factor-of-two lines.
#include <algorithm>
#include <cmath>
#include <limits>

#include "evaluate/pictures/diagrams.h"
#include "evaluate/pictures/figure.h"

namespace evaluate {
namespace {

constexpr double kPlot = 380;  // plot square, px
constexpr FigureLayout kLayout{2, 100 + kPlot, 100, 30, 2, 4};
constexpr double kAxisBand = 60;  // below the plot: tick labels and the axis title

struct Mark {
  int model;
  double x;
  double y;
};

struct LogLogPanel {
  std::string caption;
  std::string x_label;
  std::string y_label;
  std::vector<Mark> marks;                              // in drawing order
  double lo = std::numeric_limits<double>::infinity();  // of all drawable values
  double hi = -std::numeric_limits<double>::infinity();
  std::vector<std::string> notes;  // plain text, one line each
};

bool usable(const PlotPair& p, std::size_t models) {
  return p.model >= 0 && static_cast<std::size_t>(p.model) < models && std::isfinite(p.co) &&
         std::isfinite(p.cp) && p.co > 0.0f && p.cp >= 0.0f;
}

std::string with_unit(const std::string& text, const std::string& unit) {
  return unit.empty() ? text : text + " (" + unit + ")";
}

// Keeps kMaxPanelPoints of `marks` (each model's share in proportion to its marks,
// evenly spaced within the model's own order) and says so in the notes.
void subsample(LogLogPanel& panel, std::size_t models, std::string_view how) {
  const std::size_t total = panel.marks.size();
  if (total <= kMaxPanelPoints) return;
  std::vector<std::vector<std::size_t>> of_model(models);
  for (std::size_t i = 0; i < total; ++i) {
    of_model[static_cast<std::size_t>(panel.marks[i].model)].push_back(i);
  }
  std::vector<std::size_t> sizes;
  for (const auto& v : of_model) sizes.push_back(v.size());
  const std::vector<std::size_t> shares = proportional_shares(sizes, kMaxPanelPoints);
  std::vector<bool> keep(total, false);
  for (std::size_t m = 0; m < models; ++m) {
    for (std::size_t j : evenly_spaced(sizes[m], shares[m])) keep[of_model[m][j]] = true;
  }
  std::vector<Mark> kept;
  for (std::size_t i = 0; i < total; ++i) {
    if (keep[i]) kept.push_back(panel.marks[i]);
  }
  panel.marks = std::move(kept);
  panel.notes.push_back("Subsample: " + grouped(panel.marks.size()) + " of " + grouped(total) +
                        " points drawn, " + std::string(how) + ".");
}

// The 1:1 and factor-of-two lines, clipped to the plot.
void reference_lines(SvgDoc& doc, const Axis& x, const Axis& y, const std::string& clip_id) {
  const double left = x.a(), top = y.b();
  doc.add("<clipPath id=\"" + clip_id + "\"><rect x=\"" + num(left) + "\" y=\"" + num(top) +
          "\" width=\"" + num(kPlot) + "\" height=\"" + num(kPlot) + "\"/></clipPath>");
  doc.add("<g clip-path=\"url(#" + clip_id + ")\">");
  const double a = x.lo();
  const double b = x.hi();
  doc.line(x.at(a), y.at(a), x.at(b), y.at(b), "stroke=\"black\" stroke-width=\"1.2\"");
  doc.line(x.at(a), y.at(2 * a), x.at(b), y.at(2 * b),
           "stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6,4\"");
  doc.line(x.at(a), y.at(a / 2), x.at(b), y.at(b / 2),
           "stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6,4\"");
  doc.add("</g>");
}

PanelNotes draw_panel(SvgDoc& doc, const LogLogPanel& panel, const PanelPlace& at,
                      const std::string& clip_id) {
  const double left = at.left, top = at.top;
  const double right = left + kPlot;
  const double bottom = top + kPlot;
  const Axis scale = Axis::decades(decade_range(panel.lo, panel.hi));
  const Axis x = scale.spanning(left, right);
  const Axis y = scale.spanning(bottom, top);

  // Centred over the plot, within the column and the picture.
  const double caption_font =
      std::min(14.0, 14.0 * (kLayout.column_width - 60) / text_width(panel.caption, 14));
  doc.text(left + kPlot / 2, top - 14, xml_escape(panel.caption),
           "font-size=\"" + num(caption_font) + "\" text-anchor=\"middle\"");
  draw_decade_axis(doc, x, false, bottom, kPlot, false);
  draw_decade_axis(doc, y, true, left, kPlot, false);

  // Markers in the order given (the models of one line next to each other), thinner
  // and translucent where they crowd, so that no model hides another.
  const bool dense = panel.marks.size() > 300;
  doc.add(std::string("<g fill=\"none\" stroke-width=\"") + (dense ? "1.1" : "1.5") + "\"" +
          (dense ? " stroke-opacity=\"0.6\"" : "") + ">");
  const double size = panel.marks.size() > 1500 ? 3.2 : 4;
  for (const Mark& m : panel.marks) doc.marker(m.model, x.at(m.x), y.at(m.y), size);
  doc.add("</g>");
  // The reference lines over the data, so that a dense cloud does not hide them.
  reference_lines(doc, x, y, clip_id);
  doc.rect(left, top, kPlot, kPlot, "fill=\"none\" stroke=\"black\"");
  draw_axis_titles(doc, left, top, kPlot, kPlot, panel.x_label, panel.y_label, kAxisBand - 12, 58);
  if (panel.marks.empty()) {
    doc.text(left + kPlot / 2, top + kPlot / 2, "no pairs to show",
             "font-size=\"14\" text-anchor=\"middle\" fill=\"#777777\"");
  }
  return {bottom + kAxisBand + 10, panel.notes, panel.caption};
}

std::string picture(const PairPlotInput& input, std::string_view id_prefix, std::string_view title,
                    const std::vector<LogLogPanel>& panels) {
  Figure figure(title, id_prefix, kLayout, panels.size());
  figure.draw_panels([&](std::size_t i, const PanelPlace& at) {
    return draw_panel(figure.doc(), panels[i], at, at.id_prefix + "plot" + std::to_string(i));
  });
  std::vector<LegendItem> legend;
  for (std::size_t m = 0; m < input.models.size(); ++m) {
    legend.push_back({static_cast<int>(m), "", "", input.models[m]});
  }
  legend.push_back({-1, "stroke=\"black\" stroke-width=\"1.2\"", "", "1:1"});
  legend.push_back({-1, "stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6,4\"", "",
                    "factor of two (Cp = 2 Co, Cp = Co/2)"});
  figure.legend(legend);
  return figure.finish();
}

std::string pair_count_note(const std::string& model, std::size_t pairs, std::size_t zero) {
  std::string note = model + ": " + grouped(pairs) + (pairs == 1 ? " pair" : " pairs");
  if (zero > 0) note += ", " + grouped(zero) + " with prediction 0 not shown";
  return note;
}

// A new panel of `in`, its axes titled "Observed <quantity><suffix>" and
// "Predicted <quantity><suffix>".
LogLogPanel& add_panel(std::vector<LogLogPanel>& panels, const PairPanel& in,
                       std::string_view suffix) {
  LogLogPanel& panel = panels.emplace_back();
  panel.caption = in.caption.empty() ? in.quantity : in.caption;
  panel.x_label = with_unit("Observed " + in.quantity + std::string(suffix), in.unit);
  panel.y_label = with_unit("Predicted " + in.quantity + std::string(suffix), in.unit);
  return panel;
}

// Widens the panel's range to hold the point (co, cp).
void widen(LogLogPanel& panel, float co, float cp) {
  panel.lo = std::min({panel.lo, static_cast<double>(co), static_cast<double>(cp)});
  panel.hi = std::max({panel.hi, static_cast<double>(co), static_cast<double>(cp)});
}

}  // namespace

std::string scatter_svg(const PairPlotInput& input, std::string_view id_prefix) {
  const std::size_t models = input.models.size();
  std::vector<LogLogPanel> panels;
  for (const PairPanel& in : input.panels) {
    LogLogPanel& panel = add_panel(panels, in, "");
    std::vector<std::size_t> pairs(models), zero(models);
    for (const PlotPair& p : in.pairs) {
      if (!usable(p, models)) continue;
      ++pairs[static_cast<std::size_t>(p.model)];
      if (p.cp == 0.0f) {
        ++zero[static_cast<std::size_t>(p.model)];
        continue;
      }
      panel.marks.push_back({p.model, p.co, p.cp});
      widen(panel, p.co, p.cp);
    }
    for (std::size_t m = 0; m < models; ++m) {
      panel.notes.push_back(pair_count_note(input.models[m], pairs[m], zero[m]));
    }
    subsample(panel, models, "evenly spaced in line order, each model in proportion");
  }
  return picture(input, id_prefix, "Scatter plot: predicted against observed", panels);
}

std::string qq_svg(const PairPlotInput& input, std::string_view id_prefix) {
  const std::size_t models = input.models.size();
  std::vector<LogLogPanel> panels;
  for (const PairPanel& in : input.panels) {
    LogLogPanel& panel = add_panel(panels, in, ", sorted");
    // Each model's quantile pairs: its i-th smallest observation against its i-th
    // smallest prediction, those with a positive prediction drawn.
    struct Ranked {
      double key;  // position among the model's quantiles, 0..1, to interleave the models
      Mark mark;
    };
    std::vector<Ranked> ranked;
    for (std::size_t m = 0; m < models; ++m) {
      std::vector<float> co, cp;
      for (const PlotPair& p : in.pairs) {
        if (usable(p, models) && static_cast<std::size_t>(p.model) == m) {
          co.push_back(p.co);
          cp.push_back(p.cp);
        }
      }
      std::sort(co.begin(), co.end());
      std::sort(cp.begin(), cp.end());
      // Zero predictions sort first; the quantiles from `first` on are drawable.
      const std::size_t first =
          static_cast<std::size_t>(std::upper_bound(cp.begin(), cp.end(), 0.0f) - cp.begin());
      panel.notes.push_back(pair_count_note(input.models[m], co.size(), first));
      for (std::size_t i = first; i < co.size(); ++i) widen(panel, co[i], cp[i]);
      ranked.reserve(ranked.size() + co.size() - first);
      for (std::size_t i = first; i < co.size(); ++i) {
        ranked.push_back({(static_cast<double>(i) + 0.5) / static_cast<double>(co.size()),
                          {static_cast<int>(m), co[i], cp[i]}});
      }
    }
    // Interleave the models rank by rank, so that none is drawn wholly over another;
    // within a model the marks stay in rank order, so a subsample takes evenly spaced ranks.
    std::stable_sort(ranked.begin(), ranked.end(),
                     [](const Ranked& a, const Ranked& b) { return a.key < b.key; });
    for (const Ranked& r : ranked) panel.marks.push_back(r.mark);
    subsample(panel, models, "evenly spaced ranks of each model");
  }
  return picture(input, id_prefix,
                 "Quantile-quantile plot: sorted observed against sorted predicted", panels);
}

}  // namespace evaluate
