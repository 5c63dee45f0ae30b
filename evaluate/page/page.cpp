#include "evaluate/page/page.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <optional>
#include <tuple>

#include "evaluate/input/groups.h"
#include "evaluate/page/page_style.h"
#include "evaluate/pictures/svg.h"
#include "evaluate/statistics/criteria.h"
#include "evaluate/statistics/exceedance.h"
#include "evaluate/statistics/measures.h"

namespace evaluate {
namespace {

// ---- What each table shows ----

enum class CellKind {
  judged,      // value, limits, acceptance mark
  difference,  // value, limits, significance mark
  limits,      // value and limits, no mark
  plain,       // value only
};

// What a column's values are in: no unit, the quantity's units, or a count.
enum class Unit { none, quantity, count };

struct Column {
  std::string measure;
  std::string title;  // what the measure is, for the column head's title text
  Unit unit = Unit::none;
};

Unit unit_of(const MeasureEntry& entry) {
  if (entry.written == Written::count) return Unit::count;
  return entry.in_units ? Unit::quantity : Unit::none;
}

struct Count {
  std::string_view label;
  std::string_view title;
  TidyCount TidyRow::*field;
};

struct TableKind {
  std::string id;       // element id prefix; the quantity's number follows
  std::string caption;  // after the quantity
  CellKind cells;
  std::vector<Column> columns;
  std::vector<Count> counts;
};

// The columns of the measures the page shows in one table, in table order.
std::vector<Column> shown(Shown where) {
  std::vector<Column> out;
  for (const MeasureEntry& entry : measure_table()) {
    if (entry.shown == where) {
      out.push_back({std::string(entry.name), std::string(entry.title), unit_of(entry)});
    }
  }
  return out;
}

Column difference_column(const MeasureEntry& entry) {
  std::string title(entry.difference_title);
  if (title.empty()) {
    const std::string ln = entry.difference == Difference::log ? "ln " : "";
    const std::string name(entry.name);
    title = ln + name + " of the first model minus " + ln + name + " of the second";
  }
  // A plain difference keeps the measure's units; a difference of logarithms has none.
  const Unit unit = entry.difference == Difference::plain ? unit_of(entry) : Unit::none;
  return {std::string(entry.difference_name), title, unit};
}

// The columns of the differences of the first section's measures shown in `where`
// (all: every one).
std::vector<Column> differences(std::optional<Shown> where) {
  std::vector<Column> out;
  for (int id : section_measures(Section::statistics, true)) {
    const MeasureEntry& entry = measure_entry(id);
    if (!where || entry.shown == *where) out.push_back(difference_column(entry));
  }
  return out;
}

// The tables of a later section: its measures with their limits per model and group,
// and their differences per pair of models.
std::vector<TableKind> section_kinds(const SectionEntry& section) {
  std::vector<TableKind> kinds;
  std::vector<Column> columns;
  for (int id : section_measures(section.section, false)) {
    const MeasureEntry& entry = measure_entry(id);
    columns.push_back({std::string(entry.name), std::string(entry.title), unit_of(entry)});
  }
  kinds.push_back({std::string(section.id),
                   std::string(section.title) + " per model and group",
                   CellKind::limits,
                   columns,
                   {{"N", "valid pairs", &TidyRow::n}}});
  columns.clear();
  for (int id : section_measures(section.section, true)) {
    columns.push_back(difference_column(measure_entry(id)));
  }
  kinds.push_back({std::string(section.id) + "-differences",
                   std::string(section.title) + ", differences between the models",
                   CellKind::difference,
                   columns,
                   {{"N.both", "lines where both models' pairs are valid", &TidyRow::n_both}}});
  return kinds;
}

// The thresholds of the exceedance rows ("30" of "POD@30"), in order of first
// appearance.
std::vector<std::string> thresholds_of(const std::vector<TidyRow>& rows) {
  std::vector<std::string> out;
  for (const TidyRow& row : rows) {
    if (row.measure.rfind("POD@", 0) != 0) continue;
    const std::string t(row.measure.substr(4));
    if (std::find(out.begin(), out.end(), t) == out.end()) out.push_back(t);
  }
  return out;
}

// The tables of one threshold (the `number`-th): the scores with their limits and the
// counts per model and group, and the scores' differences per pair of models.
std::vector<TableKind> exceedance_kinds(const std::string& t, std::size_t number) {
  const std::string id = std::string("exceedances-").append(std::to_string(number));
  std::vector<Column> scores, counts, differences;
  for (int id : threshold_measures(true)) {
    const MeasureEntry& entry = measure_entry(id);
    scores.push_back({std::string(entry.name) + "@" + t, std::string(entry.title)});
    differences.push_back(
        {std::string(entry.difference_name) + "@" + t,
         std::string(entry.name) + " of the first model minus that of the second"});
  }
  for (int id : threshold_measures(false)) {
    counts.push_back({std::string(measure_name(id)) + "@" + t, std::string(measure_entry(id).title),
                      Unit::count});
  }
  const std::string above = std::string(" above ").append(t);
  return {{id,
           "exceedance scores" + above + " per model and group",
           CellKind::limits,
           scores,
           {{"N", "valid pairs", &TidyRow::n}}},
          {id + "-counts",
           "exceedance counts" + above + " per model and group",
           CellKind::plain,
           counts,
           {{"N", "valid pairs", &TidyRow::n}}},
          {id + "-differences",
           "exceedance scores" + above + ", differences between the models",
           CellKind::difference,
           differences,
           {{"N.both", "lines where both models' pairs are valid", &TidyRow::n_both}}}};
}

const TableKind& acceptance_kind() {
  static const TableKind kind{
      "acceptance",
      "acceptance per model and group",
      CellKind::judged,
      shown(Shown::acceptance),
      {{"Lines", "lines in the group", &TidyRow::lines},
       {"N", "valid pairs", &TidyRow::n},
       {"Npos", "valid pairs with both values positive (MG, VG)", &TidyRow::n_pos}}};
  return kind;
}

const TableKind& differences_kind() {
  static const TableKind kind{
      "differences",
      "differences between the models (first minus second)",
      CellKind::difference,
      differences(std::nullopt),
      {{"N.both", "lines where both models' pairs are valid", &TidyRow::n_both}}};
  return kind;
}

const TableKind& high_end_kind() {
  static const TableKind kind{"high-end",
                              "robust highest concentrations per model and group",
                              CellKind::limits,
                              shown(Shown::high_end),
                              {{"N", "valid pairs", &TidyRow::n}}};
  return kind;
}

const TableKind& high_end_differences_kind() {
  static const TableKind kind{
      "high-end-differences",
      "high end, differences between the models",
      CellKind::difference,
      differences(Shown::high_end),
      {{"N.both", "lines where both models' pairs are valid", &TidyRow::n_both}}};
  return kind;
}

const TableKind& means_kind() {
  static const TableKind kind{
      "means",
      "means, standard deviations and correlation",
      CellKind::plain,
      shown(Shown::means),
      {{"Lines", "lines in the group", &TidyRow::lines},
       {"ObsOut", "pairs left out: observation missing or not positive", &TidyRow::obs_out},
       {"ModUnr", "pairs left out: model field blank or unreadable", &TidyRow::mod_unr},
       {"ModNeg", "pairs left out: model value negative", &TidyRow::mod_neg},
       {"N", "valid pairs", &TidyRow::n},
       {"Boot", "resamples in which the group had pairs", &TidyRow::boot}}};
  return kind;
}

// A definition or criterion in the page's notation: "<=" and ">=" as their signs, a
// spaced " - " as a minus sign and "^2" as a superscript; not escaped.
std::string notation_text(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const std::string_view rest = text.substr(i);
    if (rest.starts_with("<=") || rest.starts_with(">=")) {
      out += rest[0] == '<' ? "≤" : "≥";
      ++i;
    } else if (rest.starts_with(" - ")) {
      out += " − ";
      i += 2;
    } else if (rest.starts_with("^2")) {
      out += "²";
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A criterion as the page shows it: in the page's notation, escaped.
std::string criterion_html(std::string_view text) {
  return html_escape(notation_text(text));
}

// ---- Rows gathered per model, quantity and group ----

struct Entry {
  const TidyRow* first = nullptr;  // names and counts
  std::vector<const TidyRow*> rows;

  const TidyRow* find(std::string_view measure) const {
    for (const TidyRow* r : rows) {
      if (r->measure == measure) return r;
    }
    return nullptr;
  }
  std::optional<long> count(TidyCount TidyRow::*field) const {
    for (const TidyRow* r : rows) {
      if (r->*field) return (r->*field).optional();
    }
    return std::nullopt;
  }
};

// The entries in order of first appearance of their model, quantity, group and arc.
std::vector<Entry> gather(const std::vector<TidyRow>& rows) {
  using Key = std::tuple<std::string_view, std::string_view, std::string_view, std::uint64_t>;
  std::map<Key, std::size_t> index;
  std::vector<Entry> entries;
  for (const TidyRow& row : rows) {
    // Every NaN distance is one key: the rows of a group without a distance.
    const std::uint64_t km =
        std::isnan(row.arc_km) ? ~std::uint64_t{0} : std::bit_cast<std::uint64_t>(row.arc_km + 0.0);
    const auto [at, added] =
        index.try_emplace(Key{row.model, row.quantity, row.group, km}, entries.size());
    if (added) entries.push_back(Entry{&row, {}});
    entries[at->second].rows.push_back(&row);
  }
  return entries;
}

std::vector<std::string> quantities(const std::vector<TidyRow>& rows) {
  std::vector<std::string> out;
  for (const TidyRow& row : rows) {
    bool seen = false;
    for (const std::string& q : out) seen = seen || q == row.quantity;
    if (!seen) out.emplace_back(row.quantity);
  }
  return out;
}

// ---- Text ----

// A row's group as the page heads it: "arc 0.50 km", or the Group column's text.
std::string group_heading(const TidyRow& row) {
  if (std::isfinite(row.arc_km)) {
    const std::string km = arc_distance_text(static_cast<float>(row.arc_km)) + " km";
    return row.group == "arc" ? "arc " + km : std::string(row.group) + " (" + km + ")";
  }
  return std::string(row.group);
}

// A value as page markup: the number (in the ×10ⁿ form with `scientific`), or a dash
// or infinity sign with a title text.
std::string value_markup(double v, std::string_view missing_title, bool scientific) {
  if (std::isnan(v)) {
    return "<span class=\"na\" title=\"" + html_escape(missing_title) + "\">–</span>";
  }
  if (std::isinf(v)) {
    return std::string("<span class=\"inf\" title=\"beyond the range of numbers\">") +
           (v < 0 ? "−∞" : "∞") + "</span>";
  }
  return page_number(v, scientific);
}

std::string limits_markup(const TidyRow& row, bool scientific) {
  if (std::isnan(row.lower) && std::isnan(row.upper)) {
    return "<span class=\"ci\"><span class=\"na\" title=\"no 95% limits (too few pairs or "
           "resamples)\">–</span></span>";
  }
  return "<span class=\"ci\" title=\"95% bootstrap limits\">[" +
         value_markup(row.lower, "lower limit not formed", scientific) + ", " +
         value_markup(row.upper, "upper limit not formed", scientific) + "]</span>";
}

struct Mark {
  std::string_view css;
  std::string_view text;
};

// The row's mark (the tidy file's one character), or 0 where it has none.
char mark_of(const TidyRow& row) {
  return row.mark;
}

Mark judged_mark(const TidyRow& row) {
  switch (mark_of(row)) {
    case kMarkYes:
      return {"met", "✓ met"};
    case kMarkNo:
      return {"unmet", "✗ not met"};
    case kMarkNotJudged:
      return {"nj", "not judged"};
    case kMarkNone:
      return {"nf", "not formed"};
  }
  return {};
}

Mark difference_mark(const TidyRow& row) {
  switch (mark_of(row)) {
    case kMarkYes:
      return {"sig", "significant"};
    case kMarkNo:
      return {"nsig", "not significant"};
    case kMarkNone:
      return {"nf", std::isnan(row.value) ? "not formed" : "no limits"};
  }
  return {};
}

// ---- Building the document ----

class Page {
 public:
  explicit Page(const PageInput& input)
      : in_(input), entries_(gather(input.rows)), quantities_(quantities(input.rows)) {}

  std::string build() {
    head();
    out_ += "<body>\n<header>\n<h1>" + html_escape(in_.title) + "</h1>\n";
    nav();
    out_ += "</header>\n<main>\n";
    summary();
    inputs();
    section("acceptance", "Acceptance", {&acceptance_kind()}, [&] { acceptance_intro(); });
    section("differences", "Differences between the models", {&differences_kind()},
            [&] { differences_intro(); });
    section("high-end", "The high end", {&high_end_kind(), &high_end_differences_kind()},
            [&] { high_end_intro(); });
    section("means", "Means and counts", {&means_kind()}, [&] {
      out_ +=
          "<p>The counts of every model and group, and the means, standard deviations "
          "(divisor N) and correlation coefficient of its valid pairs.</p>\n";
    });
    for (const SectionEntry& entry : later_sections()) later_section(entry);
    exceedances();
    diagrams();
    definitions();
    out_ += "</main>\n<footer><p>Written by tlvstats.</p></footer>\n</body>\n</html>\n";
    return std::move(out_);
  }

 private:
  void head() {
    out_ +=
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
        html_escape(in_.title) + "</title>\n<style>\n" + std::string(page_style()) +
        "</style>\n</head>\n";
  }

  void nav() {
    out_ +=
        "<nav><a href=\"#summary\">Summary</a> · <a href=\"#inputs\">Inputs and counts</a> · <a "
        "href=\"#acceptance\">Acceptance</a> "
        "· <a href=\"#differences\">Differences</a> · <a href=\"#high-end\">High end</a> · <a "
        "href=\"#means\">Means and counts</a> · ";
    for (const SectionEntry& entry : later_sections()) {
      if (!has_rows(entry)) continue;
      out_ += "<a href=\"#" + std::string(entry.id) + "\">" + std::string(entry.title) + "</a> · ";
    }
    if (!thresholds_of(in_.rows).empty()) out_ += "<a href=\"#exceedances\">Exceedances</a> · ";
    if (any_left_over()) out_ += "<a href=\"#diagrams\">Diagrams</a> · ";
    out_ += "<a href=\"#definitions\">Definitions</a></nav>\n";
  }

  // Whether the rows hold a measure of the section (a section not asked for has none).
  bool has_rows(const SectionEntry& entry) const {
    for (int id : section_measures(entry.section, false)) {
      for (const TidyRow& row : in_.rows) {
        if (row.measure == measure_name(id)) return true;
      }
    }
    return false;
  }

  // A later section: its description, then per quantity its tables.
  void later_section(const SectionEntry& entry) {
    if (!has_rows(entry)) return;
    const std::vector<TableKind> kinds = section_kinds(entry);
    std::vector<const TableKind*> shown_kinds;
    for (const TableKind& k : kinds) {
      if (!k.columns.empty()) shown_kinds.push_back(&k);
    }
    if (shown_kinds.empty()) return;
    section(entry.id, entry.title, shown_kinds, [&] {
      out_ += "<p>" + html_escape(std::string(entry.title)) + ": " +
              html_escape(std::string(entry.description)) +
              ". Under each value: its 95% bootstrap limits. A difference is significant when "
              "both 95% limits lie on the same side of zero.</p>\n";
      if (entry.section == Section::objective) {
        out_ +=
            "<p>RV is in the quantity's units: the presets (no2, o3, pm10, pm2.5) assume "
            "concentrations in µg/m³. MQI, MQI_Y, MQI90, Y90 and each |MPI| are met when at most "
            "1; MQI90, Y90 and groups_above_1 are given on the group all.</p>\n";
      }
    });
  }

  // The exceedance scores (with --threshold): per quantity the tables of each
  // threshold.
  void exceedances() {
    const std::vector<std::string> thresholds = thresholds_of(in_.rows);
    if (thresholds.empty()) return;
    std::vector<TableKind> kinds;
    for (std::size_t i = 0; i < thresholds.size(); ++i) {
      for (TableKind& k : exceedance_kinds(thresholds[i], i + 1)) kinds.push_back(std::move(k));
    }
    std::vector<const TableKind*> shown_kinds;
    for (const TableKind& k : kinds) shown_kinds.push_back(&k);
    section("exceedances", "Exceedances", shown_kinds, [&] {
      out_ +=
          "<p>Over the valid pairs of a model and group, against a threshold T: a hits (Co &gt; T "
          "and Cp &gt; T), b false alarms (Co ≤ T, Cp &gt; T), c misses (Co &gt; T, Cp ≤ T), d "
          "correct negatives. POD = a/(a+c), FAR = b/(a+b), F = b/(b+d), CSI = a/(a+b+c), FBI = "
          "(a+b)/(a+c), ETS = (a−ar)/(a+b+c−ar) with ar = (a+b)(a+c)/N; not formed (–) when the "
          "denominator is 0. Under each value: its 95% bootstrap limits. A difference is "
          "significant when both 95% limits lie on the same side of zero.</p>\n";
    });
  }

  void inputs() {
    out_ += "<section id=\"inputs\">\n<h2>Inputs and counts</h2>\n";
    if (!in_.remarks.empty()) {
      out_ += "<ul class=\"remarks\">\n";
      for (const std::string& r : in_.remarks) out_ += "<li>" + html_escape(r) + "</li>\n";
      out_ += "</ul>\n";
    }
    if (in_.facts.empty()) {
      out_ += "<p>No inputs stated.</p>\n";
    } else {
      out_ +=
          region("scroll", "Inputs and counts") + "<table id=\"facts\" class=\"facts\">\n<tbody>\n";
      for (const auto& [name, value] : in_.facts) {
        out_ += "<tr><th scope=\"row\">" + html_escape(name) + "</th><td>" + html_escape(value) +
                "</td></tr>\n";
      }
      out_ += "</tbody>\n</table></div>\n";
    }
    out_ += "</section>\n";
  }

  template <typename Intro>
  void section(std::string_view id, std::string_view heading,
               const std::vector<const TableKind*>& kinds, Intro intro) {
    out_ += "<section id=\"" + std::string(id) + "\">\n<h2>" + std::string(heading) + "</h2>\n";
    intro();
    bool any = false;
    // Quantity by quantity, the section's tables of each.
    for (std::size_t q = 0; q < quantities_.size(); ++q) {
      for (const TableKind* kind : kinds) any = table_of(*kind, quantities_[q], q + 1) || any;
    }
    if (!any) out_ += "<p class=\"none\">No statistics of this kind.</p>\n";
    figures_after(id);
    out_ += "</section>\n";
  }

  bool judged(std::string_view measure) const { return criterion(measure) != nullptr; }

  // The criterion of a judged measure, or nothing.
  const std::string* criterion(std::string_view measure) const {
    for (const auto& [m, text] : in_.judged) {
      if (m == measure) return &text;
    }
    return nullptr;
  }

  void acceptance_intro() {
    out_ += "<p>Criteria: <strong>" + html_escape(in_.criteria) + "</strong>. Judged: ";
    std::string list;
    for (const auto& [m, text] : in_.judged) {
      if (!list.empty()) list += ", ";
      list += text.empty() ? html_escape(m) : criterion_html(text);
    }
    out_ += (list.empty() ? std::string("none") : list) + ".";
    std::string not_judged;
    for (const Column& c : acceptance_kind().columns) {
      if (judged(c.measure)) continue;
      if (!not_judged.empty()) not_judged += ", ";
      not_judged += c.measure;
    }
    if (!not_judged.empty()) out_ += " Not judged: " + not_judged + ".";
    out_ +=
        " Each measure is judged on its value over the group's valid pairs.</p>\n"
        "<p class=\"legend\">Marks: <span class=\"mark met\">✓ met</span> <span class=\"mark "
        "unmet\">✗ not met</span> <span class=\"mark nj\">not judged</span> (“.” in the "
        "table file) <span class=\"mark nf\">not formed</span> (“-”). Under each value: its "
        "95% bootstrap limits; <span class=\"na\" title=\"not formed\">–</span> where a "
        "value or its limits are not formed.</p>\n";
  }

  void differences_intro() {
    out_ +=
        "<p>Each row “A-B” gives a measure of model A minus that of model B on the lines where "
        "both models' pairs are valid (N.both), with bootstrap limits drawn on those lines; for "
        "MG, VG and the high end the difference of the natural logarithms. A difference is "
        "significant when both 95% limits lie on the same side of zero.</p>\n"
        "<p class=\"legend\">Marks: <span class=\"mark sig\">significant</span> <span "
        "class=\"mark nsig\">not significant</span> <span class=\"mark nf\">no limits</span> "
        "(fewer than 3 pairs) or <span class=\"mark nf\">not formed</span>.</p>\n";
  }

  void high_end_intro() {
    out_ +=
        "<p>The robust highest concentration of a set of n values, unpaired in time: RHC = "
        "C(R) + (C̄ − C(R)) ln((3R − 1)/2), with R = min(26, n), C(R) the R-th largest value "
        "and C̄ the mean of the R − 1 largest; not formed for n &lt; 3. RHCo of the observed "
        "and RHCp of the predicted values of each model's valid pairs; a ratio RHCp/RHCo "
        "above 1 is an overprediction of the high end.</p>\n";
  }

  // The table of one quantity (numbered from 1) for the entries that hold any of the
  // kind's measures; false when there is none.
  // With `all_only`, only the rows of the group all.
  bool table_of(const TableKind& kind, const std::string& quantity, std::size_t number,
                bool all_only = false) {
    std::vector<const Entry*> rows;
    for (const Entry& e : entries_) {
      if (e.first->quantity != quantity) continue;
      if (all_only && (e.first->group != "all" || std::isfinite(e.first->arc_km))) continue;
      bool has = false;
      for (const Column& c : kind.columns) has = has || e.find(c.measure);
      if (has) rows.push_back(&e);
    }
    if (rows.empty()) return false;
    const PageGroups* groups = all_only ? nullptr : groups_of(quantity);
    if (!groups) {
      table(kind, quantity, number, rows);
      return true;
    }
    std::vector<const Entry*> rest;
    rows = named_rows(rows, *groups, rest);
    if (!rows.empty()) table(kind, quantity, number, rows);
    if (!rest.empty()) rest_table(kind, quantity, number, rest, *groups);
    return true;
  }

  // The quantity's groups when it has more than the page names, or nothing.
  const PageGroups* groups_of(const std::string& quantity) const {
    for (const PageGroups& g : in_.groups) {
      if (g.quantity == quantity && !g.rest.empty()) return &g;
    }
    return nullptr;
  }

  // The rows of the groups named, in the order named, after those before the first
  // arc or label group (all) and before those after it (the stability groups); the
  // rows of the rest go to `rest`, in order.
  static std::vector<const Entry*> named_rows(const std::vector<const Entry*>& rows,
                                              const PageGroups& groups,
                                              std::vector<const Entry*>& rest) {
    std::map<std::string_view, std::size_t> rank;
    for (std::size_t k = 0; k < groups.shown.size(); ++k) rank.emplace(groups.shown[k], k + 1);
    std::map<std::string_view, bool> left;
    for (const std::string& g : groups.rest) left.emplace(g, true);
    std::vector<std::pair<std::size_t, const Entry*>> keyed;
    bool after = false;  // past the first arc or label group
    for (const Entry* e : rows) {
      const std::string heading = group_heading(*e->first);
      if (left.count(heading)) {
        rest.push_back(e);
        after = true;
        continue;
      }
      const auto at = rank.find(heading);
      after = after || at != rank.end();
      keyed.emplace_back(at != rank.end() ? at->second : after ? groups.shown.size() + 1 : 0, e);
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<const Entry*> out;
    for (const auto& [key, e] : keyed) out.push_back(e);
    return out;
  }

  // The summary of the groups not named: per model (or pair) and column, the number of
  // groups with a value and the quantiles of those values.
  void rest_table(const TableKind& kind, const std::string& quantity, std::size_t number,
                  const std::vector<const Entry*>& rest, const PageGroups& groups) {
    static constexpr std::pair<std::string_view, double> kQuantiles[] = {
        {"Min", 0.0},  {"5%", 0.05},  {"25%", 0.25}, {"Median", 0.5},
        {"75%", 0.75}, {"95%", 0.95}, {"Max", 1.0}};
    std::vector<std::string_view> models;
    for (const Entry* e : rest) {
      if (std::find(models.begin(), models.end(), e->first->model) == models.end()) {
        models.push_back(e->first->model);
      }
    }
    const std::string others = grouped(groups.rest.size());
    const std::string caption = quantity + ": " + std::string(kind.caption) + ", the other " +
                                others + " groups: quantiles over the groups";
    out_ += region("scroll", caption) + "<table id=\"" + std::string(kind.id) + "-" +
            std::to_string(number) + "-rest\" class=\"stats rest\">\n<caption>" +
            html_escape(caption) + "</caption>\n<thead><tr><th scope=\"col\">" +
            (kind.cells == CellKind::difference ? "Models" : "Model") +
            "</th><th scope=\"col\">Measure</th><th scope=\"col\" class=\"n\" title=\"" +
            std::string(kGroupsTitle) + "\">Groups" + unit_markup(Unit::count, quantity) + "</th>";
    define("Groups", std::string(kGroupsTitle), Unit::count);
    for (const auto& [head, p] : kQuantiles) {
      out_ += "<th scope=\"col\">" + std::string(head) + "</th>";
    }
    out_ += "</tr></thead>\n";
    for (const std::string_view model : models) {
      out_ += kind.columns.size() > kKeptRows ? "<tbody>\n" : "<tbody class=\"keep\">\n";
      for (std::size_t k = 0; k < kind.columns.size(); ++k) {
        const Column& c = kind.columns[k];
        std::vector<double> values;
        for (const Entry* e : rest) {
          if (e->first->model != model) continue;
          const TidyRow* row = e->find(c.measure);
          if (row && !std::isnan(row->value)) values.push_back(row->value);
        }
        std::sort(values.begin(), values.end());
        std::vector<double> q;
        bool scientific = false;
        for (const auto& [head, p] : kQuantiles) {
          q.push_back(page_quantile(values, p));
          scientific = scientific || (std::isfinite(q.back()) &&
                                      page_number(q.back()).find("×") != std::string::npos);
        }
        if (k == 0) {
          out_ +=
              "<tr class=\"first\"><th scope=\"rowgroup\"" +
              (kind.columns.size() > 1 ? " rowspan=\"" + std::to_string(kind.columns.size()) + "\""
                                       : std::string()) +
              ">" + html_escape(model) + "</th>";
        } else {
          out_ += "<tr>";
        }
        out_ += "<th scope=\"row\" title=\"" + html_escape(notation_text(c.title)) + "\">" +
                html_escape(c.measure) + "</th><td class=\"n\">" + std::to_string(values.size()) +
                "</td>";
        for (const double v : q) {
          out_ += "<td class=\"plain\">" + value_markup(v, "no group has a value", scientific) +
                  "</td>";
        }
        out_ += "</tr>\n";
      }
      out_ += "</tbody>\n";
    }
    out_ += "</table></div>\n";
  }

  static constexpr std::string_view kGroupsTitle =
      "arc or label groups not named one by one that have a value of the measure";

  void table(const TableKind& kind, const std::string& quantity, std::size_t number,
             const std::vector<const Entry*>& rows) {
    const std::string model_head = kind.cells == CellKind::difference ? "Models" : "Model";
    out_ += region("scroll", quantity + ": " + std::string(kind.caption)) + "<table id=\"" +
            std::string(kind.id) + "-" + std::to_string(number) + "\" class=\"stats\">\n<caption>" +
            html_escape(quantity) + ": " + std::string(kind.caption) + "</caption>\n" +
            "<thead><tr><th scope=\"col\">Group</th>"
            "<th scope=\"col\">" +
            model_head + "</th>";
    for (const Count& c : kind.counts) {
      out_ += "<th scope=\"col\" class=\"n\" title=\"" + std::string(c.title) + "\">" +
              std::string(c.label) + unit_markup(Unit::count, quantity) + "</th>";
      define(std::string(c.label), std::string(c.title), Unit::count);
    }
    // A column is written in the ×10ⁿ form when any of its numbers needs it.
    std::vector<bool> scientific;
    for (const Column& c : kind.columns) {
      out_ +=
          "<th scope=\"col\" title=\"" + html_escape(notation_text(c.title)) + "\">" + c.measure;
      define(c.measure, c.title, c.unit);
      if (kind.cells == CellKind::judged) {
        const std::string* t = criterion(c.measure);
        if (!t) {
          out_ += "<span class=\"crit\">not judged</span>";
        } else if (!t->empty()) {
          out_ += "<span class=\"crit\">" + criterion_html(*t) + "</span>";
        }
      }
      out_ += unit_markup(c.unit, quantity) + "</th>";
      bool any = false;
      for (const Entry* e : rows) any = any || needs_scientific(e->find(c.measure));
      scientific.push_back(any);
    }
    out_ += "</tr></thead>\n";
    // One body per group, so that print keeps a group's rows together.
    bool long_group = false;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const Entry& e = *rows[i];
      const std::string group = group_heading(*e.first);
      const bool starts = i == 0 || group_heading(*rows[i - 1]->first) != group;
      std::size_t span = 1;
      if (starts) {
        while (i + span < rows.size() && group_heading(*rows[i + span]->first) == group) ++span;
        // A group of a few rows is kept on one printed page; a longer one (the pairs of
        // many models) may break between its rows rather than leave most of a page empty.
        out_ += i == 0 ? "" : "</tbody>\n";
        long_group = span > kKeptRows;
        out_ += long_group ? "<tbody>\n" : "<tbody class=\"keep\">\n";
      }
      out_ += starts ? "<tr class=\"first\">" : "<tr>";
      if (starts) {
        out_ += "<th scope=\"rowgroup\"";
        if (span > 1 && !long_group) out_ += " rowspan=\"" + std::to_string(span) + "\"";
        out_ += ">" + html_escape(group) + "</th>";
      } else if (long_group) {
        // Named on every row, so that each printed page of the group names it.
        out_ += "<td class=\"cont\">" + html_escape(group) + "</td>";
      }
      out_ += "<th scope=\"row\">" + html_escape(e.first->model) + "</th>";
      for (const Count& c : kind.counts) {
        const std::optional<long> n = e.count(c.field);
        out_ += "<td class=\"n\">" +
                (n ? std::to_string(*n)
                   : std::string("<span class=\"na\" title=\"not counted\">–</span>")) +
                "</td>";
      }
      for (std::size_t k = 0; k < kind.columns.size(); ++k) {
        cell(kind.cells, e.find(kind.columns[k].measure), scientific[k]);
      }
      out_ += "</tr>\n";
    }
    out_ += "</tbody>\n</table></div>\n";
  }

  static constexpr std::size_t kKeptRows = 12;

  // Whether a row's value or limits need the ×10ⁿ form.
  static bool needs_scientific(const TidyRow* row) {
    if (!row) return false;
    for (const double v : {row->value, row->lower, row->upper}) {
      if (std::isfinite(v) && page_number(v).find("×") != std::string::npos) return true;
    }
    return false;
  }

  // The second line of a column head: what its values are in.
  std::string unit_markup(Unit unit, const std::string& quantity) const {
    return "<span class=\"unit\">" + unit_text(unit, quantity) + "</span>";
  }

  // Markup; "dimensionless" may break with a hyphen in a narrow column.
  std::string unit_text(Unit unit, const std::string& quantity) const {
    switch (unit) {
      case Unit::none:
        return "dimen&shy;sion&shy;less";
      case Unit::count:
        return "count";
      case Unit::quantity:
        for (const auto& [q, text] : in_.units) {
          if (q == quantity && !text.empty()) return html_escape(text);
        }
        return "units of the input";
    }
    return {};
  }

  // Notes a column for the definitions, once per name.
  void define(const std::string& name, const std::string& title, Unit unit) {
    for (const Column& c : defined_) {
      if (c.measure == name) return;
    }
    defined_.push_back({name, title, unit});
  }

  void cell(CellKind kind, const TidyRow* row, bool scientific) {
    if (!row) {
      out_ += "<td><span class=\"na\" title=\"not given\">–</span></td>";
      return;
    }
    Mark mark;
    if (kind == CellKind::judged) mark = judged_mark(*row);
    if (kind == CellKind::difference) mark = difference_mark(*row);
    if (kind == CellKind::plain) mark.css = "plain";
    out_ += mark.css.empty() ? "<td>" : "<td class=\"" + std::string(mark.css) + "\">";
    // The mark floats at the left of the value's line, the limits come under both.
    out_ += "<span class=\"v\">" + value_markup(row->value, "not formed", scientific) + "</span>";
    if (!mark.text.empty()) out_ += "<span class=\"mark\">" + std::string(mark.text) + "</span>";
    if (kind != CellKind::plain) out_ += limits_markup(*row, scientific);
    out_ += "</td>";
  }

  // ---- Summary, figures and definitions ----

  void summary() {
    out_ += "<section id=\"summary\">\n<h2>Summary</h2>\n<p class=\"legend\">Criteria: <strong>" +
            html_escape(in_.criteria) + "</strong>. ";
    static const TableKind kind = [] {
      TableKind k = acceptance_kind();
      k.id = "summary";
      k.caption = "judged measures over all lines";
      k.counts = {{"N", "valid pairs", &TidyRow::n}};
      return k;
    }();
    TableKind judged_kind = kind;
    judged_kind.columns.clear();
    for (const Column& c : kind.columns) {
      if (judged(c.measure)) judged_kind.columns.push_back(c);
    }
    if (judged_kind.columns.empty()) {
      out_ += "No measure is judged.</p>\n";
    } else {
      out_ +=
          "Per quantity, each model's judged measures over all lines (the group all) with their "
          "95% bootstrap limits in brackets and whether the criterion is met (<span class=\"mark "
          "met\">✓ met</span>, <span class=\"mark unmet\">✗ not met</span>). The groups' values "
          "follow under Acceptance; every measure and mark is defined under <a "
          "href=\"#definitions\">Definitions</a>.</p>\n";
      bool any = false;
      for (std::size_t q = 0; q < quantities_.size(); ++q) {
        any = table_of(judged_kind, quantities_[q], q + 1, true) || any;
      }
      if (!any) out_ += "<p class=\"none\">No statistics over all lines.</p>\n";
    }
    groups_legend();
    for (const PageDiagram& d : in_.diagrams) {
      if (d.main) figure(d);
    }
    out_ += "</section>\n";
  }

  // What the tables show of a quantity with more arc or label groups than they name.
  void groups_legend() {
    for (const PageGroups& g : in_.groups) {
      if (g.rest.empty()) continue;
      out_ += "<p class=\"legend\">" + html_escape(g.quantity) + ": of its " +
              grouped(g.shown.size() + g.rest.size()) +
              " arc or label groups the tables name the " + grouped(g.shown.size()) +
              " with the largest " + html_escape(g.ranked_by) +
              " over the models, largest first (ties in group order, groups without a value "
              "last), after the group all; the other " +
              grouped(g.rest.size()) +
              " are summarised under each table: per model and measure, the number of groups "
              "with a value and the quantiles of those values over the groups (with h = (n − 1) "
              "p, linear interpolation between the order statistics h rounded down and up, "
              "counted from 0). The table file and the tidy file hold every group.</p>\n";
    }
  }

  // The figures of the section `id`, after its tables; the main diagram referred to.
  void figures_after(std::string_view id) {
    placed_.emplace_back(id);
    for (std::size_t i = 0; i < in_.diagrams.size(); ++i) {
      const PageDiagram& d = in_.diagrams[i];
      if (d.after != id) continue;
      if (d.main) {
        // The caption's title, before its first colon.
        out_ += "<p class=\"see\">" + html_escape(d.caption.substr(0, d.caption.find(':'))) +
                ": <a href=\"#diagram-" + std::to_string(number_of(i)) + "\">Figure " +
                std::to_string(number_of(i)) + "</a>, in the summary.</p>\n";
      } else {
        figure(d);
      }
    }
  }

  // The figure number of main diagram i: the main diagrams come first, in the summary.
  std::size_t number_of(std::size_t i) const {
    std::size_t n = 0;
    for (std::size_t k = 0; k <= i; ++k) n += in_.diagrams[k].main ? 1 : 0;
    return n;
  }

  // Whether a diagram is left for the last section: not the main one and its section
  // not on the page (the sections of the later tables and the exceedances are known
  // by their rows).
  bool left_over(const PageDiagram& d) const {
    if (d.main) return false;
    for (const std::string& id : placed_) {
      if (id == d.after) return false;
    }
    return true;
  }

  bool any_left_over() const {
    for (const PageDiagram& d : in_.diagrams) {
      if (d.main) continue;
      if (!on_page(d.after)) return true;
    }
    return false;
  }

  // Whether the section `id` is on the page.
  bool on_page(std::string_view id) const {
    for (const std::string_view fixed : {"acceptance", "differences", "high-end", "means"}) {
      if (id == fixed) return true;
    }
    for (const SectionEntry& entry : later_sections()) {
      if (id == entry.id) return has_rows(entry);
    }
    return id == "exceedances" && !thresholds_of(in_.rows).empty();
  }

  void figure(const PageDiagram& d) {
    const std::string n = std::to_string(++figures_);
    const std::string caption = "Figure " + n + ". " + d.caption;
    out_ += "<figure id=\"diagram-" + n + "\">\n";
    // Never narrower than 60% of its drawing: a narrow window scrolls it sideways.
    out_ += region("picture", caption);
    // Never wider than drawn either: the root states its print width in mm.
    const long drawn = svg_width(d.svg);
    out_ += "<div style=\"min-width: " + std::to_string(drawn * 6 / 10) + "px" +
            (drawn > 0 ? "; max-width: " + std::to_string(drawn) + "px" : "") + "\">";
    out_ += inline_svg(d.svg);
    out_ += "</div></div>\n<figcaption>" + html_escape(caption) + "</figcaption>\n</figure>\n";
  }

  // The diagrams whose section is not on the page.
  void diagrams() {
    bool any = false;
    for (const PageDiagram& d : in_.diagrams) any = any || left_over(d);
    if (!any) return;
    out_ += "<section id=\"diagrams\">\n<h2>Diagrams</h2>\n";
    for (const PageDiagram& d : in_.diagrams) {
      if (left_over(d)) figure(d);
    }
    out_ += "</section>\n";
  }

  // Every column head, count and mark the page shows, defined in print as on screen.
  void definitions() {
    out_ +=
        "<section id=\"definitions\">\n<h2>Definitions</h2>\n<p>Co is an observed and Cp a "
        "predicted value of a valid pair; means and sums run over a group's valid pairs. A "
        "measure “X@T” is taken against the threshold T; a difference row “A-B” gives model A's "
        "value minus model B's on the lines where both are valid.</p>\n" +
        region("scroll", "Definitions") +
        "<table id=\"definitions-table\" class=\"defs\">\n<thead><tr><th scope=\"col\">Term</th>"
        "<th scope=\"col\">Meaning</th><th scope=\"col\">Unit</th></tr></thead>\n<tbody>\n";
    for (const Column& c : defined_) {
      out_ += "<tr><th scope=\"row\">" + html_escape(c.measure) + "</th><td>" +
              html_escape(notation_text(c.title)) + "</td><td>" + generic_unit(c.unit) +
              "</td></tr>\n";
    }
    out_ += "</tbody>\n<tbody>\n";
    for (const auto& [term, meaning] : kMarks) {
      out_ += "<tr><th scope=\"row\">" + std::string(term) + "</th><td colspan=\"2\">" +
              std::string(meaning) + "</td></tr>\n";
    }
    out_ += "</tbody>\n</table></div>\n</section>\n";
  }

  static std::string generic_unit(Unit unit) {
    switch (unit) {
      case Unit::none:
        return "dimensionless";
      case Unit::count:
        return "count";
      case Unit::quantity:
        return "the quantity's";
    }
    return {};
  }

  // The marks and signs of the tables, as markup.
  static constexpr std::pair<std::string_view, std::string_view> kMarks[] = {
      {"<span class=\"mark met\">✓ met</span>",
       "the value meets the criterion named in the column head"},
      {"<span class=\"mark unmet\">✗ not met</span>", "the value does not meet the criterion"},
      {"<span class=\"mark nj\">not judged</span>",
       "the criteria set does not judge the measure (“.” in the table file)"},
      {"<span class=\"mark nf\">not formed</span>",
       "the value cannot be formed, e.g. a group without pairs (“-” in the table file)"},
      {"<span class=\"mark sig\">significant</span>",
       "both 95% limits of a difference lie on the same side of zero"},
      {"<span class=\"mark nsig\">not significant</span>",
       "the 95% limits of a difference enclose zero"},
      {"<span class=\"mark nf\">no limits</span>",
       "a difference without limits: fewer than 3 pairs or resamples"},
      {"[a, b]", "the 95% bootstrap limits of the value above them (percentile interval)"},
      {"–", "not formed or not given (the title text says which)"},
      {"∞", "beyond the range of numbers"},
      {"1.23×10⁴",
       "1.23 times 10 to the power 4; a column uses this form for all its numbers "
       "when any of them needs it"},
      {"−", "minus sign"},
      {"≤, ≥", "at most, at least"},
      {"units of the input",
       "the values are in the units of the input file (--units names "
       "them)"},
      {"dimensionless", "a ratio, fraction, index or score without unit"},
      {"count", "a number of lines, pairs, resamples or events"},
  };

  // A box that scrolls what it holds sideways, reachable by keyboard and named for
  // assistive technology (`label` plain text).
  static std::string region(std::string_view css_class, const std::string& label) {
    return "<div class=\"" + std::string(css_class) +
           "\" tabindex=\"0\" role=\"region\" aria-label=\"" + html_escape(label) + "\">";
  }

  // The drawn width of an SVG document, px (its root's viewBox width, the root being
  // stated in mm for print; 0 when not given).
  static long svg_width(std::string_view svg) {
    const std::size_t root = svg.find("<svg");
    const std::size_t at = svg.find(" viewBox=\"0 0 ", root == std::string_view::npos ? 0 : root);
    if (root == std::string_view::npos || at == std::string_view::npos) return 0;
    long width = 0;
    for (std::size_t k = at + 14; k < svg.size() && svg[k] >= '0' && svg[k] <= '9'; ++k) {
      width = width * 10 + (svg[k] - '0');
      if (width > 100000) break;
    }
    return width;
  }

  // The SVG text without an XML declaration or document type before its root.
  static std::string_view inline_svg(std::string_view svg) {
    for (;;) {
      const std::size_t start = svg.find_first_not_of(" \t\r\n");
      if (start == std::string_view::npos) return {};
      svg.remove_prefix(start);
      if (svg.starts_with("<?")) {
        const std::size_t end = svg.find("?>");
        svg.remove_prefix(end == std::string_view::npos ? svg.size() : end + 2);
      } else if (svg.starts_with("<!DOCTYPE") || svg.starts_with("<!doctype")) {
        const std::size_t end = svg.find('>');
        svg.remove_prefix(end == std::string_view::npos ? svg.size() : end + 1);
      } else {
        return svg;
      }
    }
  }

  const PageInput& in_;
  std::vector<Entry> entries_;
  std::vector<std::string> quantities_;
  std::vector<Column> defined_;      // every column head shown, in order of appearance
  std::vector<std::string> placed_;  // the sections whose figures are placed, in page order
  std::size_t figures_ = 0;          // figures shown so far
  std::string out_;
};

}  // namespace

double page_quantile(const std::vector<double>& ascending, double p) {
  if (ascending.empty()) return NAN;
  const double h = static_cast<double>(ascending.size() - 1) * p;
  const std::size_t i = std::min(static_cast<std::size_t>(std::floor(h)), ascending.size() - 1);
  const double f = h - static_cast<double>(i);
  if (i + 1 >= ascending.size() || f == 0) return ascending[i];
  const double a = ascending[i], b = ascending[i + 1];
  if (std::isinf(a) || a == b) return a;
  if (std::isinf(b)) return b;
  return a + f * (b - a);
}

std::string html_escape(std::string_view text) {
  return xml_escape(text, true);
}

std::string page_number(double value) {
  return page_number(value, false);
}

std::string page_number(double value, bool scientific) {
  if (value == 0) return scientific ? "0.00×10⁰" : "0";
  const double magnitude = std::fabs(value);
  char buf[400];
  char* const last = buf + sizeof buf;
  // The exponent of the value rounded to 3 significant figures decides the form.
  char* end = std::to_chars(buf, last, magnitude, std::chars_format::scientific, 2).ptr;
  const std::string_view sci(buf, static_cast<std::size_t>(end - buf));
  const std::size_t e = sci.find('e');
  int exponent = 0;
  std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
  std::string s;
  if (!scientific && exponent >= -3 && exponent <= 2) {
    end = std::to_chars(buf, last, magnitude, std::chars_format::fixed, 2 - exponent).ptr;
    s.assign(buf, end);
  } else {
    static constexpr std::string_view kSuperscript[] = {"⁰", "¹", "²", "³", "⁴",
                                                        "⁵", "⁶", "⁷", "⁸", "⁹"};
    s.assign(sci.substr(0, e));
    s += "×10";
    if (exponent < 0) s += "⁻";
    for (const char d : std::to_string(std::abs(exponent))) s += kSuperscript[d - '0'];
  }
  return value < 0 ? "−" + s : s;
}

std::string evaluation_page(const PageInput& input) {
  return Page(input).build();
}

}  // namespace evaluate
