#include "evaluate/page/page_input.h"

#include "evaluate/pictures/pair_input.h"
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
  in.facts.emplace_back("Criteria", std::string(criteria_name(ev.criteria)) + ": " +
                                        std::string(criteria_text(ev.criteria)));
  in.remarks = input.remarks;
  in.criteria = std::string(criteria_name(ev.criteria));
  for (int k = 0; k < kMeasures; ++k) {
    if (const Criterion* c = criterion_of(ev.criteria, k))
      in.judged.emplace_back(measure_name(k), c->text);
  }
  in.rows = tidy_rows(ev);
  return in;
}

}  // namespace evaluate
