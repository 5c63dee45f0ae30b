#include "evaluate/input/pairs.h"

#include <cmath>
#include <iterator>
#include <string>

#include "formats/analysis_report.h"
#include "formats/combined_table.h"

namespace evaluate {
namespace {

// The observed part of a combined line: the analysis report line.
const records::Layout& observed_layout() {
  static const records::Layout layout(formats::kAnalysisReportLine);
  return layout;
}

// The columns first..first+width-1 of `record` that it holds (possibly fewer).
std::string_view columns(std::string_view record, int first, int width) {
  const auto start = static_cast<std::size_t>(first - 1);
  if (start >= record.size()) return {};
  return record.substr(start, static_cast<std::size_t>(width));
}

bool blank(std::string_view text) {
  return text.find_first_not_of(' ') == std::string_view::npos;
}

// Index of the count label that `record` begins with (in list form: one blank,
// then the label), or -1.
int count_label(std::string_view record) {
  if (record.empty() || record[0] != ' ') return -1;
  const std::string_view rest = record.substr(1);
  for (std::size_t k = 0; k < formats::kCountLabels.size(); ++k) {
    const std::string_view label = formats::kCountLabels[k];
    if (rest.substr(0, label.size()) == label) return static_cast<int>(k);
  }
  return -1;
}

void read_count_line(int label, std::string_view record, const records::Origin& origin,
                     CountLines& counts) {
  static const records::Layout layout(formats::kCountLine);
  int value = 0;
  read_text(layout, record, {&value}, origin, {"count"});
  std::optional<long>* slots[3] = {&counts.isc_zero_cy, &counts.iaerobs, &counts.iallthree};
  *slots[label] = value;
}

// A field whose columns the end of a short line cuts: the line ends inside it.
bool cut_by_line_end(std::string_view record, int first, int width) {
  const auto start = static_cast<std::size_t>(first - 1);
  return record.size() > start && record.size() < start + static_cast<std::size_t>(width);
}

struct RealColumns {
  int first;
  int last;
};

// Columns of the real fields of the observed part (Dist to PHIC), the fields of the
// report line from formats::kAnalysisReportFields[kFirstReal] on.
constexpr std::size_t kFirstReal = 7;
constexpr RealColumns kObservedReals[] = {
    {25, 34},
    {38, 47},
    {51, 60},
    {64, 73},
    {80, 91},
    {95, 106},
    {110, 121},
    {formats::kAnalysisCmaxQFirst, formats::kAnalysisCmaxQFirst + 11},
    {formats::kAnalysisCyQFirst, formats::kAnalysisCyQFirst + 11},
    {154, 165},
    {166, 177}};
static_assert(kFirstReal + std::size(kObservedReals) == formats::kAnalysisReportFields.size());

CombinedLine read_combined_line(std::string_view record, const records::Origin& origin) {
  int exp = 0, year = 0, month = 0, day = 0, hour = 0, minute = 0, duration = 0;
  float dist = 0, arc = 0, q = 0, obk = 0, omax = 0, cmax = 0, cy = 0, cmax_q = 0, cy_q = 0, sy = 0,
        phic = 0;
  const records::Dest fields[] = {&exp,      &year, &month,  &day,  &hour, &minute,
                                  &duration, &dist, &arc,    &q,    &obk,  &omax,
                                  &cmax,     &cy,   &cmax_q, &cy_q, &sy,   &phic};
  read_text(observed_layout(), record, fields, origin, formats::kAnalysisReportFields);
  // The analysis report never holds a value beyond the float range: such a value
  // (read as infinity) is corrupt data.
  const float reals[] = {dist, arc, q, obk, omax, cmax, cy, cmax_q, cy_q, sy, phic};
  for (std::size_t k = 0; k < std::size(reals); ++k) {
    if (std::isinf(reals[k])) {
      throw records::RunError(
          runframe::kStatusBadInput, "Value beyond the float range",
          records::Location{std::string(origin.file), origin.line, kObservedReals[k].first,
                            kObservedReals[k].last,
                            std::string(formats::kAnalysisReportFields[kFirstReal + k])});
    }
  }
  CombinedLine line;
  line.line = origin.line;
  line.arc = arc;
  line.obk = obk;
  line.observed[kCy] = cy_q;
  line.observed[kCmax] = cmax_q;
  for (int m = 0; m < kModels; ++m) {
    const std::string_view model =
        columns(record, formats::kCombinedModelFirst[m], formats::kCombinedModelWidth);
    const std::string_view fields[kQuantities] = {columns(model, kModelCyFirst, kModelCyWidth),
                                                  columns(model, kModelCmaxFirst, kModelCmaxWidth)};
    const int firsts[kQuantities] = {formats::kCombinedModelFirst[m] + kModelCyFirst - 1,
                                     formats::kCombinedModelFirst[m] + kModelCmaxFirst - 1};
    const int widths[kQuantities] = {kModelCyWidth, kModelCmaxWidth};
    for (int q = 0; q < kQuantities; ++q) {
      float value = 0.0f;
      // A field that the line's end cuts is never read from what is left of it.
      PairState state = cut_by_line_end(record, firsts[q], widths[q])
                            ? PairState::model_unread
                            : read_model_field(fields[q], value);
      // The observed value decides first: a pair without an observation is out
      // whatever its model field holds.
      if (!(line.observed[q] > 0.0f)) state = PairState::observed_out;
      line.state[m][q] = state;
      line.predicted[m][q] = state == PairState::valid ? value : 0.0f;
    }
  }
  return line;
}

}  // namespace

std::string_view model_name(int model) {
  return model == kAermod ? "AERMOD" : "ISCST3";
}

std::string_view quantity_name(int quantity) {
  return quantity == kCy ? "CY/Q" : "CMAX/Q";
}

PairState read_model_field(std::string_view field, float& value) {
  static const records::Layout layout("(g12.0)");
  if (blank(field)) return PairState::model_unread;
  // The field is read by the record rules from its own columns; a field shorter
  // than 12 columns reads as if padded with blanks.
  float read = 0.0f;
  try {
    records::read_text(layout, field, {&read}, records::Origin{});
  } catch (const records::RunError&) {
    return PairState::model_unread;
  }
  if (!std::isfinite(read)) return PairState::model_unread;
  if (read < 0.0f) return PairState::model_negative;
  value = read;
  return PairState::valid;
}

CombinedTable read_combined(records::LineSource& source) {
  CombinedTable table;
  std::string_view record;
  for (int header = 0; header < 2; ++header) {
    if (!source.next(record)) {
      const records::Origin at = source.origin();
      throw records::end_of_file(std::string(at.file), at.line + 1);
    }
  }
  while (source.next(record)) {
    const records::Origin origin = source.origin();
    if (blank(record)) continue;
    if (const int label = count_label(record); label >= 0) {
      read_count_line(label, record, origin, table.counts);
      continue;
    }
    table.lines.push_back(read_combined_line(record, origin));
  }
  return table;
}

}  // namespace evaluate
