#include "evaluate/statistics/evaluation.h"

#include "evaluate/statistics/high_end.h"

namespace evaluate {

std::string_view line_stat_name(int stat) {
  static constexpr std::string_view names[kLineStats - kMeasures] = {"RHCo", "RHCp", "RHCp/RHCo"};
  return stat < kMeasures ? measure_name(stat) : names[stat - kMeasures];
}

std::string_view difference_stat_name(int stat) {
  static constexpr std::string_view names[kDifferenceStats] = {"dFB",   "dlnMG", "dNMSE", "dlnVG",
                                                               "dFAC2", "dNAD",  "dlnRHC"};
  return names[stat];
}

std::vector<std::pair<int, int>> model_pairs(int models) {
  std::vector<std::pair<int, int>> pairs;
  for (int a = 0; a < models; ++a) {
    for (int b = a + 1; b < models; ++b) pairs.emplace_back(a, b);
  }
  return pairs;
}

std::string pair_name(const Evaluation& ev, const DifferenceResult& d) {
  return ev.models[static_cast<std::size_t>(d.first)] + "-" +
         ev.models[static_cast<std::size_t>(d.second)];
}

Evaluation evaluate_study(const Study& study, int resamples, std::uint64_t seed,
                          Criteria criteria) {
  Evaluation ev;
  ev.models = study.models;
  ev.quantities = study.quantities;
  ev.strata = study.strata;
  ev.groups = groups_of(study);
  ev.resamples = resamples;
  ev.seed = seed;
  ev.criteria = criteria;
  const int nm = static_cast<int>(study.models.size());
  const auto pairs_of_models = model_pairs(nm);
  ev.results.assign(study.quantities.size(), std::vector<GroupResult>(ev.groups.size()));

  std::vector<Pair> pairs;
  std::vector<float> observed, predicted, predicted_b;
  for (const Block& block : study.blocks) {
    for (std::size_t k = 0; k < block.nq(); ++k) {
      const auto q = static_cast<std::size_t>(block.quantities[k]);
      for (std::size_t g = 0; g < ev.groups.size(); ++g) {
        const Group& group = ev.groups[g];
        GroupResult& gr = ev.results[q][g];
        gr.models.assign(static_cast<std::size_t>(nm), ModelGroupResult{});
        for (int m = 0; m < nm; ++m) {
          ModelGroupResult& r = gr.models[static_cast<std::size_t>(m)];
          pairs.clear();
          for (std::size_t i = 0; i < block.size(); ++i) {
            if (!in_group(group, block.stratum[i], block.obk[i])) continue;
            ++r.lines;
            switch (block.pair_state(i, k, m)) {
              case PairState::valid:
                pairs.push_back({block.co(i, k), block.cp(i, k, m)});
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
          observed.clear();
          predicted.clear();
          for (const Pair& p : pairs) {
            observed.push_back(p.co);
            predicted.push_back(p.cp);
          }
          for (int s = 0; s < kMeasures; ++s) r.value[s] = r.summary.measures[s];
          r.value[kRhcO] = rhc(observed);
          r.value[kRhcP] = rhc(predicted);
          r.value[kRhcRatio] = rhc_ratio(r.value[kRhcP], r.value[kRhcO]);
        }
        gr.differences.clear();
        for (const auto& [a, b] : pairs_of_models) {
          DifferenceResult d;
          d.first = a;
          d.second = b;
          d.lines = gr.models[static_cast<std::size_t>(a)].lines;
          d.n_first = gr.models[static_cast<std::size_t>(a)].summary.n;
          d.n_second = gr.models[static_cast<std::size_t>(b)].summary.n;
          PairSums sa, sb;
          predicted.clear();
          predicted_b.clear();
          for (std::size_t i = 0; i < block.size(); ++i) {
            if (!in_group(group, block.stratum[i], block.obk[i])) continue;
            if (block.pair_state(i, k, a) != PairState::valid ||
                block.pair_state(i, k, b) != PairState::valid) {
              continue;
            }
            sa.add(pair_terms(block.co(i, k), block.cp(i, k, a)));
            sb.add(pair_terms(block.co(i, k), block.cp(i, k, b)));
            predicted.push_back(block.cp(i, k, a));
            predicted_b.push_back(block.cp(i, k, b));
          }
          d.n_both = static_cast<long>(sa.n);
          const MeasureValues dv = measure_differences(sa, sb);
          for (int s = 0; s < kMeasures; ++s) d.value[s] = dv[s];
          d.value[kDlnRhc] = rhc_log_difference(rhc(predicted), rhc(predicted_b));
          gr.differences.push_back(d);
        }
      }
    }
  }
  bootstrap(study, ev);
  return ev;
}

}  // namespace evaluate
