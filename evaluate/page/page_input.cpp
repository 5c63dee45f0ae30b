#include "evaluate/page/page_input.h"

#include <string_view>
#include <utility>

#include "evaluate/pictures/pair_input.h"
#include "evaluate/pictures/shown_groups.h"
#include "evaluate/tables/tidy.h"

namespace evaluate {

PageInput page_input(const ReportInput& input, const Evaluation& ev) {
  PageInput in;
  in.title = "Model evaluation: " + std::string(input.file);
  auto list = [](const std::vector<std::string>& items) {
    std::string out;
    for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
    return out;
  };
  std::vector<std::string> quantities, groups;
  for (const Quantity& q : ev.quantities) quantities.push_back(q.name);
  for (const Group& g : ev.groups) {
    groups.push_back(g.kind == GroupKind::arc || g.kind == GroupKind::label
                         ? stratum_label(ev.strata[g.stratum]) +
                               (g.kind == GroupKind::arc ? " km" : "")
                         : group_text(g, ev.strata));
  }
  in.facts.emplace_back("Input", std::string(input.file));
  in.facts.emplace_back("Lines", std::to_string(input.lines));
  if (input.counts) {
    auto count = [](const std::optional<long>& c) {
      return c ? std::to_string(*c) : std::string("absent");
    };
    in.facts.emplace_back("Count lines", "ISC Zero Cy " + count(input.counts->isc_zero_cy) +
                                             ", Iaerobs " + count(input.counts->iaerobs) +
                                             ", iallthree " + count(input.counts->iallthree));
  }
  in.facts.emplace_back("Models", list(ev.models));
  in.facts.emplace_back("Quantities", list(quantities));
  in.facts.emplace_back("Groups", list(groups));
  in.facts.emplace_back("Bootstrap", std::to_string(ev.resamples) +
                                         (ev.resamples == 1 ? " resample" : " resamples") +
                                         ", seed " + std::to_string(ev.seed));
  // The criteria in the page's notation: "<=" and ">=" as their signs.
  std::string criteria(criteria_text(ev.criteria));
  for (const auto& [ascii, sign] : {std::pair{"<=", "≤"}, std::pair{">=", "≥"}}) {
    for (std::size_t at = criteria.find(ascii); at != std::string::npos;
         at = criteria.find(ascii, at)) {
      criteria.replace(at, 2, sign);
    }
  }
  in.facts.emplace_back("Criteria", std::string(criteria_name(ev.criteria)) + ": " + criteria);
  in.remarks = input.remarks;
  in.criteria = std::string(criteria_name(ev.criteria));
  for (int k = 0; k < kMeasures; ++k) {
    if (const Criterion* c = criterion_of(ev.criteria, k))
      in.judged.emplace_back(measure_name(k), c->text);
  }
  in.rows = tidy_rows(ev, *in.texts);
  for (const Quantity& q : ev.quantities) {
    if (!q.unit.empty()) in.units.emplace_back(q.name, unit_notation(q.unit));
  }
  // The headings of the arc and label groups as the page's tables give them.
  auto heading = [&ev](std::size_t g) {
    const Group& group = ev.groups[g];
    return group.kind == GroupKind::arc ? "arc " + arc_distance_text(group.arc) + " km"
                                        : group_text(group, ev.strata);
  };
  for (std::size_t q = 0; q < ev.quantities.size(); ++q) {
    const GroupSelection selection = select_groups(ev, q);
    if (!selection.ranked()) continue;
    PageGroups& groups = in.groups.emplace_back();
    groups.quantity = ev.quantities[q].name;
    groups.ranked_by = std::string(ranked_by_name(selection));
    for (std::size_t g : selection.shown) groups.shown.push_back(heading(g));
    for (std::size_t g : selection.rest) groups.rest.push_back(heading(g));
  }
  return in;
}

std::string unit_notation(std::string_view unit) {
  static constexpr std::string_view kSuperscript[] = {"⁰", "¹", "²", "³", "⁴",
                                                      "⁵", "⁶", "⁷", "⁸", "⁹"};
  std::string out;
  for (std::size_t i = 0; i < unit.size(); ++i) {
    const bool minus = i + 2 < unit.size() && unit[i + 1] == '-';
    const std::size_t digits = i + (minus ? 2 : 1);
    if (unit[i] != '^' || digits >= unit.size() || unit[digits] < '0' || unit[digits] > '9') {
      out += unit[i];
      continue;
    }
    if (minus) out += "⁻";
    for (i = digits; i < unit.size() && unit[i] >= '0' && unit[i] <= '9'; ++i) {
      out += kSuperscript[unit[i] - '0'];
    }
    --i;
  }
  return out;
}

PageDiagram page_diagram(const OutputFile& file, std::string svg, const Evaluation& ev) {
  const std::string criteria(criteria_name(ev.criteria));
  struct Place {
    std::string_view prefix, after, caption;
  };
  static constexpr Place kPlaces[] = {
      {"scatter-", "means",
       "Predicted against observed: each model's predicted value Cp (y) against the observed "
       "value Co (x) of its valid pairs, per quantity, on log axes, with the 1:1 line and the "
       "factor-of-two lines Cp = 2 Co and Cp = Co/2."},
      {"qq-", "means",
       "Quantile-quantile: each model's sorted predicted values (y) against the sorted observed "
       "values (x) of its valid pairs, per quantity, on log axes, with the 1:1 line and the "
       "factor-of-two lines."},
      {"mgvg-", "acceptance",
       "MG against VG: each model's geometric mean bias MG (x) and geometric variance VG (y) "
       "over all lines as a large marker with its 95% limits as bars, and over each group as a "
       "small labelled marker, per quantity, on log axes; the curve is the least VG an MG "
       "allows, the shading the acceptance region of the "},
      {"fbnmse-", "acceptance",
       "FB against NMSE: each model's fractional bias FB (x) and normalised mean square error "
       "NMSE (y) over all lines as a large marker with its 95% limits as bars, and over each "
       "group as a small labelled marker, per quantity; the shading is the acceptance region of "
       "the "},
      {"residuals-", "acceptance",
       "Residuals: box plots of Cp/Co (log axis) of each model's valid pairs per group and per "
       "stability class, per quantity: the box from the lower to the upper quartile with the "
       "median, whiskers to the furthest values within 1.5 times the interquartile range, the "
       "factor-of-two band shaded."},
      {"taylor-", "operational",
       "Taylor diagram: each model's ratio of standard deviations SDR = SdP/SdO (distance from "
       "the origin) and correlation R (angle) over all lines and over each group, per "
       "quantity; the distance from the reference point (1, 0) is the centred root mean square "
       "error over SdO."},
      {"target-", "operational",
       "Target diagram: each model's mean bias MB (y) against its centred root mean square "
       "error CRMSE (x, signed by the larger spread), both over SdO (over β RMS_U with "
       "--uncertainty), over all lines and over each group, per quantity."},
  };
  for (const Place& p : kPlaces) {
    if (file.id_prefix != p.prefix) continue;
    std::string caption(p.caption);
    if (caption.ends_with("the ")) caption += criteria + " criteria.";
    bool ranked = false;
    for (std::size_t q = 0; q < ev.quantities.size(); ++q)
      ranked = ranked || select_groups(ev, q).ranked();
    if (ranked && p.prefix != "scatter-" && p.prefix != "qq-") {
      caption += p.prefix == "residuals-"
                     ? " Of more than 50 groups, the 50 named in the tables have a box each, in "
                       "their order, and the others share one box."
                     : " Of more than 50 groups, only the 50 named in the tables are labelled.";
    }
    return {caption, std::move(svg), std::string(p.after), p.prefix == "mgvg-"};
  }
  return {std::string(file.caption), std::move(svg)};
}

}  // namespace evaluate
