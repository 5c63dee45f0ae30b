// The labels of plotted points: numbers as pictures write them, off-scale marks, and
// the placer's promise (no label over another, over a marker or outside the frame).
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "evaluate/pictures/labels.h"

namespace {

using evaluate::Box;
using evaluate::LabelPoint;
using evaluate::LabelRequest;
using evaluate::PlacedLabel;

TEST(EvaluateLabels, NumbersInPictureNotation) {
  const std::pair<double, const char*> cases[] = {
      {0, "0"},
      {1.5, "1.5"},
      {-0.5, "−0.5"},
      {999, "999"},
      {0.001, "0.001"},
      {12345, "1.23×10⁴"},
      {-0.0001234, "−1.23×10⁻⁴"},
      {2e9, "2×10⁹"},
      {NAN, "–"},
  };
  for (const auto& [v, text] : cases) EXPECT_EQ(text, evaluate::short_number(v)) << v;
}

TEST(EvaluateLabels, OffScaleMarksPointOutwardsInsideTheFrame) {
  const evaluate::Axis x = evaluate::Axis::log(0.1, 10).spanning(100, 500);
  const evaluate::Axis y = evaluate::Axis::linear(0, 2).spanning(400, 0);
  EXPECT_FALSE(evaluate::off_scale(x, y, 1, 1, "MG", "VG").off);
  const evaluate::OffScale right = evaluate::off_scale(x, y, 50, 1, "MG", "VG");
  EXPECT_TRUE(right.off);
  EXPECT_DOUBLE_EQ(500 - evaluate::kEdgeGap, right.tip_x);
  EXPECT_DOUBLE_EQ(200, right.tip_y);
  EXPECT_EQ(1, right.dx);
  EXPECT_EQ("MG 50", right.text);
  // Below the bottom and left of the left edge: one arrow at the corner, both values.
  const evaluate::OffScale corner = evaluate::off_scale(x, y, 0.01, -3, "MG", "VG");
  EXPECT_DOUBLE_EQ(100 + evaluate::kEdgeGap, corner.tip_x);
  EXPECT_DOUBLE_EQ(400 - evaluate::kEdgeGap, corner.tip_y);
  EXPECT_LT(corner.dx, 0);
  EXPECT_GT(corner.dy, 0);
  EXPECT_EQ("MG 0.01, VG −3", corner.text);
}

Box marker_box(const LabelPoint& p) {
  return {p.x - 1.2 * p.half, p.y - 1.2 * p.half, p.x + 1.2 * p.half, p.y + 1.2 * p.half};
}

TEST(EvaluateLabels, PlacedLabelsNeverCollide) {
  const Box frame{0, 0, 400, 400};
  // A lone point gets its label right beside it; one at the right edge, left of it.
  {
    const std::vector<LabelPoint> points = {{100, 100, 7.5}, {395 - 9, 300, 7.5}};
    const std::vector<LabelRequest> labels = {{0, "0.50", "#000", "0.50 (A)"},
                                              {1, "1.00", "#000", "1.00 (A)"}};
    const std::vector<PlacedLabel> placed = evaluate::place_labels({frame, {}}, points, labels);
    EXPECT_TRUE(placed[0].placed && !placed[0].leader && placed[0].number == 0);
    EXPECT_DOUBLE_EQ(100 + 1.2 * 7.5 + 2, placed[0].x);
    EXPECT_LT(placed[1].x, points[1].x);
    EXPECT_EQ("", evaluate::label_key(labels, placed));
  }
  // Crowds: a tight cluster of 96 points (8 models x 12 groups) and some spread out,
  // with a text already in the frame. Every label or number lies inside the frame,
  // clear of every marker, of the text and of every other label; the crowd needs
  // leaders and numbers, and the key lists exactly the numbered ones.
  std::vector<LabelPoint> points;
  std::vector<LabelRequest> labels;
  for (int i = 0; i < 96; ++i) {
    points.push_back({180 + 6.0 * (i % 12), 200 + 5.0 * (i / 12) + (i % 3), 7.5});
    labels.push_back({points.size() - 1, std::to_string(i % 12) + ".00", "#123456",
                      std::to_string(i % 12) + ".00 (M" + std::to_string(i / 12) + ")"});
  }
  for (int i = 0; i < 6; ++i) points.push_back({30.0 + 60 * i, 380, 10});
  const std::vector<Box> taken = {{10, 10, 150, 27}};
  const std::vector<PlacedLabel> placed = evaluate::place_labels({frame, taken}, points, labels);
  const std::vector<PlacedLabel> again = evaluate::place_labels({frame, taken}, points, labels);
  std::vector<Box> boxes;
  int leaders = 0, numbered = 0;
  for (std::size_t i = 0; i < placed.size(); ++i) {
    ASSERT_TRUE(placed[i].placed) << i;
    EXPECT_EQ(again[i].x, placed[i].x) << "deterministic";
    EXPECT_EQ(again[i].baseline, placed[i].baseline);
    leaders += placed[i].leader;
    numbered += placed[i].number > 0;
    EXPECT_EQ(placed[i].number > 0 ? std::to_string(placed[i].number) : labels[i].text,
              placed[i].text);
    const Box b = evaluate::text_box(placed[i].x, placed[i].baseline, placed[i].text, 17);
    EXPECT_TRUE(evaluate::contains(frame, b)) << i;
    for (const LabelPoint& p : points) EXPECT_FALSE(evaluate::overlaps(b, marker_box(p))) << i;
    EXPECT_FALSE(evaluate::overlaps(b, taken[0])) << i;
    for (const Box& other : boxes) EXPECT_FALSE(evaluate::overlaps(b, other)) << i;
    boxes.push_back(b);
  }
  EXPECT_GT(leaders, 0);
  EXPECT_GT(numbered, 0);
  const std::string key = evaluate::label_key(labels, placed);
  EXPECT_EQ(0u, key.rfind("Numbered markers: 1: ", 0));
  EXPECT_NE(std::string::npos, key.find(std::to_string(numbered) + ": "));
  EXPECT_EQ(std::string::npos, key.find(std::to_string(numbered + 1) + ": "));
}

}  // namespace
