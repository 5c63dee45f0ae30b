#include "evaluate/evaluation.h"

namespace evaluate {

std::vector<Pair> valid_pairs(const std::vector<CombinedLine>& lines, int model, int quantity) {
  std::vector<Pair> pairs;
  for (const CombinedLine& line : lines) {
    if (line.state[model][quantity] == PairState::valid) {
      pairs.push_back({line.observed[quantity], line.predicted[model][quantity]});
    }
  }
  return pairs;
}

Evaluation evaluate_lines(const std::vector<CombinedLine>& lines, int resamples,
                          std::uint64_t seed) {
  Evaluation ev;
  ev.groups = groups_of(lines);
  ev.models.resize(ev.groups.size());
  ev.differences.resize(ev.groups.size());
  std::vector<Pair> pairs;
  for (std::size_t g = 0; g < ev.groups.size(); ++g) {
    for (int m = 0; m < kModels; ++m) {
      for (int q = 0; q < kQuantities; ++q) {
        ModelGroupResult& r = ev.models[g][m][q];
        pairs.clear();
        for (const CombinedLine& line : lines) {
          if (!in_group(ev.groups[g], line)) continue;
          ++r.lines;
          switch (line.state[m][q]) {
            case PairState::valid:
              pairs.push_back({line.observed[q], line.predicted[m][q]});
              break;
            case PairState::observed_out:
              ++r.observed_out;
              break;
            case PairState::model_unread:
              ++r.model_unread;
              break;
            case PairState::model_negative:
              ++r.model_negative;
              break;
          }
        }
        r.summary = summarize(pairs);
      }
    }
    for (int q = 0; q < kQuantities; ++q) {
      ev.differences[g][q] = measure_differences(ev.models[g][kAermod][q].summary.sums,
                                                 ev.models[g][kIscst3][q].summary.sums);
    }
  }
  ev.bootstrap = bootstrap(lines, ev.groups, resamples, seed);
  return ev;
}

}  // namespace evaluate
