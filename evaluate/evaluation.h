// The whole evaluation of a combined table: per group, model and quantity the
// counts of the lines and pairs, the summary of the valid pairs, the differences
// between the models, and the bootstrap limits of all of them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "evaluate/bootstrap.h"
#include "evaluate/groups.h"
#include "evaluate/measures.h"
#include "evaluate/pairs.h"

namespace evaluate {

// One model and quantity within one group. lines = observed_out + model_unread +
// model_negative + summary.n.
struct ModelGroupResult {
  long lines = 0;
  long observed_out = 0;
  long model_unread = 0;
  long model_negative = 0;
  PairSummary summary;
};

struct Evaluation {
  std::vector<Group> groups;
  // models[group][model][quantity]
  std::vector<std::array<std::array<ModelGroupResult, kQuantities>, kModels>> models;
  // differences[group][quantity]: AERMOD minus ISCST3 (MG and VG as log differences)
  std::vector<std::array<MeasureValues, kQuantities>> differences;
  BootstrapResult bootstrap;
};

// The valid pairs of `model` and `quantity` among `lines`, in file order.
std::vector<Pair> valid_pairs(const std::vector<CombinedLine>& lines, int model, int quantity);

// Evaluates `lines` with `resamples` (at least 1) bootstrap resamples from `seed`.
Evaluation evaluate_lines(const std::vector<CombinedLine>& lines, int resamples,
                          std::uint64_t seed);

}  // namespace evaluate
