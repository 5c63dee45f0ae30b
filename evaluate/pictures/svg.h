// The SVG writing shared by the diagrams: a document that collects elements and is
// closed with its size, numbers written locale-free, escaped text, the models'
// colours and outlined marker shapes, and the deterministic subsample of a crowded
// panel.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace evaluate {

// k evenly spaced indices of 0..n-1, ascending, the first and the last included
// (all of them when k >= n; none when k == 0).
std::vector<std::size_t> evenly_spaced(std::size_t n, std::size_t k);

// Splits `total` among parts of the given sizes in proportion to them (largest
// remainder, ties to the earlier part); every share is at most its part's size.
std::vector<std::size_t> proportional_shares(const std::vector<std::size_t>& sizes,
                                             std::size_t total);

// 12345 as "12,345".
std::string grouped(std::size_t n);

// A coordinate with two decimals, locale-free.
std::string num(double v);

// At most three significant digits, locale-free, in the page's notation: plain
// decimals while the rounded value lies from 0.001 to 999 ("1.23", "0.0456", "2"),
// otherwise "1.2×10³" and "5×10⁻⁴"; a minus sign as U+2212; "–" when not finite.
std::string short_number(double v);

// Text with &, <, >, " escaped for element content and attribute values; with
// `apostrophe`, ' as well (as &#39;, which HTML reads too).
std::string xml_escape(std::string_view text, bool apostrophe = false);

// A generous estimate of the width of `text` in a sans-serif font of `size` px, never
// less than 0.6 `size` a character.
double text_width(std::string_view text, double size);

// `text` broken at blanks into lines no wider than `width` px at font `size` (a
// single word wider than that stays whole on its line).
std::vector<std::string> wrap_text(std::string_view text, double width, double size);

// Model colours and marker shapes: eight of each, model m uses both at m % 8.
std::string_view model_colour(int model);

// The drawn size (px) of a document SvgDoc::finish wrote: its root's viewBox; 0 by 0
// when it has none.
struct SvgSize {
  double width = 0;
  double height = 0;
};
SvgSize svg_size(std::string_view svg);

// The width every picture is stated to have in print (the A4 text width), mm.
inline constexpr double kPrintWidthMm = 170;

// An SVG picture: elements are added in drawing order; finish() wraps them in a
// standalone document (XML declaration, root element stated kPrintWidthMm wide and
// as high at the same scale, the drawing's px in the viewBox).
class SvgDoc {
 public:
  void add(std::string_view element);
  // `content` is markup (already escaped); attrs are extra attributes.
  void text(double x, double y, std::string_view content, std::string_view attrs = {});
  void line(double x1, double y1, double x2, double y2, std::string_view attrs);
  void rect(double x, double y, double w, double h, std::string_view attrs);
  // The outlined marker of `model` centred at (x, y), `size` its half-width in px;
  // fill, stroke width and opacity come from the enclosing group unless `attrs` says.
  void marker(int model, double x, double y, double size, std::string_view attrs = {});
  // An arrowhead at (x, y) pointing in direction (dx, dy) (a unit step).
  void arrow(double x, double y, double dx, double dy, std::string_view colour);
  // The standalone document, `width` by `height` px. With a title, the picture is an image to
  // assistive technology (role "img") labelled by its title and its description, both plain text,
  // under the ids `id_prefix` "title" and "desc".
  std::string finish(double width, double height, std::string_view id_prefix = {},
                     std::string_view title = {}, std::string_view description = {});

 private:
  std::string body_;
};

}  // namespace evaluate
