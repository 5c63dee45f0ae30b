#include "evaluate/statistics/evaluation.h"

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

// The thresholds of the block's quantities, by the block's quantity.
std::vector<std::vector<float>> block_thresholds(const Block& block, const Evaluation& ev) {
  std::vector<std::vector<float>> out;
  for (int q : block.quantities) out.push_back(ev.thresholds[static_cast<std::size_t>(q)]);
  return out;
}

// The point values of the exceedance scores of the block's quantities.
void point_exceedances(const Block& block, ExceedanceCounter& counter, Evaluation& ev) {
  counter.count(std::vector<std::uint32_t>(block.size(), 1u), counter.full_lines());
  const std::size_t nm = static_cast<std::size_t>(block.models);
  for (std::size_t k = 0; k < block.nq(); ++k) {
    const std::vector<float>& ts = ev.thresholds[static_cast<std::size_t>(block.quantities[k])];
    for (std::size_t g = 0; g < ev.groups.size(); ++g) {
      GroupResult& gr = ev.results[static_cast<std::size_t>(block.quantities[k])][g];
      gr.model_exceedances.clear();
      gr.difference_exceedances.clear();
      for (std::size_t m = 0; m < nm; ++m) {
        for (std::size_t t = 0; t < ts.size(); ++t) {
          ExceedanceResult r{ts[t], counter.table(g, k, t, m), {}, {}};
          r.value = threshold_values(r.counts);
          gr.model_exceedances.push_back(r);
        }
      }
      for (std::size_t p = 0; p < gr.differences.size(); ++p) {
        for (std::size_t t = 0; t < ts.size(); ++t) {
          const Contingency& first = counter.table(g, k, t, nm + 2 * p);
          ExceedanceResult r{ts[t], first, {}, {}};
          r.value = threshold_differences(first, counter.table(g, k, t, nm + 2 * p + 1));
          gr.difference_exceedances.push_back(r);
        }
      }
    }
  }
}

}  // namespace

bool Evaluation::exceedances() const {
  for (const auto& t : thresholds) {
    if (!t.empty()) return true;
  }
  return false;
}

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
                          std::vector<std::optional<Uncertainty>> uncertainty,
                          std::vector<std::vector<float>> thresholds, const Watch& watch) {
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
  ev.thresholds = std::move(thresholds);
  ev.thresholds.resize(study.quantities.size());
  const long total = static_cast<long>(resamples) * static_cast<long>(study.blocks.size());
  long before = 0;  // resamples of the blocks done
  Watch block_watch{watch.memory, {}, watch.threads};
  if (watch.resampled) {
    block_watch.resampled = [&](long done, long, std::size_t lines) {
      watch.resampled(before + done, total, lines);
    };
  }
  for (std::size_t number = 0; number < study.blocks.size(); ++number) {
    const Block& block = study.blocks[number];
    std::vector<const Uncertainty*> of_block;
    for (int q : block.quantities) {
      const auto& u = ev.uncertainty[static_cast<std::size_t>(q)];
      of_block.push_back(u ? &*u : nullptr);
    }
    Evaluator evaluator(block, ev.groups, study.strata.size(), std::move(of_block));
    point_estimate(block, evaluator, ev);
    ExceedanceCounter counter(block, ev.groups, block_thresholds(block, ev));
    if (ev.exceedances()) point_exceedances(block, counter, ev);
    bootstrap(seed, number, study, block, evaluator, ev, ev.exceedances() ? &counter : nullptr,
              block_watch);
    before += resamples;
  }
  return ev;
}

}  // namespace evaluate
