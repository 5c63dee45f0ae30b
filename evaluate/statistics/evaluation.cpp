#include "evaluate/statistics/evaluation.h"

#include <random>

#include "evaluate/statistics/bootstrap.h"

namespace evaluate {
namespace {

// The point estimate of the block's quantities: every line counted once.
void point_estimate(const Block& block, Evaluator& evaluator, Evaluation& ev) {
  const std::vector<std::uint32_t> once(block.size(), 1u);
  evaluator.evaluate(once, Selection::all, Gathering::by_group);
  const auto pairs = model_pairs(block.models);
  for (std::size_t k = 0; k < block.nq(); ++k) {
    for (std::size_t g = 0; g < ev.groups.size(); ++g) {
      GroupResult& gr = ev.results[static_cast<std::size_t>(block.quantities[k])][g];
      gr.models.assign(static_cast<std::size_t>(block.models), ModelGroupResult{});
      for (int m = 0; m < block.models; ++m) {
        ModelGroupResult& r = gr.models[static_cast<std::size_t>(m)];
        const LineCounts c = evaluator.counts(g, k, m);
        r.lines = c.lines;
        r.observed_out = c.observed_out;
        r.model_unread = c.model_unread;
        r.model_negative = c.model_negative;
        r.n = static_cast<long>(evaluator.sums(g, k, m).n);
        r.npos = static_cast<long>(evaluator.sums(g, k, m).npos);
        for (int id = 0; id < kMeasures; ++id) r.value[id] = evaluator.value(g, k, m, id);
      }
      gr.differences.clear();
      for (std::size_t p = 0; p < pairs.size(); ++p) {
        const auto [a, b] = pairs[p];
        DifferenceResult d;
        d.first = a;
        d.second = b;
        d.lines = gr.models[static_cast<std::size_t>(a)].lines;
        d.n_first = gr.models[static_cast<std::size_t>(a)].n;
        d.n_second = gr.models[static_cast<std::size_t>(b)].n;
        d.n_both = static_cast<long>(evaluator.both(g, k, static_cast<int>(p)));
        for (int id = 0; id < kMeasures; ++id) {
          d.value[id] = evaluator.difference(g, k, static_cast<int>(p), id);
        }
        gr.differences.push_back(d);
      }
    }
  }
}

}  // namespace

std::string pair_name(const Evaluation& ev, const DifferenceResult& d) {
  return ev.models[static_cast<std::size_t>(d.first)] + "-" +
         ev.models[static_cast<std::size_t>(d.second)];
}

bool Evaluation::objective() const {
  for (const auto& u : uncertainty) {
    if (u) return true;
  }
  return false;
}

Evaluation evaluate_study(const Study& study, int resamples, std::uint64_t seed, Criteria criteria,
                          std::vector<std::optional<Uncertainty>> uncertainty) {
  Evaluation ev;
  ev.models = study.models;
  ev.quantities = study.quantities;
  ev.strata = study.strata;
  ev.groups = groups_of(study);
  ev.resamples = resamples;
  ev.seed = seed;
  ev.criteria = criteria;
  ev.results.assign(study.quantities.size(), std::vector<GroupResult>(ev.groups.size()));
  ev.uncertainty = std::move(uncertainty);
  ev.uncertainty.resize(study.quantities.size());
  // One generator for all blocks, one after another.
  std::mt19937_64 rng(seed);
  for (const Block& block : study.blocks) {
    std::vector<const Uncertainty*> of_block;
    for (int q : block.quantities) {
      const auto& u = ev.uncertainty[static_cast<std::size_t>(q)];
      of_block.push_back(u ? &*u : nullptr);
    }
    Evaluator evaluator(block, ev.groups, study.strata.size(), std::move(of_block));
    point_estimate(block, evaluator, ev);
    bootstrap(rng, study, block, evaluator, ev);
  }
  return ev;
}

}  // namespace evaluate
