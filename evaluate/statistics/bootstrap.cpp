#include "evaluate/statistics/bootstrap.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "evaluate/statistics/evaluation.h"
#include "evaluate/statistics/extremes.h"
#include "records/errors.h"

namespace evaluate {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// The lines of every block of the study.
std::size_t lines_of(const Study& study) {
  std::size_t n = 0;
  for (const Block& block : study.blocks) n += block.size();
  return n;
}

// A whole number of values or bytes, in digits.
std::string whole(double value) {
  return std::to_string(static_cast<unsigned long long>(value));
}

// The measures given with limits: on a model's line, and on a difference line; those
// of the modelling quality objective only when it is formed (`objective`).
std::vector<int> limited(bool differences, bool objective) {
  std::vector<int> out;
  for (int id = 0; id < kMeasures; ++id) {
    const MeasureEntry& entry = measure_entry(id);
    if (entry.per_threshold || (entry.needs != Needs::nothing && !objective)) continue;
    if (entry.limits && (!differences || entry.difference != Difference::none)) out.push_back(id);
  }
  return out;
}

// What one thread holds: its evaluator and counter (the prepared ones, or its own
// copies), a resample's counts by position, the heaps of every statistic, and the
// resamples in which each model line and difference line had pairs.
struct Worker {
  Evaluator* evaluator = nullptr;
  ExceedanceCounter* counter = nullptr;
  std::optional<Evaluator> own_evaluator;
  std::optional<ExceedanceCounter> own_counter;
  std::vector<std::uint32_t> drawn;
  Extremes extremes;
  std::vector<long> model_boot, pair_boot;
};

// The statistics of a block with limits, numbered for the heaps: per group and
// quantity, per model the measures with limits and per pair of models those of the
// differences; then per group and quantity, per model (then pair of models) and
// threshold, the exceedance scores.
class Statistics {
 public:
  // `thresholds`: of each quantity of the block, where the scores are kept (else
  // empty).
  Statistics(const Block& block, std::size_t groups, bool objective,
             const std::vector<std::size_t>& thresholds)
      : on_model_(limited(false, objective)),
        on_pair_(limited(true, objective)),
        scores_(threshold_measures(true)),
        nq_(block.nq()),
        nm_(static_cast<std::size_t>(block.models)),
        np_(nm_ * (nm_ - 1) / 2),
        groups_(groups),
        per_q_(nm_ * on_model_.size() + np_ * on_pair_.size()) {
    for (std::size_t k = 0; k < thresholds.size(); ++k) {
      first_.push_back(per_group_);
      per_group_ += thresholds[k] * (nm_ + np_);
    }
  }
  std::size_t size() const {
    return groups_ * nq_ * per_q_ + groups_ * per_group_ * scores_.size();
  }
  std::size_t model_lines() const { return groups_ * nq_ * nm_; }
  std::size_t pair_lines() const { return groups_ * nq_ * np_; }

  // Offers a resample's values of `evaluator` to the worker's heaps.
  void keep(const Evaluator& evaluator, Worker& w) const {
    for (std::size_t g = 0; g < groups_; ++g) {
      for (std::size_t k = 0; k < nq_; ++k) {
        for (std::size_t m = 0; m < nm_; ++m) {
          const int model = static_cast<int>(m);
          for (std::size_t j = 0; j < on_model_.size(); ++j) {
            w.extremes.add(model_slot(g, k, m, j), evaluator.value(g, k, model, on_model_[j]));
          }
          if (evaluator.sums(g, k, model).n > 0) ++w.model_boot[(g * nq_ + k) * nm_ + m];
        }
        for (std::size_t p = 0; p < np_; ++p) {
          const int pair = static_cast<int>(p);
          for (std::size_t j = 0; j < on_pair_.size(); ++j) {
            w.extremes.add(pair_slot(g, k, p, j), evaluator.difference(g, k, pair, on_pair_[j]));
          }
          if (evaluator.both(g, k, pair) > 0) ++w.pair_boot[(g * nq_ + k) * np_ + p];
        }
      }
    }
  }

  // Offers a resample's exceedance scores of `counter` to the worker's heaps.
  void keep(const ExceedanceCounter& counter, Worker& w) const {
    for (std::size_t g = 0; g < groups_; ++g) {
      for (std::size_t k = 0; k < nq_; ++k) {
        const std::size_t nt = counter.thresholds(k);
        for (std::size_t t = 0; t < nt; ++t) {
          for (std::size_t m = 0; m < nm_; ++m) {
            put(w, line(g, k, m * nt + t), threshold_values(counter.table(g, k, t, m)));
          }
          for (std::size_t p = 0; p < np_; ++p) {
            put(w, line(g, k, (nm_ + p) * nt + t),
                threshold_differences(counter.table(g, k, t, nm_ + 2 * p),
                                      counter.table(g, k, t, nm_ + 2 * p + 1)));
          }
        }
      }
    }
  }

  // The limits and resample counts of every line of the block's quantities, from the
  // merged heaps and counts of `w`.
  void fill(const Block& block, const Worker& w, Evaluation& ev) const {
    for (std::size_t g = 0; g < groups_; ++g) {
      for (std::size_t k = 0; k < nq_; ++k) {
        GroupResult& gr = ev.results[static_cast<std::size_t>(block.quantities[k])][g];
        for (std::size_t m = 0; m < nm_; ++m) {
          ModelGroupResult& r = gr.models[m];
          set_limits(r, w.model_boot[(g * nq_ + k) * nm_ + m], r.n, on_model_, w,
                     [&](std::size_t j) { return model_slot(g, k, m, j); });
        }
        for (std::size_t p = 0; p < np_; ++p) {
          DifferenceResult& d = gr.differences[p];
          set_limits(d, w.pair_boot[(g * nq_ + k) * np_ + p], d.n_both, on_pair_, w,
                     [&](std::size_t j) { return pair_slot(g, k, p, j); });
        }
        if (per_group_ == 0) continue;
        const std::size_t nt = gr.models.empty() ? 0 : gr.model_exceedances.size() / nm_;
        for (std::size_t j = 0; j < gr.model_exceedances.size(); ++j) {
          const std::size_t m = j / std::max<std::size_t>(nt, 1);
          take(gr.model_exceedances[j], line(g, k, j), gr.models[m].n, w);
        }
        for (std::size_t j = 0; j < gr.difference_exceedances.size(); ++j) {
          const std::size_t p = j / std::max<std::size_t>(nt, 1);
          take(gr.difference_exceedances[j], line(g, k, nm_ * nt + j), gr.differences[p].n_both, w);
        }
      }
    }
  }

 private:
  std::size_t model_slot(std::size_t g, std::size_t k, std::size_t m, std::size_t j) const {
    return (g * nq_ + k) * per_q_ + m * on_model_.size() + j;
  }
  std::size_t pair_slot(std::size_t g, std::size_t k, std::size_t p, std::size_t j) const {
    return (g * nq_ + k) * per_q_ + nm_ * on_model_.size() + p * on_pair_.size() + j;
  }
  // An exceedance line's first statistic.
  std::size_t line(std::size_t g, std::size_t k, std::size_t j) const {
    return groups_ * nq_ * per_q_ + (g * per_group_ + first_[k] + j) * scores_.size();
  }
  void put(Worker& w, std::size_t at, const MeasureValues& v) const {
    for (std::size_t j = 0; j < scores_.size(); ++j) w.extremes.add(at + j, v[scores_[j]]);
  }
  void take(ExceedanceResult& r, std::size_t at, long n, const Worker& w) const {
    r.limits.fill({kNan, kNan});
    if (n < kLeastPairsForLimits) return;
    for (std::size_t j = 0; j < scores_.size(); ++j) {
      r.limits[scores_[j]] = w.extremes.limits(at + j);
    }
  }
  // A line's resample count and limits: none for fewer than kLeastPairsForLimits
  // pairs (n), else the limits of each measure `on` lists, its statistic slot(j).
  template <class Result, class Slot>
  static void set_limits(Result& r, long boot, long n, const std::vector<int>& on, const Worker& w,
                         Slot slot) {
    r.boot = boot;
    r.limits.fill({kNan, kNan});
    if (n < kLeastPairsForLimits) return;
    for (std::size_t j = 0; j < on.size(); ++j) r.limits[on[j]] = w.extremes.limits(slot(j));
  }

  std::vector<int> on_model_, on_pair_;
  std::vector<int> scores_;  // the per-threshold measures with limits
  std::size_t nq_, nm_, np_, groups_, per_q_;
  std::size_t per_group_ = 0;       // exceedance lines per group
  std::vector<std::size_t> first_;  // [k]: its first exceedance line within a group
};

// The thresholds of each quantity of `block` where its scores are kept, else none.
std::vector<std::size_t> thresholds_of(const Block& block, const Evaluation& ev, bool scored) {
  std::vector<std::size_t> out;
  if (scored) {
    for (int q : block.quantities) out.push_back(ev.thresholds[static_cast<std::size_t>(q)].size());
  }
  return out;
}
std::vector<std::size_t> thresholds_of(const Block& block, const ExceedanceCounter* counter) {
  std::vector<std::size_t> out;
  if (counter != nullptr) {
    for (std::size_t k = 0; k < block.nq(); ++k) out.push_back(counter->thresholds(k));
  }
  return out;
}

// Ends the run when the estimated memory exceeds the bound. The values and limits of
// every block's statistics are kept until the outputs are written.
void check_memory(const Study& study, const Block& block, const Evaluation& ev, bool scored,
                  std::size_t statistics, std::size_t threads, const MemoryBound& bound) {
  const double per_thread =
      static_cast<double>(Extremes::bytes_per_statistic(static_cast<std::size_t>(ev.resamples))) +
      kBytesPerStatisticAndThread;
  const auto models = static_cast<std::size_t>(block.models);
  double held = 0.0;              // every line of the input, block by block
  std::size_t kept = statistics;  // the statistics of every block
  for (const Block& b : study.blocks) {
    held += static_cast<double>(b.size()) * held_bytes_per_line(b.nq(), models);
    if (&b == &block) continue;
    kept += Statistics(b, ev.groups.size(), ev.objective(), thresholds_of(b, ev, scored)).size();
  }
  const double lines = static_cast<double>(lines_of(study));
  const double per_line = held_bytes_per_line(block.nq(), models);
  const double per_evaluated = evaluated_bytes_per_line(block.nq(), models, threads);
  const double estimate =
      static_cast<double>(threads) * per_thread * static_cast<double>(statistics) +
      kBytesPerStatistic * static_cast<double>(kept) + held +
      static_cast<double>(block.size()) * per_evaluated + kBytesOfProgram;
  if (estimate <= bound.bytes) return;
  std::string reason = "Not enough memory for the bootstrap: ";
  reason += std::to_string(ev.groups.size()) + " groups, " + std::to_string(block.models) +
            (block.models == 1 ? " model and " : " models and ") + std::to_string(ev.resamples) +
            " resamples on " + std::to_string(threads) + (threads == 1 ? " thread" : " threads");
  reason += " need " + std::to_string(statistics) + " statistics (" + whole(per_thread);
  reason += " bytes each per thread and " + whole(kBytesPerStatistic) + " once)";
  if (kept != statistics) {
    reason += ", the other quantities' " + std::to_string(kept - statistics) + " (" +
              whole(kBytesPerStatistic) + " bytes each once)";
  }
  reason += " and " + whole(lines) + " lines (";
  reason += whole(per_line) + " bytes each, and " + whole(per_evaluated) + " more each for the " +
            std::to_string(block.size()) + " resampled together) besides the program's own " +
            whole(kBytesOfProgram) + " bytes, an estimated ";
  reason += whole(estimate) + " bytes, more than the bound of " + whole(bound.bytes);
  reason += " bytes (" + bound.source + "); use fewer groups or resamples";
  throw records::RunError(records::kStatusBadInput, reason,
                          records::Location{study.source, 0, 0, 0, {}});
}

}  // namespace

Strata strata_of(const Block& block, std::size_t strata) {
  Strata out;
  out.members.resize(strata);
  for (std::size_t i = 0; i < block.size(); ++i) out.members[block.stratum[i]].push_back(i);
  for (const auto& members : out.members) {
    if (members.size() > std::numeric_limits<std::uint32_t>::max()) {
      throw std::length_error("too many lines in one stratum");
    }
  }
  return out;
}

void draw_resample(Splitmix64& rng, const Strata& strata, std::vector<std::size_t>& out) {
  out.clear();
  for (const auto& members : strata.members) {
    const auto n = static_cast<std::uint32_t>(members.size());
    for (std::uint32_t k = 0; k < n; ++k) out.push_back(members[bounded_draw(rng, n)]);
  }
}

Limits percentile_limits(std::vector<double>& values) {
  values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return std::isnan(v); }),
               values.end());
  if (values.empty()) return {kNan, kNan};
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  const std::size_t lower = (25 * n) / 1000;             // floor(0.025 n)
  const std::size_t upper = (975 * n + 999) / 1000 - 1;  // ceil(0.975 n) - 1
  return {values[lower], values[upper]};
}

void bootstrap(std::uint64_t seed, std::size_t number, const Study& study, const Block& block,
               Evaluator& evaluator, Evaluation& ev, ExceedanceCounter* exceedance,
               const Watch& watch) {
  const auto resamples = static_cast<std::size_t>(ev.resamples);
  const bool scored = exceedance != nullptr;
  const Statistics statistics(block, ev.groups.size(), ev.objective(),
                              thresholds_of(block, exceedance));
  const std::size_t batches = (resamples + kResampleBatch - 1) / kResampleBatch;
  const std::size_t threads = std::max<std::size_t>(
      1, std::min(static_cast<std::size_t>(std::max(watch.threads, 1)), batches));
  check_memory(study, block, ev, scored, statistics.size(), threads, watch.memory);
  // The lines of each stratum (the evaluator checked that they fit 32 bits).
  std::vector<std::uint32_t> sizes(study.strata.size(), 0);
  for (const std::uint32_t s : block.stratum) ++sizes[s];
  const bool halves =
      std::all_of(sizes.begin(), sizes.end(), [](std::uint32_t n) { return n < kHalfLines; });

  // Every thread's state, made before any thread starts: the first uses the prepared
  // evaluator and counter, the others copies of them.
  std::vector<Worker> workers;
  workers.reserve(threads);
  for (std::size_t t = 0; t < threads; ++t) {
    Worker& w = workers.emplace_back(Worker{
        nullptr, nullptr, std::nullopt, std::nullopt, std::vector<std::uint32_t>(block.size()),
        Extremes(statistics.size(), resamples), std::vector<long>(statistics.model_lines()),
        std::vector<long>(statistics.pair_lines())});
    if (t == 0) {
      w.evaluator = &evaluator;
      w.counter = exceedance;
    } else {
      w.evaluator = &w.own_evaluator.emplace(evaluator);
      if (exceedance != nullptr) w.counter = &w.own_counter.emplace(*exceedance);
    }
  }

  std::atomic<std::size_t> next{0};  // the first resample of the next batch
  std::atomic<bool> stop{false};
  std::mutex guard;  // of `done`, the watch's call and `failure`
  long done = 0;
  std::exception_ptr failure;
  const std::uint64_t first = static_cast<std::uint64_t>(number) * resamples;
  auto work = [&](Worker& w) {
    try {
      while (!stop.load(std::memory_order_relaxed)) {
        const std::size_t from = next.fetch_add(kResampleBatch);
        if (from >= resamples) return;
        const std::size_t to = std::min(from + kResampleBatch, resamples);
        for (std::size_t b = from; b < to;) {
          // Four resamples at a time where their counts fit in quarters, else two in
          // halves: one pass over the lines with every model valid serves them all.
          // A line drawn 256 times in one of four resamples (which takes a stratum
          // of 256 lines or more and the rarest of draws) sends them back as pairs.
          auto draw = [&](unsigned parts) {
            bool fits = true;
            for (unsigned r = 0; r < parts; ++r) {
              Splitmix64 rng = resample_stream(seed, first + b + r);
              fits = draw_counts(rng, sizes, w.drawn, r, parts) && fits;
            }
            return fits;
          };
          unsigned together = halves && to - b >= 4 ? 4 : halves && to - b >= 2 ? 2 : 1;
          if (!draw(together)) {  // only quarters overflow
            together = 2;
            draw(together);
          }
          if (together > 1) w.evaluator->sum_full_parts(w.drawn, together);
          for (unsigned r = 0; r < together; ++r, ++b) {
            const Drawn drawn(w.drawn, r, together);
            w.evaluator->evaluate_drawn(drawn, Selection::with_limits, Gathering::by_cell);
            statistics.keep(*w.evaluator, w);
            if (w.counter != nullptr) {
              w.counter->count(drawn, w.evaluator->full_drawn());
              statistics.keep(*w.counter, w);
            }
            if (watch.resampled) {
              const std::lock_guard<std::mutex> lock(guard);
              watch.resampled(++done, ev.resamples, block.size());
            }
          }
        }
      }
    } catch (...) {
      const std::lock_guard<std::mutex> lock(guard);
      if (!failure) failure = std::current_exception();
      stop = true;
    }
  };
  std::vector<std::thread> running;
  running.reserve(threads - 1);
  try {
    for (std::size_t t = 1; t < threads; ++t) running.emplace_back(work, std::ref(workers[t]));
  } catch (...) {
    stop = true;
    for (std::thread& t : running) t.join();
    throw;
  }
  work(workers[0]);
  for (std::thread& t : running) t.join();
  if (failure) std::rethrow_exception(failure);

  Worker& all = workers[0];
  for (std::size_t t = 1; t < threads; ++t) {
    all.extremes.merge(workers[t].extremes);
    for (std::size_t j = 0; j < all.model_boot.size(); ++j) {
      all.model_boot[j] += workers[t].model_boot[j];
    }
    for (std::size_t j = 0; j < all.pair_boot.size(); ++j) {
      all.pair_boot[j] += workers[t].pair_boot[j];
    }
  }
  statistics.fill(block, all, ev);
}

}  // namespace evaluate
