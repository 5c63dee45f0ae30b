// The whole evaluation of a study: per quantity, group and model the counts of the
// lines and pairs, the summary of the valid pairs, the normalised absolute
// difference and the robust highest concentrations; per quantity, group and pair of
// models the paired differences; and the bootstrap limits of all of them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "evaluate/input/groups.h"
#include "evaluate/input/study.h"
#include "evaluate/statistics/bootstrap.h"
#include "evaluate/statistics/measures.h"

namespace evaluate {

// Statistics of a model line that carry limits: the measures (kFb ... kNad), then
// the robust highest concentrations.
inline constexpr int kRhcO = kMeasures;          // RHC of the observations
inline constexpr int kRhcP = kMeasures + 1;      // RHC of the predictions
inline constexpr int kRhcRatio = kMeasures + 2;  // RHCp / RHCo
inline constexpr int kLineStats = kMeasures + 3;

// Statistics of a difference line: the measure differences (dFB, dlnMG, dNMSE,
// dlnVG, dFAC2, dNAD at the measure indices), then dlnRHC.
inline constexpr int kDlnRhc = kMeasures;
inline constexpr int kDifferenceStats = kMeasures + 1;

// Groups with fewer valid pairs (N, or N.both of a difference) get no limits and no mark.
inline constexpr long kLeastPairsForLimits = 3;

std::string_view line_stat_name(int stat);        // "FB" ... "NAD", "RHCo", "RHCp", "RHCp/RHCo"
std::string_view difference_stat_name(int stat);  // "dFB" ... "dNAD", "dlnRHC"

// One model and quantity within one group. lines = observed_out + model_unread +
// model_negative + summary.n.
struct ModelGroupResult {
  long lines = 0;
  long observed_out = 0;
  long model_unread = 0;
  long model_negative = 0;
  PairSummary summary;
  std::array<double, kLineStats> value{};
  std::array<Limits, kLineStats> limits{};
  long boot = 0;  // resamples in which the group had pairs
};

// Model `first` minus model `second` on the lines where both pairs are valid.
struct DifferenceResult {
  int first = 0;
  int second = 1;
  long lines = 0;
  long n_first = 0;   // valid pairs of the first model
  long n_second = 0;  // valid pairs of the second model
  long n_both = 0;    // lines where both are valid
  std::array<double, kDifferenceStats> value{};
  std::array<Limits, kDifferenceStats> limits{};
  long boot = 0;  // resamples in which the group had lines with both valid
};

struct GroupResult {
  std::vector<ModelGroupResult> models;       // in model order
  std::vector<DifferenceResult> differences;  // pairs (0,1), (0,2), ..., (1,2), ...
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
};

// The pairs of models in difference order: (0,1), (0,2), ..., (1,2), ...
std::vector<std::pair<int, int>> model_pairs(int models);

// "AERMOD-ISCST3".
std::string pair_name(const Evaluation& ev, const DifferenceResult& d);

// Evaluates `study` with `resamples` (at least 1) bootstrap resamples from `seed`.
Evaluation evaluate_study(const Study& study, int resamples, std::uint64_t seed,
                          Criteria criteria = Criteria::rural);

}  // namespace evaluate
