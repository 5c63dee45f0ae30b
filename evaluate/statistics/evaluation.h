// The whole evaluation of a study: per quantity, group and model the counts of the
// lines and pairs and every measure of the valid pairs; per quantity, group and pair
// of models the paired differences; and the bootstrap limits of all of them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "evaluate/input/groups.h"
#include "evaluate/input/study.h"
#include "evaluate/statistics/bootstrap.h"
#include "evaluate/statistics/criteria.h"
#include "evaluate/statistics/evaluator.h"
#include "evaluate/statistics/exceedance.h"
#include "evaluate/statistics/measures.h"

namespace evaluate {

// Groups with fewer valid pairs (N, or N.both of a difference) get no limits and no mark.
inline constexpr long kLeastPairsForLimits = 3;

// One model and quantity within one group. lines = observed_out + model_unread +
// model_negative + n.
struct ModelGroupResult {
  long lines = 0;
  long observed_out = 0;
  long model_unread = 0;
  long model_negative = 0;
  long n = 0;                              // valid pairs
  long npos = 0;                           // valid pairs with both values positive
  MeasureValues value{};                   // by measure identity
  std::array<Limits, kMeasures> limits{};  // NaN for a measure without limits
  long boot = 0;                           // resamples in which the group had pairs
};

// Model `first` minus model `second` on the lines where both pairs are valid.
struct DifferenceResult {
  int first = 0;
  int second = 1;
  long lines = 0;
  long n_first = 0;       // valid pairs of the first model
  long n_second = 0;      // valid pairs of the second model
  long n_both = 0;        // lines where both are valid
  MeasureValues value{};  // by measure identity; NaN for a measure without a difference
  std::array<Limits, kMeasures> limits{};
  long boot = 0;  // resamples in which the group had lines with both valid
};

// The exceedance scores of one threshold: of a model's valid pairs, or the
// differences of two models' scores on the lines where both pairs are valid (counts
// then those of the first model on those lines, not written).
struct ExceedanceResult {
  float threshold = 0;
  Contingency counts;
  MeasureValues value{};                   // of the per-threshold measures; the others NaN
  std::array<Limits, kMeasures> limits{};  // NaN without limits
};

struct GroupResult {
  std::vector<ModelGroupResult> models;       // in model order
  std::vector<DifferenceResult> differences;  // pairs (0,1), (0,2), ..., (1,2), ...
  // Per model (then per pair of models) and threshold of the quantity: [m * T + t].
  std::vector<ExceedanceResult> model_exceedances;
  std::vector<ExceedanceResult> difference_exceedances;
};

struct Evaluation {
  std::vector<std::string> models;
  std::vector<Quantity> quantities;
  std::vector<Stratum> strata;
  std::vector<Group> groups;
  int resamples = 0;
  std::uint64_t seed = 0;
  Criteria criteria = Criteria::rural;
  // results[quantity][group]
  std::vector<std::vector<GroupResult>> results;
  // uncertainty[quantity]: the measurement uncertainty the modelling quality
  // objective of the quantity is formed with; none: not formed (its values NaN).
  std::vector<std::optional<Uncertainty>> uncertainty;
  // thresholds[quantity]: the thresholds of its exceedance scores, none: not formed.
  std::vector<std::vector<float>> thresholds;
  bool exceedances() const;
  // Whether any quantity has the objective.
  bool objective() const;
  // Whether a section is written: the objective's and the exceedances' only when
  // formed.
  bool written(Section section) const {
    if (section == Section::objective) return objective();
    return section != Section::exceedances || exceedances();
  }
};

// "AERMOD-ISCST3".
std::string pair_name(const Evaluation& ev, const DifferenceResult& d);

// Evaluates `study` with `resamples` (at least 1) bootstrap resamples from `seed`.
// `uncertainty` (by quantity; shorter: none for the rest) gives the quantities the
// modelling quality objective is formed for, `thresholds` (by quantity; shorter:
// none for the rest) those of the exceedance scores. `watch`: the memory bound of
// every block's bootstrap, the call after each resample, counted over all the
// blocks (done of resamples x blocks), and the threads; no value depends on them.
Evaluation evaluate_study(const Study& study, int resamples, std::uint64_t seed,
                          Criteria criteria = Criteria::rural,
                          std::vector<std::optional<Uncertainty>> uncertainty = {},
                          std::vector<std::vector<float>> thresholds = {}, const Watch& watch = {});

}  // namespace evaluate
