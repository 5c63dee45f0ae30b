// Reading a pairs file by stage: its records (csv_records.cpp), the header's
// columns, each data row, and the study the rows make.
#include "evaluate/input/pairs_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>

#include "evaluate/input/csv_records.h"
#include "evaluate/input/groups.h"

namespace evaluate {
namespace {

constexpr std::string_view kBeyondFloat = "Value beyond the float range";
constexpr float kMissingObserved = -99.0f;

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
  const records::RealField read = records::read_real_field(t);
  if (!read.ok()) return Number::none;
  if (!std::isfinite(read.value)) return Number::beyond;
  value = read.value;
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

// ---- The header ----

struct Columns {
  std::vector<std::string> names;  // every column's name, blanks around it removed
  int group = -1;
  int observed = -1;
  int obk = -1;
  int quantity = -1;
  std::vector<int> models;  // in column order
};

Columns read_header(const CsvRecord& header, std::string_view file) {
  Columns c;
  for (std::size_t k = 0; k < header.fields.size(); ++k) {
    const std::string name(trimmed(header.fields[k]));
    if (std::find(c.names.begin(), c.names.end(), name) != c.names.end()) {
      pairs_fault(file, header.line, name, "Column named twice");
    }
    c.names.push_back(name);
    const int col = static_cast<int>(k);
    int* role = name == "group"      ? &c.group
                : name == "observed" ? &c.observed
                : name == "obk"      ? &c.obk
                : name == "quantity" ? &c.quantity
                                     : nullptr;
    if (role != nullptr) {
      *role = col;
    } else if (model_name_ok(name)) {
      c.models.push_back(col);
    } else {
      pairs_fault(file, header.line, name,
                  "Bad model name (1 to 6 letters, digits or underscores, not \"Model\")");
    }
  }
  if (c.group < 0) pairs_fault(file, header.line, "group", "No group column");
  if (c.observed < 0) pairs_fault(file, header.line, "observed", "No observed column");
  if (c.models.empty()) pairs_fault(file, header.line, "", "No model column");
  if (c.models.size() > static_cast<std::size_t>(kMaxModels)) {
    pairs_fault(file, header.line, c.names[static_cast<std::size_t>(c.models[kMaxModels])],
                "More than 8 model columns");
  }
  return c;
}

// ---- The rows ----

// One row as read; each goes into its quantity's block as it is read.
struct Row {
  int quantity = 0;
  std::uint32_t stratum = 0;  // the group in order of first appearance (see Seen)
  float obk = kMissingObk;
  float observed = kMissingObserved;
  std::vector<float> predicted;
  std::vector<PairState> state;
};

// What the rows have shown so far: the quantities, and the groups (arcs and labels)
// in order of first appearance, found by value or text.
struct Seen {
  std::vector<std::string> quantities;
  std::vector<Stratum> groups;
  std::unordered_map<float, std::uint32_t> arcs;
  std::unordered_map<std::string, std::uint32_t> labels;

  std::uint32_t group_of(const Stratum& group) {
    const auto id = static_cast<std::uint32_t>(groups.size());
    auto add = [&](const auto& placed) {
      if (placed.second) groups.push_back(group);
      return placed.first->second;
    };
    return group.is_arc ? add(arcs.try_emplace(group.arc, id))
                        : add(labels.try_emplace(group.label, id));
  }
};

// One data record's cells, with what a failure says of it.
struct Cells {
  const CsvRecord& record;
  const Columns& columns;
  std::string_view file;

  const std::string& at(int col) const { return record.fields[static_cast<std::size_t>(col)]; }
  [[noreturn]] void fail(int col, std::string_view reason) const {
    pairs_fault(file, record.line, columns.names[static_cast<std::size_t>(col)], reason);
  }
  // The number in column `col`, which must hold one.
  float number(int col) const {
    float value = 0.0f;
    switch (read_number(at(col), value)) {
      case Number::ok:
        break;
      case Number::beyond:
        fail(col, kBeyondFloat);
      case Number::none:
        fail(col, records::kBadReal);
    }
    return value;
  }
};

// The group: a number is an arc, anything else a label.
void read_group(const Cells& cells, Row& row, Seen& seen) {
  const int col = cells.columns.group;
  const std::string_view group = trimmed(cells.at(col));
  if (group.empty()) cells.fail(col, "Empty group");
  float arc = 0.0f;
  switch (read_number(group, arc)) {
    case Number::ok:
      if (arc == 0.0f) arc = 0.0f;  // -0 is the arc 0
      row.stratum = seen.group_of({true, arc, {}});
      return;
    case Number::beyond:
      cells.fail(col, kBeyondFloat);
    case Number::none:
      break;
  }
  if (!plain_name(group, 8) || group == "all" || group == "arc" || group == "stable" ||
      group == "unstable") {
    cells.fail(col,
               "Bad group label (1 to 8 characters without blank, comma or quote; not all, arc, "
               "stable or unstable)");
  }
  row.stratum = seen.group_of({false, 0.0f, std::string(group)});
}

void read_quantity(const Cells& cells, Row& row, Seen& seen) {
  row.quantity = 0;
  const int col = cells.columns.quantity;
  if (col < 0) return;
  const std::string_view name = trimmed(cells.at(col));
  if (!plain_name(name, 6)) {
    cells.fail(col, "Bad quantity (1 to 6 characters without blank, comma or quote)");
  }
  const auto it = std::find(seen.quantities.begin(), seen.quantities.end(), name);
  row.quantity = static_cast<int>(it - seen.quantities.begin());
  if (it == seen.quantities.end()) seen.quantities.emplace_back(name);
}

// The predictions and the state of each model's pair.
void read_predictions(const Cells& cells, Row& row, bool observed_in) {
  const std::size_t models = cells.columns.models.size();
  row.predicted.assign(models, 0.0f);
  row.state.assign(models, PairState::model_unread);
  for (std::size_t m = 0; m < models; ++m) {
    const int col = cells.columns.models[m];
    PairState state = PairState::model_unread;
    float value = 0.0f;
    if (!trimmed(cells.at(col)).empty()) {
      switch (read_number(cells.at(col), value)) {
        case Number::ok:
          state = value < 0.0f ? PairState::model_negative : PairState::valid;
          break;
        case Number::beyond:
          break;
        case Number::none:
          cells.fail(col, records::kBadReal);
      }
    }
    if (!observed_in) state = PairState::observed_out;
    row.state[m] = state;
    row.predicted[m] = state == PairState::valid ? value : 0.0f;
  }
}

void read_row(const Cells& cells, Seen& seen, Row& row) {
  const CsvRecord& record = cells.record;
  const std::size_t width = cells.columns.names.size();
  if (record.fields.size() != width) {
    pairs_fault(cells.file, record.line, "",
                std::to_string(record.fields.size()) + " fields where the header has " +
                    std::to_string(width));
  }
  read_group(cells, row, seen);
  read_quantity(cells, row, seen);
  const bool observed_empty = trimmed(cells.at(cells.columns.observed)).empty();
  row.observed = observed_empty ? kMissingObserved : cells.number(cells.columns.observed);
  row.obk = kMissingObk;
  if (cells.columns.obk >= 0 && !trimmed(cells.at(cells.columns.obk)).empty()) {
    row.obk = cells.number(cells.columns.obk);
  }
  read_predictions(cells, row, !observed_empty && row.observed > 0.0f);
}

// ---- The study ----

// The row into its quantity's block, which is made as the quantity is first met.
void add_row(Study& study, const Row& row, long line) {
  while (study.blocks.size() <= static_cast<std::size_t>(row.quantity)) {
    Block& b = study.blocks.emplace_back();
    b.quantities = {static_cast<int>(study.blocks.size() - 1)};
    b.models = static_cast<int>(study.models.size());
  }
  Block& b = study.blocks[static_cast<std::size_t>(row.quantity)];
  b.line.push_back(line);
  b.stratum.push_back(row.stratum);
  b.obk.push_back(row.obk);
  b.observed.push_back(row.observed);
  b.predicted.insert(b.predicted.end(), row.predicted.begin(), row.predicted.end());
  b.state.insert(b.state.end(), row.state.begin(), row.state.end());
}

// Strata: arcs ascending, then labels in order of first appearance; the blocks'
// strata renumbered so.
void order_strata(Study& study, const Seen& seen) {
  std::vector<std::uint32_t> order(seen.groups.size());
  for (std::uint32_t j = 0; j < order.size(); ++j) order[j] = j;
  std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
    const Stratum& x = seen.groups[a];
    const Stratum& y = seen.groups[b];
    if (x.is_arc != y.is_arc) return x.is_arc;
    return x.is_arc && x.arc < y.arc;
  });
  std::vector<std::uint32_t> final_of(order.size());
  for (std::uint32_t j = 0; j < order.size(); ++j) {
    final_of[order[j]] = j;
    study.strata.push_back(seen.groups[order[j]]);
  }
  for (Block& b : study.blocks) {
    for (std::uint32_t& s : b.stratum) s = final_of[s];
    // The columns grew as the rows came: no room beyond the lines is kept.
    b.line.shrink_to_fit();
    b.stratum.shrink_to_fit();
    b.obk.shrink_to_fit();
    b.observed.shrink_to_fit();
    b.predicted.shrink_to_fit();
    b.state.shrink_to_fit();
  }
  for (const std::string& q : seen.quantities) study.quantities.push_back({q, q, ""});
  while (study.blocks.size() < seen.quantities.size()) {
    Block& b = study.blocks.emplace_back();
    b.quantities = {static_cast<int>(study.blocks.size() - 1)};
    b.models = static_cast<int>(study.models.size());
  }
}

// What the statistics table's header says of the file's columns and quantities.
std::vector<std::string> notes_of(const Study& study, const Columns& columns) {
  std::string text = "Pairs: one line of " + study.source +
                     " per observed value: column group (arc in km or label), observed";
  if (columns.obk >= 0) text += ", obk (m)";
  if (columns.quantity >= 0) text += ", quantity";
  text += "; one column per model: ";
  for (std::size_t m = 0; m < study.models.size(); ++m) text += (m ? ", " : "") + study.models[m];
  text += ".";
  std::string quantities = "  Quantities, each evaluated on its own, in order of first appearance:";
  for (std::size_t k = 0; k < study.quantities.size(); ++k) {
    quantities += (k ? ", " : " ") + study.quantities[k].name + " (" +
                  std::to_string(study.blocks[k].size()) + " lines)";
  }
  return {text, quantities + "."};
}

}  // namespace

PairsFile read_pairs_file(records::LineSource& source) {
  const std::string file(source.origin().file);
  CsvRecords csv(source, file);
  CsvRecord record;
  if (!csv.next(record)) pairs_fault(file, 1, "", "No header row");
  const Columns columns = read_header(record, file);
  csv.set_columns(columns.names);

  PairsFile out;
  Study& study = out.study;
  study.source = file;
  for (int col : columns.models)
    study.models.push_back(columns.names[static_cast<std::size_t>(col)]);
  study.has_obk = columns.obk >= 0;
  Seen seen;
  if (columns.quantity < 0) seen.quantities.emplace_back(kDefaultQuantity);
  Row row;
  while (csv.next(record)) {
    read_row(Cells{record, columns, file}, seen, row);
    add_row(study, row, record.line);
    ++out.lines;
  }
  order_strata(study, seen);
  out.notes = notes_of(study, columns);
  return out;
}

PairsFile read_pairs_file(std::string_view text, std::string_view file) {
  records::TextLines source(text, file);
  return read_pairs_file(source);
}

}  // namespace evaluate
