// The figure frame of every picture: the drawing's size, its title, the grid of
// panels with each panel's notes under it, the legend, the foot notes, and the one
// axis system (linear and logarithmic) that panels draw their scales with. A
// diagram supplies only the drawing of its panels; a panel may draw axes of its own
// inside the place the frame gives it.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "evaluate/pictures/svg.h"

namespace evaluate {

// ---- Print size ----

// Every picture is stated kPrintWidthMm wide (the A4 text width) and drawn at most
// kMaxDrawnWidth px wide; at that width it is at most kMaxPrintHeightMm high. The
// sizes below are the least that stay legible in print at the widest drawing (a px
// is then 0.17 mm): text 7 pt, tick and group labels 8 pt, markers 2.5 mm across.
inline constexpr double kMaxDrawnWidth = 1000;
inline constexpr double kMaxPrintHeightMm = 250;
inline constexpr double kTextFont = 15;     // px; 7 pt is 14.6 px
inline constexpr double kLabelFont = 17;    // px; 8 pt is 16.7 px
inline constexpr double kMarkerHalf = 7.5;  // px, half a marker's width; 2.5 mm is 14.7 px
inline constexpr double kTitleFont = 16;    // px: panel captions and axis titles

// Whether a picture drawn width x height px stays within kMaxPrintHeightMm when
// printed kPrintWidthMm wide.
inline bool fits_print(double width, double height) {
  return height * kPrintWidthMm <= kMaxPrintHeightMm * width;
}

// A panel's plot area: everything drawn between open_plot and close_plot lies within
// the frame (left, top, width, height). The frame is marked, not drawn; a panel draws
// its visible frame as it likes.
void open_plot(SvgDoc& doc, double left, double top, double width, double height);
void close_plot(SvgDoc& doc);

// ---- The axis system ----

// The decades an axis spans, 10^lo to 10^hi, and the step between its labelled
// decades.
struct DecadeRange {
  int lo;
  int hi;
  int step = 1;
};
// The nearest decades strictly below min and strictly above max (both positive), so
// that a value on a decade is not drawn on the frame, with a step that labels at
// most max_labels + 1 decades; the range is widened to the multiples of the step
// around it, so that its ends are labelled and 10^0 is whenever it lies within. An
// empty or unusable range gives 10^-1 to 10^1.
DecadeRange decade_range(double min, double max, int max_labels = 8);

// How many steps between decade labels an axis `length` px long has room for, with
// exponents of up to `exponent_digits` digits.
int decade_labels_fitting(double length, int exponent_digits = 1);

// 10 to the power k (markup: a superscript exponent, a negative one with a minus sign).
std::string power_of_ten(int k);

// The labelled decades: lo, lo + step, ..., hi.
std::vector<int> labelled_decades(DecadeRange range);

// d * 10^k written out ("0.02", "5", "500"), for a digit d of 1 to 9.
std::string plain_number(int d, int k);

// One scale of a panel, from value lo at pixel a to value hi at pixel b (b < a for
// a vertical axis, whose values grow upwards). A log scale between two values places
// by natural logarithms; a decade scale is a log scale whose ends are whole decades,
// placed by decimal logarithms so that every decade is an equal step.
class Axis {
 public:
  static Axis linear(double lo, double hi);
  static Axis log(double lo, double hi);
  static Axis decades(DecadeRange range);

  // The same scale drawn from pixel a to pixel b.
  Axis spanning(double a, double b) const;

  bool is_log() const { return scale_ != Scale::linear; }
  double lo() const { return lo_; }
  double hi() const { return hi_; }
  double a() const { return a_; }
  double b() const { return b_; }
  DecadeRange range() const { return range_; }

  // The fraction 0..1 of the way from lo to hi at v (beyond 0..1 off the scale),
  // and the pixel there; v > 0 on a log scale.
  double fraction(double v) const;
  double at(double v) const { return a_ + fraction(v) * (b_ - a_); }
  // The value at a fraction t of the way from lo to hi.
  double value_at(double t) const;
  // -1 below lo (or not positive on a log scale), +1 above hi, 0 on the scale.
  int side(double v) const;
  // The pixel of v, or of the end it lies beyond.
  double clamped(double v) const;
  // +1 when pixels grow with the values, -1 when they fall.
  double direction() const { return b_ > a_ ? 1 : -1; }

 private:
  enum class Scale { linear, log, decades };
  Scale scale_ = Scale::linear;
  double lo_ = 0, hi_ = 1;
  DecadeRange range_{0, 1};
  double a_ = 0, b_ = 1;
};

// Grid lines, ticks and labels of a decade axis. A horizontal axis runs along y =
// `at`, its grid lines going up by `grid` px; a vertical one along x = `at`, its grid
// lines going right by `grid` px; ticks point inwards, so that every line lies within
// the plot. Labels at labelled_decades() as 10 to a power, or as plain numbers when
// `plain` and the whole range lies within 10^-3..10^3; minor ticks at 2..9 over six
// decades or less, with 2 and 5 labelled over two decades or less where they have room.
// The grid (lines only, for inside a plot) and the labels (outside it) can be drawn
// apart.
void draw_decade_axis(SvgDoc& doc, const Axis& axis, bool vertical, double at, double grid,
                      bool plain);
void draw_decade_grid(SvgDoc& doc, const Axis& axis, bool vertical, double at, double grid);
void draw_decade_labels(SvgDoc& doc, const Axis& axis, bool vertical, double at, bool plain);

// A tick of an axis with its label (markup).
struct Tick {
  double value;
  std::string label;
};

// Grid lines from the axis at `at` to `far`, ticks (inwards) and labels at the given values.
void draw_ticks(SvgDoc& doc, const Axis& axis, const std::vector<Tick>& ticks, bool vertical,
                double at, double far);

// Plain text as markup, escaped, each power "^-6" or "^2" written as a raised
// exponent (a negative one with a minus sign).
std::string with_powers(std::string_view text);

// A title turned upright, centred on (x, y), its powers raised (with_powers).
void draw_upright_title(SvgDoc& doc, double x, double y, std::string_view title);

// The titles of a plot's axes (plain text, powers raised): the x title centred
// `below` px under the plot, the y title turned upright `beside` px left of it.
void draw_axis_titles(SvgDoc& doc, double left, double top, double width, double height,
                      std::string_view x_title, std::string_view y_title, double below,
                      double beside);

// ---- The legend ----

// One entry of a legend: the marker of `model` (when model >= 0), else a short line
// drawn with `line_attrs`, else a patch filled with `patch_attrs`; then the label.
struct LegendItem {
  int model = -1;
  std::string line_attrs;
  std::string patch_attrs;
  std::string label;  // plain text, escaped when drawn
};

// Draws the items in rows centred on a picture `width` wide, the first row's
// baseline at y, wrapping where a row would overflow; returns the y below the last row.
double draw_legend(SvgDoc& doc, const std::vector<LegendItem>& items, double width, double y);

// ---- The figure ----

// The room of a figure's panels: up to `columns` panels side by side in columns
// `column_width` px wide, each panel's plot `inset` px from its column's left and
// `caption_band` px below its row's top; `notes_gap` px after a row's notes, and
// `bottom_margin` px below the place of the next line after the legend and the foot.
struct FigureLayout {
  std::size_t columns = 2;
  double column_width = 480;
  double inset = 100;
  double caption_band = 30;
  double notes_gap = 2;
  double bottom_margin = 4;
};

// Where the frame puts a panel: the top left corner of its plot, and the prefix of
// its element ids (the picture's prefix, escaped).
struct PanelPlace {
  double left;
  double top;
  std::string id_prefix;
};

// What a drawn panel leaves to the frame: its notes (plain text, each wrapped to the
// column) and the baseline of the first note line, and the panel's name ("CY/Q"),
// under which the frame adds the notes to the picture's description.
struct PanelNotes {
  double top = 0;
  std::vector<std::string> notes;
  std::string name = {};
};

// A picture in the making: a title over panels in a grid, a legend, foot notes.
class Figure {
 public:
  // Draws the title; the figure is as wide as the columns `panels` panels fill, at
  // most as many as kMaxDrawnWidth holds (and one).
  Figure(std::string_view title, std::string_view id_prefix, FigureLayout layout,
         std::size_t panels);

  double width() const { return width_; }
  SvgDoc& doc() { return doc_; }

  // Draws panel i = 0..panels-1 row by row, each with `draw`, then its notes; a
  // figure of no panels says so.
  void draw_panels(const std::function<PanelNotes(std::size_t, const PanelPlace&)>& draw);
  // The legend under the panels.
  void legend(const std::vector<LegendItem>& items);
  // A foot line centred under the legend, as it stands.
  void foot_centred(std::string_view line);
  // A foot note left-aligned under the legend, wrapped to the picture.
  void foot_wrapped(std::string_view text);
  // Adds a sentence (plain text) to the description that assistive technology reads
  // in place of the drawing: what each panel shows, with its main values.
  void describe(std::string_view sentence);
  // The standalone document, titled and described.
  std::string finish();

 private:
  SvgDoc doc_;
  FigureLayout layout_;
  std::string title_, description_;
  std::string id_prefix_;  // as given (escaped where written)
  std::size_t panels_;
  std::size_t columns_;
  bool notes_beside_;  // a lone panel's notes in a second column beside it
  double width_;
  double y_ = 60;  // the top of what comes next
};

}  // namespace evaluate
