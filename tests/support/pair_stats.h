// The statistics of a list of pairs, each counted once, with the uncertainty and the
// percentiles of its observed and predicted values: the reference the evaluator's
// walks are checked against.
#pragma once

#include <cstdint>
#include <vector>

#include "evaluate/statistics/high_end.h"
#include "evaluate/statistics/measures.h"
#include "evaluate/statistics/uncertainty.h"

namespace testsupport {

inline evaluate::PairStats stats_of(const std::vector<evaluate::Pair>& pairs,
                                    const evaluate::Uncertainty& u) {
  evaluate::PairStats s = evaluate::summarize(pairs).stats;
  std::vector<evaluate::Ranked> o, p;
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    o.push_back({pairs[i].co, static_cast<std::uint32_t>(i)});
    p.push_back({pairs[i].cp, static_cast<std::uint32_t>(i)});
  }
  evaluate::sort_ranked(o);
  evaluate::sort_ranked(p);
  const std::vector<std::uint32_t> once(pairs.size(), 1u);
  s.uncertainty = &u;
  s.perc_o = evaluate::percentile_of_ranked(o, once, s.sums.n, u.percentile);
  s.perc_p = evaluate::percentile_of_ranked(p, once, s.sums.n, u.percentile);
  return s;
}

}  // namespace testsupport
