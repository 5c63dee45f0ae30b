// The paired values of any study, as the evaluation takes them: 1 to 8 named
// models, named quantities, and lines that each belong to one stratum (an arc
// distance or a label) and may carry an Obukhov length.
//
// Lines come in blocks. The lines of a block are resampled together and each
// carries a value of every quantity of the block: the combined table is one block
// with the quantities CY/Q and CMAX/Q on every line; a pairs file gives one block
// per quantity. The bootstrap runs block after block on one random stream.
//
// The readers (combined_table.h, pairs_file.h) make a Study; the statistics take it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace evaluate {

inline constexpr int kMaxModels = 8;

// What became of one observed value and one model's prediction of it.
enum class PairState : std::uint8_t {
  valid,           // observed value positive, model value read and not negative
  observed_out,    // observed value missing (-99.0) or not positive
  model_unread,    // model field blank, not a number, beyond float range, or cut short
  model_negative,  // model value below zero
};

struct Quantity {
  std::string name;     // "CY/Q", at most 6 characters
  std::string caption;  // e.g. "CY/Q: crosswind-integrated value over the emission rate"
  std::string unit;     // e.g. "10^-6 s/m^2"; may be empty
};

// A stratum of the bootstrap and a group of the report: an arc (its distance in
// km) or a label of 1 to 8 characters.
struct Stratum {
  bool is_arc = true;
  float arc = 0.0f;
  std::string label;
};

struct Block {
  std::vector<int> quantities;         // indices into Study::quantities
  int models = 0;                      // number of models, as Study::models
  std::vector<long> line;              // number of each line in its file
  std::vector<std::uint32_t> stratum;  // index into Study::strata
  std::vector<float> obk;              // m; kMissingObk where there is none
  // observed[i * nq + k]: line i, the block's k-th quantity.
  std::vector<float> observed;
  // predicted and state [(i * nq + k) * models + m]; predicted 0 unless valid.
  std::vector<float> predicted;
  std::vector<PairState> state;

  std::size_t size() const { return stratum.size(); }
  std::size_t nq() const { return quantities.size(); }
  float co(std::size_t i, std::size_t k) const { return observed[i * nq() + k]; }
  float cp(std::size_t i, std::size_t k, int m) const {
    return predicted[(i * nq() + k) * static_cast<std::size_t>(models) +
                     static_cast<std::size_t>(m)];
  }
  PairState pair_state(std::size_t i, std::size_t k, int m) const {
    return state[(i * nq() + k) * static_cast<std::size_t>(models) + static_cast<std::size_t>(m)];
  }
};

struct Study {
  std::string source;               // the input file's name
  std::vector<std::string> models;  // 1 to 8 names, in column order
  std::vector<Quantity> quantities;
  std::vector<Stratum> strata;  // in report order, which is also the order of the draws
  bool has_obk = true;          // stable and unstable groups are formed
  std::vector<Block> blocks;    // every quantity in exactly one block
};

}  // namespace evaluate
