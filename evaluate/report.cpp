#include "evaluate/report.h"

#include <cfloat>
#include <cmath>
#include <initializer_list>
#include <utility>

#include "records/records.h"

namespace evaluate {
namespace {

// The same columns as kMeasureLineLayout and kDifferenceLineLayout, with every real
// field taken as a prepared text, so that a value not formed or beyond the float
// range gets its mark and a non-arc group a blank arc field.
const records::Layout& measure_out() {
  static const records::Layout layout("(a13,1x,a6,1x,a8,a8,7i7,5a11,5(3a11,3x,a1))");
  return layout;
}
const records::Layout& difference_out() {
  static const records::Layout layout("(a13,1x,a6,1x,a8,a8,4i7,5(3a11,3x,a1))");
  return layout;
}

constexpr int kMeasureBlockFirst = 142;    // first column of the FB block of a measure line
constexpr int kDifferenceBlockFirst = 66;  // first column of the FB block of a difference line
constexpr int kBlockWidth = 37;            // value, lower, upper (11 each), 3 blanks, mark

std::string real_text(double v) {
  static const records::Layout layout("(1pe11.3)");
  if (std::isnan(v)) return records::format(layout, {kNotFormed});
  if (std::fabs(v) > FLT_MAX) return std::string(11, '*');
  return records::format(layout, {static_cast<float>(v)});
}

std::string arc_text(const Group& group) {
  static const records::Layout layout("(f8.2)");
  if (group.kind != GroupKind::arc) return std::string(8, ' ');
  return records::format(layout, {group.arc});
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

// A column-title line: each label right-aligned to end at its column, or (negative
// column) left-aligned from that column.
std::string title_line(std::initializer_list<std::pair<std::string_view, int>> labels) {
  std::string line;
  for (const auto& [label, column] : labels) {
    const std::size_t first = column < 0 ? static_cast<std::size_t>(-column - 1)
                                         : static_cast<std::size_t>(column) - label.size();
    if (line.size() < first + label.size()) line.resize(first + label.size(), ' ');
    line.replace(first, label.size(), label);
  }
  return line;
}

void add_block_titles(std::string& line, int first, std::string_view name, std::string_view mark) {
  const std::string n(name);
  for (const auto& [label, end] : {std::pair<std::string, int>{n, first + 10},
                                   {n + ".lo", first + 21},
                                   {n + ".hi", first + 32},
                                   {std::string(mark), first + 36}}) {
    const std::size_t start = static_cast<std::size_t>(end) - label.size();
    if (line.size() < start + label.size()) line.resize(start + label.size(), ' ');
    line.replace(start, label.size(), label);
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
                                 {"Boot", 86},
                                 {"MeanO", 97},
                                 {"MeanP", 108},
                                 {"SdO", 119},
                                 {"SdP", 130},
                                 {"R", 141}});
  for (int k = 0; k < kMeasures; ++k) {
    add_block_titles(line, kMeasureBlockFirst + k * kBlockWidth, measure_name(k), "Ok");
  }
  return line;
}

std::string difference_titles() {
  static constexpr std::string_view names[kMeasures] = {"dFB", "dlnMG", "dNMSE", "dlnVG", "dFAC2"};
  std::string line = title_line({{"Model", -1},
                                 {"Qty", -15},
                                 {"Group", -22},
                                 {"Arc(km)", 37},
                                 {"Lines", 44},
                                 {"N.AER", 51},
                                 {"N.ISC", 58},
                                 {"Boot", 65}});
  for (int k = 0; k < kMeasures; ++k) {
    add_block_titles(line, kDifferenceBlockFirst + k * kBlockWidth, names[k], "Sig");
  }
  return line;
}

std::string count_text(const std::optional<long>& count) {
  return count ? std::to_string(*count) : std::string("absent");
}

std::vector<std::string> header_lines(const ReportInput& input, const Evaluation& ev) {
  std::vector<std::string> h;
  const std::string file(input.file);
  h.push_back("tlvstats " + std::string(records::kVersion) +
              ": performance of AERMOD and ISCST3 against the observations of " + file);
  std::string counts = "Input: " + std::to_string(input.combined_lines) +
                       " combined lines; count lines: ISC Zero Cy " +
                       count_text(input.counts.isc_zero_cy) + ", Iaerobs " +
                       count_text(input.counts.iaerobs) + ", iallthree " +
                       count_text(input.counts.iallthree);
  if (input.counts.isc_zero_cy && input.counts.iallthree) {
    const long expected = *input.counts.iallthree - *input.counts.isc_zero_cy;
    counts += " (iallthree - ISC Zero Cy = " + std::to_string(expected) + ")";
    if (expected != input.combined_lines) counts += " -- differs from the combined lines read";
  }
  h.push_back(counts);
  h.push_back(
      "Pairs per combined line and model: observed CY/Q (columns 140-151) with the model's CY1/Q "
      "(record columns 55-64), observed CMAX/Q (columns 125-136)");
  h.push_back(
      "  with the model's Cmax/Q (record columns 25-36); the AERMOD record is columns 181-260 of "
      "the line, the ISCST3 record 261-340. Units: 10^-6 s/m^2 (CY/Q), 10^-6 s/m^3 (CMAX/Q).");
  h.push_back(
      "Left out of every measure: ObsOut lines whose observed value is missing (-99.0) or not "
      "positive; of the others, ModUnr lines whose model field is blank or");
  h.push_back(
      "  not a number, ModNeg lines whose model value is negative. Lines = ObsOut + ModUnr + "
      "ModNeg + N. Co observed, Cp predicted, means over the N pairs.");
  h.push_back("All measures are computed in double precision from the values read:");
  h.push_back(
      "  FB   = (mean Co - mean Cp) / (0.5 (mean Co + mean Cp))   0 for a perfect model; "
      "positive: the model underpredicts, negative: it overpredicts");
  h.push_back(
      "  MG   = exp(mean ln Co - mean ln Cp)                       1 for a perfect model; "
      "above 1: underprediction; over the Npos pairs with Co > 0 and Cp > 0");
  h.push_back("  NMSE = mean (Co - Cp)^2 / (mean Co * mean Cp)             0 for a perfect model");
  h.push_back(
      "  VG   = exp(mean (ln Co - ln Cp)^2)                        1 for a perfect model; over "
      "the Npos pairs");
  h.push_back("  FAC2 = fraction of the N pairs with 0.5 <= Cp/Co <= 2     1 for a perfect model");
  h.push_back(
      "  MeanO, MeanP: means of Co and Cp; SdO, SdP: their standard deviations (divisor N); R: "
      "the correlation coefficient of Co and Cp");
  h.push_back(
      "Groups: all lines; each arc (Arc column, km); stable hours (OBK > 0); unstable hours "
      "(-99999 < OBK < 0). OBK 0 or missing (-99999 and below): neither.");
  h.push_back("Bootstrap: " + std::to_string(ev.bootstrap.resamples) + " resamples, seed " +
              std::to_string(ev.bootstrap.seed) +
              "; the combined lines drawn with replacement within each arc (std::mt19937_64, "
              "multiply-shift draw with rejection).");
  h.push_back(
      "  .lo, .hi: 95% limits, the sorted resample values at 0-based index floor(0.025 B) and "
      "ceil(0.975 B) - 1, B the resamples in which the value is formed;");
  h.push_back(
      "  Boot: the resamples in which the group has pairs (pairs of both models on a difference "
      "line).");
  h.push_back(
      "Acceptance (Ok: Y met, N not met, - not formed), criteria for rural tracer studies: FAC2 "
      ">= 0.5, |FB| <= 0.3, 0.7 <= MG <= 1.3, NMSE <= 1.5, VG <= 4.");
  h.push_back(
      "Differences AERMOD minus ISCST3 on the same resampled lines: FB, NMSE and FAC2 as "
      "differences, MG and VG as differences of their natural logarithms");
  h.push_back(
      "  (dlnMG = ln MG(AERMOD) - ln MG(ISCST3), dlnVG likewise); Sig: Y the 95% limits "
      "exclude zero (significant), N they do not, - not formed.");
  h.push_back(
      "-9.900E+01 (-99.0) marks a value that is not formed (no pairs, no positive pairs, mean Cp "
      "zero, R with a deviation zero); asterisks a value beyond the float range.");
  return h;
}

char significance(const Limits& limits) {
  if (std::isnan(limits.lower) || std::isnan(limits.upper)) return '-';
  return significant(limits) ? 'Y' : 'N';
}

std::string measure_line(const Evaluation& ev, std::size_t g, int m, int q) {
  const Group& group = ev.groups[g];
  const ModelGroupResult& r = ev.models[g][m][q];
  const PairSummary& s = r.summary;
  const LimitSet& boot = ev.bootstrap.models[g][m][q];
  const auto verdicts = acceptance(s.measures);

  const std::string model = left_aligned(model_name(m), 13);
  const std::string quantity = left_aligned(quantity_name(q), 6);
  const std::string name = left_aligned(group_name(group.kind), 8);
  std::vector<std::string> texts;
  texts.reserve(2 + 5 + 3 * kMeasures + kMeasures);
  texts.push_back(arc_text(group));
  for (double v : {s.mean_o, s.mean_p, s.sd_o, s.sd_p, s.r}) texts.push_back(real_text(v));
  for (int k = 0; k < kMeasures; ++k) {
    texts.push_back(real_text(s.measures[k]));
    texts.push_back(real_text(boot.limits[k].lower));
    texts.push_back(real_text(boot.limits[k].upper));
    texts.push_back(std::string(1, static_cast<char>(verdicts[k])));
  }
  std::vector<records::Item> items;
  items.emplace_back(std::string_view(model));
  items.emplace_back(std::string_view(quantity));
  items.emplace_back(std::string_view(name));
  items.emplace_back(std::string_view(texts[0]));
  for (long n :
       {r.lines, r.observed_out, r.model_unread, r.model_negative, s.n, s.npos, boot.with_pairs}) {
    items.emplace_back(count_item(n));
  }
  for (std::size_t t = 1; t < texts.size(); ++t) items.emplace_back(std::string_view(texts[t]));
  std::string out;
  records::format(measure_out(), items, out);
  return out;
}

std::string difference_line(const Evaluation& ev, std::size_t g, int q) {
  const Group& group = ev.groups[g];
  const LimitSet& boot = ev.bootstrap.differences[g][q];
  const MeasureValues& d = ev.differences[g][q];

  const std::string quantity = left_aligned(quantity_name(q), 6);
  const std::string name = left_aligned(group_name(group.kind), 8);
  std::vector<std::string> texts;
  texts.reserve(1 + 4 * kMeasures);
  texts.push_back(arc_text(group));
  for (int k = 0; k < kMeasures; ++k) {
    texts.push_back(real_text(d[k]));
    texts.push_back(real_text(boot.limits[k].lower));
    texts.push_back(real_text(boot.limits[k].upper));
    texts.push_back(std::string(1, significance(boot.limits[k])));
  }
  std::vector<records::Item> items;
  items.emplace_back(std::string_view("AERMOD-ISCST3"));
  items.emplace_back(std::string_view(quantity));
  items.emplace_back(std::string_view(name));
  items.emplace_back(std::string_view(texts[0]));
  for (long n : {ev.models[g][kAermod][q].lines, ev.models[g][kAermod][q].summary.n,
                 ev.models[g][kIscst3][q].summary.n, boot.with_pairs}) {
    items.emplace_back(count_item(n));
  }
  for (std::size_t t = 1; t < texts.size(); ++t) items.emplace_back(std::string_view(texts[t]));
  std::string out;
  records::format(difference_out(), items, out);
  return out;
}

}  // namespace

std::vector<std::string> report_lines(const ReportInput& input, const Evaluation& ev) {
  std::vector<std::string> lines = header_lines(input, ev);
  lines.emplace_back();
  lines.emplace_back("Measures per quantity, group and model");
  lines.push_back(measure_titles());
  for (int q = 0; q < kQuantities; ++q) {
    for (std::size_t g = 0; g < ev.groups.size(); ++g) {
      for (int m = 0; m < kModels; ++m) lines.push_back(measure_line(ev, g, m, q));
    }
  }
  lines.emplace_back();
  lines.emplace_back("Differences AERMOD minus ISCST3 per quantity and group");
  lines.push_back(difference_titles());
  for (int q = 0; q < kQuantities; ++q) {
    for (std::size_t g = 0; g < ev.groups.size(); ++g) lines.push_back(difference_line(ev, g, q));
  }
  return lines;
}

}  // namespace evaluate
