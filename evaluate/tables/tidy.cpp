#include "evaluate/tables/tidy.h"

#include <array>
#include <cfloat>
#include <charconv>
#include <functional>

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

// A mark as its field: empty where there is none.
std::string mark_text(char mark) {
  return mark == '\0' ? std::string() : std::string(1, mark);
}

std::string count(TidyCount n) {
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

std::string tidy_line(const TidyRow& r) {
  const std::string texts[] = {std::string(r.model),   std::string(r.quantity),
                               std::string(r.group),   number(r.arc_km),
                               std::string(r.measure), number(r.value),
                               number(r.lower),        number(r.upper),
                               mark_text(r.mark),      count(r.lines),
                               count(r.obs_out),       count(r.mod_unr),
                               count(r.mod_neg),       count(r.n),
                               count(r.n_pos),         count(r.n_both),
                               count(r.boot)};
  std::string out;
  bool first = true;
  for (const std::string& t : texts) {
    if (!first) out += ',';
    first = false;
    field(out, t);
  }
  return out;
}

std::string tidy_csv(std::span<const TidyRow> rows) {
  std::string out(kTidyHeader);
  out += "\r\n";
  for (const TidyRow& r : rows) {
    out += tidy_line(r);
    out += "\r\n";
  }
  return out;
}

namespace {

// Where the rows go, one by one.
struct Rows {
  const std::function<void(const TidyRow&)>& to;
  TidyTexts& texts;
  void push_back(const TidyRow& row) { to(row); }
};

TidyRow row_base(TidyTexts& texts, const Evaluation& ev, std::size_t q, std::size_t g) {
  const Group& group = ev.groups[g];
  TidyRow base;
  base.quantity = texts.keep(ev.quantities[q].name);
  base.group = texts.keep(group_text(group, ev.strata));
  if (group.kind == GroupKind::arc) base.arc_km = decimal_of(group.arc);
  return base;
}

// The key and counts of model m's line of quantity q and group g, and of a pair of
// models' line.
TidyRow model_row(TidyTexts& texts, const Evaluation& ev, std::size_t q, std::size_t g,
                  std::size_t m) {
  const ModelGroupResult& r = ev.results[q][g].models[m];
  TidyRow row = row_base(texts, ev, q, g);
  row.model = texts.keep(ev.models[m]);
  row.lines = r.lines;
  row.obs_out = r.observed_out;
  row.mod_unr = r.model_unread;
  row.mod_neg = r.model_negative;
  row.n = r.n;
  row.n_pos = r.npos;
  row.boot = r.boot;
  return row;
}
TidyRow difference_row(TidyTexts& texts, const Evaluation& ev, std::size_t q, std::size_t g,
                       const DifferenceResult& d) {
  TidyRow row = row_base(texts, ev, q, g);
  row.model = texts.keep(pair_name(ev, d));
  row.lines = d.lines;
  row.n_both = d.n_both;
  row.boot = d.boot;
  return row;
}

// A model's rows of the measures `ids`: value, limits (where it has them) and mark.
void add_model_rows(Rows& rows, const Evaluation& ev, std::size_t q, std::size_t g, std::size_t m,
                    const std::vector<int>& ids) {
  const ModelGroupResult& r = ev.results[q][g].models[m];
  TidyRow row = model_row(rows.texts, ev, q, g, m);
  const auto verdicts = acceptance(r.value, ev.criteria);
  const Uncertainty* u = ev.uncertainty[q] ? &*ev.uncertainty[q] : nullptr;
  const bool all = ev.groups[g].kind == GroupKind::all;
  for (int k : ids) {
    if (!formed_with(k, u, all)) continue;
    const bool limits = measure_entry(k).limits && measure_entry(k).written != Written::count;
    row.measure = measure_name(k);
    row.value = r.value[k];
    row.lower = limits ? r.limits[k].lower : NAN;
    row.upper = limits ? r.limits[k].upper : NAN;
    row.mark = limits ? acceptance_mark(verdicts[k], r.limits[k]) : '\0';
    rows.push_back(row);
  }
}

// The rows of the differences `ids` of every pair of models of a quantity and group.
void add_difference_rows(Rows& rows, const Evaluation& ev, std::size_t q, std::size_t g,
                         const std::vector<int>& ids) {
  for (const DifferenceResult& d : ev.results[q][g].differences) {
    TidyRow row = difference_row(rows.texts, ev, q, g, d);
    for (int k : ids) {
      if (!formed_with(k, ev.uncertainty[q] ? &*ev.uncertainty[q] : nullptr, false)) continue;
      row.measure = measure_entry(k).difference_name;
      row.value = d.value[k];
      row.lower = d.limits[k].lower;
      row.upper = d.limits[k].upper;
      row.mark = significance_mark(d.limits[k]);
      rows.push_back(row);
    }
  }
}

// Every model row of every quantity and group, then every difference row, of the
// measures `on_model` and the differences `on_pair`.
void add_rows(Rows& rows, const Evaluation& ev, const std::vector<int>& on_model,
              const std::vector<int>& on_pair) {
  for (std::size_t q = 0; q < ev.quantities.size(); ++q) {
    for (std::size_t g = 0; g < ev.groups.size(); ++g) {
      for (std::size_t m = 0; m < ev.models.size(); ++m)
        add_model_rows(rows, ev, q, g, m, on_model);
    }
  }
  for (std::size_t q = 0; q < ev.quantities.size(); ++q) {
    for (std::size_t g = 0; g < ev.groups.size(); ++g) add_difference_rows(rows, ev, q, g, on_pair);
  }
}

// The exceedance rows of one line: its scores "POD@T" ... (with limits and mark), then
// on a model line its counts "hits@T" ... (no limits, no mark).
void add_exceedance_rows(Rows& rows, TidyRow row, const ExceedanceResult& r, bool differences) {
  const std::string at = std::string(1, '@').append(threshold_text(r.threshold));
  for (int j : threshold_measures(true)) {
    const MeasureEntry& entry = measure_entry(j);
    row.measure =
        rows.texts.keep(std::string(differences ? entry.difference_name : entry.name) + at);
    row.value = r.value[j];
    row.lower = r.limits[j].lower;
    row.upper = r.limits[j].upper;
    row.mark = differences ? significance_mark(r.limits[j])
                           : acceptance_mark(Verdict::not_judged, r.limits[j]);
    rows.push_back(row);
  }
  if (differences) return;
  for (int j : threshold_measures(false)) {
    row.measure = rows.texts.keep(std::string(measure_name(j)) + at);
    row.value = r.value[j];
    row.lower = row.upper = NAN;
    row.mark = '\0';
    rows.push_back(row);
  }
}

// Every exceedance row: per quantity, group, model and threshold, then per quantity,
// group, pair of models and threshold.
void add_exceedances(Rows& rows, const Evaluation& ev) {
  for (const bool differences : {false, true}) {
    for (std::size_t q = 0; q < ev.quantities.size(); ++q) {
      const std::size_t nt = ev.thresholds[q].size();
      for (std::size_t g = 0; g < ev.groups.size() && nt > 0; ++g) {
        const GroupResult& gr = ev.results[q][g];
        const auto& lines = differences ? gr.difference_exceedances : gr.model_exceedances;
        for (std::size_t j = 0; j < lines.size(); ++j) {
          const TidyRow row = differences
                                  ? difference_row(rows.texts, ev, q, g, gr.differences[j / nt])
                                  : model_row(rows.texts, ev, q, g, j / nt);
          add_exceedance_rows(rows, row, lines[j], differences);
        }
      }
    }
  }
}

// Every row, in the order of tidy_rows.
void add_all_rows(Rows& rows, const Evaluation& ev) {
  // The first section as its lines hold the measures: the means (R with its limits)
  // first, then the blocks; then its differences.
  std::vector<int> first = plain_measures();
  for (int k : section_measures(Section::statistics, false)) first.push_back(k);
  add_rows(rows, ev, first, section_measures(Section::statistics, true));
  // Each later section's measures, but those that have their row among the means.
  for (const SectionEntry& entry : later_sections()) {
    if (!ev.written(entry.section)) continue;
    std::vector<int> own;
    for (int k : section_measures(entry.section, false)) {
      if (measure_entry(k).shown != Shown::means) own.push_back(k);
    }
    add_rows(rows, ev, own, section_measures(entry.section, true));
  }
  add_exceedances(rows, ev);
}

}  // namespace

void for_each_tidy_row(const Evaluation& ev, const std::function<void(const TidyRow&)>& to) {
  TidyTexts texts;
  Rows rows{to, texts};
  add_all_rows(rows, ev);
}

std::vector<TidyRow> tidy_rows(const Evaluation& ev, TidyTexts& texts) {
  // Counted first, so that the rows are held without room to spare.
  std::size_t count = 0;
  for_each_tidy_row(ev, [&count](const TidyRow&) { ++count; });
  std::vector<TidyRow> rows;
  rows.reserve(count);
  const std::function<void(const TidyRow&)> into = [&rows](const TidyRow& row) {
    rows.push_back(row);
  };
  Rows kept{into, texts};
  add_all_rows(kept, ev);
  return rows;
}

}  // namespace evaluate
