// The diagnostic diagrams, written as SVG text from plain inputs that say nothing
// of where the values came from (the combined table or a pairs file), and the list
// of the files a run writes, with each picture's drawing. Every element id in a
// picture starts with `id_prefix`, so that pictures can be inlined in one page
// without clashing ids. A panel with more than kMaxPanelPoints points draws a
// deterministic subsample and says so.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "evaluate/pictures/figure.h"

namespace evaluate {

inline constexpr std::size_t kMaxPanelPoints = 5000;

// ---- Pairs: scatter, quantile-quantile and residual pictures ----

// One valid pair (co > 0, cp >= 0) of one model on one line.
struct PlotPair {
  int model = 0;    // index into PairPlotInput::models
  int group = 0;    // index into PairPlotInput::groups (the line's arc or label)
  float obk = NAN;  // the line's Obukhov length, m; NaN when the input has none
  float co = 0.0f;
  float cp = 0.0f;
};

// The pairs of a panel: held, or read from where they are kept each time they are
// visited (a source that passes every pair to the visitor, in the same order each
// time), so that a large input is not held twice.
class PairList {
 public:
  using Visitor = std::function<void(const PlotPair&)>;
  using Source = std::function<void(const Visitor&)>;

  PairList() = default;
  explicit PairList(Source source) : source_(std::move(source)) {}

  // Held pairs.
  void push_back(const PlotPair& pair) { held_.push_back(pair); }
  void reserve(std::size_t n) { held_.reserve(n); }
  PlotPair& operator[](std::size_t i) { return held_[i]; }
  const PlotPair& operator[](std::size_t i) const { return held_[i]; }

  // Every pair, held or read, in order.
  template <class F>
  void for_each(F&& visit) const {
    if (source_) {
      source_(Visitor(std::ref(visit)));
      return;
    }
    for (const PlotPair& pair : held_) visit(pair);
  }
  std::size_t size() const {
    if (!source_) return held_.size();
    std::size_t n = 0;
    for_each([&n](const PlotPair&) { ++n; });
    return n;
  }

 private:
  std::vector<PlotPair> held_;
  Source source_;
};

struct PairPanel {
  std::string quantity;  // "CY/Q"
  std::string caption;   // e.g. "CY/Q: crosswind-integrated value over the emission rate"
  std::string unit;      // e.g. "10^-6 s/m^2"; may be empty
  PairList pairs;        // in line order, the models of one line next to each other
  // With more groups than are named one by one (shown_groups.h): the groups the
  // residual picture draws a box of each, in order (indices into
  // PairPlotInput::groups); the pairs of every other group go into one box. Empty:
  // every group, in order.
  std::vector<int> shown_groups = {};
};

struct PairPlotInput {
  std::vector<std::string> models;  // 1 to 8 names
  std::vector<std::string> groups;  // group labels in report order ("0.50" km, or a label)
  bool groups_are_arcs = true;      // labels are arc distances in km
  bool has_obk = false;             // stability classes can be formed
  std::vector<PairPanel> panels;    // one per quantity
};

std::string scatter_svg(const PairPlotInput& input, std::string_view id_prefix);
std::string qq_svg(const PairPlotInput& input, std::string_view id_prefix);
std::string residuals_svg(const PairPlotInput& input, std::string_view id_prefix);

// ---- Measures: the MG-VG and FB-NMSE diagrams ----

struct Interval {
  double value = NAN;
  double lower = NAN;  // 95% limits; NaN when there are none
  double upper = NAN;
};

struct ModelMeasurePoint {
  int model = 0;  // index into MeasurePlotInput::models
  Interval x;     // MG or FB over all lines
  Interval y;     // VG or NMSE over all lines
};

struct GroupMeasurePoint {
  int model = 0;
  std::string label;  // the arc's distance ("1.00") or the group's label
  double x = NAN;
  double y = NAN;
  bool labelled = true;  // false: one of the many groups drawn small and unlabelled
};

struct MeasurePanel {
  std::string quantity;
  std::vector<ModelMeasurePoint> models;
  std::vector<GroupMeasurePoint> groups;
};

// The acceptance region of the judged criteria; NaN where a bound is not judged.
// MG-VG: x from x_lower to x_upper, y up to y_upper. FB-NMSE: |FB| <= x_upper
// (x_lower = -x_upper), NMSE <= y_upper. No region is shaded when neither axis is judged.
struct AcceptanceRegion {
  double x_lower = NAN;
  double x_upper = NAN;
  double y_upper = NAN;
};

struct MeasurePlotInput {
  std::vector<std::string> models;
  std::vector<MeasurePanel> panels;  // one per quantity
  AcceptanceRegion region;
  std::string criteria;  // "rural" or "urban", named in the picture
};

std::string mg_vg_svg(const MeasurePlotInput& input, std::string_view id_prefix);
std::string fb_nmse_svg(const MeasurePlotInput& input, std::string_view id_prefix);

// The foot note of a picture whose panels draw groups unlabelled.
std::string unlabelled_note();

// Which of a panel's group points are drawn: every labelled one; of the unlabelled,
// all while they are at most kMaxPanelPoints, else kMaxPanelPoints of them evenly
// spaced in their order (group by group). `unlabelled` is set to their number.
template <class Point>
std::vector<bool> drawn_points(const std::vector<Point>& points, std::size_t& unlabelled) {
  std::vector<std::size_t> others;
  for (std::size_t i = 0; i < points.size(); ++i) {
    if (!points[i].labelled) others.push_back(i);
  }
  unlabelled = others.size();
  std::vector<bool> drawn(points.size(), true);
  if (others.size() <= kMaxPanelPoints) return drawn;
  for (std::size_t i : others) drawn[i] = false;
  for (std::size_t j : evenly_spaced(others.size(), kMaxPanelPoints)) drawn[others[j]] = true;
  return drawn;
}

// The note of a panel that draws only some of its unlabelled points; empty when it
// draws them all.
std::string thinned_note(std::size_t unlabelled);

// ---- Skill: the Taylor and target diagrams ----

// The summary statistics of one model's valid pairs in one group (NaN where not
// formed), and, with a measurement uncertainty, beta times RMS_U of the group.
struct SkillPoint {
  int model = 0;      // index into SkillPlotInput::models
  std::string label;  // the arc's distance or the group's label; empty for all lines
  double mean_o = NAN, mean_p = NAN;
  double sd_o = NAN, sd_p = NAN;  // divisor N
  double r = NAN;
  double beta_rms_u = NAN;  // beta RMS_U; NaN without a measurement uncertainty
  bool labelled = true;     // false: one of the many groups drawn small and unlabelled
};

// The quality objective of one model over a quantity's groups.
struct SkillObjective {
  int model = 0;
  double mqi90 = NAN;
  long groups_above_1 = -1;  // -1: not known
};

struct SkillPanel {
  std::string quantity;
  std::vector<SkillPoint> models;  // all lines, one per model
  std::vector<SkillPoint> groups;  // each arc's or label's, model by model within a group
  // With a measurement uncertainty for this quantity: beta (the target diagram then
  // scales by beta RMS_U) and each model's MQI90; NaN and empty without.
  double beta = NAN;
  std::vector<SkillObjective> objectives;
};

struct SkillPlotInput {
  std::vector<std::string> models;
  std::vector<SkillPanel> panels;  // one per quantity
};

// A point of the normalised Taylor diagram: radius SDR = sd_p/sd_o at the angle
// arccos R, as x = SDR R and y = SDR sqrt(1 - R^2), and its distance from the
// reference point (1, 0), CRMSE/sd_o = sqrt(1 + SDR^2 - 2 SDR R); NaN when not formed.
struct TaylorPlace {
  double x = NAN, y = NAN, crmse = NAN;
};
TaylorPlace taylor_place(const SkillPoint& p);

// Whether the Taylor diagram spans two quadrants: when any point it draws has R < 0.
bool taylor_two_quadrants(const SkillPlotInput& input);

// A point of the target diagram, with scale s: x = +-CRMSE/s and y = MB/s, MB = mean_p -
// mean_o. Without beta RMS_U, s = sd_o and x is positive when sd_p > sd_o; with it,
// s = beta RMS_U and x is positive when |sd_p - sd_o| / (sd_o sqrt(2 (1 - R))) >= 1.
// NaN when not formed.
struct TargetPlace {
  double x = NAN, y = NAN;
};
TargetPlace target_place(const SkillPoint& p);

std::string taylor_svg(const SkillPlotInput& input, std::string_view id_prefix);
std::string target_svg(const SkillPlotInput& input, std::string_view id_prefix);

// ---- Box-plot statistics of one set of values ----

struct BoxStats {
  std::size_t n = 0;
  double q1 = NAN, median = NAN, q3 = NAN;  // linear interpolation between order statistics
  double whisker_low = NAN;                 // the least value >= q1 - 1.5 IQR
  double whisker_high = NAN;                // the greatest value <= q3 + 1.5 IQR
  std::vector<double> outside;              // values beyond the whiskers, ascending
};

BoxStats box_stats(std::vector<double> values);

// ---- Stability classes of the residual picture, by the hour's Obukhov length L (m) ----

enum class StabilityClass { very_unstable, unstable, neutral, stable, very_stable, none };
inline constexpr int kStabilityClasses = 5;  // the classes before `none`, in drawing order

// VU -100 < L < 0; U -500 < L <= -100; N |L| >= 500; S 100 <= L < 500; VS 0 < L < 100;
// none for the hours in neither stability group (stability_of in input/groups.h:
// L = 0, NaN, and L <= kMissingObk).
StabilityClass stability_class(float obk);
std::string_view stability_class_name(StabilityClass c);  // "VU", "U", "N", "S", "VS", ""

// ---- The files a run writes ----

// What the pictures are drawn from, each made once per run.
struct PictureSources {
  const PairPlotInput& pairs;
  const MeasurePlotInput& mg_vg;
  const MeasurePlotInput& fb_nmse;
  const SkillPlotInput& skill;
};

enum class OutputKind { statistics, tidy, picture, page };

// A picture as drawn: the whole (quantity empty) or one quantity's part of it.
struct DrawnPicture {
  std::string quantity;
  std::string svg;
};

// The picture of `input` drawn whole, and, when the whole would print taller than
// kMaxPrintHeightMm at its stated width and shows more than one quantity, drawn
// again once per quantity (the parts' ids prefixed "<id_prefix><n>-", n from 1).
template <class Input>
std::vector<DrawnPicture> drawn_for_print(const Input& input, std::string_view id_prefix,
                                          std::string (*draw)(const Input&, std::string_view)) {
  std::vector<DrawnPicture> drawn{{"", draw(input, id_prefix)}};
  const SvgSize size = svg_size(drawn.front().svg);
  if (input.panels.size() < 2 || fits_print(size.width, size.height)) return drawn;
  for (std::size_t q = 0; q < input.panels.size(); ++q) {
    Input part = input;
    part.panels = {input.panels[q]};
    drawn.push_back({input.panels[q].quantity,
                     draw(part, std::string(id_prefix) + std::to_string(q + 1) + "-")});
  }
  return drawn;
}

// One file of a run, named "<stem><suffix>". A picture also has its caption on the
// page, the prefix of its element ids and its drawing: the whole, then the parts
// when it is split, each part in a file of its own ("<stem>-Residuals-1.svg", ...)
// that the page shows in place of the whole.
struct OutputFile {
  std::string_view suffix;
  OutputKind kind;
  std::string_view caption = {};
  std::string_view id_prefix = {};
  std::vector<DrawnPicture> (*draw)(const PictureSources& sources,
                                    std::string_view id_prefix) = nullptr;
};

// Every file of a run in writing order; the page shows the pictures in this order.
inline constexpr OutputFile kOutputFiles[] = {
    {.suffix = "-Model-Statistics.txt", .kind = OutputKind::statistics},
    {.suffix = "-Model-Statistics.csv", .kind = OutputKind::tidy},
    {.suffix = "-Scatter.svg",
     .kind = OutputKind::picture,
     .caption = "Predicted against observed",
     .id_prefix = "scatter-",
     .draw = [](const PictureSources& s,
                std::string_view id) { return drawn_for_print(s.pairs, id, scatter_svg); }},
    {.suffix = "-QQ.svg",
     .kind = OutputKind::picture,
     .caption = "Quantile-quantile",
     .id_prefix = "qq-",
     .draw = [](const PictureSources& s,
                std::string_view id) { return drawn_for_print(s.pairs, id, qq_svg); }},
    {.suffix = "-MG-VG.svg",
     .kind = OutputKind::picture,
     .caption = "MG against VG",
     .id_prefix = "mgvg-",
     .draw = [](const PictureSources& s,
                std::string_view id) { return drawn_for_print(s.mg_vg, id, mg_vg_svg); }},
    {.suffix = "-FB-NMSE.svg",
     .kind = OutputKind::picture,
     .caption = "FB against NMSE",
     .id_prefix = "fbnmse-",
     .draw = [](const PictureSources& s,
                std::string_view id) { return drawn_for_print(s.fb_nmse, id, fb_nmse_svg); }},
    {.suffix = "-Residuals.svg",
     .kind = OutputKind::picture,
     .caption = "Residuals Cp/Co by group and stability class",
     .id_prefix = "residuals-",
     .draw = [](const PictureSources& s,
                std::string_view id) { return drawn_for_print(s.pairs, id, residuals_svg); }},
    {.suffix = "-Taylor.svg",
     .kind = OutputKind::picture,
     .caption = "Taylor diagram: spread, correlation, centred error",
     .id_prefix = "taylor-",
     .draw = [](const PictureSources& s,
                std::string_view id) { return drawn_for_print(s.skill, id, taylor_svg); }},
    {.suffix = "-Target.svg",
     .kind = OutputKind::picture,
     .caption = "Target diagram: centred error and mean bias",
     .id_prefix = "target-",
     .draw = [](const PictureSources& s,
                std::string_view id) { return drawn_for_print(s.skill, id, target_svg); }},
    {.suffix = "-Evaluation.html", .kind = OutputKind::page},
};

// The name of `file` for a run's stem ("TLV", or a pairs file's name without its
// extension), and of its part n = 1, 2, ... ("-<n>" before the extension).
inline std::string output_name(std::string_view stem, const OutputFile& file) {
  return std::string(stem) + std::string(file.suffix);
}
inline std::string output_name(std::string_view stem, const OutputFile& file, std::size_t part) {
  const std::string_view suffix = file.suffix;
  const std::size_t dot = std::min(suffix.rfind('.'), suffix.size());
  std::string name(stem);
  name.append(suffix.substr(0, dot)).append("-").append(std::to_string(part));
  return name.append(suffix.substr(dot));
}

}  // namespace evaluate
