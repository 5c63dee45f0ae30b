#include "evaluate/pictures/figure.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace evaluate {

void open_plot(SvgDoc& doc, double left, double top, double width, double height) {
  doc.add("<g class=\"plot\">");
  doc.rect(left, top, width, height, "class=\"frame\" fill=\"none\" stroke=\"none\"");
}

void close_plot(SvgDoc& doc) {
  doc.add("</g>");
}

DecadeRange decade_range(double min, double max, int max_labels) {
  if (!(min > 0.0) || !(max >= min) || !std::isfinite(min) || !std::isfinite(max)) {
    return {-1, 1};
  }
  // The nearest decades strictly outside the values, so that no marker sits on the
  // frame; log10 may land a hair off at exact powers of ten, the loops settle it.
  int lo = static_cast<int>(std::floor(std::log10(min)));
  int hi = static_cast<int>(std::ceil(std::log10(max)));
  while (std::pow(10.0, lo) >= min) --lo;
  while (std::pow(10.0, lo + 1) < min) ++lo;
  while (std::pow(10.0, hi) <= max) ++hi;
  while (std::pow(10.0, hi - 1) > max) --hi;
  const int intervals = std::max(1, max_labels);
  const int step = (hi - lo + intervals - 1) / intervals;
  auto floor_to = [step](int k) {
    return k >= 0 ? k / step * step : -((-k + step - 1) / step) * step;
  };
  return {floor_to(lo), -floor_to(-hi), step};
}

std::vector<int> labelled_decades(DecadeRange range) {
  const int step = std::max(1, range.step);
  std::vector<int> out;
  for (int k = range.lo; k < range.hi; k += step) out.push_back(k);
  out.push_back(range.hi);
  return out;
}

std::string plain_number(int d, int k) {
  if (k >= 0) return std::to_string(d) + std::string(static_cast<std::size_t>(k), '0');
  return "0." + std::string(static_cast<std::size_t>(-k - 1), '0') + std::to_string(d);
}

Axis Axis::linear(double lo, double hi) {
  Axis axis;
  axis.lo_ = lo;
  axis.hi_ = hi;
  return axis;
}

Axis Axis::log(double lo, double hi) {
  Axis axis = linear(lo, hi);
  axis.scale_ = Scale::log;
  return axis;
}

Axis Axis::decades(DecadeRange range) {
  Axis axis = linear(std::pow(10.0, range.lo), std::pow(10.0, range.hi));
  axis.scale_ = Scale::decades;
  axis.range_ = range;
  return axis;
}

Axis Axis::spanning(double a, double b) const {
  Axis axis = *this;
  axis.a_ = a;
  axis.b_ = b;
  return axis;
}

double Axis::fraction(double v) const {
  switch (scale_) {
    case Scale::linear:
      break;
    case Scale::log:
      return (std::log(v) - std::log(lo_)) / (std::log(hi_) - std::log(lo_));
    case Scale::decades:
      return (std::log10(v) - range_.lo) / (range_.hi - range_.lo);
  }
  return (v - lo_) / (hi_ - lo_);
}

double Axis::value_at(double t) const {
  if (scale_ == Scale::linear) return lo_ + t * (hi_ - lo_);
  return std::exp(std::log(lo_) + t * (std::log(hi_) - std::log(lo_)));
}

int Axis::side(double v) const {
  if (is_log() && v <= 0) return -1;
  return v < lo_ ? -1 : (v > hi_ ? 1 : 0);
}

double Axis::clamped(double v) const {
  const int s = side(v);
  if (s < 0) return a_;
  if (s > 0) return b_;
  return at(v);
}

namespace {

constexpr std::string_view kGridAttrs = "stroke=\"#e4e4e4\" stroke-width=\"1\"";
constexpr std::string_view kTickAttrs = "stroke=\"black\" stroke-width=\"1\"";
constexpr double kTick = 6;  // a tick's length, drawn inwards from the axis

std::string font(double size) {
  return "font-size=\"" + num(size) + "\"";
}

// A tick label (markup) beside a vertical axis at x = at or under a horizontal one
// at y = at, level with pixel p.
void tick_label(SvgDoc& doc, bool vertical, double at, double p, const std::string& text) {
  if (vertical) {
    doc.text(at - 8, p + 0.35 * kLabelFont, text, font(kLabelFont) + " text-anchor=\"end\"");
  } else {
    doc.text(p, at + 12 + 0.8 * kLabelFont, text, font(kLabelFont) + " text-anchor=\"middle\"");
  }
}

// Whether the decades of `axis` are labelled as plain numbers.
bool plain_labels(const Axis& axis, bool plain) {
  return plain && axis.range().lo >= -3 && axis.range().hi <= 3;
}

}  // namespace

std::string power_of_ten(int k) {
  const std::string digits = std::to_string(k < 0 ? -k : k);
  return "10<tspan dy=\"-7\" font-size=\"" + num(kTextFont) + "\">" + (k < 0 ? "\u2212" : "") +
         digits + "</tspan>";
}

void draw_decade_grid(SvgDoc& doc, const Axis& axis, bool vertical, double at, double grid) {
  const DecadeRange range = axis.range();
  const int decades = range.hi - range.lo;
  // Inwards from the axis, so that the lines stay within the frame.
  const double in = vertical ? 1 : -1;
  auto tick = [&](double p, double length, std::string_view attrs) {
    if (vertical) {
      doc.line(at, p, at + in * length, p, attrs);
    } else {
      doc.line(p, at, p, at + in * length, attrs);
    }
  };
  for (int k = range.lo; k <= range.hi; ++k) {
    const double p = axis.at(std::pow(10.0, k));
    tick(p, grid, kGridAttrs);
    tick(p, kTick, kTickAttrs);
    if (decades <= 6 && k < range.hi) {
      for (int d = 2; d <= 9; ++d) {
        tick(axis.at(d * std::pow(10.0, k)), kTick / 2, "stroke=\"black\" stroke-width=\"0.8\"");
      }
    }
  }
}

void draw_decade_labels(SvgDoc& doc, const Axis& axis, bool vertical, double at, bool plain) {
  const DecadeRange range = axis.range();
  const std::vector<int> labelled = labelled_decades(range);
  for (int k : labelled) {
    const double p = axis.at(std::pow(10.0, k));
    tick_label(doc, vertical, at, p,
               plain_labels(axis, plain) ? plain_number(1, k) : power_of_ten(k));
  }
  // 2 and 5 between the decades of a short axis, in grey, where they leave room.
  if (range.hi - range.lo > 2) return;
  for (int k = range.lo; k < range.hi; ++k) {
    for (int d : {2, 5}) {
      const std::string text = plain_number(d, k);
      const double p = axis.at(d * std::pow(10.0, k));
      const double room = vertical ? std::abs(axis.at(std::pow(10.0, k)) - p)
                                   : std::abs(axis.at(std::pow(10.0, k + 1)) - p);
      const double need = vertical ? kLabelFont + 2 : text_width(text, kLabelFont) + 6;
      if (room < need) continue;
      if (vertical) {
        doc.text(at - 8, p + 0.35 * kLabelFont, text,
                 font(kLabelFont) + " text-anchor=\"end\" fill=\"#444444\"");
      } else {
        doc.text(p, at + 12 + 0.8 * kLabelFont, text,
                 font(kLabelFont) + " text-anchor=\"middle\" fill=\"#444444\"");
      }
    }
  }
}

void draw_decade_axis(SvgDoc& doc, const Axis& axis, bool vertical, double at, double grid,
                      bool plain) {
  draw_decade_grid(doc, axis, vertical, at, grid);
  draw_decade_labels(doc, axis, vertical, at, plain);
}

int decade_labels_fitting(double length, int widest_exponent_digits) {
  // "10" and a superscript of a sign and digits, and a gap.
  const double label = 0.6 * kLabelFont * 2 + 0.6 * kTextFont * (1 + widest_exponent_digits) + 10;
  return std::max(1, static_cast<int>(length / label));
}

void draw_ticks(SvgDoc& doc, const Axis& axis, const std::vector<Tick>& ticks, bool vertical,
                double at, double far) {
  const double in = far > at ? 1 : -1;
  for (const Tick& t : ticks) {
    const double p = axis.clamped(t.value);
    if (vertical) {
      doc.line(at, p, far, p, kGridAttrs);
      doc.line(at, p, at + in * kTick, p, kTickAttrs);
    } else {
      doc.line(p, far, p, at, kGridAttrs);
      doc.line(p, at, p, at + in * kTick, kTickAttrs);
    }
    tick_label(doc, vertical, at, p, t.label);
  }
}

std::string with_powers(std::string_view text) {
  std::string out;
  bool raised = false;  // the last piece written was an exponent
  auto plain = [&](std::string_view piece) {
    if (piece.empty()) return;
    out += raised ? "<tspan dy=\"6\">" + xml_escape(piece) + "</tspan>" : xml_escape(piece);
    raised = false;
  };
  for (;;) {
    const std::size_t caret = text.find('^');
    if (caret == std::string_view::npos) break;
    // The exponent: a sign, then digits.
    const std::string_view rest = text.substr(caret + 1);
    const std::size_t sign = !rest.empty() && (rest[0] == '-' || rest[0] == '+') ? 1 : 0;
    std::size_t n = sign;
    while (n < rest.size() && rest[n] >= '0' && rest[n] <= '9') ++n;
    if (n == sign) {  // no digits: a caret as it stands
      plain(text.substr(0, caret + 1));
      text.remove_prefix(caret + 1);
      continue;
    }
    plain(text.substr(0, caret));
    out += std::string("<tspan dy=\"") + (raised ? "0" : "-6") + "\" font-size=\"" +
           num(kTextFont) + "\">" + (rest[0] == '-' ? "\u2212" : "") +
           std::string(rest.substr(sign, n - sign)) + "</tspan>";
    raised = true;
    text = rest.substr(n);
  }
  plain(text);
  return out;
}

void draw_upright_title(SvgDoc& doc, double x, double y, std::string_view title) {
  doc.text(x, y, with_powers(title),
           font(kTitleFont) + " text-anchor=\"middle\" transform=\"rotate(-90 " + num(x) + " " +
               num(y) + ")\"");
}

void draw_axis_titles(SvgDoc& doc, double left, double top, double width, double height,
                      std::string_view x_title, std::string_view y_title, double below,
                      double beside) {
  doc.text(left + width / 2, top + height + below, with_powers(x_title),
           font(kTitleFont) + " text-anchor=\"middle\"");
  draw_upright_title(doc, left - beside, top + height / 2, y_title);
}

double draw_legend(SvgDoc& doc, const std::vector<LegendItem>& items, double width, double y) {
  constexpr double kSymbol = 32;  // symbol width, then a gap before the label
  constexpr double kGap = 26;     // between items
  constexpr double kRow = kTextFont + 14;
  auto item_width = [&](const LegendItem& it) {
    return kSymbol + 6 + text_width(it.label, kTextFont);
  };
  std::size_t first = 0;
  while (first < items.size()) {
    std::size_t last = first;
    double row = item_width(items[first]);
    while (last + 1 < items.size() && row + kGap + item_width(items[last + 1]) <= width - 40) {
      ++last;
      row += kGap + item_width(items[last]);
    }
    double x = std::max(20.0, (width - row) / 2);
    for (std::size_t i = first; i <= last; ++i) {
      const LegendItem& it = items[i];
      const double mid = y - 0.3 * kTextFont;
      if (it.model >= 0) {
        doc.marker(it.model, x + kSymbol / 2, mid, kMarkerHalf,
                   "fill=\"none\" stroke-width=\"1.6\"");
      } else if (!it.line_attrs.empty()) {
        doc.line(x, mid, x + kSymbol, mid, it.line_attrs);
      } else {
        doc.rect(x + 4, mid - 8, kSymbol - 8, 16, it.patch_attrs);
      }
      doc.text(x + kSymbol + 6, y, xml_escape(it.label), font(kTextFont));
      x += item_width(it) + kGap;
    }
    first = last + 1;
    y += kRow;
  }
  return y;
}

namespace {

constexpr double kNoteLine = kTextFont + 4;  // px per note line
constexpr double kNoteFont = kTextFont;
const std::string kNoteAttrs = "font-size=\"" + num(kTextFont) + "\" fill=\"#333333\"";
constexpr double kHeadFont = 20;  // the picture's title

}  // namespace

namespace {

// The columns of a row: as many as asked for, the panels fill and the drawn width holds.
std::size_t columns_of(const FigureLayout& layout, std::size_t panels) {
  const auto fit = static_cast<std::size_t>((kMaxDrawnWidth - 20) / layout.column_width);
  return std::clamp<std::size_t>(std::min({layout.columns, panels, fit}), 1, layout.columns);
}

}  // namespace

Figure::Figure(std::string_view title, std::string_view id_prefix, FigureLayout layout,
               std::size_t panels)
    : layout_(layout),
      title_(title),
      id_prefix_(id_prefix),
      panels_(panels),
      columns_(columns_of(layout, panels)),
      notes_beside_(panels == 1 && layout.columns >= 2 &&
                    20 + 2 * layout.column_width <= kMaxDrawnWidth),
      width_(20 + layout.column_width * static_cast<double>(notes_beside_ ? 2 : columns_)) {
  // Bold, so a tenth wider than plain text.
  double y = 34;
  for (const std::string& line : wrap_text(title, (width_ - 40) / 1.1, kHeadFont)) {
    doc_.text(width_ / 2, y, xml_escape(line),
              "font-size=\"" + num(kHeadFont) + "\" font-weight=\"bold\" text-anchor=\"middle\"");
    y += kHeadFont + 6;
  }
  y_ = y + 26 - kHeadFont - 6;
}

void Figure::draw_panels(const std::function<PanelNotes(std::size_t, const PanelPlace&)>& draw) {
  const std::size_t columns = columns_;
  for (std::size_t first = 0; first < panels_; first += columns) {
    double row_end = -std::numeric_limits<double>::infinity();
    for (std::size_t i = first; i < std::min(panels_, first + columns); ++i) {
      const double column_left = layout_.column_width * static_cast<double>(i - first);
      const PanelNotes notes =
          draw(i, {layout_.inset + column_left, y_ + layout_.caption_band, xml_escape(id_prefix_)});
      // Notes, left-aligned under the panel and wrapped to its column; a lone panel's
      // beside it, from the top of its plot, so that a long key keeps the figure low.
      const double notes_left = column_left + (notes_beside_ ? layout_.column_width : 0) + 40;
      double y = notes_beside_ ? y_ + layout_.caption_band + kNoteFont : notes.top;
      for (const std::string& note : notes.notes) {
        for (const std::string& line : wrap_text(note, layout_.column_width - 40, kNoteFont)) {
          doc_.text(notes_left, y, xml_escape(line), kNoteAttrs);
          y += kNoteLine;
        }
      }
      row_end = std::max({row_end, y, notes_beside_ ? notes.top : y});
      // "CY/Q: note; note." (a note's own full stop left out).
      std::string said = notes.name.empty() ? std::string() : notes.name + ": ";
      for (std::size_t n = 0; n < notes.notes.size(); ++n) {
        std::string_view note = notes.notes[n];
        if (note.ends_with('.')) note.remove_suffix(1);
        said.append(n > 0 ? "; " : "").append(note);
      }
      if (!said.empty()) describe(said + ".");
    }
    y_ = row_end + layout_.notes_gap;
  }
  if (panels_ == 0) {
    doc_.text(width_ / 2, y_ + 40, "no quantities to show",
              "font-size=\"" + num(kTitleFont) + "\" text-anchor=\"middle\" fill=\"#777777\"");
    y_ += 80;
  }
}

void Figure::legend(const std::vector<LegendItem>& items) {
  y_ = draw_legend(doc_, items, width_, y_ + kTextFont + 4);
}

void Figure::foot_centred(std::string_view line) {
  doc_.text(width_ / 2, y_, xml_escape(line), kNoteAttrs + " text-anchor=\"middle\"");
  y_ += kNoteLine;
}

void Figure::foot_wrapped(std::string_view text) {
  for (const std::string& line : wrap_text(text, width_ - 40, kNoteFont)) {
    doc_.text(20, y_, xml_escape(line), kNoteAttrs);
    y_ += kNoteLine;
  }
}

void Figure::describe(std::string_view sentence) {
  if (!description_.empty()) description_ += ' ';
  description_ += sentence;
}

std::string Figure::finish() {
  return doc_.finish(width_, y_ + layout_.bottom_margin, id_prefix_, title_, description_);
}

}  // namespace evaluate
