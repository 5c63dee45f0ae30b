// The diagrams: box statistics, stability classes, axis ranges and clipping,
// subsamples, ids across pictures, and well-formed XML of every picture.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "evaluate/pictures/diagrams.h"
#include "evaluate/pictures/figure.h"

namespace {

using evaluate::BoxStats;
using evaluate::MeasurePlotInput;
using evaluate::PairPlotInput;
using evaluate::SkillPlotInput;
using evaluate::SkillPoint;
using evaluate::StabilityClass;

std::size_t count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++n;
  }
  return n;
}

// Every tag closed in order, attributes quoted, no raw '<' or stray '&' in text:
// returns "" when well formed, else what is wrong.
std::string xml_fault(const std::string& doc) {
  std::vector<std::string> open;
  std::size_t at = 0;
  if (doc.rfind("<?xml", 0) == 0) at = doc.find("?>") + 2;
  while (at < doc.size()) {
    if (doc[at] == '&') {
      const std::size_t semi = doc.find(';', at);
      const std::string entity = doc.substr(at, semi == std::string::npos ? 8 : semi - at + 1);
      if (entity != "&amp;" && entity != "&lt;" && entity != "&gt;" && entity != "&quot;") {
        return "stray & at " + std::to_string(at);
      }
    }
    if (doc[at] != '<') {
      if (doc[at] == '>') return "stray > at " + std::to_string(at);
      ++at;
      continue;
    }
    // Find the tag's end outside quoted values.
    std::size_t end = at + 1;
    bool quoted = false;
    while (end < doc.size() && (quoted || doc[end] != '>')) {
      if (doc[end] == '"') quoted = !quoted;
      if (quoted && doc[end] == '<') return "< in attribute at " + std::to_string(end);
      ++end;
    }
    if (end >= doc.size()) return "unclosed tag at " + std::to_string(at);
    const std::string tag = doc.substr(at + 1, end - at - 1);
    if (tag.empty()) return "empty tag";
    if (tag[0] == '/') {
      if (open.empty() || open.back() != tag.substr(1))
        return "mismatched </" + tag.substr(1) + ">";
      open.pop_back();
    } else if (tag.back() != '/') {
      open.push_back(tag.substr(0, tag.find_first_of(" \n")));
    }
    at = end + 1;
  }
  if (!open.empty()) return "unclosed <" + open.back() + ">";
  return "";
}

// All values of `attr="..."` in document order.
std::vector<std::string> attr_values(const std::string& doc, const std::string& attr) {
  std::vector<std::string> out;
  const std::string key = " " + attr + "=\"";
  for (std::size_t at = doc.find(key); at != std::string::npos; at = doc.find(key, at + 1)) {
    const std::size_t from = at + key.size();
    out.push_back(doc.substr(from, doc.find('"', from) - from));
  }
  return out;
}

PairPlotInput pair_input(std::size_t lines, int models) {
  PairPlotInput in;
  for (int m = 0; m < models; ++m) in.models.push_back(std::string("M").append(std::to_string(m)));
  in.groups = {"0.50", "1.00"};
  in.has_obk = true;
  for (const char* q : {"CY/Q", "CMAX/Q"}) {
    evaluate::PairPanel& p = in.panels.emplace_back();
    p.quantity = q;
    for (std::size_t l = 0; l < lines; ++l) {
      const float co = 1.0f + static_cast<float>(l % 97);
      for (int m = 0; m < models; ++m) {
        const float cp = co * (0.5f + 0.1f * static_cast<float>((l * 7 + m) % 13));
        p.pairs.push_back({m, static_cast<int>(l % 2), -50.0f * static_cast<float>(l % 5), co, cp});
      }
    }
  }
  return in;
}

MeasurePlotInput measure_input(double x, double y) {
  MeasurePlotInput in;
  in.models = {"A", "B"};
  in.criteria = "rural";
  in.region = {0.7, 1.3, 4};
  evaluate::MeasurePanel& p = in.panels.emplace_back();
  p.quantity = "CY/Q";
  p.models.push_back({0, {x, NAN, NAN}, {y, NAN, NAN}});
  p.models.push_back({1, {1.1, 0.9, 1.3}, {1.5, 1.2, 2.0}});
  p.groups.push_back({1, "0.50", 1.2, 1.8});
  return in;
}

// A point of model m: means, standard deviations, R, and beta RMS_U (NaN: plain mode).
SkillPoint skill_point(int m, double mean_o, double mean_p, double sd_o, double sd_p, double r,
                       double beta_rms_u = NAN, std::string label = {}) {
  return {m, std::move(label), mean_o, mean_p, sd_o, sd_p, r, beta_rms_u};
}

SkillPlotInput skill_input() {
  SkillPlotInput in;
  in.models = {"A", "B"};
  evaluate::SkillPanel& p = in.panels.emplace_back();
  p.quantity = "CY/Q";
  p.models = {skill_point(0, 2, 2.5, 1, 1.2, 0.8), skill_point(1, 2, 1, 1, 0.5, 0.6)};
  p.groups = {skill_point(0, 2, 3, 2, 1, 0.9, NAN, "0.50"), skill_point(1, 2, 2, 0, 1, NAN)};
  return in;
}

TEST(EvaluateDiagrams, TaylorPlacesAndQuadrants) {
  // R = 1 and SDR = 1: the reference point (1, 0), no centred error.
  const evaluate::TaylorPlace same = evaluate::taylor_place(skill_point(0, 3, 5, 2, 2, 1));
  EXPECT_DOUBLE_EQ(1.0, same.x);
  EXPECT_DOUBLE_EQ(0.0, same.y);
  EXPECT_DOUBLE_EQ(0.0, same.crmse);
  // SDR 2, R 0.5: radius 2 at 60 degrees; CRMSE/sd_o = sqrt(1 + 4 - 2) = sqrt 3.
  const evaluate::TaylorPlace p = evaluate::taylor_place(skill_point(0, 1, 1, 1.5, 3, 0.5));
  EXPECT_NEAR(1.0, p.x, 1e-12);
  EXPECT_NEAR(std::sqrt(3.0), p.y, 1e-12);
  EXPECT_NEAR(std::sqrt(3.0), p.crmse, 1e-12);
  EXPECT_TRUE(std::isnan(evaluate::taylor_place(skill_point(0, 1, 1, 0, 1, NAN)).x));
  EXPECT_TRUE(std::isnan(evaluate::taylor_place(skill_point(0, 1, 1, 1, 0, NAN)).x));
  // One quadrant while every drawn R is at least 0 (a not-formed point does not
  // count); two once a group's R is negative.
  SkillPlotInput in = skill_input();
  EXPECT_FALSE(evaluate::taylor_two_quadrants(in));
  const std::string one = evaluate::taylor_svg(in, "t-");
  EXPECT_EQ(std::string::npos, one.find(">−0.99</text>"));
  in.panels[0].groups.push_back(skill_point(1, 2, 2, 1, 1, -0.3, NAN, "1.00"));
  EXPECT_TRUE(evaluate::taylor_two_quadrants(in));
  const std::string two = evaluate::taylor_svg(in, "t-");
  for (const char* ray : {">0.9</text>", ">0.95</text>", ">0.99</text>", ">−0.99</text>"}) {
    EXPECT_NE(std::string::npos, two.find(ray)) << ray;
  }
  EXPECT_NE(std::string::npos, two.find("Groups not drawn (SDR or R not formed): B."));
}

TEST(EvaluateDiagrams, TargetSignRuleInBothModes) {
  struct Case {
    SkillPoint p;
    double x, y;
  };
  const double c1 = std::sqrt(1 + 1.44 - 2 * 1.2 * 0.8);  // CRMSE/sd_o at SDR 1.2, R 0.8
  const std::vector<Case> cases = {
      // Plain: + when sd_p > sd_o, - otherwise (equal spreads too); y = MB/sd_o.
      {skill_point(0, 2, 2.5, 1, 1.2, 0.8), c1, 0.5},
      {skill_point(0, 4, 3, 2, 2, 0.5), -1.0, -0.5},
      {skill_point(0, 2, 2, 1, 0, NAN), -1.0, 0.0},  // no predicted spread: CRMSE = sd_o
      {skill_point(0, 2, 2, 0, 1, NAN), NAN, NAN},   // sd_o = 0: not formed
      // Objective: over beta RMS_U = 2; |sd_p - sd_o| / (sd_o sqrt(2 (1 - R))).
      // sd 1 and 2, R 0.5: 1/1 = 1 >= 1, +; CRMSE = sqrt(1 + 4 - 2) = sqrt 3.
      {skill_point(0, 2, 3, 1, 2, 0.5, 2), std::sqrt(3.0) / 2, 0.5},
      // sd 1 and 2, R 0: 1/sqrt 2 < 1, - even though sd_p > sd_o; CRMSE = sqrt 5.
      {skill_point(0, 2, 1, 1, 2, 0, 2), -std::sqrt(5.0) / 2, -0.5},
      // Equal spreads, R 1: no centred error, x = 0.
      {skill_point(0, 2, 2, 1, 1, 1, 2), 0.0, 0.0},
      // sd_o = 0: R not needed, CRMSE = sd_p, +.
      {skill_point(0, 2, 2, 0, 1, NAN, 2), 0.5, 0.0},
      {skill_point(0, 2, 2, 1, 1, 0.5, 0), NAN, NAN},  // beta RMS_U 0: not formed
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const evaluate::TargetPlace t = evaluate::target_place(cases[i].p);
    if (std::isnan(cases[i].x)) {
      EXPECT_TRUE(std::isnan(t.x) && std::isnan(t.y)) << i;
    } else {
      EXPECT_NEAR(cases[i].x, t.x, 1e-12) << i;
      EXPECT_NEAR(cases[i].y, t.y, 1e-12) << i;
    }
  }
  // The objective mode draws the shaded circle, the dashed one of radius 1/beta and
  // each model's MQI90 with its count of groups above 1.
  SkillPlotInput in = skill_input();
  EXPECT_EQ(std::string::npos, evaluate::target_svg(in, "g-").find("MQI90"));
  in.panels[0].beta = 2;
  in.panels[0].objectives = {{0, 0.8, 1}, {1, 1.25, 3}};
  for (SkillPoint& p : in.panels[0].models) p.beta_rms_u = 2;
  const std::string svg = evaluate::target_svg(in, "g-");
  EXPECT_NE(std::string::npos, svg.find(">A: MQI90 0.8 (met), groups above 1: 1</text>"));
  EXPECT_NE(std::string::npos, svg.find(">B: MQI90 1.25 (not met), groups above 1: 3</text>"));
  EXPECT_NE(std::string::npos, svg.find("β = 2; shaded"));
}

TEST(EvaluateDiagrams, BoxStatsOnHandComputedSets) {
  struct Case {
    std::vector<double> values;
    std::size_t n;
    double q1, median, q3, low, high;
    std::vector<double> outside;
  };
  const Case cases[] = {
      // h = (n - 1) p: q1 at 2.25 -> 3.25, median at 4.5 -> 5.5, q3 at 6.75 -> 7.75;
      // fences -3.5 and 14.5.
      {{9, 1, 2, 100, 3, 4, 5, 6, 7, 8}, 10, 3.25, 5.5, 7.75, 1, 9, {100}},
      {{2, -50, 1.5, 0.5, 1}, 5, 0.5, 1, 1.5, 0.5, 2, {-50}},
      // A value exactly on the fence (q3 + 1.5 IQR = 7) is within the whisker.
      {{1, 2, 3, 4, 7}, 5, 2, 3, 4, 1, 7, {}},
      {{1, 2, 3, 4, 7.5}, 5, 2, 3, 4, 1, 4, {7.5}},
      {{3}, 1, 3, 3, 3, 3, 3, {}},
      // Non-finite values are not counted.
      {{NAN, 4, INFINITY, 2}, 2, 2.5, 3, 3.5, 2, 4, {}},
  };
  for (const Case& c : cases) {
    const BoxStats b = evaluate::box_stats(c.values);
    EXPECT_EQ(c.n, b.n);
    EXPECT_DOUBLE_EQ(c.q1, b.q1);
    EXPECT_DOUBLE_EQ(c.median, b.median);
    EXPECT_DOUBLE_EQ(c.q3, b.q3);
    EXPECT_DOUBLE_EQ(c.low, b.whisker_low);
    EXPECT_DOUBLE_EQ(c.high, b.whisker_high);
    EXPECT_EQ(c.outside, b.outside);
  }
  const BoxStats empty = evaluate::box_stats({});
  EXPECT_EQ(0u, empty.n);
  EXPECT_TRUE(std::isnan(empty.median));
}

TEST(EvaluateDiagrams, StabilityClassesAtTheirBounds) {
  struct Case {
    float obk;
    StabilityClass c;
  };
  const Case cases[] = {
      {-99999.0f, StabilityClass::none},
      {-1e6f, StabilityClass::none},
      {-99998.9f, StabilityClass::neutral},
      {-500.0f, StabilityClass::neutral},
      {-499.99f, StabilityClass::unstable},
      {-100.0f, StabilityClass::unstable},
      {-99.99f, StabilityClass::very_unstable},
      {-1e-6f, StabilityClass::very_unstable},
      {0.0f, StabilityClass::none},
      {-0.0f, StabilityClass::none},
      {1e-6f, StabilityClass::very_stable},
      {99.99f, StabilityClass::very_stable},
      {100.0f, StabilityClass::stable},
      {499.99f, StabilityClass::stable},
      {500.0f, StabilityClass::neutral},
      {INFINITY, StabilityClass::neutral},
      {NAN, StabilityClass::none},
  };
  for (const Case& c : cases) EXPECT_EQ(c.c, evaluate::stability_class(c.obk)) << c.obk;
  EXPECT_EQ("VU", evaluate::stability_class_name(StabilityClass::very_unstable));
  EXPECT_EQ("VS", evaluate::stability_class_name(StabilityClass::very_stable));
}

TEST(EvaluateDiagrams, LogAxesLabelTheirEndDecadesAtAConstantStep) {
  for (const auto& [min, max] : {std::pair{0.5, 3.0},
                                 {0.05, 500.0},
                                 {2e-4, 3e4},
                                 {2e-5, 7e3},
                                 {2.0, 3e9},
                                 {3.0, 2e10},
                                 {2e-30, 3e29},
                                 {2e-38, 3e38}}) {
    const evaluate::DecadeRange r = evaluate::decade_range(min, max);
    const std::vector<int> labels = evaluate::labelled_decades(r);
    ASSERT_GE(labels.size(), 2u);
    EXPECT_EQ(r.lo, labels.front()) << min << " " << max;
    EXPECT_EQ(r.hi, labels.back()) << min << " " << max;
    EXPECT_LE(labels.size(), 10u) << min << " " << max;
    for (std::size_t k = 1; k < labels.size(); ++k) {
      EXPECT_EQ(r.step, labels[k] - labels[k - 1]) << min << " " << max;
    }
    // 10^0 is labelled whenever the axis spans it.
    if (r.lo <= 0 && r.hi >= 0) {
      EXPECT_NE(labels.end(), std::find(labels.begin(), labels.end(), 0)) << min << " " << max;
    }
  }
}

TEST(EvaluateDiagrams, SubsampleShares) {
  EXPECT_EQ((std::vector<std::size_t>{0, 3, 6, 9}), evaluate::evenly_spaced(10, 4));
  EXPECT_EQ((std::vector<std::size_t>{0, 1, 2}), evaluate::evenly_spaced(3, 5));
  EXPECT_EQ((std::vector<std::size_t>{0}), evaluate::evenly_spaced(5, 1));
  EXPECT_TRUE(evaluate::evenly_spaced(5, 0).empty());
  EXPECT_EQ((std::vector<std::size_t>{1, 2, 2}), evaluate::proportional_shares({1, 2, 3}, 5));
  EXPECT_EQ((std::vector<std::size_t>{2500, 2500}),
            evaluate::proportional_shares({3000, 3000}, 5000));
  EXPECT_EQ((std::vector<std::size_t>{4, 7}), evaluate::proportional_shares({4, 7}, 5000));
}

TEST(EvaluateDiagrams, CrowdedPanelsDrawASubsampleAndSaySo) {
  // 2 models x 2,500 lines: exactly 5,000 points, all drawn; one line more: a subsample.
  for (const std::size_t lines : {std::size_t{2500}, std::size_t{3000}}) {
    const PairPlotInput in = pair_input(lines, 2);
    for (const auto& draw : {evaluate::scatter_svg, evaluate::qq_svg}) {
      const std::string svg = draw(in, "p-");
      const std::size_t drawn = std::min<std::size_t>(2 * lines, evaluate::kMaxPanelPoints);
      // Model 0 draws circles: half of each panel's markers, and one in the legend.
      EXPECT_EQ(2 * (drawn / 2) + 1, count(svg, "<circle")) << lines;
      // Said under each of the two panels, and in the picture's description.
      EXPECT_EQ(lines > 2500 ? 4u : 0u, count(svg, "Subsample: 5,000 of 6,000 points drawn"));
    }
  }
  // The quantile picture keeps the extreme ranks: the largest observation (97) and
  // its quantile are drawn in both cases, so the axes span the same decades.
  const std::string qq = evaluate::qq_svg(pair_input(3000, 2), "q-");
  EXPECT_EQ(count(evaluate::qq_svg(pair_input(2500, 2), "q-"), "font-size=\"15.00\">3</tspan>"),
            count(qq, "font-size=\"15.00\">3</tspan>"));
}

TEST(EvaluateDiagrams, MeasureAxesWidenAndClip) {
  // MG over the models' values and limits, the region and MG = 0.5 and 2, a tenth
  // wider, out to nice values; VG from 1 likewise; both ends labelled.
  struct Case {
    double mg, vg;
    const char* x_end;  // an end of the MG axis
    const char* y_end;  // the top VG label
    std::size_t arrows;
    const char* circle;  // the model-A marker's centre, or a text written
  };
  const Case cases[] = {
      {1.0, 1.5, ">2.5</text>", ">5</text>", 0, "cx=\"285.00\""},
      {7.0, 30, ">8</text>", ">40</text>", 0, nullptr},
      {0.002, 500, ">0.0015</text>", ">600</text>", 0, nullptr},
      // Beyond 10^4 and 10^8: one arrow at the corner, the values written beside it.
      {5e5, 2e9, ">10⁴</text>", ">10⁸</text>", 1, ">MG 5×10⁵, VG 2×10⁹</text>"},
  };
  for (const Case& c : cases) {
    const std::string svg = evaluate::mg_vg_svg(measure_input(c.mg, c.vg), "m-");
    EXPECT_NE(std::string::npos, svg.find(c.x_end)) << c.mg;
    EXPECT_NE(std::string::npos, svg.find(c.y_end)) << c.vg;
    EXPECT_EQ(c.arrows, count(svg, "z\" fill=\"#")) << c.mg;
    if (c.circle) {
      EXPECT_NE(std::string::npos, svg.find(c.circle)) << c.mg;
    }
  }
  // A group far beyond the models (more than a factor of 10) does not stretch the
  // axes: one arrow with its value; limits wholly beyond an edge draw no bar ends
  // (no bow-tie), only the arrow of the value.
  MeasurePlotInput outlier = measure_input(1.0, 1.5);
  outlier.panels[0].groups.push_back({0, "9.99", 50, 1.5});
  outlier.panels[0].models[0].x = {2e4, 1.5e4, 3e4};
  const std::string far = evaluate::mg_vg_svg(outlier, "o-");
  EXPECT_NE(std::string::npos, far.find(">10⁴</text>"));
  EXPECT_NE(std::string::npos, far.find(">9.99</text>")) << "the group is on the scale";
  EXPECT_EQ(1u, count(far, "z\" fill=\"#"));
  outlier.panels[0].models[0].x = {1, NAN, NAN};
  const std::string kept = evaluate::mg_vg_svg(outlier, "o-");
  EXPECT_NE(std::string::npos, kept.find(">2.5</text>"));
  EXPECT_EQ(1u, count(kept, "z\" fill=\"#"));
  EXPECT_NE(std::string::npos, kept.find(">9.99: MG 50</text>"));
  // NMSE from 0 to the least nice top over the models' values, limits and bound and
  // the groups within the core's width again, at least 2; FB from -h to h likewise.
  struct NmseCase {
    double nmse;
    const char* top;
    std::size_t arrows;
  };
  for (const NmseCase& c : {NmseCase{0.5, ">2</text>", 0}, NmseCase{2.5, ">2.5</text>", 0},
                            NmseCase{11, ">12</text>", 0}, NmseCase{40, ">40</text>", 0}}) {
    MeasurePlotInput in = measure_input(0.1, c.nmse);
    in.region = {NAN, 0.3, 1.5};
    const std::string svg = evaluate::fb_nmse_svg(in, "f-");
    EXPECT_NE(std::string::npos, svg.find(c.top)) << c.nmse;
    EXPECT_NE(std::string::npos, svg.find(">−1.5</text>")) << "B's FB limit 1.3";
    EXPECT_EQ(std::string::npos, svg.find(">−2</text>"));
    EXPECT_EQ(c.arrows, count(svg, "z\" fill=\"#")) << c.nmse;
    EXPECT_NE(std::string::npos, svg.find("|FB| ≤ 0.3, NMSE ≤ 1.5"));
  }
  MeasurePlotInput nmse = measure_input(0.1, 0.5);
  nmse.panels[0].groups.push_back({0, "7.00", 0.2, 100});
  const std::string high = evaluate::fb_nmse_svg(nmse, "f-");
  EXPECT_NE(std::string::npos, high.find(">2</text>"));
  EXPECT_EQ(1u, count(high, "z\" fill=\"#"));
  EXPECT_NE(std::string::npos, high.find(">7.00: NMSE 100</text>"));
  // Nothing judged: no region, and the picture says so.
  MeasurePlotInput urban = measure_input(1, 1.5);
  urban.region = {};
  urban.criteria = "urban";
  const std::string svg = evaluate::mg_vg_svg(urban, "u-");
  EXPECT_EQ(0u, count(svg, "fill=\"#dcebdc\""));
  EXPECT_NE(std::string::npos, svg.find("no region: neither measure judged (urban criteria)"));
}

TEST(EvaluateDiagrams, ResidualBoxesPerGroupAndClass) {
  PairPlotInput in;
  in.models = {"A", "B"};
  in.groups = {"0.50", "1.00"};
  in.has_obk = true;
  evaluate::PairPanel& p = in.panels.emplace_back();
  p.quantity = "CY/Q";
  // L at class bounds: -100 U, -99 VU, 500 N, 100 S, 99 VS, -99999 and 0 in none.
  const float obk[] = {-100, -99, 500, 100, 99, -99999, 0};
  for (int l = 0; l < 7; ++l) {
    p.pairs.push_back({0, l % 2, obk[l], 2.0f, 1.0f + static_cast<float>(l)});
    p.pairs.push_back({1, l % 2, obk[l], 2.0f, l == 3 ? 0.0f : 4.0f});
  }
  const std::string svg = evaluate::residuals_svg(in, "r-");
  // n under each box in drawing order: groups (0.50: A, B; 1.00: A, B), then the
  // classes VU, U, N, S, VS (A, B each); B's line 3 (Cp = 0) is left off.
  std::vector<std::string> n;
  const std::string key = "font-size=\"15.00\" text-anchor=\"middle\" fill=\"#333333\">";
  for (std::size_t at = svg.find(key); at != std::string::npos; at = svg.find(key, at + 1)) {
    const std::size_t from = at + key.size();
    n.push_back(svg.substr(from, svg.find('<', from) - from));
  }
  EXPECT_EQ((std::vector<std::string>{"4", "4", "3", "2", "1", "1", "1", "1", "1", "1", "1", "0",
                                      "1", "1"}),
            n);
  EXPECT_NE(std::string::npos,
            svg.find("Left off, valid pairs with Cp = 0 (no logarithm): A\u00a00, B\u00a01."));
  // Without Obukhov lengths: no class panel.
  in.has_obk = false;
  const std::string plain = evaluate::residuals_svg(in, "r-");
  EXPECT_EQ(std::string::npos, plain.find(">VU</text>"));
  EXPECT_NE(std::string::npos, plain.find("no stability classes"));
}

TEST(EvaluateDiagrams, PicturesPrintAtTheStatedWidthAndSplitWhenTooTall) {
  // 8 models, 12 groups, 2 quantities: every picture at most 1000 px wide, stated 170
  // mm wide and as high at that scale; one too tall to print is also drawn per quantity.
  PairPlotInput many = pair_input(120, 8);
  many.groups.clear();
  for (int g = 0; g < 12; ++g) many.groups.push_back(std::to_string(g + 1) + ".00");
  for (auto& panel : many.panels) {
    for (std::size_t i = 0; i < panel.pairs.size(); ++i) panel.pairs[i].group = (i / 8) % 12;
  }
  struct Case {
    std::string (*draw)(const PairPlotInput&, std::string_view);
    const PairPlotInput input;
    std::size_t pieces;  // the whole, and its parts when split
    std::size_t plots;   // marked plot areas in a part (or the whole)
  };
  const Case cases[] = {
      {evaluate::scatter_svg, many, 3, 8},    // a panel per model
      {evaluate::qq_svg, many, 3, 8},         //
      {evaluate::residuals_svg, many, 3, 3},  // groups in two rows, the classes in a third
      {evaluate::scatter_svg, pair_input(40, 3), 1, 2},    // a panel per quantity
      {evaluate::residuals_svg, pair_input(40, 1), 1, 4},  // (b) beside (a), per quantity
  };
  for (const Case& c : cases) {
    const auto pieces = evaluate::drawn_for_print(c.input, "p-", c.draw);
    ASSERT_EQ(c.pieces, pieces.size()) << evaluate::svg_size(pieces[0].svg).height;
    for (std::size_t n = 0; n < pieces.size(); ++n) {
      const std::string& svg = pieces[n].svg;
      const evaluate::SvgSize size = evaluate::svg_size(svg);
      EXPECT_LE(size.width, evaluate::kMaxDrawnWidth);
      EXPECT_NE(std::string::npos,
                svg.find("width=\"170.00mm\" height=\"" +
                         evaluate::num(170 * size.height / size.width) + "mm\""));
      if (n == 0 && pieces.size() > 1) {
        EXPECT_FALSE(evaluate::fits_print(size.width, size.height));
        continue;
      }
      EXPECT_TRUE(evaluate::fits_print(size.width, size.height)) << size.height;
      EXPECT_EQ(c.plots, count(svg, "<g class=\"plot\">")) << n;
      if (n > 0) {
        EXPECT_EQ(many.panels[n - 1].quantity, pieces[n].quantity);
        EXPECT_NE(std::string::npos, svg.find("id=\"p-" + std::to_string(n) + "-title\""));
      }
    }
  }
  EXPECT_EQ("TLV-Residuals-2.svg", evaluate::output_name("TLV", evaluate::kOutputFiles[6], 2));
}

TEST(EvaluateDiagrams, PicturesAreWellFormedWithIdsUniqueAcrossThem) {
  // Hostile names, an empty panel, values not formed: every picture stays well formed.
  PairPlotInput pairs = pair_input(40, 3);
  pairs.models[1] = "A&B<\"x\">";
  pairs.groups[0] = "<g&>";
  pairs.panels.push_back({"Q&<", "", "", {}});
  MeasurePlotInput measures = measure_input(NAN, 2);
  measures.models[0] = "a<b";
  measures.panels[0].groups.push_back({0, "&x<", 1e9, NAN});
  SkillPlotInput skill = skill_input();
  skill.models[1] = "B&<'";
  skill.panels[0].groups.push_back(skill_point(0, 1, 1e9, 1, 1e9, -0.5, NAN, "<&>"));
  skill.panels.push_back(skill.panels[0]);
  skill.panels[1].quantity = "Q&<";
  skill.panels[1].beta = 2;
  skill.panels[1].objectives = {{1, NAN, -1}};
  // Every picture of a run, with the id prefix it has there, and empty pictures.
  std::vector<std::pair<std::string, std::function<std::string(std::string_view)>>> drawn = {
      {"e1-", [&](std::string_view id) { return evaluate::scatter_svg(PairPlotInput{}, id); }},
      {"e2-", [&](std::string_view id) { return evaluate::residuals_svg(PairPlotInput{}, id); }},
      {"e3-", [&](std::string_view id) { return evaluate::mg_vg_svg(MeasurePlotInput{}, id); }},
      {"e4-", [&](std::string_view id) { return evaluate::taylor_svg(SkillPlotInput{}, id); }},
      {"e5-", [&](std::string_view id) { return evaluate::target_svg(SkillPlotInput{}, id); }},
  };
  for (const evaluate::OutputFile& file : evaluate::kOutputFiles) {
    if (file.draw == nullptr) continue;
    // The whole picture, and its parts when it is too tall to print.
    const auto pieces = file.draw({pairs, measures, measures, skill}, file.id_prefix);
    for (std::size_t n = 0; n < pieces.size(); ++n) {
      const std::string prefix =
          std::string(file.id_prefix) + (n == 0 ? "" : std::to_string(n) + "-");
      drawn.emplace_back(prefix, [svg = pieces[n].svg](std::string_view) { return svg; });
    }
  }
  std::set<std::string> ids;
  for (const auto& [prefix, draw] : drawn) {
    const std::string svg = draw(prefix);
    EXPECT_EQ("", xml_fault(svg)) << prefix;
    EXPECT_EQ(0u, svg.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<svg xmlns=", 0));
    std::set<std::string> own;
    for (const std::string& id : attr_values(svg, "id")) {
      EXPECT_EQ(0u, id.rfind(prefix, 0)) << id;
      EXPECT_TRUE(ids.insert(id).second) << id;
      own.insert(id);
    }
    for (const std::string& ref : attr_values(svg, "clip-path")) {
      EXPECT_TRUE(own.count(ref.substr(5, ref.size() - 6))) << ref;  // url(#...)
    }
    // An image to assistive technology, labelled by its own title and description.
    const std::string xml_prefix = evaluate::xml_escape(prefix);
    EXPECT_NE(std::string::npos, svg.find(" role=\"img\" aria-labelledby=\"" + xml_prefix +
                                          "title " + xml_prefix + "desc\">"))
        << prefix;
    EXPECT_TRUE(own.count(prefix + "title") && own.count(prefix + "desc")) << prefix;
  }
  EXPECT_GE(ids.size(), 8u);
}

}  // namespace
