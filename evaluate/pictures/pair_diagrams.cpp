// The scatter and quantile-quantile pictures: log-log panels with the 1:1 and
// factor-of-two lines over the data; one panel per quantity holding every model, or,
// with more than kModelsInOnePanel models, one panel per quantity and model, the
// panels of a quantity on the same decades.
#include <algorithm>
#include <cmath>
#include <limits>

#include "evaluate/pictures/diagrams.h"
#include "evaluate/pictures/figure.h"
#include "evaluate/statistics/key_sort.h"

namespace evaluate {
namespace {

constexpr std::size_t kModelsInOnePanel = 3;

// The size of a panel's plot square and the frame's layout of the panels.
struct PanelSize {
  double plot;
  FigureLayout layout;
};
constexpr PanelSize kWide{360, {2, 490, 100, 54, 4, 4}};        // one panel per quantity
constexpr PanelSize kNarrow{220, {3, 326, 84, 54, 4, 4}};       // one per quantity and model
constexpr double kAxisBand = 2 * kLabelFont + kTitleFont + 14;  // tick labels, axis title

// A marker: the values are a pair's, held as the pair holds them.
struct Mark {
  int model;
  float x;
  float y;
};

struct LogLogPanel {
  std::string caption;
  std::string quantity;
  std::string x_label;
  std::string y_label;
  std::vector<Mark> marks;                              // in drawing order, those drawn (Thinning)
  std::vector<std::size_t> totals;                      // each model's marks before thinning
  double lo = std::numeric_limits<double>::infinity();  // of all drawable values
  double hi = -std::numeric_limits<double>::infinity();
  std::vector<std::string> model_notes;  // plain text, one per model of the panel
  std::vector<std::string> notes;        // plain text, after the models' notes
};

bool usable(const PlotPair& p, std::size_t models) {
  return p.model >= 0 && static_cast<std::size_t>(p.model) < models && std::isfinite(p.co) &&
         std::isfinite(p.cp) && p.co > 0.0f && p.cp >= 0.0f;
}

std::string with_unit(const std::string& text, const std::string& unit) {
  return unit.empty() ? text : text + " (" + unit + ")";
}

// Which marks of a panel are drawn, decided from each model's number of marks before
// they are gathered, so that a panel of many pairs holds only those it draws: with
// few models (one panel for all), kMaxPanelPoints of the panel's marks, each model's
// share in proportion to its marks; else (a panel per model) kMaxPanelPoints of each
// model's; evenly spaced within the model's own order.
class Thinning {
 public:
  Thinning(const std::vector<std::size_t>& sizes, bool together)
      : all_(sizes.size(), true), kept_(sizes.size()), rank_(sizes.size()), next_(sizes.size()) {
    const std::size_t models = sizes.size();
    std::size_t total = 0;
    for (std::size_t n : sizes) total += n;
    if (together && total > kMaxPanelPoints) {
      const std::vector<std::size_t> shares = proportional_shares(sizes, kMaxPanelPoints);
      for (std::size_t m = 0; m < models; ++m) thin(m, sizes[m], shares[m]);
    }
    for (std::size_t m = 0; m < models && !together; ++m) {
      if (sizes[m] <= kMaxPanelPoints) continue;
      std::vector<std::size_t> one(models);
      one[m] = sizes[m];
      thin(m, sizes[m], proportional_shares(one, kMaxPanelPoints)[m]);
    }
  }
  // Whether the model's next mark, in its own order, is drawn.
  bool keep(int model) {
    const std::size_t m = static_cast<std::size_t>(model);
    const std::size_t rank = rank_[m]++;
    if (all_[m]) return true;
    if (next_[m] < kept_[m].size() && kept_[m][next_[m]] == rank) {
      ++next_[m];
      return true;
    }
    return false;
  }

 private:
  void thin(std::size_t m, std::size_t size, std::size_t share) {
    all_[m] = false;
    kept_[m] = evenly_spaced(size, share);
  }
  std::vector<bool> all_;
  std::vector<std::vector<std::size_t>> kept_;
  std::vector<std::size_t> rank_, next_;
};

// Whether a quantity's models share one panel.
bool together(std::size_t models) {
  return models <= kModelsInOnePanel;
}

// The note of a panel that draws `drawn` of its `total` marks.
void note_subsample(LogLogPanel& panel, std::size_t drawn, std::size_t total,
                    std::string_view how) {
  if (total <= kMaxPanelPoints) return;
  panel.notes.push_back("Subsample: " + grouped(drawn) + " of " + grouped(total) +
                        " points drawn, " + std::string(how) + ".");
}

// The 1:1 and factor-of-two lines.
void reference_lines(SvgDoc& doc, const Axis& x, const Axis& y) {
  const double a = x.lo();
  const double b = x.hi();
  doc.line(x.at(a), y.at(a), x.at(b), y.at(b), "stroke=\"black\" stroke-width=\"1.2\"");
  doc.line(x.at(a), y.at(2 * a), x.at(b), y.at(2 * b),
           "stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6,4\"");
  doc.line(x.at(a), y.at(a / 2), x.at(b), y.at(b / 2),
           "stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6,4\"");
}

// `text` cut to `width` px at font `size`, an ellipsis marking the cut.
std::string fitted(const std::string& text, double width, double size) {
  std::string out = text;
  while (!out.empty() && text_width(out + "\u2026", size) > width) {
    out.pop_back();
    while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80) out.pop_back();
    if (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0xC0) out.pop_back();
  }
  return out.size() == text.size() ? text : out + "\u2026";
}

PanelNotes draw_panel(SvgDoc& doc, const LogLogPanel& panel, const PanelSize& size,
                      const PanelPlace& at, const std::string& clip_id) {
  const double plot = size.plot;
  const double left = at.left, top = at.top;
  const double right = left + plot;
  const double bottom = top + plot;
  const DecadeRange range = decade_range(panel.lo, panel.hi, decade_labels_fitting(plot));
  const Axis x = Axis::decades(range).spanning(left, right);
  const Axis y = Axis::decades(range).spanning(bottom, top);

  // The data and the lines over it, within the frame.
  open_plot(doc, left, top, plot, plot);
  draw_decade_grid(doc, x, false, bottom, plot);
  draw_decade_grid(doc, y, true, left, plot);
  doc.add("<clipPath id=\"" + clip_id + "\"><rect x=\"" + num(left) + "\" y=\"" + num(top) +
          "\" width=\"" + num(plot) + "\" height=\"" + num(plot) + "\"/></clipPath>");
  doc.add("<g clip-path=\"url(#" + clip_id + ")\">");
  // Open markers in the order given (the models of one line next to each other),
  // thinner and translucent where they crowd, so that no model hides another.
  const bool dense = panel.marks.size() > 300;
  const bool crowded = panel.marks.size() > 1500;
  doc.add(std::string("<g fill=\"none\" stroke-width=\"") +
          (crowded ? "0.7" : (dense ? "1" : "1.5")) + "\"" +
          (crowded ? " stroke-opacity=\"0.45\"" : (dense ? " stroke-opacity=\"0.6\"" : "")) + ">");
  for (const Mark& m : panel.marks) doc.marker(m.model, x.at(m.x), y.at(m.y), kMarkerHalf);
  doc.add("</g>");
  // The reference lines over the data, so that a dense cloud does not hide them.
  reference_lines(doc, x, y);
  doc.add("</g>");
  doc.rect(left, top, plot, plot, "fill=\"none\" stroke=\"black\"");
  if (panel.marks.empty()) {
    doc.text(left + plot / 2, top + plot / 2, "no pairs to show",
             "font-size=\"" + num(kTitleFont) + "\" text-anchor=\"middle\" fill=\"#777777\"");
  }
  close_plot(doc);

  draw_decade_labels(doc, x, false, bottom, false);
  draw_decade_labels(doc, y, true, left, false);
  const double room = size.layout.column_width - 20;
  // The caption on up to two lines over the plot, bold (a fifth wider than plain text).
  std::vector<std::string> caption = wrap_text(panel.caption, room / 1.2, kTitleFont);
  if (caption.size() > 2) {
    caption[1] = fitted(caption[1] + " " + caption[2], room / 1.2, kTitleFont);
    caption.resize(2);
  }
  for (std::size_t k = 0; k < caption.size(); ++k) {
    const double line = top - 12 - (kTitleFont + 4) * static_cast<double>(caption.size() - 1 - k);
    doc.text(left + plot / 2, line, xml_escape(fitted(caption[k], room / 1.2, kTitleFont)),
             "font-size=\"" + num(kTitleFont) + "\" font-weight=\"bold\" text-anchor=\"middle\"");
  }
  draw_axis_titles(doc, left, top, plot, plot, fitted(panel.x_label, room, kTitleFont),
                   fitted(panel.y_label, plot + 40, kTitleFont), kAxisBand - 10,
                   size.layout.inset - 18);
  std::vector<std::string> notes = panel.model_notes;
  notes.insert(notes.end(), panel.notes.begin(), panel.notes.end());
  return {bottom + kAxisBand + kTextFont, notes, panel.caption};
}

std::string picture(const PairPlotInput& input, std::string_view id_prefix, std::string_view title,
                    const std::vector<LogLogPanel>& panels, const PanelSize& size) {
  Figure figure(title, id_prefix, size.layout, panels.size());
  figure.draw_panels([&](std::size_t i, const PanelPlace& at) {
    return draw_panel(figure.doc(), panels[i], size, at, at.id_prefix + "plot" + std::to_string(i));
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

// The quantities' panels as drawn: subsampled as they are when they hold few models,
// else split into one panel per model, on the quantity's decades, each subsampled.
std::string drawn(const PairPlotInput& input, std::string_view id_prefix, std::string_view title,
                  std::vector<LogLogPanel> panels, std::string_view together_how,
                  std::string_view apart_how) {
  const std::size_t models = input.models.size();
  if (together(models)) {
    for (LogLogPanel& p : panels) {
      std::size_t total = 0;
      for (std::size_t n : p.totals) total += n;
      note_subsample(p, p.marks.size(), total, together_how);
    }
    return picture(input, id_prefix, title, panels, kWide);
  }
  std::vector<LogLogPanel> apart;
  for (const LogLogPanel& p : panels) {
    for (std::size_t m = 0; m < models; ++m) {
      LogLogPanel& one = apart.emplace_back();
      one.caption = p.quantity + ": " + input.models[m];
      one.x_label = p.x_label;
      one.y_label = p.y_label;
      one.lo = p.lo;
      one.hi = p.hi;
      one.model_notes = {p.model_notes[m]};
      for (const Mark& mark : p.marks) {
        if (static_cast<std::size_t>(mark.model) == m) one.marks.push_back(mark);
      }
      note_subsample(one, one.marks.size(), p.totals[m], apart_how);
    }
  }
  return picture(input, id_prefix, title, apart, kNarrow);
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
  panel.quantity = in.quantity;
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
    panel.totals.assign(models, 0);
    in.pairs.for_each([&](const PlotPair& p) {
      if (!usable(p, models)) return;
      ++pairs[static_cast<std::size_t>(p.model)];
      ++(p.cp == 0.0f ? zero : panel.totals)[static_cast<std::size_t>(p.model)];
    });
    Thinning thinning(panel.totals, together(models));
    in.pairs.for_each([&](const PlotPair& p) {
      if (!usable(p, models) || p.cp == 0.0f) return;
      if (thinning.keep(p.model)) panel.marks.push_back({p.model, p.co, p.cp});
      widen(panel, p.co, p.cp);
    });
    for (std::size_t m = 0; m < models; ++m) {
      panel.model_notes.push_back(pair_count_note(input.models[m], pairs[m], zero[m]));
    }
  }
  return drawn(input, id_prefix, "Scatter plot: predicted against observed", std::move(panels),
               "evenly spaced in line order, each model in proportion",
               "evenly spaced in line order");
}

std::string qq_svg(const PairPlotInput& input, std::string_view id_prefix) {
  const std::size_t models = input.models.size();
  std::vector<LogLogPanel> panels;
  for (const PairPanel& in : input.panels) {
    LogLogPanel& panel = add_panel(panels, in, ", sorted");
    // Each model's quantile pairs: its i-th smallest observation against its i-th
    // smallest prediction, those from `first` on (a positive prediction) drawn.
    std::vector<std::vector<float>> co(models), cp(models);
    std::vector<std::size_t> first(models);
    in.pairs.for_each([&](const PlotPair& p) {
      if (usable(p, models)) ++first[static_cast<std::size_t>(p.model)];
    });
    for (std::size_t m = 0; m < models; ++m) {
      co[m].reserve(first[m]);
      cp[m].reserve(first[m]);
    }
    in.pairs.for_each([&](const PlotPair& p) {
      if (!usable(p, models)) return;
      co[static_cast<std::size_t>(p.model)].push_back(p.co);
      cp[static_cast<std::size_t>(p.model)].push_back(p.cp);
    });
    std::size_t drawable = 0;
    for (std::size_t m = 0; m < models; ++m) {
      sort_by_key(co[m], ascending_key);
      sort_by_key(cp[m], ascending_key);
      // Zero predictions sort first.
      first[m] = static_cast<std::size_t>(std::upper_bound(cp[m].begin(), cp[m].end(), 0.0f) -
                                          cp[m].begin());
      panel.model_notes.push_back(pair_count_note(input.models[m], co[m].size(), first[m]));
      for (std::size_t i = first[m]; i < co[m].size(); ++i) widen(panel, co[m][i], cp[m][i]);
      drawable += co[m].size() - first[m];
    }
    // Interleave the models rank by rank, by the position among the model's quantiles
    // (0..1), the lower model first at equal positions, so that none is drawn wholly
    // over another; within a model the marks stay in rank order, so a subsample takes
    // evenly spaced ranks.
    auto key = [&](std::size_t m, std::size_t i) {
      return (static_cast<double>(i) + 0.5) / static_cast<double>(co[m].size());
    };
    for (std::size_t m = 0; m < models; ++m) panel.totals.push_back(co[m].size() - first[m]);
    Thinning thinning(panel.totals, together(models));
    std::vector<std::size_t> at = first;
    for (std::size_t n = 0; n < drawable; ++n) {
      std::size_t best = models;
      for (std::size_t m = 0; m < models; ++m) {
        if (at[m] < co[m].size() && (best == models || key(m, at[m]) < key(best, at[best]))) {
          best = m;
        }
      }
      if (thinning.keep(static_cast<int>(best))) {
        panel.marks.push_back({static_cast<int>(best), co[best][at[best]], cp[best][at[best]]});
      }
      ++at[best];
    }
  }
  return drawn(input, id_prefix, "Quantile-quantile plot: sorted predicted against sorted observed",
               std::move(panels), "evenly spaced ranks of each model", "evenly spaced ranks");
}

}  // namespace evaluate
