// The stratified bootstrap: the bounded draw (against an independent model of
// splitmix64 and the multiply-shift draw with rejection), the resample's
// stratification by arc, the limits (the bounded heaps against a full sort),
// reproducibility and significance.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "evaluate/input/groups.h"
#include "evaluate/input/study.h"
#include "evaluate/statistics/bootstrap.h"
#include "evaluate/statistics/evaluation.h"
#include "evaluate/statistics/evaluator.h"
#include "evaluate/statistics/extremes.h"
#include "evaluate/statistics/high_end.h"
#include "support/combined_line.h"
#include "support/pair_stats.h"

namespace {

using evaluate::kAermod;
using evaluate::kCmax;
using evaluate::kCy;
using evaluate::kFac2;
using evaluate::kFb;
using evaluate::kIscst3;
using evaluate::kMg;
using evaluate::kNmse;
using evaluate::kVg;

// A line with both quantities equal: observed co, AERMOD a, ISCST3 i.
evaluate::CombinedLine line(float arc, float obk, float co, float a, float i) {
  return testsupport::combined_line(arc, obk, co, a, i);
}

// Expected sequences below come from a separate implementation of splitmix64 and of
// the draw (tests/data/evaluate/reference/measures_reference.py): stream r of seed s
// starts at mix64(s + (r + 1) gamma); x = output >> 32, product = x * n, reject
// while the low 32 bits of the product are below 2^32 mod n, result product >> 32.
TEST(EvaluateBootstrap, BoundedDrawMatchesTheIndependentModel) {
  evaluate::Splitmix64 zero(0);  // splitmix64's published first output from state 0
  EXPECT_EQ(0xE220A8397B1DCDAFull, zero());
  evaluate::Splitmix64 first = evaluate::resample_stream(1, 0);
  EXPECT_EQ(6791897765849424158ull, first());

  evaluate::Splitmix64 rng = evaluate::resample_stream(1, 0);
  std::vector<std::uint32_t> got;
  for (int k = 0; k < 12; ++k) got.push_back(evaluate::bounded_draw(rng, 10));
  EXPECT_EQ((std::vector<std::uint32_t>{3, 9, 0, 7, 2, 7, 6, 2, 1, 2, 6, 9}), got);

  // A bound near 2^32 rejects about 30% of the outputs (3 of the first 9 here).
  evaluate::Splitmix64 big = evaluate::resample_stream(42, 0);
  got.clear();
  for (int k = 0; k < 6; ++k) got.push_back(evaluate::bounded_draw(big, 3000000000u));
  EXPECT_EQ((std::vector<std::uint32_t>{2867240177u, 1459048608u, 202073679u, 202531026u,
                                        2204161374u, 334149879u}),
            got);

  // A bound of 1 takes one output per draw and always gives 0.
  evaluate::Splitmix64 one = evaluate::resample_stream(7, 0);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(0u, evaluate::bounded_draw(one, 1));
  EXPECT_EQ(11146164815057002045ull, one());
}

TEST(EvaluateBootstrap, BoundedDrawIsUniform) {
  // Small bound: chi-square over 7 cells (6 degrees of freedom; 30 is far beyond
  // the 0.9999 point).
  evaluate::Splitmix64 rng = evaluate::resample_stream(123, 0);
  std::vector<long> cells(7, 0);
  const long draws = 70000;
  for (long k = 0; k < draws; ++k) ++cells[evaluate::bounded_draw(rng, 7)];
  double chi2 = 0;
  for (long c : cells) chi2 += (c - draws / 7.0) * (c - draws / 7.0) / (draws / 7.0);
  EXPECT_LT(chi2, 30.0);

  // Large bound: a modulo draw would give values below 10^9 with probability 0.466,
  // the unbiased draw with 1/3.
  long below = 0;
  const long n = 30000;
  for (long k = 0; k < n; ++k) below += evaluate::bounded_draw(rng, 3000000000u) < 1000000000u;
  EXPECT_NEAR(1.0 / 3.0, double(below) / n, 0.02);
}

TEST(EvaluateBootstrap, StrataAreTheArcs) {
  const std::vector<evaluate::CombinedLine> lines = {
      line(1.0f, 1, 1, 1, 1), line(0.5f, 1, 1, 1, 1), line(1.0f, 1, 1, 1, 1),
      line(2.0f, 1, 1, 1, 1), line(0.5f, 1, 1, 1, 1), line(-0.0f, 1, 1, 1, 1),
      line(0.0f, 1, 1, 1, 1)};
  const evaluate::Study study = evaluate::study_of(lines);
  std::vector<float> arcs;
  for (const auto& st : study.strata) arcs.push_back(st.arc);
  EXPECT_EQ((std::vector<float>{0.0f, 0.5f, 1.0f, 2.0f}), arcs);
  const evaluate::Strata s = evaluate::strata_of(study.blocks[0], study.strata.size());
  EXPECT_EQ((std::vector<std::vector<std::size_t>>{{5, 6}, {1, 4}, {0, 2}, {3}}), s.members);
}

TEST(EvaluateBootstrap, ResampleDrawsWithinEachArc) {
  // Arcs of 3, 2 and 4 lines (members 0-2, 3-4, 5-8); the expected resample comes
  // from the independent model, drawing arc after arc.
  evaluate::Strata strata;
  strata.members = {{0, 1, 2}, {3, 4}, {5, 6, 7, 8}};
  evaluate::Splitmix64 rng = evaluate::resample_stream(2024, 0);
  std::vector<std::size_t> drawn;
  evaluate::draw_resample(rng, strata, drawn);
  EXPECT_EQ((std::vector<std::size_t>{1, 0, 0, 4, 3, 8, 5, 5, 8}), drawn);

  // Whatever the seed, every resample keeps the number of lines of each arc.
  for (std::uint64_t seed = 0; seed < 200; ++seed) {
    evaluate::Splitmix64 r = evaluate::resample_stream(seed, 0);
    evaluate::draw_resample(r, strata, drawn);
    ASSERT_EQ(9u, drawn.size());
    for (std::size_t k = 0; k < 9; ++k) {
      const std::size_t arc = k < 3 ? 0 : k < 5 ? 1 : 2;
      const auto& m = strata.members[arc];
      EXPECT_TRUE(std::find(m.begin(), m.end(), drawn[k]) != m.end());
    }
  }
}

TEST(EvaluateBootstrap, CountsAreTheDrawsOfTheStreamStratumAfterStratum) {
  // Strata below, at and above a multiple of eight lines, and one of 2^20 + 1 lines,
  // where about one draw in 4,000 has a low half below the bound and a few hundred
  // are rejected; later resamples' counts in the high half or a quarter of the
  // words. The counts must be those of bounded_draw called draw after draw, and the
  // stream left where the draws end.
  const std::vector<std::uint32_t> sizes{1, 7, 8, 9, 3, 16, 1000, (1u << 20) + 1, 5};
  std::size_t lines = 0;
  for (std::uint32_t n : sizes) lines += n;
  for (const auto& [part, parts] : {std::pair{0u, 1u}, {1u, 2u}, {3u, 4u}}) {
    const std::uint32_t unit = 1u << (32 / parts * part);
    std::vector<std::uint32_t> got(lines, part == 0 ? 7u : 3u), want(lines, part == 0 ? 0u : 3u);
    evaluate::Splitmix64 rng = evaluate::resample_stream(99, parts), model = rng;
    EXPECT_TRUE(evaluate::draw_counts(rng, sizes, got, part, parts));
    std::size_t first = 0;
    for (std::uint32_t n : sizes) {
      for (std::uint32_t k = 0; k < n; ++k) want[first + evaluate::bounded_draw(model, n)] += unit;
      first += n;
    }
    EXPECT_EQ(want, got) << "part " << part << " of " << parts;
    EXPECT_EQ(model(), rng()) << "part " << part << " of " << parts;
  }
  // A quarter whose count would pass 255 is reported; a half holds any count.
  std::vector<std::uint32_t> full(lines, 0xFFu << 8);
  evaluate::Splitmix64 rng = evaluate::resample_stream(5, 0);
  EXPECT_FALSE(evaluate::draw_counts(rng, sizes, full, 1, 4));
  full.assign(lines, 0xFFu << 16);
  EXPECT_TRUE(evaluate::draw_counts(rng, sizes, full, 1, 2));
}

TEST(EvaluateBootstrap, PercentileLimits) {
  struct Case {
    std::size_t n;
    double lower, upper;  // values are 0..n-1, so a value is its index
  };
  // floor(0.025 B) and ceil(0.975 B) - 1
  const Case cases[] = {{1000, 25, 974}, {1, 0, 0},     {40, 1, 38},
                        {41, 1, 39},     {200, 5, 194}, {999, 24, 974}};
  for (const Case& c : cases) {
    std::vector<double> v(c.n);
    for (std::size_t k = 0; k < c.n; ++k) v[k] = double((k * 7919) % c.n);  // shuffled
    const evaluate::Limits l = evaluate::percentile_limits(v);
    EXPECT_EQ(c.lower, l.lower) << c.n;
    EXPECT_EQ(c.upper, l.upper) << c.n;
  }
  // Resamples in which a value is not formed are left out: 8 formed values.
  const double nan = std::nan("");
  std::vector<double> v = {7, nan, 0, 5, 1, nan, 2, 6, 3, 4};
  const evaluate::Limits l = evaluate::percentile_limits(v);
  EXPECT_EQ(0, l.lower);
  EXPECT_EQ(7, l.upper);
  std::vector<double> none = {nan, nan};
  EXPECT_TRUE(std::isnan(evaluate::percentile_limits(none).lower));
  EXPECT_TRUE(std::isnan(evaluate::percentile_limits(none).upper));
}

TEST(EvaluateBootstrap, BoundedHeapsGiveTheLimitsOfAFullSort) {
  // Random values (statistic 2 with many ties, zeros of both signs among them), one
  // in `nan_every` resamples not formed (0: none, 1: all); the heaps of all values,
  // and three sets merged, against the full sort.
  std::mt19937_64 rng(5);
  std::normal_distribution<double> normal;
  const double nan = std::nan("");
  auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
  for (const std::size_t b : {39, 40, 1000, 1001}) {
    for (const std::size_t nan_every : {0, 1, 2, 7}) {
      SCOPED_TRACE(std::to_string(b) + " resamples, NaN every " + std::to_string(nan_every));
      constexpr std::size_t kStats = 3;
      std::vector<std::vector<double>> values(kStats);
      evaluate::Extremes all(kStats, b);
      std::vector<evaluate::Extremes> parts(3, evaluate::Extremes(kStats, b));
      for (std::size_t r = 0; r < b; ++r) {
        for (std::size_t s = 0; s < kStats; ++s) {
          double v = s == 2 ? std::round(normal(rng) * 2) / 2 : normal(rng) * double(s + 1);
          if (nan_every != 0 && r % nan_every == 0) v = nan;
          values[s].push_back(v);
          all.add(s, v);
          parts[(r / 4) % 3].add(s, v);
        }
      }
      parts[0].merge(parts[2]);
      parts[0].merge(parts[1]);
      for (std::size_t s = 0; s < kStats; ++s) {
        const evaluate::Limits expected = evaluate::percentile_limits(values[s]);
        for (const evaluate::Extremes* got : {&all, &parts[0]}) {
          EXPECT_TRUE(same(expected.lower, got->limits(s).lower)) << s;
          EXPECT_TRUE(same(expected.upper, got->limits(s).upper)) << s;
        }
      }
    }
  }
}

// Lines over two arcs with spread-out errors, for the reproducibility tests.
std::vector<evaluate::CombinedLine> varied_lines() {
  std::vector<evaluate::CombinedLine> lines;
  for (int k = 0; k < 30; ++k) {
    const float co = 1.0f + float(k % 7);
    lines.push_back(line(k % 2 ? 0.5f : 1.0f, k % 3 ? -50.0f : 20.0f, co,
                         co * (0.5f + 0.1f * float(k % 9)), co * (0.3f + 0.2f * float(k % 5))));
  }
  return lines;
}

// The evaluation's limits of group g, model m, quantity q (the bootstrap's
// result), and those of the difference of the two models.
const evaluate::ModelGroupResult& model(const evaluate::Evaluation& ev, std::size_t g, int m,
                                        int q) {
  return ev.results[static_cast<std::size_t>(q)][g].models[static_cast<std::size_t>(m)];
}
const evaluate::DifferenceResult& difference(const evaluate::Evaluation& ev, std::size_t g, int q) {
  return ev.results[static_cast<std::size_t>(q)][g].differences[0];
}

evaluate::Evaluation bootstrap(const std::vector<evaluate::CombinedLine>& lines, int resamples,
                               std::uint64_t seed) {
  return evaluate::evaluate_study(evaluate::study_of(lines), resamples, seed);
}

bool same(const evaluate::Evaluation& a, const evaluate::Evaluation& b) {
  for (std::size_t g = 0; g < a.groups.size(); ++g) {
    for (int m = 0; m < evaluate::kModels; ++m) {
      for (int q = 0; q < evaluate::kQuantities; ++q) {
        for (int k = 0; k < evaluate::kMeasures; ++k) {
          const auto& x = model(a, g, m, q).limits[k];
          const auto& y = model(b, g, m, q).limits[k];
          if (x.lower != y.lower || x.upper != y.upper) {
            if (!(std::isnan(x.lower) && std::isnan(y.lower))) return false;
          }
        }
      }
    }
  }
  return true;
}

TEST(EvaluateBootstrap, ReproducibleForASeed) {
  const auto lines = varied_lines();
  const auto a = bootstrap(lines, 500, 9);
  const auto b = bootstrap(lines, 500, 9);
  const auto c = bootstrap(lines, 500, 10);
  EXPECT_TRUE(same(a, b));
  EXPECT_FALSE(same(a, c));
  // The limits enclose the measure of the whole set for this well-spread set.
  const auto all = model(a, 0, kAermod, kCy).limits;
  EXPECT_LT(all[kFb].lower, all[kFb].upper);
  EXPECT_EQ(500, model(a, 0, kAermod, kCy).boot);
}

TEST(EvaluateBootstrap, ThreadsGiveTheSameLimitsReportInOrderAndCarryFailures) {
  const evaluate::Study study = evaluate::study_of(varied_lines());
  evaluate::Watch watch;
  watch.threads = 3;
  std::vector<long> seen;
  watch.resampled = [&seen](long done, long total, std::size_t) {
    EXPECT_EQ(50, total);
    seen.push_back(done);
  };
  const auto three =
      evaluate::evaluate_study(study, 50, 4, evaluate::Criteria::rural, {}, {}, watch);
  EXPECT_TRUE(same(bootstrap(varied_lines(), 50, 4), three));
  std::vector<long> in_order(50);
  for (long k = 0; k < 50; ++k) in_order[static_cast<std::size_t>(k)] = k + 1;
  EXPECT_EQ(in_order, seen);
  // A failure on any thread ends the run with that failure.
  watch.resampled = [](long done, long, std::size_t) {
    if (done == 7) throw std::runtime_error("stopped at 7");
  };
  EXPECT_THROW(evaluate::evaluate_study(study, 50, 4, evaluate::Criteria::rural, {}, {}, watch),
               std::runtime_error);
}

TEST(EvaluateBootstrap, StratificationKeepsTheArcMix) {
  // Arc 0.5 km: perfect predictions; arc 1.0 km: four times too high. Within an
  // arc every line has the same ratio, so with the arc mix kept every resample of
  // the whole set has FAC2 = 0.5 exactly and MG = exp(-(ln 4)/2) = 0.5: the limits
  // collapse onto those values. A resample that ignored the arcs would spread them.
  std::vector<evaluate::CombinedLine> lines;
  for (int k = 0; k < 8; ++k) {
    const float co = float(1 << k);
    lines.push_back(line(0.5f, -10.0f, co, co, co));
    lines.push_back(line(1.0f, 10.0f, co, 4.0f * co, 4.0f * co));
  }
  const auto r = bootstrap(lines, 400, 3);
  const auto& all = model(r, 0, kAermod, kCy).limits;
  EXPECT_EQ(0.5, all[kFac2].lower);
  EXPECT_EQ(0.5, all[kFac2].upper);
  EXPECT_NEAR(0.5, all[kMg].lower, 1e-12);
  EXPECT_NEAR(0.5, all[kMg].upper, 1e-12);
  // The stable group (arc 1.0 only) and the unstable group (arc 0.5 only).
  const auto& stable = model(r, r.groups.size() - 2, kAermod, kCy).limits;
  EXPECT_EQ(0.0, stable[kFac2].upper);
  const auto& unstable = model(r, r.groups.size() - 1, kAermod, kCy).limits;
  EXPECT_EQ(1.0, unstable[kFac2].lower);
  EXPECT_EQ(0.0, unstable[kFb].lower);
  EXPECT_EQ(0.0, unstable[kFb].upper);
}

TEST(EvaluateBootstrap, SignificanceOfAClearlyBetterModel) {
  // AERMOD within 10% everywhere, ISCST3 off by a factor of three either way.
  std::vector<evaluate::CombinedLine> lines;
  for (int k = 0; k < 20; ++k) {
    const float co = 1.0f + float(k);
    const bool up = k % 2 == 0;
    lines.push_back(line(k < 10 ? 0.5f : 2.0f, -30.0f, co, co * (up ? 1.1f : 0.9f),
                         co * (up ? 3.0f : 1.0f / 3.0f)));
  }
  const auto r = bootstrap(lines, 1000, 1);
  const auto& d = difference(r, 0, kCy).limits;
  EXPECT_EQ(1.0, d[kFac2].lower);  // 1 - 0 in every resample
  EXPECT_TRUE(evaluate::significant(d[kFac2]));
  EXPECT_LT(d[kVg].upper, 0.0);  // ln VG of AERMOD far below that of ISCST3
  EXPECT_TRUE(evaluate::significant(d[kVg]));
  EXPECT_LT(d[kNmse].upper, 0.0);
  EXPECT_TRUE(evaluate::significant(d[kNmse]));
  EXPECT_EQ(1000, difference(r, 0, kCy).boot);

  // Two models with the same predictions never differ.
  for (auto& l : lines) l.predicted[kIscst3] = l.predicted[kAermod];
  const auto same = bootstrap(lines, 200, 1);
  for (int k = 0; k < evaluate::kMeasures; ++k) {
    const evaluate::MeasureEntry& entry = evaluate::measure_entry(k);
    if (entry.difference == evaluate::Difference::none) continue;
    if (entry.needs != evaluate::Needs::nothing || entry.per_threshold) continue;  // not formed
    const auto& lim = difference(same, 0, kCmax).limits[k];
    EXPECT_EQ(0.0, lim.lower);
    EXPECT_EQ(0.0, lim.upper);
    EXPECT_FALSE(evaluate::significant(lim));
  }
}

TEST(EvaluateBootstrap, OneResampleGivesItsOwnValues) {
  // With a single resample both limits are that resample's value: redraw it from
  // its stream (the first of the study) and form NAD, the RHCs and the paired differences from the
  // drawn lines directly.
  auto lines = varied_lines();
  for (std::size_t k = 0; k < lines.size(); k += 4) {
    lines[k].state[kIscst3][kCy] = evaluate::PairState::model_unread;
  }
  const auto r = bootstrap(lines, 1, 11);
  const evaluate::Study study = evaluate::study_of(lines);
  evaluate::Splitmix64 rng = evaluate::resample_stream(11, 0);
  std::vector<std::size_t> drawn;
  evaluate::draw_resample(rng, evaluate::strata_of(study.blocks[0], study.strata.size()), drawn);
  std::vector<evaluate::Pair> aermod;
  std::vector<float> observed, predicted, both_a, both_i;
  evaluate::PairSums sums_a, sums_i;
  for (std::size_t i : drawn) {
    const auto& l = lines[i];
    aermod.push_back({l.observed[kCy], l.predicted[kAermod][kCy]});
    observed.push_back(l.observed[kCy]);
    predicted.push_back(l.predicted[kAermod][kCy]);
    if (l.state[kIscst3][kCy] != evaluate::PairState::valid) continue;
    sums_a.add(evaluate::pair_terms(l.observed[kCy], l.predicted[kAermod][kCy]));
    sums_i.add(evaluate::pair_terms(l.observed[kCy], l.predicted[kIscst3][kCy]));
    both_a.push_back(l.predicted[kAermod][kCy]);
    both_i.push_back(l.predicted[kIscst3][kCy]);
  }
  const auto& m = model(r, 0, kAermod, kCy);
  const double nad = evaluate::summarize(aermod).measures[evaluate::kNad];
  const double rhc_o = evaluate::rhc(observed);
  const double rhc_p = evaluate::rhc(predicted);
  const std::pair<int, double> model_cases[] = {{evaluate::kNad, nad},
                                                {evaluate::kRhcO, rhc_o},
                                                {evaluate::kRhcP, rhc_p},
                                                {evaluate::kRhcRatio, rhc_p / rhc_o}};
  for (const auto& [stat, expected] : model_cases) {
    EXPECT_NEAR(expected, m.limits[stat].lower, 1e-12 * expected) << stat;
    EXPECT_EQ(m.limits[stat].lower, m.limits[stat].upper) << stat;
  }
  const auto& d = difference(r, 0, kCy);
  EXPECT_NEAR(evaluate::measure_difference(kFb, evaluate::PairStats{sums_a}, {sums_i}),
              d.limits[kFb].lower, 1e-12);
  EXPECT_NEAR(std::log(evaluate::rhc(both_a)) - std::log(evaluate::rhc(both_i)),
              d.limits[evaluate::kRhcRatio].lower, 1e-12);
  EXPECT_EQ(22, d.n_both);  // 30 lines, 8 without an ISCST3 CY/Q
}

TEST(EvaluateBootstrap, AWeightingCountsEachLineAsOftenAsItsWeight) {
  // The evaluator under weights equals every measure of the lines repeated that
  // often, the deviations about the weighted means and the RHCs included; lines
  // of weight 0 and ISCST3's missing pairs leave the differences' lines.
  auto lines = varied_lines();
  lines[3].state[kIscst3][kCy] = evaluate::PairState::model_unread;
  const evaluate::Study study = evaluate::study_of(lines);
  evaluate::Evaluator evaluator(study.blocks[0], evaluate::groups_of(study), study.strata.size());
  std::vector<std::uint32_t> times;
  std::vector<evaluate::Pair> aermod, both_a, both_i;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    times.push_back(static_cast<std::uint32_t>(i % 4));
    const auto& l = lines[i];
    for (std::uint32_t t = 0; t < times.back(); ++t) {
      aermod.push_back({l.observed[kCy], l.predicted[kAermod][kCy]});
      if (l.state[kIscst3][kCy] != evaluate::PairState::valid) continue;
      both_a.push_back(aermod.back());
      both_i.push_back({l.observed[kCy], l.predicted[kIscst3][kCy]});
    }
  }
  const auto expected = evaluate::summarize(aermod).measures;
  const auto a = evaluate::summarize(both_a).stats;
  const auto i = evaluate::summarize(both_i).stats;
  for (const auto gathering : {evaluate::Gathering::by_cell, evaluate::Gathering::by_group}) {
    evaluator.evaluate(times, evaluate::Selection::all, gathering);
    for (int k = 0; k < evaluate::kMeasures; ++k) {
      const evaluate::MeasureEntry& entry = evaluate::measure_entry(k);
      if (entry.needs != evaluate::Needs::nothing || entry.per_threshold) continue;  // not formed
      const double got = evaluator.value(0, kCy, kAermod, k);
      EXPECT_NEAR(expected[k], got, 1e-12 * std::fabs(expected[k])) << evaluate::measure_name(k);
      const double d = evaluate::measure_difference(k, a, i);
      if (std::isnan(d)) {
        EXPECT_TRUE(std::isnan(evaluator.difference(0, kCy, 0, k))) << k;
      } else {
        EXPECT_NEAR(d, evaluator.difference(0, kCy, 0, k), 1e-12) << k;
      }
    }
    EXPECT_EQ(static_cast<double>(both_a.size()), evaluator.both(0, kCy, 0));
  }
}

TEST(EvaluateBootstrap, WalksOverAllLinesGoOnPastTheHeadsOfTheirLists) {
  // The groups over all lines (all, stable, unstable) walk the ranked lists from
  // their heads; a median's walk goes on far past them. Each group's RHCs and
  // percentiles under weights equal those of its lines repeated that often.
  std::vector<evaluate::CombinedLine> lines;
  for (int k = 0; k < 6000; ++k) {
    const float co = 1.0f + float((k * 37) % 1001) / 10.0f;
    lines.push_back(line(k % 3 ? 0.5f : 1.0f, k % 5 ? -50.0f : 20.0f, co,
                         co * (0.5f + 0.01f * float(k % 97)), co * (0.3f + 0.02f * float(k % 53))));
    if (k % 7 == 0) lines.back().state[kIscst3][kCy] = evaluate::PairState::model_unread;
  }
  const evaluate::Study study = evaluate::study_of(lines);
  const auto groups = evaluate::groups_of(study);
  evaluate::Uncertainty median;
  median.u = 0.2;
  median.rv = 100;
  median.percentile = 50;
  std::vector<const evaluate::Uncertainty*> uncertainty(study.blocks[0].nq(), nullptr);
  uncertainty[kCy] = &median;
  evaluate::Evaluator evaluator(study.blocks[0], groups, study.strata.size(), uncertainty);
  std::vector<std::uint32_t> times;
  for (std::size_t i = 0; i < lines.size(); ++i) times.push_back(static_cast<std::uint32_t>(i % 4));
  evaluator.evaluate(times, evaluate::Selection::all, evaluate::Gathering::by_cell);
  int checked = 0;
  for (std::size_t g = 0; g < groups.size(); ++g) {
    if (groups[g].kind == evaluate::GroupKind::arc) continue;
    for (const int m : {kAermod, kIscst3}) {
      std::vector<evaluate::Pair> pairs;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& l = lines[i];
        const auto cls = evaluate::stability_of(l.obk);
        if ((groups[g].kind == evaluate::GroupKind::stable && cls != evaluate::kStable) ||
            (groups[g].kind == evaluate::GroupKind::unstable && cls != evaluate::kUnstable) ||
            l.state[m][kCy] != evaluate::PairState::valid) {
          continue;
        }
        for (std::uint32_t t = 0; t < times[i]; ++t)
          pairs.push_back({l.observed[kCy], l.predicted[m][kCy]});
      }
      const evaluate::PairStats s = testsupport::stats_of(pairs, median);
      for (const int id : {evaluate::kRhcO, evaluate::kRhcP, evaluate::kMpiPerc}) {
        const double expected = evaluate::measure_entry(id).of(s);
        EXPECT_NEAR(expected, evaluator.value(g, kCy, m, id), 1e-12 * std::fabs(expected))
            << g << " " << m << " " << evaluate::measure_name(id);
        ++checked;
      }
    }
  }
  EXPECT_EQ(18, checked);  // all, stable and unstable; two models; three measures
}

TEST(EvaluateBootstrap, SignificanceNeedsBothLimitsOnOneSide) {
  EXPECT_TRUE(evaluate::significant({0.1, 0.5}));
  EXPECT_TRUE(evaluate::significant({-0.5, -0.1}));
  EXPECT_FALSE(evaluate::significant({-0.1, 0.5}));
  EXPECT_FALSE(evaluate::significant({0.0, 0.5}));
  EXPECT_FALSE(evaluate::significant({-0.5, 0.0}));
  EXPECT_FALSE(evaluate::significant({std::nan(""), std::nan("")}));
}

TEST(EvaluateBootstrap, GroupsWithoutPairsInSomeResamples) {
  // Three stable lines among many unstable ones on their arc: some resamples miss
  // them all (a group needs three valid pairs for limits).
  std::vector<evaluate::CombinedLine> lines;
  for (int k = 0; k < 12; ++k) lines.push_back(line(1.0f, k < 3 ? 50.0f : -50.0f, 2, 1, 3));
  for (int k = 0; k < 3; ++k) lines[k].state[kIscst3][kCy] = evaluate::PairState::model_unread;
  const auto r = bootstrap(lines, 300, 5);
  const std::size_t stable = r.groups.size() - 2;
  const long with = model(r, stable, kAermod, kCy).boot;
  EXPECT_GT(with, 0);
  EXPECT_LT(with, 300);
  EXPECT_DOUBLE_EQ(2.0 / 3.0, model(r, stable, kAermod, kCy).limits[kFb].lower);
  // ISCST3 has no pair there at all: nothing formed, nothing significant.
  EXPECT_EQ(0, model(r, stable, kIscst3, kCy).boot);
  EXPECT_TRUE(std::isnan(model(r, stable, kIscst3, kCy).limits[kFb].lower));
  EXPECT_EQ(0, difference(r, stable, kCy).boot);
  EXPECT_FALSE(evaluate::significant(difference(r, stable, kCy).limits[kFb]));
}

}  // namespace
