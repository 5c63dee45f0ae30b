#include "evaluate/tables/tidy.h"

#include <cfloat>
#include <charconv>

#include "evaluate/statistics/evaluation.h"

namespace evaluate {
namespace {

// The shortest decimal form of a value that the table writes as a number: empty when
// it is not formed or beyond the float range (the table's -99.0 and asterisks).
std::string number(double v) {
  if (!std::isfinite(v) || std::fabs(v) > FLT_MAX) return {};
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  if (ec != std::errc()) return {};
  return std::string(buf, end);
}

// An arc distance as the decimal its float was read from (0.8, not 0.800000011920929).
double decimal_of(float v) {
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  double d = v;
  if (ec == std::errc()) std::from_chars(buf, end, d);
  return d;
}

std::string count(const std::optional<long>& n) {
  return n ? std::to_string(*n) : std::string();
}

// A field quoted where it holds a comma, a quote or a line end.
void field(std::string& out, std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

}  // namespace

std::string tidy_csv(std::span<const TidyRow> rows) {
  std::string out(kTidyHeader);
  out += "\r\n";
  for (const TidyRow& r : rows) {
    const std::string texts[] = {
        r.model,          r.quantity,       r.group,          number(r.arc_km), r.measure,
        number(r.value),  number(r.lower),  number(r.upper),  r.mark,           count(r.lines),
        count(r.obs_out), count(r.mod_unr), count(r.mod_neg), count(r.n),       count(r.n_pos),
        count(r.n_both),  count(r.boot)};
    bool first = true;
    for (const std::string& t : texts) {
      if (!first) out += ',';
      first = false;
      field(out, t);
    }
    out += "\r\n";
  }
  return out;
}

std::vector<TidyRow> tidy_rows(const Evaluation& ev) {
  std::vector<TidyRow> rows;
  for (std::size_t q = 0; q < ev.quantities.size(); ++q) {
    for (std::size_t g = 0; g < ev.groups.size(); ++g) {
      const Group& group = ev.groups[g];
      const GroupResult& gr = ev.results[q][g];
      TidyRow base;
      base.quantity = ev.quantities[q].name;
      base.group = group_text(group, ev.strata);
      if (group.kind == GroupKind::arc) base.arc_km = decimal_of(group.arc);
      for (std::size_t m = 0; m < ev.models.size(); ++m) {
        const ModelGroupResult& r = gr.models[m];
        TidyRow row = base;
        row.model = ev.models[m];
        row.lines = r.lines;
        row.obs_out = r.observed_out;
        row.mod_unr = r.model_unread;
        row.mod_neg = r.model_negative;
        row.n = r.n;
        row.n_pos = r.npos;
        row.boot = r.boot;
        const auto verdicts = acceptance(r.value, ev.criteria);
        // The measures without limits first, then those with limits and a mark, as
        // the table's line holds them.
        for (const bool with_limits : {false, true}) {
          for (int k = 0; k < kMeasures; ++k) {
            if (measure_entry(k).limits != with_limits) continue;
            row.measure = measure_name(k);
            row.value = r.value[k];
            row.lower = with_limits ? r.limits[k].lower : NAN;
            row.upper = with_limits ? r.limits[k].upper : NAN;
            row.mark = with_limits ? std::string(1, acceptance_mark(verdicts[k], r.limits[k])) : "";
            rows.push_back(row);
          }
        }
      }
    }
  }
  for (std::size_t q = 0; q < ev.quantities.size(); ++q) {
    for (std::size_t g = 0; g < ev.groups.size(); ++g) {
      const Group& group = ev.groups[g];
      for (const DifferenceResult& d : ev.results[q][g].differences) {
        TidyRow row;
        row.model = pair_name(ev, d);
        row.quantity = ev.quantities[q].name;
        row.group = group_text(group, ev.strata);
        if (group.kind == GroupKind::arc) row.arc_km = decimal_of(group.arc);
        row.lines = d.lines;
        row.n_both = d.n_both;
        row.boot = d.boot;
        for (int k = 0; k < kMeasures; ++k) {
          if (measure_entry(k).difference == Difference::none) continue;
          row.measure = measure_entry(k).difference_name;
          row.value = d.value[k];
          row.lower = d.limits[k].lower;
          row.upper = d.limits[k].upper;
          row.mark = std::string(1, significance_mark(d.limits[k]));
          rows.push_back(row);
        }
      }
    }
  }
  return rows;
}

}  // namespace evaluate
