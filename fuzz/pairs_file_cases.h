// Fuzz case of the pairs-file reader of tlvstats: the whole input is the pairs file
// "pairs.csv", written into the scratch folder and read through the record
// library's file layer as the program reads it. Returns a description of what is
// wrong, or an empty text.
//
// A read either fails with one message line (status 2, "pairs.csv line N" with N
// within the file, a reason of the reader) or gives a study whose blocks are
// consistent: every array as long as its lines ask, strata within range, line
// numbers rising, and every pair's state agreeing with its values. The same text
// read from memory gives the same outcome.
#pragma once

#include <cmath>
#include <string>
#include <string_view>

#include "evaluate/input/pairs_file.h"
#include "fuzz/harness.h"

namespace fuzzing {

inline constexpr std::string_view kPairsFile = "pairs.csv";

// The reasons a pairs file may fail with (their beginnings).
inline constexpr std::string_view kPairsReasons[] = {
    "Bad value during floating point read",
    "Value beyond the float range",
    "Quote inside an unquoted field",
    "Quoted field not closed",
    "Characters after a closing quote",
    "Column named twice",
    "Bad model name",
    "No group column",
    "No observed column",
    "No model column",
    "More than 8 model columns",
    "No header row",
    "Empty group",
    "Bad group label",
    "Bad quantity",
};

// A fault of the failure `e` of reading `data`, or an empty text.
inline std::string pairs_failure_problem(const records::RunError& e, std::string_view data) {
  const std::string line = e.message("tlvstats");
  if (line.find_first_of("\r\n") != std::string::npos) return "a message of two lines: " + line;
  if (e.status() != records::kStatusBadInput) return "status " + std::to_string(e.status());
  if (e.where().file != kPairsFile) return "the failure names no file: " + line;
  long lines = 1;
  for (char c : data) lines += c == '\n' || c == '\r';
  if (e.where().line < 1 || e.where().line > lines) return "a line out of range: " + line;
  bool known = e.reason().find(" fields where the header has ") != std::string::npos;
  for (std::string_view r : kPairsReasons) known = known || e.reason().starts_with(r);
  if (!known) return "an unknown reason: " + line;
  return {};
}

// A fault of one block of a study, or an empty text.
inline std::string pairs_block_problem(const evaluate::Study& study, const evaluate::Block& b) {
  const std::size_t n = b.size(), nq = b.nq(), nm = static_cast<std::size_t>(b.models);
  if (nm != study.models.size()) return "a block with another number of models";
  if (b.line.size() != n || b.obk.size() != n || b.observed.size() != n * nq ||
      b.predicted.size() != n * nq * nm || b.state.size() != n * nq * nm)
    return "block arrays of unequal lengths";
  for (std::size_t i = 0; i < n; ++i) {
    if (b.stratum[i] >= study.strata.size()) return "a stratum out of range";
    if (b.line[i] < 2 || (i > 0 && b.line[i] <= b.line[i - 1])) return "line numbers not rising";
    for (std::size_t k = 0; k < nq; ++k) {
      const bool observed_in = b.co(i, k) > 0.0f;
      for (int m = 0; m < b.models; ++m) {
        const evaluate::PairState s = b.pair_state(i, k, m);
        const float cp = b.cp(i, k, m);
        if ((s == evaluate::PairState::observed_out) == observed_in)
          return "a pair's state disagrees with its observed value";
        if (s == evaluate::PairState::valid ? !(cp >= 0.0f && std::isfinite(cp)) : cp != 0.0f)
          return "a pair's predicted value disagrees with its state";
      }
    }
  }
  return {};
}

// A fault of a study read without failure, or an empty text.
inline std::string pairs_study_problem(const evaluate::PairsFile& f) {
  const evaluate::Study& study = f.study;
  if (study.models.empty() || study.models.size() > static_cast<std::size_t>(evaluate::kMaxModels))
    return "model count";
  // A file of a header alone has no quantity when the header names the quantity
  // column: the quantities come from the lines.
  if (study.quantities.size() != study.blocks.size() || (study.quantities.empty() && f.lines > 0))
    return "quantities and blocks do not match";
  long lines = 0;
  for (const evaluate::Block& b : study.blocks) {
    if (std::string p = pairs_block_problem(study, b); !p.empty()) return p;
    lines += static_cast<long>(b.size());
  }
  if (lines != f.lines) return "the blocks do not hold every line";
  for (const evaluate::Quantity& q : study.quantities)
    if (q.name.empty() || q.name.size() > 6) return "a quantity name of bad length";
  if (f.notes.size() != 2) return "not two notes";
  return {};
}

// The outcome of reading as one text: the failure line, or the shape of the study.
inline std::string pairs_outcome(const evaluate::PairsFile* f, const records::RunError* e) {
  if (e != nullptr) return e->message("tlvstats");
  std::string shape = std::to_string(f->lines) + " lines;";
  for (const std::string& m : f->study.models) shape += " " + m;
  for (const evaluate::Stratum& s : f->study.strata) shape += " " + std::to_string(s.arc) + s.label;
  return shape;
}

inline std::string pairs_file_case(std::string_view data) {
  const Scratch& scratch = process_scratch();
  lay_out_inputs(scratch, {kPairsFile}, split_files(data, 1));
  std::string from_file, from_text, problem;
  try {
    records::InputFile in = records::InputFile::open(scratch.path(), kPairsFile);
    const evaluate::PairsFile f = evaluate::read_pairs_file(in);
    problem = pairs_study_problem(f);
    from_file = pairs_outcome(&f, nullptr);
  } catch (const records::RunError& e) {
    problem = pairs_failure_problem(e, data);
    from_file = pairs_outcome(nullptr, &e);
  }
  if (!problem.empty()) return problem;
  try {
    const evaluate::PairsFile f = evaluate::read_pairs_file(data, kPairsFile);
    from_text = pairs_outcome(&f, nullptr);
  } catch (const records::RunError& e) {
    from_text = pairs_outcome(nullptr, &e);
  }
  if (from_file != from_text)
    return "the file and the text read differently: " + from_file + " / " + from_text;
  return {};
}

}  // namespace fuzzing
