#include "evaluate/input/combined_table.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

#include "formats/analysis_report.h"
#include "formats/combined_table.h"
#include "formats/model_record.h"

namespace evaluate {
namespace {

// The observed part of a combined line: the analysis report line.
const records::Layout& observed_layout() {
  static const records::Layout layout(formats::kAnalysisReportLine);
  return layout;
}

// The columns of each field of the observed part, from its layout.
const std::vector<records::FieldColumns>& observed_columns() {
  static const std::vector<records::FieldColumns> columns = field_columns(observed_layout());
  return columns;
}

// The index of the observed field `name` in the report line.
std::size_t observed_field(std::string_view name) {
  const auto& names = formats::kAnalysisReportFields;
  return static_cast<std::size_t>(std::find(names.begin(), names.end(), name) - names.begin());
}

// A model field: its columns within the model record and its implied decimals.
struct ModelField {
  records::FieldColumns columns;
  int decimals = 0;
};

ModelField model_field(std::string_view layout_text) {
  const records::Layout layout(layout_text);
  ModelField field{field_columns(layout).front(), 0};
  for (const records::Step& s : layout.steps()) {
    if (s.is_data()) field.decimals = std::max(s.digits, 0);
  }
  return field;
}

// The two quantities of the combined table, in quantity order (kCy, kCmax): the
// observed field of the line and the field of each model record paired with it.
struct QuantityColumns {
  std::string_view name;
  std::string_view caption;
  std::string_view unit;
  std::string_view observed;  // the field's name in the analysis report line
  std::string_view model;     // the field's name in the model record
  ModelField model_field;
};

const std::array<QuantityColumns, kQuantities>& quantity_columns() {
  static const std::array<QuantityColumns, kQuantities> table = {
      QuantityColumns{"CY/Q", "CY/Q: crosswind-integrated value over the emission rate",
                      "10^-6 s/m^2", "CY/Q", "CY1/Q", model_field(formats::kModelRecordCy1Q)},
      QuantityColumns{"CMAX/Q", "CMAX/Q: centreline maximum over the emission rate", "10^-6 s/m^3",
                      "CMAX/Q", "Cmax/Q", model_field(formats::kModelRecordCmaxQ)}};
  return table;
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

// The observed fields of the line's report part; every real field from Dist on
// must be finite, since the analysis report never holds a value beyond the float
// range (one read as infinity is corrupt data).
std::array<float, formats::kAnalysisReportFields.size()> observed_fields(
    std::string_view record, const records::Origin& origin) {
  constexpr std::size_t kFirstReal = 7;  // Dist
  int ints[kFirstReal] = {};
  std::array<float, formats::kAnalysisReportFields.size()> reals{};
  records::Dest fields[formats::kAnalysisReportFields.size()];
  for (std::size_t k = 0; k < std::size(fields); ++k) {
    fields[k] = k < kFirstReal ? records::Dest(&ints[k]) : records::Dest(&reals[k]);
  }
  read_text(observed_layout(), record, fields, origin, formats::kAnalysisReportFields);
  for (std::size_t k = kFirstReal; k < reals.size(); ++k) {
    if (!std::isinf(reals[k])) continue;
    const records::FieldColumns at = observed_columns()[k];
    throw records::RunError(
        records::kStatusBadInput, "Value beyond the float range",
        records::Location{std::string(origin.file), origin.line, at.first, at.last,
                          std::string(formats::kAnalysisReportFields[k])});
  }
  return reals;
}

CombinedLine read_combined_line(std::string_view record, const records::Origin& origin) {
  const auto observed = observed_fields(record, origin);
  CombinedLine line;
  line.line = origin.line;
  line.arc = observed[observed_field("Arc")];
  line.obk = observed[observed_field("OBK")];
  for (int q = 0; q < kQuantities; ++q) {
    line.observed[q] = observed[observed_field(quantity_columns()[q].observed)];
  }
  for (int m = 0; m < kModels; ++m) {
    for (int q = 0; q < kQuantities; ++q) {
      const records::FieldColumns at = quantity_columns()[q].model_field.columns;
      const int first = formats::kCombinedModelFirst[m] + at.first - 1;
      const int width = at.last - at.first + 1;
      float value = 0.0f;
      // A field that the line's end cuts is never read from what is left of it.
      PairState state = cut_by_line_end(record, first, width)
                            ? PairState::model_unread
                            : read_model_field(columns(record, first, width), value);
      // The observed value decides first: a pair without an observation is out
      // whatever its model field holds.
      if (!(line.observed[q] > 0.0f)) state = PairState::observed_out;
      line.state[m][q] = state;
      line.predicted[m][q] = state == PairState::valid ? value : 0.0f;
    }
  }
  return line;
}

// The distinct Arc values of `lines`, ascending (0.0 and -0.0 are one arc).
std::vector<float> arcs_of(const std::vector<CombinedLine>& lines) {
  std::vector<float> arcs;
  arcs.reserve(lines.size());
  for (const CombinedLine& line : lines) arcs.push_back(line.arc == 0.0f ? 0.0f : line.arc);
  std::sort(arcs.begin(), arcs.end());
  arcs.erase(std::unique(arcs.begin(), arcs.end()), arcs.end());
  return arcs;
}

std::string columns_text(records::FieldColumns at) {
  return std::to_string(at.first) + "-" + std::to_string(at.last);
}

}  // namespace

std::string_view model_name(int model) {
  return model == kAermod ? "AERMOD" : "ISCST3";
}

PairState read_model_field(std::string_view field, float& value) {
  if (blank(field)) return PairState::model_unread;
  // The field is read by the record rules from its own columns.
  const records::RealField read = records::read_real_field(field);
  if (!read.ok() || !std::isfinite(read.value)) return PairState::model_unread;
  if (read.value < 0.0f) return PairState::model_negative;
  value = read.value;
  return PairState::valid;
}

CombinedTable read_combined_table(records::LineSource& source) {
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

std::vector<std::string> combined_pairs_notes() {
  const auto& q = quantity_columns();
  auto pairing = [](const QuantityColumns& c) {
    return "observed " + std::string(c.observed) + " (columns " +
           columns_text(observed_columns()[observed_field(c.observed)]) + ")";
  };
  auto model = [](const QuantityColumns& c) {
    return "the model's " + std::string(c.model) + " (record columns " +
           columns_text(c.model_field.columns) + ")";
  };
  auto record = [](int m) {
    return columns_text({formats::kCombinedModelFirst[m],
                         formats::kCombinedModelFirst[m] + formats::kCombinedModelWidth - 1});
  };
  return {"Pairs per combined line and model: " + pairing(q[kCy]) + " with " + model(q[kCy]) +
              ", " + pairing(q[kCmax]),
          "  with " + model(q[kCmax]) + "; the AERMOD record is columns " + record(kAermod) +
              " of the line, the ISCST3 record " + record(kIscst3) +
              ". Units: " + std::string(q[kCy].unit) + " (" + std::string(q[kCy].name) + "), " +
              std::string(q[kCmax].unit) + " (" + std::string(q[kCmax].name) + ")."};
}

Study study_of(const std::vector<CombinedLine>& lines, std::string source) {
  Study study;
  study.source = std::move(source);
  for (int m = 0; m < kModels; ++m) study.models.emplace_back(model_name(m));
  for (const QuantityColumns& c : quantity_columns()) {
    study.quantities.push_back({std::string(c.name), std::string(c.caption), std::string(c.unit)});
  }
  const std::vector<float> arcs = arcs_of(lines);
  for (float arc : arcs) study.strata.push_back({true, arc, {}});
  study.has_obk = true;

  Block block;
  block.quantities = {kCy, kCmax};
  block.models = kModels;
  block.line.reserve(lines.size());
  for (const CombinedLine& l : lines) {
    block.line.push_back(l.line);
    const float arc = l.arc == 0.0f ? 0.0f : l.arc;
    block.stratum.push_back(
        static_cast<std::uint32_t>(std::lower_bound(arcs.begin(), arcs.end(), arc) - arcs.begin()));
    block.obk.push_back(l.obk);
    for (int q = 0; q < kQuantities; ++q) {
      block.observed.push_back(l.observed[q]);
      for (int m = 0; m < kModels; ++m) {
        block.predicted.push_back(l.predicted[m][q]);
        block.state.push_back(l.state[m][q]);
      }
    }
  }
  study.blocks.push_back(std::move(block));
  return study;
}

}  // namespace evaluate
