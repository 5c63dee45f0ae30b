// The evaluator and the exceedance counter copied: a copy shares what was prepared
// and evaluates on its own, so copies may run on threads at the same time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "evaluate/input/groups.h"
#include "evaluate/input/pairs_file.h"
#include "evaluate/statistics/evaluator.h"
#include "evaluate/statistics/exceedance.h"

namespace {

// 40 lines in three labels, stable, unstable and neither; model C misses a pair.
evaluate::PairsFile three_models() {
  std::string text = "group,observed,obk,A,B,C\n";
  for (int i = 0; i < 40; ++i) {
    const char* label[] = {"north", "south", "west"};
    const char* obk[] = {"50", "-20", ""};
    const float co = 1.0f + static_cast<float>((i * 7) % 11);
    text += std::string(label[i % 3]) + "," + std::to_string(co) + "," + obk[(i / 3) % 3] + "," +
            std::to_string(co * 1.5f) + "," + std::to_string(co * 0.75f + 1) + "," +
            (i == 5 ? "" : std::to_string(co + 2)) + "\n";
  }
  return evaluate::read_pairs_file(text, "three.csv");
}

// Six models: two vectors of lanes. "west" has every pair of every model (a full
// group); in "north" and "south" some models miss a pair.
evaluate::PairsFile six_models() {
  std::string text = "group,observed,obk,M1,M2,M3,M4,M5,M6\n";
  for (int i = 0; i < 60; ++i) {
    const char* label[] = {"north", "south", "west"};
    const char* obk[] = {"50", "-20", ""};
    const float co = 0.5f + static_cast<float>((i * 7) % 13);
    text += std::string(label[i % 3]) + "," + std::to_string(co) + "," + obk[(i / 3) % 3];
    for (int m = 0; m < 6; ++m) {
      const bool missing = i % 3 != 2 && (i + m) % 11 == 0;
      text += ',';
      if (!missing) text += std::to_string(co * (0.4f + 0.3f * m) + static_cast<float>(i % 5));
    }
    text += "\n";
  }
  return evaluate::read_pairs_file(text, "six.csv");
}

bool same(double a, double b) {
  return a == b || (std::isnan(a) && std::isnan(b));
}

}  // namespace

TEST(EvaluateEvaluator, CopiesEvaluateOnTheirOwnAtTheSameTime) {
  const evaluate::PairsFile file = three_models();
  const evaluate::Block& block = file.study.blocks[0];
  const auto groups = evaluate::groups_of(file.study);
  const std::size_t strata = file.study.strata.size();
  const evaluate::Evaluator prepared(block, groups, strata);
  const evaluate::ExceedanceCounter counted(block, groups, {{6.0f}});
  std::vector<std::vector<std::uint32_t>> weights(2), drawn(2);  // by line, by position
  for (std::uint32_t i = 0; i < block.size(); ++i) {
    weights[0].push_back(i % 3);
    weights[1].push_back((i * 5) % 4);
  }
  for (std::size_t c = 0; c < 2; ++c) {
    for (const std::uint32_t i : prepared.order()) drawn[c].push_back(weights[c][i]);
  }
  std::vector<evaluate::Evaluator> copies(2, prepared);
  std::vector<evaluate::ExceedanceCounter> counters(2, counted);
  auto run = [&](std::size_t c) {
    copies[c].evaluate(weights[c], evaluate::Selection::all, evaluate::Gathering::by_cell);
    counters[c].count(drawn[c], copies[c].full_drawn());
  };
  std::thread other(run, 0);
  run(1);
  other.join();
  for (std::size_t c = 0; c < 2; ++c) {
    evaluate::Evaluator alone(block, groups, strata);
    alone.evaluate(weights[c], evaluate::Selection::all, evaluate::Gathering::by_cell);
    evaluate::ExceedanceCounter counter(block, groups, {{6.0f}});
    counter.count(drawn[c], alone.full_drawn());
    for (std::size_t g = 0; g < groups.size(); ++g) {
      for (int id = 0; id < evaluate::kMeasures; ++id) {
        for (int m = 0; m < 3; ++m) {
          EXPECT_TRUE(same(alone.value(g, 0, m, id), copies[c].value(g, 0, m, id))) << g << id;
          EXPECT_TRUE(same(alone.difference(g, 0, m, id), copies[c].difference(g, 0, m, id)));
        }
      }
      for (std::size_t s = 0; s < counter.series(); ++s) {
        EXPECT_EQ(counter.table(g, 0, 0, s).a, counters[c].table(g, 0, 0, s).a);
        EXPECT_EQ(counter.table(g, 0, 0, s).d, counters[c].table(g, 0, 0, s).d);
      }
    }
  }
}

TEST(EvaluateEvaluator, ByCellAgreesWithByGroupWithManyModelsAndFullGroups) {
  // The exceedance counter takes the counts in the order of the draws.
  const evaluate::PairsFile file = six_models();
  const evaluate::Block& block = file.study.blocks[0];
  const auto groups = evaluate::groups_of(file.study);
  evaluate::Evaluator by_cell(block, groups, file.study.strata.size());
  evaluate::Evaluator by_group = by_cell;
  evaluate::ExceedanceCounter counter(block, groups, {{6.0f}});
  std::vector<std::uint32_t> times, drawn;
  for (std::uint32_t i = 0; i < block.size(); ++i) times.push_back((i * 7) % 4);
  for (const std::uint32_t i : by_cell.order()) drawn.push_back(times[i]);
  by_cell.evaluate_drawn(drawn, evaluate::Selection::all, evaluate::Gathering::by_cell);
  by_group.evaluate(times, evaluate::Selection::all, evaluate::Gathering::by_group);
  counter.count(drawn, by_cell.full_drawn());
  // Group "all" (the first), model m: the hits, observed and predicted above 6.
  for (int m = 0; m < 6; ++m) {
    double hits = 0;
    for (std::size_t i = 0; i < block.size(); ++i) {
      if (block.pair_state(i, 0, m) != evaluate::PairState::valid) continue;
      if (block.co(i, 0) > 6.0f && block.cp(i, 0, m) > 6.0f) hits += times[i];
    }
    EXPECT_EQ(hits, counter.table(0, 0, 0, static_cast<std::size_t>(m)).a) << m;
  }
  auto near = [](double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || std::fabs(a - b) <= 1e-12 * std::fabs(a) + 1e-14;
  };
  for (std::size_t g = 0; g < groups.size(); ++g) {
    for (int id = 0; id < evaluate::kMeasures; ++id) {
      for (int m = 0; m < 6; ++m) {
        EXPECT_PRED2(near, by_group.value(g, 0, m, id), by_cell.value(g, 0, m, id)) << g << id;
      }
      for (int p = 0; p < 15; ++p) {
        EXPECT_PRED2(near, by_group.difference(g, 0, p, id), by_cell.difference(g, 0, p, id));
      }
    }
    // In the full group a pair's lines are each model's: dlnRHC from the models' RHCp.
    if (groups[g].kind == evaluate::GroupKind::label && groups[g].stratum == 2) {
      const auto pairs = evaluate::model_pairs(6);
      for (std::size_t p = 0; p < pairs.size(); ++p) {
        const double a = by_cell.value(g, 0, pairs[p].first, evaluate::kRhcP);
        const double b = by_cell.value(g, 0, pairs[p].second, evaluate::kRhcP);
        EXPECT_PRED2(near, std::log(a) - std::log(b),
                     by_cell.difference(g, 0, static_cast<int>(p), evaluate::kRhcRatio));
      }
    }
  }
}

TEST(EvaluateEvaluator, ResamplesInPartsOfWordsAreEachEvaluatedAsAlone) {
  const evaluate::PairsFile file = six_models();
  const evaluate::Block& block = file.study.blocks[0];
  const auto groups = evaluate::groups_of(file.study);
  const evaluate::Evaluator prepared(block, groups, file.study.strata.size());
  const evaluate::ExceedanceCounter counted(block, groups, {{6.0f}});
  for (const unsigned parts : {2u, 4u}) {
    std::vector<std::vector<std::uint32_t>> drawn(parts);
    std::vector<std::uint32_t> words(block.size(), 0);
    for (std::uint32_t p = 0; p < block.size(); ++p) {
      for (unsigned r = 0; r < parts; ++r) {
        drawn[r].push_back(r % 2 == 0 ? (p * (7 + r)) % 4 : (p * 3) % 5 == r ? 3 : (p % 2));
        words[p] |= drawn[r].back() << (32 / parts * r);
      }
    }
    evaluate::Evaluator together = prepared;
    evaluate::ExceedanceCounter together_counter = counted;
    EXPECT_THROW(together.evaluate_drawn(evaluate::Drawn(words, 0, parts), evaluate::Selection::all,
                                         evaluate::Gathering::by_cell),
                 std::logic_error);
    together.sum_full_parts(words, parts);
    for (unsigned r = 0; r < parts; ++r) {
      evaluate::Evaluator alone = prepared;
      evaluate::ExceedanceCounter counter = counted;
      alone.evaluate_drawn(drawn[r], evaluate::Selection::all, evaluate::Gathering::by_cell);
      counter.count(drawn[r], alone.full_drawn());
      const evaluate::Drawn part(words, r, parts);
      together.evaluate_drawn(part, evaluate::Selection::all, evaluate::Gathering::by_cell);
      together_counter.count(part, together.full_drawn());
      for (std::size_t g = 0; g < groups.size(); ++g) {
        for (int id = 0; id < evaluate::kMeasures; ++id) {
          for (int m = 0; m < 6; ++m) {
            EXPECT_TRUE(same(alone.value(g, 0, m, id), together.value(g, 0, m, id)))
                << parts << r << g << id;
          }
          for (int p = 0; p < 15; ++p) {
            EXPECT_TRUE(same(alone.difference(g, 0, p, id), together.difference(g, 0, p, id)));
          }
        }
        for (std::size_t s = 0; s < counter.series(); ++s) {
          EXPECT_EQ(counter.table(g, 0, 0, s).a, together_counter.table(g, 0, 0, s).a) << r << g;
          EXPECT_EQ(counter.table(g, 0, 0, s).c, together_counter.table(g, 0, 0, s).c) << r << g;
        }
      }
    }
  }
}

TEST(EvaluateEvaluator, AStratumWalksItsOwnListsAsTheGroupOfAllLinesWalksThem) {
  // With the lines of "small" left out of the resample, the group of all lines and
  // that of "big" hold the same lines: the one walks the lists over all lines, the
  // other its stratum's, which hold 16-bit entries below 2^16 lines and 32-bit ones
  // from there; "small" comes first, so that "big" starts past position 0. Model B
  // misses some pairs, so that its series walk on their own.
  for (const int big : {3000, 70000}) {
    SCOPED_TRACE(big);
    std::string text = "group,observed,A,B\n";
    for (int i = 0; i < big + 40; ++i) {
      const float co = 0.5f + static_cast<float>((i * 7919) % 1009) / 8.0f;
      text += std::string(i % 50 == 0 && i / 50 < 40 ? "small" : "big") + "," + std::to_string(co) +
              "," + std::to_string(co * 0.8f + 1.0f) + "," +
              (i % 13 == 0 ? "" : std::to_string(co * 1.3f)) + "\n";
    }
    const evaluate::PairsFile file = evaluate::read_pairs_file(text, "big.csv");
    const evaluate::Block& block = file.study.blocks[0];
    const auto groups = evaluate::groups_of(file.study);
    std::size_t all = groups.size(), own = groups.size();
    for (std::size_t g = 0; g < groups.size(); ++g) {
      if (groups[g].kind == evaluate::GroupKind::all) all = g;
      if (groups[g].kind == evaluate::GroupKind::label &&
          file.study.strata[groups[g].stratum].label == "big")
        own = g;
    }
    ASSERT_LT(all, groups.size());
    ASSERT_LT(own, groups.size());
    evaluate::Evaluator evaluator(block, groups, file.study.strata.size());
    evaluate::Evaluator by_group = evaluator;
    std::vector<std::uint32_t> times;
    for (std::uint32_t i = 0; i < block.size(); ++i) {
      const bool small = file.study.strata[block.stratum[i]].label == "small";
      times.push_back(small ? 0 : (i * 7) % 3);
    }
    evaluator.evaluate(times, evaluate::Selection::all, evaluate::Gathering::by_cell);
    // By group, the absolute deviations are summed line by line, not walked.
    by_group.evaluate(times, evaluate::Selection::all, evaluate::Gathering::by_group);
    auto near = [](double a, double b) {
      return (std::isnan(a) && std::isnan(b)) || std::fabs(a - b) <= 1e-12 * std::fabs(a) + 1e-14;
    };
    for (int id = 0; id < evaluate::kMeasures; ++id) {
      for (int m = 0; m < 2; ++m) {
        EXPECT_TRUE(same(evaluator.value(all, 0, m, id), evaluator.value(own, 0, m, id)))
            << id << " " << m;
        EXPECT_PRED2(near, by_group.value(own, 0, m, id), evaluator.value(own, 0, m, id)) << id;
      }
    }
    EXPECT_FALSE(std::isnan(evaluator.value(own, 0, 1, evaluate::kRhcO)));
  }
}
