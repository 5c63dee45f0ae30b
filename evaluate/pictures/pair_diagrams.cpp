// The scatter and quantile-quantile pictures: one log-log panel per quantity, every
// model in every panel, the 1:1 and factor-of-two lines.
#include <algorithm>
#include <cmath>
#include <limits>

#include "evaluate/pictures/diagrams.h"
#include "evaluate/pictures/svg.h"

namespace evaluate {
namespace {

constexpr double kPlot = 380;     // plot square, px
constexpr double kColumn = 480;   // width of a panel column
constexpr double kInset = 100;    // from the column's left to the plot
constexpr double kNoteLine = 15;  // px per note line
constexpr double kNoteFont = 11;

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

std::vector<std::string> note_lines(const LogLogPanel& panel) {
  std::vector<std::string> lines;
  for (const std::string& note : panel.notes) {
    for (std::string& line : wrap_text(note, kColumn - 40, kNoteFont))
      lines.push_back(std::move(line));
  }
  return lines;
}

void draw_panel(SvgDoc& doc, const LogLogPanel& panel, double left, double top,
                const std::string& clip_id) {
  const double right = left + kPlot;
  const double bottom = top + kPlot;
  const DecadeRange range = decade_range(panel.lo, panel.hi);
  auto px = [&](double v) { return log_position(v, range, left, right); };
  auto py = [&](double v) { return log_position(v, range, bottom, top); };

  // Centred over the plot, within the column and the picture.
  const double caption_font = std::min(14.0, 14.0 * (kColumn - 60) / text_width(panel.caption, 14));
  doc.text(left + kPlot / 2, top - 14, xml_escape(panel.caption),
           "font-size=\"" + num(caption_font) + "\" text-anchor=\"middle\"");
  log_axis(doc, range, false, left, right, bottom, kPlot, false);
  log_axis(doc, range, true, bottom, top, left, kPlot, false);

  // 1:1 and factor-of-two lines, clipped to the plot.
  doc.add("<clipPath id=\"" + clip_id + "\"><rect x=\"" + num(left) + "\" y=\"" + num(top) +
          "\" width=\"" + num(kPlot) + "\" height=\"" + num(kPlot) + "\"/></clipPath>");
  doc.add("<g clip-path=\"url(#" + clip_id + ")\">");
  const double a = std::pow(10.0, range.lo);
  const double b = std::pow(10.0, range.hi);
  doc.line(px(a), py(a), px(b), py(b), "stroke=\"black\" stroke-width=\"1.2\"");
  doc.line(px(a), py(2 * a), px(b), py(2 * b),
           "stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6,4\"");
  doc.line(px(a), py(a / 2), px(b), py(b / 2),
           "stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6,4\"");
  doc.add("</g>");

  // Markers in the order given (the models of one line next to each other), thinner
  // and translucent where they crowd, so that no model hides another.
  const bool dense = panel.marks.size() > 300;
  doc.add(std::string("<g fill=\"none\" stroke-width=\"") + (dense ? "1.1" : "1.5") + "\"" +
          (dense ? " stroke-opacity=\"0.6\"" : "") + ">");
  const double size = panel.marks.size() > 1500 ? 3.2 : 4;
  for (const Mark& m : panel.marks) doc.marker(m.model, px(m.x), py(m.y), size);
  doc.add("</g>");
  doc.rect(left, top, kPlot, kPlot, "fill=\"none\" stroke=\"black\"");

  doc.text(left + kPlot / 2, bottom + 48, xml_escape(panel.x_label),
           "font-size=\"13\" text-anchor=\"middle\"");
  const double ly = top + kPlot / 2;
  const double lx = left - 58;
  doc.text(lx, ly, xml_escape(panel.y_label),
           "font-size=\"13\" text-anchor=\"middle\" transform=\"rotate(-90 " + num(lx) + " " +
               num(ly) + ")\"");
  if (panel.marks.empty()) {
    doc.text(left + kPlot / 2, top + kPlot / 2, "no pairs to show",
             "font-size=\"14\" text-anchor=\"middle\" fill=\"#777777\"");
  }
  // Notes, left-aligned under the panel, wrapped to its column.
  double y = bottom + 70;
  for (const std::string& line : note_lines(panel)) {
    doc.text(left - 60, y, xml_escape(line), "font-size=\"11\" fill=\"#333333\"");
    y += kNoteLine;
  }
}

std::string picture(const PairPlotInput& input, std::string_view id_prefix, std::string_view title,
                    const std::vector<LogLogPanel>& panels) {
  SvgDoc doc;
  const std::size_t columns = std::clamp<std::size_t>(panels.size(), 1, 2);
  const double width = 20 + kColumn * static_cast<double>(columns);
  const double title_font = std::min(19.0, 19.0 * (width - 20) / text_width(title, 19));
  doc.text(width / 2, 34, xml_escape(title),
           "font-size=\"" + num(title_font) + "\" font-weight=\"bold\" text-anchor=\"middle\"");
  double row_top = 60;
  for (std::size_t first = 0; first < panels.size(); first += columns) {
    std::size_t notes = 0;
    for (std::size_t i = first; i < std::min(panels.size(), first + columns); ++i) {
      notes = std::max(notes, note_lines(panels[i]).size());
      draw_panel(doc, panels[i], kInset + kColumn * static_cast<double>(i - first), row_top + 30,
                 xml_escape(id_prefix) + "plot" + std::to_string(i));
    }
    row_top += 30 + kPlot + 60 + kNoteLine * static_cast<double>(notes) + 12;
  }
  if (panels.empty()) {
    doc.text(width / 2, row_top + 40, "no quantities to show",
             "font-size=\"14\" text-anchor=\"middle\" fill=\"#777777\"");
    row_top += 80;
  }
  std::vector<LegendItem> legend;
  for (std::size_t m = 0; m < input.models.size(); ++m) {
    legend.push_back({static_cast<int>(m), "", "", input.models[m]});
  }
  legend.push_back({-1, "stroke=\"black\" stroke-width=\"1.2\"", "", "1:1"});
  legend.push_back({-1, "stroke=\"#555555\" stroke-width=\"1\" stroke-dasharray=\"6,4\"", "",
                    "factor of two (Cp = 2 Co, Cp = Co/2)"});
  const double bottom = draw_legend(doc, legend, width, row_top + 14);
  return doc.finish(width, bottom + 4);
}

std::string pair_count_note(const std::string& model, std::size_t pairs, std::size_t zero) {
  std::string note = model + ": " + grouped(pairs) + (pairs == 1 ? " pair" : " pairs");
  if (zero > 0) note += ", " + grouped(zero) + " with prediction 0 not shown";
  return note;
}

}  // namespace

std::string scatter_svg(const PairPlotInput& input, std::string_view id_prefix) {
  const std::size_t models = input.models.size();
  std::vector<LogLogPanel> panels;
  for (const PairPanel& in : input.panels) {
    LogLogPanel& panel = panels.emplace_back();
    panel.caption = in.caption.empty() ? in.quantity : in.caption;
    panel.x_label = with_unit("Observed " + in.quantity, in.unit);
    panel.y_label = with_unit("Predicted " + in.quantity, in.unit);
    std::vector<std::size_t> pairs(models), zero(models);
    for (const PlotPair& p : in.pairs) {
      if (!usable(p, models)) continue;
      ++pairs[static_cast<std::size_t>(p.model)];
      if (p.cp == 0.0f) {
        ++zero[static_cast<std::size_t>(p.model)];
        continue;
      }
      panel.marks.push_back({p.model, p.co, p.cp});
      panel.lo = std::min({panel.lo, static_cast<double>(p.co), static_cast<double>(p.cp)});
      panel.hi = std::max({panel.hi, static_cast<double>(p.co), static_cast<double>(p.cp)});
    }
    for (std::size_t m = 0; m < models; ++m) {
      panel.notes.push_back(pair_count_note(input.models[m], pairs[m], zero[m]));
    }
    subsample(panel, models, "evenly spaced in line order, each model in proportion");
  }
  return picture(input, id_prefix, "Scatter plot: observed against predicted", panels);
}

std::string qq_svg(const PairPlotInput& input, std::string_view id_prefix) {
  const std::size_t models = input.models.size();
  std::vector<LogLogPanel> panels;
  for (const PairPanel& in : input.panels) {
    LogLogPanel& panel = panels.emplace_back();
    panel.caption = in.caption.empty() ? in.quantity : in.caption;
    panel.x_label = with_unit("Observed " + in.quantity + ", sorted", in.unit);
    panel.y_label = with_unit("Predicted " + in.quantity + ", sorted", in.unit);
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
      for (std::size_t i = first; i < co.size(); ++i) {
        panel.lo = std::min({panel.lo, static_cast<double>(co[i]), static_cast<double>(cp[i])});
        panel.hi = std::max({panel.hi, static_cast<double>(co[i]), static_cast<double>(cp[i])});
      }
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
