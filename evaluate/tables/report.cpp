#include "evaluate/tables/report.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "records/records.h"
#include "tracer_version.h"

namespace evaluate {
namespace {

// The measures of each kind of line of the first section, in table order: a measure
// line's values without limits, then its blocks (value, limits, mark); a difference
// line's blocks.
std::vector<int> block_measures() {
  return section_measures(Section::statistics, false);
}
std::vector<int> difference_measures() {
  return section_measures(Section::statistics, true);
}

// The layouts of both kinds of line: `real` the edit descriptor of a real ("e11.3",
// after "1p"; or "a11" for a prepared text) and `arc` that of the arc ("f8.2" or "a8").
std::string measure_layout(std::string_view real, std::string_view arc) {
  return "(a13,1x,a6,1x,a8," + std::string(arc) + ",7i7," +
         std::string(real == "a11" ? "" : "1p,") + std::to_string(plain_measures().size()) +
         std::string(real) + "," + std::to_string(block_measures().size()) + "(3" +
         std::string(real) + ",3x,a1))";
}
std::string difference_layout(std::string_view real, std::string_view arc) {
  return "(a13,1x,a6,1x,a8," + std::string(arc) + ",4i7," +
         std::string(real == "a11" ? "" : "1p,") + std::to_string(difference_measures().size()) +
         "(3" + std::string(real) + ",3x,a1),i7)";
}

// The same columns as measure_line_layout() and difference_line_layout(), with every
// real field taken as a prepared text, so that a value not formed or beyond the
// float range gets its mark and a non-arc group a blank arc field.
const records::Layout& measure_out() {
  static const records::Layout layout(measure_layout("a11", "a8"));
  return layout;
}
const records::Layout& difference_out() {
  static const records::Layout layout(difference_layout("a11", "a8"));
  return layout;
}

constexpr int kCountsEnd = 86;             // last column of Boot on a measure line
constexpr int kRealWidth = 11;             // a real under 1pe11.3
constexpr int kDifferenceBlockFirst = 66;  // first column of the first block of a difference line
constexpr int kBlockWidth = 37;            // value, lower, upper (11 each), 3 blanks, mark

// A field of asterisks keeps one blank before it, so that it never runs into the
// field on its left.
std::string spaced_stars(std::size_t width) {
  std::string stars(width, '*');
  stars[0] = ' ';
  return stars;
}

std::string real_text(double v) {
  static const records::Layout layout("(1pe11.3)");
  if (std::isnan(v)) return records::format(layout, {kNotFormed});
  if (std::fabs(v) > FLT_MAX) return spaced_stars(11);
  return records::format(layout, {static_cast<float>(v)});
}

std::string arc_text(const Group& group) {
  static const records::Layout layout("(f8.2)");
  if (group.kind != GroupKind::arc) return std::string(8, ' ');
  std::string text = records::format(layout, {group.arc});
  if (text.find('*') != std::string::npos) return spaced_stars(8);
  return text;
}

// Text fields are written left-aligned: padded with blanks to their width.
std::string left_aligned(std::string_view text, std::size_t width) {
  std::string out(text);
  if (out.size() < width) out.resize(width, ' ');
  return out;
}

int count_item(long n) {
  return n > 2147483647L ? 2147483647 : static_cast<int>(n);
}

void put_label(std::string& line, std::string_view label, std::size_t first) {
  if (line.size() < first + label.size()) line.resize(first + label.size(), ' ');
  line.replace(first, label.size(), label);
}

// A column-title line: each label right-aligned to end at its column, or (negative
// column) left-aligned from that column.
std::string title_line(std::initializer_list<std::pair<std::string_view, int>> labels) {
  std::string line;
  for (const auto& [label, column] : labels) {
    const std::size_t first = column < 0 ? static_cast<std::size_t>(-column - 1)
                                         : static_cast<std::size_t>(column) - label.size();
    put_label(line, label, first);
  }
  return line;
}

// Titles of a block: value, limits and mark. The limits' titles take `short_name`
// when the value's title leaves no room ("RHCp/RHCo", "Ratio.lo").
void add_block_titles(std::string& line, int first, std::string_view name, std::string_view mark,
                      std::string_view short_name = {}) {
  const std::string base(short_name.empty() ? name : short_name);
  for (const auto& [label, end] : {std::pair<std::string, int>{std::string(name), first + 10},
                                   {base + ".lo", first + 21},
                                   {base + ".hi", first + 32},
                                   {std::string(mark), first + 36}}) {
    put_label(line, label, static_cast<std::size_t>(end) - label.size());
  }
}

std::string measure_titles() {
  std::string line = title_line({{"Model", -1},
                                 {"Qty", -15},
                                 {"Group", -22},
                                 {"Arc(km)", 37},
                                 {"Lines", 44},
                                 {"ObsOut", 51},
                                 {"ModUnr", 58},
                                 {"ModNeg", 65},
                                 {"N", 72},
                                 {"Npos", 79},
                                 {"Boot", kCountsEnd}});
  int end = kCountsEnd;
  for (int id : plain_measures()) {
    end += kRealWidth;
    put_label(line, measure_name(id), static_cast<std::size_t>(end) - measure_name(id).size());
  }
  int first = end + 1;
  for (int id : block_measures()) {
    add_block_titles(line, first, measure_name(id), "Ok", measure_entry(id).limit_title);
    first += kBlockWidth;
  }
  return line;
}

// "N." and the first three characters of a model's name.
std::string count_title(const std::string& model) {
  std::string title = "N.";
  title += model.substr(0, 3);
  return title;
}

std::string difference_titles(const Evaluation& ev) {
  std::string line = title_line(
      {{"Model", -1}, {"Qty", -15}, {"Group", -22}, {"Arc(km)", 37}, {"Lines", 44}, {"Boot", 65}});
  if (ev.models.size() == 2) {
    put_label(line, count_title(ev.models[0]), 51 - count_title(ev.models[0]).size());
    put_label(line, count_title(ev.models[1]), 58 - count_title(ev.models[1]).size());
  } else {
    put_label(line, "N.1st", 46);
    put_label(line, "N.2nd", 53);
  }
  int first = kDifferenceBlockFirst;
  for (int id : difference_measures()) {
    add_block_titles(line, first, measure_entry(id).difference_name, "Sig");
    first += kBlockWidth;
  }
  const int after = first;
  put_label(line, "N.both", static_cast<std::size_t>(after));
  return line;
}

std::string count_text(const std::optional<long>& count) {
  return count ? std::to_string(*count) : std::string("absent");
}

// "AERMOD and ISCST3", "A, B and C".
template <class Names>
std::string and_list(const Names& names) {
  std::string out;
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (k > 0) out += k + 1 == names.size() ? " and " : ", ";
    out += names[k];
  }
  return out;
}
std::string model_list(const std::vector<std::string>& models) {
  return and_list(models);
}

std::string judged_list(Criteria criteria) {
  std::string out;
  for (int k = 0; k < kMeasures; ++k) {
    if (!judged(criteria, k)) continue;
    if (!out.empty()) out += ", ";
    out += measure_name(k);
  }
  return out;
}

// "A, B and C" of the names of the first section's measures whose difference is
// formed as `how`.
std::string difference_list(Difference how, bool named_by_log) {
  std::vector<std::string_view> names;
  for (int id = 0; id < kMeasures; ++id) {
    const MeasureEntry& entry = measure_entry(id);
    if (entry.difference != how || entry.section != Section::statistics) continue;
    if (how == Difference::log && (entry.difference_name.substr(3) == entry.name) != named_by_log) {
      continue;
    }
    names.push_back(entry.name);
  }
  return and_list(names);
}

// The shortest decimal form of a parameter ("0.24", "200").
std::string shortest(double v) {
  char buf[32];
  const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return ec == std::errc() ? std::string(buf, end) : std::string();
}

// The definition lines of the measures of the sections written, as their entries
// give them.
void add_definitions(std::vector<std::string>& h, const Evaluation& ev) {
  h.push_back("All measures are computed in double precision from the values read:");
  for (const MeasureEntry& entry : measure_table()) {
    if (!ev.written(entry.section)) continue;
    std::string_view text = entry.header;
    while (!text.empty()) {
      const std::size_t end = text.find('\n');
      h.emplace_back(text.substr(0, end));
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
  }
  for (std::size_t q = 0; q < ev.uncertainty.size(); ++q) {
    const auto& u = ev.uncertainty[q];
    if (!u) continue;
    std::string line = "  Uncertainty of " + ev.quantities[q].name + ": U " + shortest(u->u) +
                       ", alpha " + shortest(u->alpha) + ", RV " + shortest(u->rv);
    if (u->of_means()) line += ", NP " + shortest(u->np) + ", NNP " + shortest(u->nnp);
    h.push_back(line + ", beta " + shortest(u->beta) + ", percentile " + shortest(u->percentile));
  }
}

void add_method(std::vector<std::string>& h, const ReportInput& input, const Evaluation& ev);

// The header: the input and its pairs, the definitions, then the method.
std::vector<std::string> header_lines(const ReportInput& input, const Evaluation& ev) {
  std::vector<std::string> h;
  const std::string file(input.file);
  h.push_back("tlvstats " + std::string(tracer::kVersion) + ": performance of " +
              model_list(ev.models) + " against the observations of " + file);
  if (input.counts) {
    const CountLines& c = *input.counts;
    std::string counts = "Input: " + std::to_string(input.lines) +
                         " combined lines; count lines: ISC Zero Cy " + count_text(c.isc_zero_cy) +
                         ", Iaerobs " + count_text(c.iaerobs) + ", iallthree " +
                         count_text(c.iallthree);
    if (c.isc_zero_cy && c.iallthree) {
      const long expected = *c.iallthree - *c.isc_zero_cy;
      counts += " (iallthree - ISC Zero Cy = " + std::to_string(expected) + ")";
      if (expected != input.lines) counts += " -- differs from the combined lines read";
    }
    h.push_back(counts);
  } else {
    h.push_back("Input: " + std::to_string(input.lines) + " lines; models " +
                model_list(ev.models) + "; " + std::to_string(ev.quantities.size()) +
                (ev.quantities.size() == 1 ? " quantity" : " quantities"));
  }
  for (const std::string& r : input.remarks) h.push_back("Remark: " + r);
  for (const std::string& p : input.pairs) h.push_back(p);
  h.push_back(
      "Left out of every measure: ObsOut lines whose observed value is missing (-99.0) or not "
      "positive; of the others, ModUnr lines whose model field is blank or");
  h.push_back(
      "  not a number, ModNeg lines whose model value is negative. Lines = ObsOut + ModUnr + "
      "ModNeg + N. Co observed, Cp predicted, means over the N pairs.");
  add_definitions(h, ev);
  add_method(h, input, ev);
  return h;
}

// The groups, the bootstrap, the acceptance criteria, the differences and the marks.
void add_method(std::vector<std::string>& h, const ReportInput& input, const Evaluation& ev) {
  if (input.combined) {
    h.push_back(
        "Groups: all lines; each arc (Arc column, km); stable hours (OBK > 0); unstable hours "
        "(-99999 < OBK < 0). OBK 0 or missing (-99999 and below): neither.");
  } else {
    std::string groups =
        "Groups: all lines; each value of the group column (numbers: arcs, km, ascending, in the "
        "Arc column; then labels in order of first appearance)";
    groups += ev.groups.back().kind == GroupKind::unstable
                  ? "; stable hours (obk > 0); unstable hours (-99999 < obk < 0)."
                  : "; no obk column: no stability groups.";
    h.push_back(groups);
  }
  const std::string resamples =
      std::to_string(ev.resamples) + (ev.resamples == 1 ? " resample" : " resamples");
  if (input.combined) {
    h.push_back("Bootstrap: " + resamples + ", seed " + std::to_string(ev.seed) +
                "; the combined lines drawn with replacement within each arc, resample r "
                "(0-based) on its own splitmix64 stream (multiply-shift draw with rejection).");
  } else {
    h.push_back("Bootstrap: " + resamples + ", seed " + std::to_string(ev.seed) +
                "; the lines of each quantity drawn with replacement within each group value, "
                "resample b (0-based) of the q-th quantity (0-based, in order) on its own "
                "splitmix64 stream r = q B + b, B the resamples (multiply-shift draw with "
                "rejection).");
  }
  h.push_back(
      "  Stream of resample r: state s = mix64(seed + (r + 1) x 0x9E3779B97F4A7C15), output k = "
      "mix64(s + (k + 1) x 0x9E3779B97F4A7C15), mod 2^64 (tlvstats.md).");
  h.push_back(
      "  .lo, .hi: 95% limits, the sorted resample values at 0-based index floor(0.025 B) and "
      "ceil(0.975 B) - 1, B the resamples in which the value is formed;");
  h.push_back(
      "  Boot: the resamples in which the group has pairs (lines with both models' pairs valid "
      "on a difference line). A group with fewer than 3 valid pairs (N;");
  h.push_back("  N.both on a difference line) gets no limits and no mark (-).");
  h.push_back(
      "Acceptance (Ok: Y met, N not met, - not formed or no limits, . not judged), criteria " +
      std::string(criteria_name(ev.criteria)) + " (--criteria " +
      std::string(criteria_name(ev.criteria)) + "): " + std::string(criteria_text(ev.criteria)) +
      "; judged: " + judged_list(ev.criteria) + ".");
  h.push_back(
      "Differences, first model minus second (in column order), on the lines where both models' "
      "pairs are valid (N.both), resampled on the same lines: " +
      difference_list(Difference::plain, false) + " as");
  h.push_back("  differences, " + difference_list(Difference::log, true) +
              " as differences of their natural logarithms (dlnMG = ln MG(first) - ln MG(second), "
              "dlnVG likewise), dlnRHC = ln(RHCp/RHCo)(first) - ln(RHCp/RHCo)(second);");
  h.push_back("  Sig: Y the 95% limits exclude zero (significant), N they do not, - not formed.");
  h.push_back(
      "-9.900E+01 (-99.0) marks a value that is not formed (no pairs, no positive pairs, mean Cp "
      "zero, R with a deviation zero, RHC of fewer than 3 pairs); asterisks a value beyond the "
      "float range.");
  h.push_back(
      "Operational statistics (their own section, after these): not formed also for R, SDR and "
      "KGE when SdO or SdP is 0, for IOA, COE and NSE when sum |Co - mean Co| is 0, for NMB and "
      "NMGE when sum Co is 0, for KGE when mean Co is 0;");
  h.push_back(
      "  in a resample the means are the resample's own; differences plain, dlnSDR = ln "
      "SDR(first) - ln SDR(second); Ok \".\" (not judged). Each later section begins after an "
      "empty line with a title line that names it.");
}

std::string measure_line(const Evaluation& ev, std::size_t q, std::size_t g, std::size_t m) {
  const Group& group = ev.groups[g];
  const ModelGroupResult& r = ev.results[q][g].models[m];
  const auto verdicts = acceptance(r.value, ev.criteria);

  const std::string model = left_aligned(ev.models[m], 13);
  const std::string quantity = left_aligned(ev.quantities[q].name, 6);
  const std::string name = left_aligned(group_text(group, ev.strata), 8);
  std::vector<std::string> texts;
  texts.push_back(arc_text(group));
  for (int k : plain_measures()) texts.push_back(real_text(r.value[k]));
  for (int k : block_measures()) {
    texts.push_back(real_text(r.value[k]));
    texts.push_back(real_text(r.limits[k].lower));
    texts.push_back(real_text(r.limits[k].upper));
    texts.push_back(std::string(1, acceptance_mark(verdicts[k], r.limits[k])));
  }
  std::vector<records::Item> items;
  items.emplace_back(std::string_view(model));
  items.emplace_back(std::string_view(quantity));
  items.emplace_back(std::string_view(name));
  items.emplace_back(std::string_view(texts[0]));
  for (long n : {r.lines, r.observed_out, r.model_unread, r.model_negative, r.n, r.npos, r.boot}) {
    items.emplace_back(count_item(n));
  }
  for (std::size_t t = 1; t < texts.size(); ++t) items.emplace_back(std::string_view(texts[t]));
  std::string out;
  records::format(measure_out(), items, out);
  return out;
}

std::string difference_line(const Evaluation& ev, std::size_t q, std::size_t g, std::size_t p) {
  const Group& group = ev.groups[g];
  const DifferenceResult& d = ev.results[q][g].differences[p];

  const std::string model = left_aligned(pair_name(ev, d), 13);
  const std::string quantity = left_aligned(ev.quantities[q].name, 6);
  const std::string name = left_aligned(group_text(group, ev.strata), 8);
  std::vector<std::string> texts;
  texts.push_back(arc_text(group));
  for (int k : difference_measures()) {
    texts.push_back(real_text(d.value[k]));
    texts.push_back(real_text(d.limits[k].lower));
    texts.push_back(real_text(d.limits[k].upper));
    texts.push_back(std::string(1, significance_mark(d.limits[k])));
  }
  std::vector<records::Item> items;
  items.emplace_back(std::string_view(model));
  items.emplace_back(std::string_view(quantity));
  items.emplace_back(std::string_view(name));
  items.emplace_back(std::string_view(texts[0]));
  for (long n : {d.lines, d.n_first, d.n_second, d.boot}) items.emplace_back(count_item(n));
  for (std::size_t t = 1; t < texts.size(); ++t) items.emplace_back(std::string_view(texts[t]));
  items.emplace_back(count_item(d.n_both));
  std::string out;
  records::format(difference_out(), items, out);
  return out;
}

// ---- The later sections: per measure one block (value, limits, mark) ----

// Key, N (N.both on a difference line), Boot, then the blocks.
std::string section_layout(Section section, bool differences, std::string_view real,
                           std::string_view arc) {
  return "(a13,1x,a6,1x,a8," + std::string(arc) + ",2i7," +
         std::string(real == "a11" ? "" : "1p,") +
         std::to_string(section_measures(section, differences).size()) + "(3" + std::string(real) +
         ",3x,a1))";
}

constexpr int kSectionCountsEnd = 51;  // last column of Boot on a later section's line

std::string section_titles(Section section, bool differences) {
  std::string line = title_line({{"Model", -1},
                                 {"Qty", -15},
                                 {"Group", -22},
                                 {"Arc(km)", 37},
                                 {differences ? "N.both" : "N", 44},
                                 {"Boot", kSectionCountsEnd}});
  int first = kSectionCountsEnd + 1;
  for (int id : section_measures(section, differences)) {
    const MeasureEntry& entry = measure_entry(id);
    if (differences) {
      std::string stem;
      if (!entry.limit_title.empty()) stem.append("d").append(entry.limit_title);
      add_block_titles(line, first, entry.difference_name, "Sig", stem);
    } else if (entry.written == Written::count) {
      put_label(line, std::string(entry.name), static_cast<std::size_t>(first) + 1);  // no limits
    } else {
      add_block_titles(line, first, entry.name, "Ok", entry.limit_title);
    }
    first += kBlockWidth;
  }
  return line;
}

// The values of one line of a later section.
struct SectionValues {
  std::string key;  // the model, or "A-B"
  long n;           // N, or N.both
  long boot;
  const MeasureValues& value;
  const std::array<Limits, kMeasures>& limits;
};

template <typename MarkOf>
std::string section_line(const Evaluation& ev, const records::Layout& layout, std::size_t q,
                         std::size_t g, const std::vector<int>& ids, const SectionValues& v,
                         MarkOf mark_of) {
  const Group& group = ev.groups[g];
  const std::string model = left_aligned(v.key, 13);
  const std::string quantity = left_aligned(ev.quantities[q].name, 6);
  const std::string name = left_aligned(group_text(group, ev.strata), 8);
  std::vector<std::string> texts;
  texts.push_back(arc_text(group));
  for (int k : ids) {
    texts.push_back(real_text(v.value[k]));
    texts.push_back(real_text(v.limits[k].lower));
    texts.push_back(real_text(v.limits[k].upper));
    texts.push_back(std::string(1, mark_of(k)));
  }
  std::vector<records::Item> items;
  items.emplace_back(std::string_view(model));
  items.emplace_back(std::string_view(quantity));
  items.emplace_back(std::string_view(name));
  items.emplace_back(std::string_view(texts[0]));
  items.emplace_back(count_item(v.n));
  items.emplace_back(count_item(v.boot));
  for (std::size_t t = 1; t < texts.size(); ++t) items.emplace_back(std::string_view(texts[t]));
  std::string out;
  records::format(layout, items, out);
  return out;
}

// The data lines of one part of a later section: model lines, or difference lines.
void add_section_lines(std::vector<std::string>& lines, const Evaluation& ev, Section section,
                       bool differences) {
  const std::vector<int> ids = section_measures(section, differences);
  const records::Layout layout(section_layout(section, differences, "a11", "a8"));
  for (std::size_t q = 0; q < ev.quantities.size(); ++q) {
    for (std::size_t g = 0; g < ev.groups.size(); ++g) {
      const GroupResult& gr = ev.results[q][g];
      if (!differences) {
        for (std::size_t m = 0; m < gr.models.size(); ++m) {
          const ModelGroupResult& r = gr.models[m];
          const auto verdicts = acceptance(r.value, ev.criteria);
          lines.push_back(
              section_line(ev, layout, q, g, ids, {ev.models[m], r.n, r.boot, r.value, r.limits},
                           [&](int k) { return acceptance_mark(verdicts[k], r.limits[k]); }));
        }
        continue;
      }
      for (const DifferenceResult& d : gr.differences) {
        lines.push_back(section_line(ev, layout, q, g, ids,
                                     {pair_name(ev, d), d.n_both, d.boot, d.value, d.limits},
                                     [&](int k) { return significance_mark(d.limits[k]); }));
      }
    }
  }
}

// A later section: its title line, column titles and model lines, then (with two
// models or more) the title line of its differences, their titles and lines.
void add_section(std::vector<std::string>& lines, const Evaluation& ev, const SectionEntry& entry) {
  if (!ev.written(entry.section)) return;
  for (const bool differences : {false, true}) {
    if (section_measures(entry.section, differences).empty()) continue;
    if (differences && ev.models.size() < 2) continue;
    lines.emplace_back();
    lines.push_back(std::string(entry.title) +
                    (differences ? ": differences per quantity, group and pair of models (first "
                                   "minus second in column order)"
                                 : " per quantity, group and model"));
    lines.push_back(section_titles(entry.section, differences));
    add_section_lines(lines, ev, entry.section, differences);
  }
}

void add_differences(std::vector<std::string>& lines, const Evaluation& ev);

// ---- The exceedance section: per threshold one line, a block per score ----

constexpr int kThresholdEnd = kSectionCountsEnd + 11;  // last column of Threshold

std::string exceedance_layout(bool differences, std::string_view real, std::string_view arc) {
  return "(a13,1x,a6,1x,a8," + std::string(arc) + ",2i7,a11," +
         std::string(real == "a11" ? "" : "1p,") + std::to_string(threshold_measures(true).size()) +
         "(3" + std::string(real) + ",3x,a1)" + (differences ? ")" : ",4i7)");
}

std::string exceedance_titles(bool differences) {
  std::string line = title_line({{"Model", -1},
                                 {"Qty", -15},
                                 {"Group", -22},
                                 {"Arc(km)", 37},
                                 {differences ? "N.both" : "N", 44},
                                 {"Boot", kSectionCountsEnd},
                                 {"Threshold", kThresholdEnd}});
  int first = kThresholdEnd + 1;
  for (int id : threshold_measures(true)) {
    const MeasureEntry& entry = measure_entry(id);
    add_block_titles(line, first, differences ? entry.difference_name : entry.name,
                     differences ? "Sig" : "Ok");
    first += kBlockWidth;
  }
  if (differences) return line;
  for (int id : threshold_measures(false)) {
    const std::string_view count = measure_entry(id).column;
    first += 7;
    put_label(line, count, static_cast<std::size_t>(first - 1) - count.size());
  }
  return line;
}

std::string right_aligned(std::string_view text, std::size_t width) {
  std::string out(text);
  if (out.size() < width) out.insert(0, width - out.size(), ' ');
  return out;
}

// One line of the section: a model's (with its counts) or a pair of models'.
std::string exceedance_line(const Evaluation& ev, const records::Layout& layout, std::size_t q,
                            std::size_t g, const std::string& key, long n, long boot,
                            const ExceedanceResult& r, bool differences) {
  const Group& group = ev.groups[g];
  std::vector<std::string> texts{left_aligned(key, 13), left_aligned(ev.quantities[q].name, 6),
                                 left_aligned(group_text(group, ev.strata), 8), arc_text(group),
                                 right_aligned(threshold_text(r.threshold), 11)};
  for (int j : threshold_measures(true)) {
    texts.push_back(real_text(r.value[j]));
    texts.push_back(real_text(r.limits[j].lower));
    texts.push_back(real_text(r.limits[j].upper));
    texts.push_back(std::string(1, differences
                                       ? significance_mark(r.limits[j])
                                       : acceptance_mark(Verdict::not_judged, r.limits[j])));
  }
  std::vector<records::Item> items;
  for (std::size_t t = 0; t < 4; ++t) items.emplace_back(std::string_view(texts[t]));
  items.emplace_back(count_item(n));
  items.emplace_back(count_item(boot));
  for (std::size_t t = 4; t < texts.size(); ++t) items.emplace_back(std::string_view(texts[t]));
  if (!differences) {
    for (int j : threshold_measures(false)) {
      items.emplace_back(count_item(static_cast<long>(r.value[j])));
    }
  }
  std::string out;
  records::format(layout, items, out);
  return out;
}

// The exceedance section (with --threshold): model lines, then difference lines.
void add_exceedances(std::vector<std::string>& lines, const Evaluation& ev) {
  if (!ev.exceedances()) return;
  for (const bool differences : {false, true}) {
    if (differences && ev.models.size() < 2) continue;
    lines.emplace_back();
    lines.emplace_back(differences ? "Exceedances: differences per quantity, group, pair of models "
                                     "and threshold (first minus second in column order)"
                                   : "Exceedances per quantity, group, model and threshold");
    lines.push_back(exceedance_titles(differences));
    const records::Layout layout(exceedance_layout(differences, "a11", "a8"));
    for (std::size_t q = 0; q < ev.quantities.size(); ++q) {
      const std::size_t nt = ev.thresholds[q].size();
      for (std::size_t g = 0; g < ev.groups.size() && nt > 0; ++g) {
        const GroupResult& gr = ev.results[q][g];
        if (!differences) {
          for (std::size_t j = 0; j < gr.model_exceedances.size(); ++j) {
            const ModelGroupResult& r = gr.models[j / nt];
            lines.push_back(exceedance_line(ev, layout, q, g, ev.models[j / nt], r.n, r.boot,
                                            gr.model_exceedances[j], false));
          }
          continue;
        }
        for (std::size_t j = 0; j < gr.difference_exceedances.size(); ++j) {
          const DifferenceResult& d = gr.differences[j / nt];
          lines.push_back(exceedance_line(ev, layout, q, g, pair_name(ev, d), d.n_both, d.boot,
                                          gr.difference_exceedances[j], true));
        }
      }
    }
  }
}

}  // namespace

std::string exceedance_line_layout(bool differences) {
  return exceedance_layout(differences, "e11.3", "f8.2");
}

std::string measure_line_layout() {
  return measure_layout("e11.3", "f8.2");
}

std::string difference_line_layout() {
  return difference_layout("e11.3", "f8.2");
}

std::string section_line_layout(Section section, bool differences) {
  return section_layout(section, differences, "e11.3", "f8.2");
}

std::string incomplete_table_remark(const CountLines& counts) {
  const int found =
      (counts.isc_zero_cy ? 1 : 0) + (counts.iaerobs ? 1 : 0) + (counts.iallthree ? 1 : 0);
  if (found == 3) return {};
  if (found == 0) return "no count lines: the table may be incomplete";
  return "only " + std::to_string(found) + " of the 3 count lines: the table may be incomplete";
}

std::vector<std::string> report_lines(const ReportInput& input, const Evaluation& ev) {
  std::vector<std::string> lines = header_lines(input, ev);
  lines.emplace_back();
  lines.emplace_back("Measures per quantity, group and model");
  lines.push_back(measure_titles());
  for (std::size_t q = 0; q < ev.quantities.size(); ++q) {
    for (std::size_t g = 0; g < ev.groups.size(); ++g) {
      for (std::size_t m = 0; m < ev.models.size(); ++m) lines.push_back(measure_line(ev, q, g, m));
    }
  }
  if (ev.models.size() >= 2) add_differences(lines, ev);
  for (const SectionEntry& entry : later_sections()) add_section(lines, ev, entry);
  add_exceedances(lines, ev);
  return lines;
}

namespace {

// The first section's difference lines, after their title line.
void add_differences(std::vector<std::string>& lines, const Evaluation& ev) {
  lines.emplace_back();
  if (ev.models.size() == 2) {
    lines.emplace_back("Differences " + ev.models[0] + " minus " + ev.models[1] +
                       " per quantity and group");
  } else {
    lines.emplace_back(
        "Differences per quantity, group and pair of models (first minus second in column order)");
  }
  lines.push_back(difference_titles(ev));
  for (std::size_t q = 0; q < ev.quantities.size(); ++q) {
    for (std::size_t g = 0; g < ev.groups.size(); ++g) {
      for (std::size_t p = 0; p < ev.results[q][g].differences.size(); ++p) {
        lines.push_back(difference_line(ev, q, g, p));
      }
    }
  }
}

}  // namespace
}  // namespace evaluate
