// The labels and marks written on the points of a plot: the outward mark of a value
// beyond an axis (its value written by short_number), and a placer that puts every
// label where it overlaps no other label, covers no marker and stays in the plot:
// beside its marker, else farther out with a leader line, else the marker gets a
// number and the label goes to a key in the panel's notes.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "evaluate/pictures/figure.h"
#include "evaluate/pictures/svg.h"

namespace evaluate {

// A box in pixels, y growing downwards.
struct Box {
  double left = 0, top = 0, right = 0, bottom = 0;
};
bool overlaps(const Box& a, const Box& b);
bool contains(const Box& outer, const Box& inner);

// The width of `text` (plain) in a font of `size` px: the larger of text_width and
// 0.6 size per character, so that the box holds the text in any common face.
double label_width(std::string_view text, double size);
// The box of `text` written from (x, baseline) with the start anchor: from 0.8 size
// above the baseline to 0.2 size below.
Box text_box(double x, double baseline, std::string_view text, double size);

// Where a value beyond an axis is marked: the arrow's tip `kEdgeGap` px inside the
// frame where the value's line leaves it, pointing outwards along (dx, dy) (a unit
// step; both set when the value is off both axes), with the text of the value(s).
inline constexpr double kEdgeGap = 3;
struct OffScale {
  bool off = false;
  double tip_x = 0, tip_y = 0;
  double dx = 0, dy = 0;
  std::string text;  // "VG 2.3×10⁵", "MG 0.002, VG 1.5×10³"
};
OffScale off_scale(const Axis& x, const Axis& y, double vx, double vy, std::string_view x_name,
                   std::string_view y_name);
// Draws it: an arrowhead 11 px long in `colour`, its tip at the mark's tip.
void draw_off_scale_arrow(SvgDoc& doc, const OffScale& mark, std::string_view colour);

// A marked point the labels keep clear of: its centre and half its width (the marker
// reaches 1.2 times that, as the pointed shapes do).
struct LabelPoint {
  double x = 0, y = 0, half = kMarkerHalf;
};

// A label wanted for point `point`: its text and colour, and its line in the key
// ("0.50 km (AERMOD)") should the marker have to be numbered.
struct LabelRequest {
  std::size_t point = 0;
  std::string text;
  std::string colour;
  std::string key;
};

// Where a label went. number > 0: the marker is numbered and `text` is that number.
// Not placed: not even its number found room; the key lists it unnumbered.
struct PlacedLabel {
  bool placed = false;
  int number = 0;
  std::string text;
  double x = 0, baseline = 0;  // the start of the text
  bool leader = false;         // a line from the marker's edge to the label
  double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// The room a placer works in: the plot's frame (every label box inside it), the
// boxes of text already written there, and, when set, a further test a label box
// must pass (a sector of the Taylor diagram).
struct LabelRoom {
  Box frame;
  std::vector<Box> taken;
  std::function<bool(const Box&)> allowed = nullptr;
};

// Places the labels in three rounds, each in the order given: beside the marker;
// farther out with a leader; the marker's number, beside it or farther out. Same
// input, same places.
std::vector<PlacedLabel> place_labels(const LabelRoom& room, const std::vector<LabelPoint>& points,
                                      const std::vector<LabelRequest>& labels,
                                      double size = kLabelFont);

// Draws the placed labels (text in each label's colour over a white halo, leaders thin).
void draw_labels(SvgDoc& doc, const std::vector<LabelRequest>& labels,
                 const std::vector<PlacedLabel>& placed, double size = kLabelFont);

// The key of the numbered markers, "Numbered markers: 1: 0.50 km (A); 2: ..."; empty
// when none is numbered.
std::string label_key(const std::vector<LabelRequest>& labels,
                      const std::vector<PlacedLabel>& placed);

}  // namespace evaluate
