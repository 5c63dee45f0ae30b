// The evaluator and the exceedance counter copied: a copy shares what was prepared
// and evaluates on its own, so copies may run on threads at the same time.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
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
  std::vector<std::vector<std::uint32_t>> weights(2);
  for (std::uint32_t i = 0; i < block.size(); ++i) {
    weights[0].push_back(i % 3);
    weights[1].push_back((i * 5) % 4);
  }
  std::vector<evaluate::Evaluator> copies(2, prepared);
  std::vector<evaluate::ExceedanceCounter> counters(2, counted);
  auto run = [&](std::size_t c) {
    copies[c].evaluate(weights[c], evaluate::Selection::all, evaluate::Gathering::by_cell);
    counters[c].count(weights[c]);
  };
  std::thread other(run, 0);
  run(1);
  other.join();
  for (std::size_t c = 0; c < 2; ++c) {
    evaluate::Evaluator alone(block, groups, strata);
    alone.evaluate(weights[c], evaluate::Selection::all, evaluate::Gathering::by_cell);
    evaluate::ExceedanceCounter counter(block, groups, {{6.0f}});
    counter.count(weights[c]);
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
