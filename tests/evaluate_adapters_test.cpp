// From a study and an evaluation to the inputs of the diagrams and the page: what
// each picture and the page are given, and the list of output files.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "evaluate/input/pairs_file.h"
#include "evaluate/page/page_input.h"
#include "evaluate/pictures/measure_input.h"
#include "evaluate/pictures/pair_input.h"
#include "evaluate/pictures/skill_input.h"
#include "evaluate/tables/tidy.h"

namespace {

// Two models over an arc and a label, one quantity, with an Obukhov length; B has
// one empty cell.
const evaluate::PairsFile kFile = evaluate::read_pairs_file(
    "group,observed,obk,A,B\n"
    "2,1,-50,1,2\n"
    "2,2,30,2,\n"
    "2,4,-50,4,8\n"
    "hill,3,,3,6\n"
    "hill,6,40,6,12\n"
    "hill,5,-10,5,10\n",
    "t.csv");

TEST(EvaluateAdapters, OutputFilesInWritingOrder) {
  std::vector<std::string> names, captions, prefixes;
  for (const evaluate::OutputFile& file : evaluate::kOutputFiles) {
    names.push_back(evaluate::output_name("pairs", file));
    const bool picture = file.kind == evaluate::OutputKind::picture;
    EXPECT_EQ(picture, file.draw != nullptr) << file.suffix;
    EXPECT_EQ(picture, !file.caption.empty() && !file.id_prefix.empty()) << file.suffix;
    if (picture) prefixes.emplace_back(file.id_prefix);
  }
  EXPECT_EQ((std::vector<std::string>{
                "pairs-Model-Statistics.txt", "pairs-Model-Statistics.csv", "pairs-Scatter.svg",
                "pairs-QQ.svg", "pairs-MG-VG.svg", "pairs-FB-NMSE.svg", "pairs-Residuals.svg",
                "pairs-Taylor.svg", "pairs-Target.svg", "pairs-Evaluation.html"}),
            names);
  EXPECT_EQ((std::vector<std::string>{"scatter-", "qq-", "mgvg-", "fbnmse-", "residuals-",
                                      "taylor-", "target-"}),
            prefixes);
}

TEST(EvaluateAdapters, PairsOfEveryLineInLineOrder) {
  const evaluate::PairPlotInput in = evaluate::pair_plot_input(kFile.study);
  EXPECT_EQ((std::vector<std::string>{"A", "B"}), in.models);
  EXPECT_EQ((std::vector<std::string>{"2.00", "hill"}), in.groups);
  EXPECT_FALSE(in.groups_are_arcs);
  EXPECT_TRUE(in.has_obk);
  ASSERT_EQ(1u, in.panels.size());
  const auto& p = in.panels[0].pairs;
  ASSERT_EQ(11u, p.size());  // 6 lines x 2 models, one cell empty
  EXPECT_EQ(0, p[0].model);
  EXPECT_EQ(1, p[1].model);
  EXPECT_EQ(2.0f, p[1].cp);
  EXPECT_EQ(0, p[2].model);  // line 2 has no B pair
  EXPECT_EQ(30.0f, p[2].obk);
  EXPECT_EQ(1, p[5].group);
  EXPECT_EQ(-99999.0f, p[5].obk);  // the line without an Obukhov length
}

// The pictures of a run read the pairs from the study as they draw them: the same
// pairs in the same order as those held.
TEST(EvaluateAdapters, PairsReadFromTheStudyAreThoseHeld) {
  const evaluate::Evaluation ev = evaluate::evaluate_study(kFile.study, 10, 1);
  const evaluate::PairPlotInput held = evaluate::pair_plot_input(kFile.study);
  const evaluate::PairPlotInput read = evaluate::pair_plot_input(kFile.study, ev);
  ASSERT_EQ(1u, read.panels.size());
  std::vector<std::vector<float>> a, b;
  held.panels[0].pairs.for_each([&a](const evaluate::PlotPair& p) {
    a.push_back({static_cast<float>(p.model), static_cast<float>(p.group), p.obk, p.co, p.cp});
  });
  read.panels[0].pairs.for_each([&b](const evaluate::PlotPair& p) {
    b.push_back({static_cast<float>(p.model), static_cast<float>(p.group), p.obk, p.co, p.cp});
  });
  EXPECT_EQ(11u, a.size());
  EXPECT_EQ(a, b);
  EXPECT_EQ(11u, read.panels[0].pairs.size());
}

// The tidy file written row by row is the whole one.
TEST(EvaluateAdapters, TidyRowsOneByOneAreTheWholeFile) {
  const evaluate::Evaluation ev = evaluate::evaluate_study(kFile.study, 10, 1);
  evaluate::TidyTexts texts;
  const std::vector<evaluate::TidyRow> rows = evaluate::tidy_rows(ev, texts);
  std::string lines = std::string(evaluate::kTidyHeader) + "\r\n";
  std::size_t n = 0;
  evaluate::for_each_tidy_row(ev, [&](const evaluate::TidyRow& row) {
    lines += evaluate::tidy_line(row) + "\r\n";
    ++n;
  });
  EXPECT_EQ(rows.size(), n);
  EXPECT_EQ(rows.capacity(), n);
  EXPECT_EQ(evaluate::tidy_csv(rows), lines);
}

TEST(EvaluateAdapters, MeasurePointsRegionsAndPage) {
  for (const auto criteria : {evaluate::Criteria::rural, evaluate::Criteria::urban}) {
    const evaluate::Evaluation ev = evaluate::evaluate_study(kFile.study, 50, 1, criteria);
    const evaluate::MeasurePlotInput mg = evaluate::mg_vg_input(ev);
    const evaluate::MeasurePlotInput fb = evaluate::fb_nmse_input(ev);
    ASSERT_EQ(1u, fb.panels.size());
    ASSERT_EQ(2u, fb.panels[0].models.size());
    EXPECT_EQ(0.0, fb.panels[0].models[0].x.value);                  // A is perfect
    EXPECT_NEAR(-2.0 / 3.0, fb.panels[0].models[1].x.value, 1e-12);  // B twice the observation
    EXPECT_LE(fb.panels[0].models[1].x.lower, fb.panels[0].models[1].x.upper);
    EXPECT_EQ(4u, fb.panels[0].groups.size());  // 2 groups x 2 models
    EXPECT_EQ("hill", fb.panels[0].groups[2].label);
    if (criteria == evaluate::Criteria::rural) {
      EXPECT_EQ(0.7, mg.region.x_lower);
      EXPECT_EQ(4.0, mg.region.y_upper);
      EXPECT_EQ(1.5, fb.region.y_upper);
    } else {
      EXPECT_TRUE(std::isnan(mg.region.x_lower) && std::isnan(mg.region.y_upper));
      EXPECT_EQ(0.67, fb.region.x_upper);
      EXPECT_EQ(6.0, fb.region.y_upper);
    }
    evaluate::ReportInput input;
    input.file = "t.csv";
    input.lines = 6;
    input.remarks = {"a remark"};
    const evaluate::PageInput page = evaluate::page_input(input, ev);
    EXPECT_EQ("Model evaluation: t.csv", page.title);
    const std::vector<std::pair<std::string, std::string>> facts = {
        {"Input", "t.csv"},
        {"Lines", "6"},
        {"Models", "A, B"},
        {"Quantities", "value"},
        {"Groups", "all, 2.00 km, hill, stable, unstable"},
        {"Bootstrap", "50 resamples, seed 1"},
        // The criteria in the page's notation.
        {"Criteria", criteria == evaluate::Criteria::rural
                         ? "rural: FAC2 ≥ 0.5, |FB| ≤ 0.3, 0.7 ≤ MG ≤ 1.3, NMSE ≤ 1.5, VG ≤ 4"
                         : "urban: FAC2 ≥ 0.30, |FB| ≤ 0.67, NMSE ≤ 6, NAD ≤ 0.50"}};
    EXPECT_EQ(facts, page.facts);
    EXPECT_EQ(std::vector<std::string>{"a remark"}, page.remarks);
    EXPECT_EQ(std::string(evaluate::criteria_name(criteria)), page.criteria);
    EXPECT_EQ(criteria == evaluate::Criteria::rural ? 5u : 4u, page.judged.size());
    // Groups all, 2.00, hill, stable, unstable: 2 models x 14 rows, 1 pair x 7; the
    // operational section 2 models x 11 rows, 1 pair x 12.
    EXPECT_EQ(5u * (2 * 14 + 7) + 5u * (2 * 11 + 12), page.rows.size());
  }
}

TEST(EvaluateAdapters, SkillPointsFromTheEvaluation) {
  const evaluate::Evaluation ev = evaluate::evaluate_study(kFile.study, 20, 1);
  const evaluate::SkillPlotInput in = evaluate::skill_input(ev);
  ASSERT_EQ(1u, in.panels.size());
  const evaluate::SkillPanel& p = in.panels[0];
  ASSERT_EQ(2u, p.models.size());
  ASSERT_EQ(4u, p.groups.size());  // 2 groups x 2 models
  EXPECT_EQ("hill", p.groups[2].label);
  EXPECT_TRUE(std::isnan(p.beta));
  // A predicts every observation: it sits on the reference point. B is twice the
  // observation: SDR 2, R 1, CRMSE/sd_o 1, MB = mean Co.
  const evaluate::TaylorPlace a = evaluate::taylor_place(p.models[0]);
  EXPECT_NEAR(1.0, a.x, 1e-12);
  EXPECT_NEAR(0.0, a.y, 1e-6);
  const evaluate::TaylorPlace b = evaluate::taylor_place(p.models[1]);
  EXPECT_NEAR(2.0, b.x, 1e-12);
  EXPECT_NEAR(1.0, b.crmse, 1e-6);
  const evaluate::TargetPlace tb = evaluate::target_place(p.models[1]);
  EXPECT_NEAR(1.0, tb.x, 1e-6);
  EXPECT_NEAR(p.models[1].mean_o / p.models[1].sd_o, tb.y, 1e-12);
}

}  // namespace
