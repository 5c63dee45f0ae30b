#include "evaluate/input/pairs_csv.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "evaluate/input/groups.h"
#include "records/detail/parse_number.h"
#include "records/records.h"

namespace evaluate {
namespace {

constexpr std::string_view kBeyondFloat = "Value beyond the float range";

struct Record {
  long line = 0;  // the line the record begins on
  std::vector<std::string> fields;
};

[[noreturn]] void fail(std::string_view file, long line, std::string_view column,
                       std::string_view reason) {
  throw records::RunError(runframe::kStatusBadInput, std::string(reason),
                          records::Location{std::string(file), line, 0, 0, std::string(column)});
}

// The records of an RFC 4180 text. Lines end with CR LF, LF or CR.
std::vector<Record> csv_records(std::string_view text, std::string_view file) {
  std::vector<Record> out;
  if (text.starts_with(records::kByteOrderMark)) text.remove_prefix(records::kByteOrderMark.size());
  long line = 1;
  std::size_t i = 0;
  while (i < text.size()) {
    Record rec;
    rec.line = line;
    std::string fld;
    bool end_of_record = false;
    while (!end_of_record) {
      fld.clear();
      if (i < text.size() && text[i] == '"') {
        ++i;
        for (;;) {
          if (i >= text.size()) fail(file, rec.line, "", "Quoted field not closed");
          const char c = text[i++];
          if (c == '"') {
            if (i < text.size() && text[i] == '"') {
              fld += '"';
              ++i;
              continue;
            }
            break;
          }
          if (c == '\n' || (c == '\r' && (i >= text.size() || text[i] != '\n'))) ++line;
          fld += c;
        }
        if (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
          fail(file, line, "", "Characters after a closing quote");
        }
      } else {
        while (i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n') {
          if (text[i] == '"') fail(file, line, "", "Quote inside an unquoted field");
          fld += text[i++];
        }
      }
      rec.fields.push_back(fld);
      if (i >= text.size()) {
        end_of_record = true;
      } else if (text[i] == ',') {
        ++i;
      } else {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        ++i;
        ++line;
        end_of_record = true;
      }
    }
    const bool empty = rec.fields.size() == 1 && rec.fields[0].empty();
    if (!empty) out.push_back(std::move(rec));
  }
  return out;
}

std::string_view trimmed(std::string_view s) {
  const auto a = s.find_first_not_of(' ');
  if (a == std::string_view::npos) return {};
  const auto b = s.find_last_not_of(' ');
  return s.substr(a, b - a + 1);
}

enum class Number { none, ok, beyond };

// A real read as the table's reals are (no implied decimals); blanks inside a
// number are not taken.
Number read_number(std::string_view cell, float& value) {
  const std::string_view t = trimmed(cell);
  if (t.empty() || t.find(' ') != std::string_view::npos) return Number::none;
  float v = 0.0f;
  if (records::detail::parse_real(t, 0, 0, v) != records::detail::Parse::ok) return Number::none;
  if (!std::isfinite(v)) return Number::beyond;
  value = v;
  return Number::ok;
}

// 1 to `longest` printable characters without blank, comma or quote.
bool plain_name(std::string_view s, std::size_t longest) {
  if (s.empty() || s.size() > longest) return false;
  return std::all_of(s.begin(), s.end(),
                     [](char c) { return c > ' ' && c < 127 && c != ',' && c != '"'; });
}

bool model_name_ok(std::string_view s) {
  if (s.empty() || s.size() > 6 || s == "Model") return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
  });
}

struct Row {
  long line;
  int quantity;
  bool is_arc;
  float arc;
  std::string label;
  float obk;
  float observed;
  std::vector<float> predicted;
  std::vector<PairState> state;
};

}  // namespace

PairsFile read_pairs(std::string_view text, std::string_view file) {
  const std::vector<Record> records = csv_records(text, file);
  if (records.empty()) fail(file, 1, "", "No header row");
  const Record& header = records.front();

  int col_group = -1, col_observed = -1, col_obk = -1, col_quantity = -1;
  std::vector<int> model_cols;
  PairsFile out;
  Study& study = out.study;
  study.source = std::string(file);
  std::vector<std::string> seen;
  for (std::size_t c = 0; c < header.fields.size(); ++c) {
    const std::string name(trimmed(header.fields[c]));
    if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
      fail(file, header.line, name, "Column named twice");
    }
    seen.push_back(name);
    const int col = static_cast<int>(c);
    if (name == "group") {
      col_group = col;
    } else if (name == "observed") {
      col_observed = col;
    } else if (name == "obk") {
      col_obk = col;
    } else if (name == "quantity") {
      col_quantity = col;
    } else {
      if (!model_name_ok(name)) {
        fail(file, header.line, name,
             "Bad model name (1 to 6 letters, digits or underscores, not \"Model\")");
      }
      model_cols.push_back(col);
      study.models.push_back(name);
    }
  }
  if (col_group < 0) fail(file, header.line, "group", "No group column");
  if (col_observed < 0) fail(file, header.line, "observed", "No observed column");
  if (study.models.empty()) fail(file, header.line, "", "No model column");
  if (study.models.size() > static_cast<std::size_t>(kMaxModels)) {
    fail(file, header.line, study.models[kMaxModels], "More than 8 model columns");
  }
  const std::size_t nm = study.models.size();
  study.has_obk = col_obk >= 0;

  std::vector<Row> rows;
  rows.reserve(records.size() - 1);
  std::vector<std::string> quantity_names;
  std::vector<std::string> labels;
  std::vector<float> arcs;
  if (col_quantity < 0) quantity_names.emplace_back(kDefaultQuantity);
  for (std::size_t r = 1; r < records.size(); ++r) {
    const Record& rec = records[r];
    if (rec.fields.size() != header.fields.size()) {
      fail(file, rec.line, "",
           std::to_string(rec.fields.size()) + " fields where the header has " +
               std::to_string(header.fields.size()));
    }
    auto cell = [&](int col) -> const std::string& {
      return rec.fields[static_cast<std::size_t>(col)];
    };
    auto column = [&](int col) -> std::string {
      return std::string(trimmed(header.fields[static_cast<std::size_t>(col)]));
    };
    Row row;
    row.line = rec.line;
    // Group: a number is an arc, anything else a label.
    const std::string_view group(trimmed(cell(col_group)));
    if (group.empty()) fail(file, rec.line, "group", "Empty group");
    switch (read_number(group, row.arc)) {
      case Number::ok:
        row.is_arc = true;
        if (row.arc == 0.0f) row.arc = 0.0f;
        arcs.push_back(row.arc);
        break;
      case Number::beyond:
        fail(file, rec.line, "group", kBeyondFloat);
      case Number::none:
        if (!plain_name(group, 8) || group == "all" || group == "arc" || group == "stable" ||
            group == "unstable") {
          fail(file, rec.line, "group",
               "Bad group label (1 to 8 characters without blank, comma or quote; not all, arc, "
               "stable or unstable)");
        }
        row.is_arc = false;
        row.arc = 0.0f;
        row.label = std::string(group);
        if (std::find(labels.begin(), labels.end(), row.label) == labels.end()) {
          labels.push_back(row.label);
        }
        break;
    }
    // Quantity.
    row.quantity = 0;
    if (col_quantity >= 0) {
      const std::string_view q(trimmed(cell(col_quantity)));
      if (!plain_name(q, 6)) {
        fail(file, rec.line, "quantity",
             "Bad quantity (1 to 6 characters without blank, comma or quote)");
      }
      auto it = std::find(quantity_names.begin(), quantity_names.end(), q);
      row.quantity = static_cast<int>(it - quantity_names.begin());
      if (it == quantity_names.end()) quantity_names.emplace_back(q);
    }
    // Observed value and Obukhov length.
    auto number_or_fail = [&](int col, float& value) {
      switch (read_number(cell(col), value)) {
        case Number::ok:
          return;
        case Number::beyond:
          fail(file, rec.line, column(col), kBeyondFloat);
        case Number::none:
          fail(file, rec.line, column(col), records::kBadReal);
      }
    };
    row.observed = -99.0f;
    const bool observed_empty = trimmed(cell(col_observed)).empty();
    if (!observed_empty) number_or_fail(col_observed, row.observed);
    row.obk = kMissingObk;
    if (col_obk >= 0 && !trimmed(cell(col_obk)).empty()) number_or_fail(col_obk, row.obk);
    const bool observed_in = !observed_empty && row.observed > 0.0f;
    // Predictions.
    row.predicted.assign(nm, 0.0f);
    row.state.assign(nm, PairState::model_unread);
    for (std::size_t m = 0; m < nm; ++m) {
      const int col = model_cols[m];
      PairState state = PairState::model_unread;
      float value = 0.0f;
      if (!trimmed(cell(col)).empty()) {
        switch (read_number(cell(col), value)) {
          case Number::ok:
            state = value < 0.0f ? PairState::model_negative : PairState::valid;
            break;
          case Number::beyond:
            state = PairState::model_unread;
            break;
          case Number::none:
            fail(file, rec.line, column(col), records::kBadReal);
        }
      }
      if (!observed_in) state = PairState::observed_out;
      row.state[m] = state;
      row.predicted[m] = state == PairState::valid ? value : 0.0f;
    }
    rows.push_back(std::move(row));
  }

  // Strata: arcs ascending, then labels in order of first appearance.
  std::sort(arcs.begin(), arcs.end());
  arcs.erase(std::unique(arcs.begin(), arcs.end()), arcs.end());
  for (float a : arcs) study.strata.push_back({true, a, {}});
  for (const std::string& l : labels) study.strata.push_back({false, 0.0f, l});
  auto stratum_of = [&](const Row& row) {
    if (row.is_arc) {
      return static_cast<std::uint32_t>(std::lower_bound(arcs.begin(), arcs.end(), row.arc) -
                                        arcs.begin());
    }
    return static_cast<std::uint32_t>(
        arcs.size() + static_cast<std::size_t>(std::find(labels.begin(), labels.end(), row.label) -
                                               labels.begin()));
  };

  for (const std::string& q : quantity_names) study.quantities.push_back({q, q, ""});
  study.blocks.resize(quantity_names.size());
  for (std::size_t q = 0; q < quantity_names.size(); ++q) {
    study.blocks[q].quantities = {static_cast<int>(q)};
    study.blocks[q].models = static_cast<int>(nm);
  }
  for (const Row& row : rows) {
    Block& b = study.blocks[static_cast<std::size_t>(row.quantity)];
    b.line.push_back(row.line);
    b.stratum.push_back(stratum_of(row));
    b.obk.push_back(row.obk);
    b.observed.push_back(row.observed);
    b.predicted.insert(b.predicted.end(), row.predicted.begin(), row.predicted.end());
    b.state.insert(b.state.end(), row.state.begin(), row.state.end());
  }
  out.lines = static_cast<long>(rows.size());

  std::string columns = "Pairs: one line of " + std::string(file) +
                        " per observed value: column group (arc in km or label), observed";
  if (col_obk >= 0) columns += ", obk (m)";
  if (col_quantity >= 0) columns += ", quantity";
  columns += "; one column per model: ";
  for (std::size_t m = 0; m < nm; ++m) columns += (m ? ", " : "") + study.models[m];
  columns += ".";
  out.notes.push_back(columns);
  std::string quantities = "  Quantities, each evaluated on its own, in order of first appearance:";
  for (std::size_t q = 0; q < quantity_names.size(); ++q) {
    quantities += (q ? ", " : " ") + quantity_names[q] + " (" +
                  std::to_string(study.blocks[q].size()) + " lines)";
  }
  out.notes.push_back(quantities + ".");
  return out;
}

}  // namespace evaluate
