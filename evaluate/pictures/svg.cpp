#include "evaluate/pictures/svg.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace evaluate {

std::vector<std::size_t> evenly_spaced(std::size_t n, std::size_t k) {
  std::vector<std::size_t> out;
  if (k >= n) {
    for (std::size_t i = 0; i < n; ++i) out.push_back(i);
    return out;
  }
  if (k == 1) return {0};
  for (std::size_t j = 0; j < k; ++j) {
    // round(j (n - 1) / (k - 1)) in whole numbers; steps are at least 1 since k < n.
    out.push_back((j * (n - 1) + (k - 1) / 2) / (k - 1));
  }
  return out;
}

std::vector<std::size_t> proportional_shares(const std::vector<std::size_t>& sizes,
                                             std::size_t total) {
  std::size_t sum = 0;
  for (std::size_t s : sizes) sum += s;
  if (sum <= total) return sizes;
  std::vector<std::size_t> shares(sizes.size());
  std::vector<std::pair<double, std::size_t>> remainders;  // (-remainder, part)
  std::size_t given = 0;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const double exact =
        static_cast<double>(sizes[i]) * static_cast<double>(total) / static_cast<double>(sum);
    shares[i] = std::min(sizes[i], static_cast<std::size_t>(exact));
    given += shares[i];
    remainders.push_back({-(exact - static_cast<double>(shares[i])), i});
  }
  std::stable_sort(remainders.begin(), remainders.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t r = 0; given < total && r < remainders.size(); ++r) {
    const std::size_t i = remainders[r].second;
    if (shares[i] < sizes[i]) {
      ++shares[i];
      ++given;
    }
  }
  return shares;
}

std::string grouped(std::size_t n) {
  std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

std::string num(double v) {
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
  if (ec != std::errc() || !std::isfinite(v)) return "0";
  std::string s(buf, end);
  return s == "-0.00" ? "0.00" : s;
}

std::string short_number(double v) {
  if (!std::isfinite(v)) return "–";
  if (v == 0) return "0";
  const double magnitude = std::fabs(v);
  char buf[400];
  char* const last = buf + sizeof buf;
  // The exponent of the value rounded to 3 significant digits decides the form.
  char* end = std::to_chars(buf, last, magnitude, std::chars_format::scientific, 2).ptr;
  const std::string sci(buf, end);
  const std::size_t e = sci.find('e');
  int exponent = 0;
  std::from_chars(sci.data() + e + (sci[e + 1] == '+' ? 2 : 1), sci.data() + sci.size(), exponent);
  std::string s;
  if (exponent >= -3 && exponent <= 2) {
    end = std::to_chars(buf, last, magnitude, std::chars_format::general, 3).ptr;
    s.assign(buf, end);
  } else {
    static constexpr std::string_view kSuperscript[] = {"⁰", "¹", "²", "³", "⁴",
                                                        "⁵", "⁶", "⁷", "⁸", "⁹"};
    s = sci.substr(0, e);
    if (s.find('.') != std::string::npos) {
      while (s.back() == '0') s.pop_back();
      if (s.back() == '.') s.pop_back();
    }
    s += "×10";
    if (exponent < 0) s += "⁻";
    for (const char d : std::to_string(std::abs(exponent))) s += kSuperscript[d - '0'];
  }
  return v < 0 ? "−" + s : s;
}

std::string xml_escape(std::string_view text, bool apostrophe) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        if (apostrophe)
          out += "&#39;";
        else
          out += c;
        break;
      default:
        out += c;
    }
  }
  return out;
}

double text_width(std::string_view text, double size) {
  double em = 0;
  std::size_t points = 0;  // Unicode code points: every byte but UTF-8 continuations
  for (char c : text) {
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++points;
    if (c == ' ' || c == '.' || c == ',' || c == ':' || c == 'i' || c == 'l') {
      em += 0.32;
    } else if ((c >= 'A' && c <= 'Z') || c == 'm' || c == 'w') {
      em += 0.74;
    } else {
      em += 0.58;
    }
  }
  // Never less than 0.6 em a character, the room a label is given wherever labels are
  // spaced so that none covers another.
  return std::max(em, 0.6 * static_cast<double>(points)) * size;
}

namespace {

// A comparison sign, which keeps both of its neighbours on its line.
bool relation(std::string_view word) {
  for (std::string_view sign : {"<", ">", "<=", ">=", "=", "\u2264", "\u2265"}) {
    if (word == sign) return true;
  }
  return false;
}

// The words of `text`, an inequality ("MQI <= 1") held as one.
std::vector<std::string> words_of(std::string_view text) {
  std::vector<std::string> words;
  bool join_next = false;
  while (!text.empty()) {
    const std::size_t blank = text.find(' ');
    const std::string_view word = text.substr(0, blank);
    text = blank == std::string_view::npos ? std::string_view{} : text.substr(blank + 1);
    if (word.empty()) continue;
    if ((join_next || relation(word)) && !words.empty()) {
      words.back().append(" ").append(word);
    } else {
      words.emplace_back(word);
    }
    join_next = relation(word);
  }
  return words;
}

}  // namespace

std::vector<std::string> wrap_text(std::string_view text, double width, double size) {
  std::vector<std::string> lines;
  std::string line;
  for (const std::string& word : words_of(text)) {
    const std::string longer = line.empty() ? word : line + " " + word;
    if (!line.empty() && text_width(longer, size) > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = longer;
    }
  }
  if (!line.empty() || lines.empty()) lines.push_back(line);
  return lines;
}

namespace {

// Blue, vermilion, green, magenta, near-black, olive, purple, brown: every pair at
// least 13 apart in CIELAB (CIE76) under simulated protanopia, deuteranopia and
// tritanopia, 26 in normal vision, and each at least 3.4:1 against white.
constexpr std::array<std::string_view, 8> kColours = {"#3b8fce", "#ec5a30", "#448659", "#a63f8a",
                                                      "#1c151f", "#7d7c17", "#6e248d", "#6a433f"};

}  // namespace

std::string_view model_colour(int model) {
  return kColours[static_cast<std::size_t>(model < 0 ? 0 : model) % kColours.size()];
}

void SvgDoc::add(std::string_view element) {
  body_ += element;
  body_ += '\n';
}

void SvgDoc::text(double x, double y, std::string_view content, std::string_view attrs) {
  body_ += "<text x=\"" + num(x) + "\" y=\"" + num(y) + "\"";
  if (!attrs.empty()) {
    body_ += ' ';
    body_ += attrs;
  }
  body_ += '>';
  body_ += content;
  body_ += "</text>\n";
}

void SvgDoc::line(double x1, double y1, double x2, double y2, std::string_view attrs) {
  body_ += "<line x1=\"" + num(x1) + "\" y1=\"" + num(y1) + "\" x2=\"" + num(x2) + "\" y2=\"" +
           num(y2) + "\" " + std::string(attrs) + "/>\n";
}

void SvgDoc::rect(double x, double y, double w, double h, std::string_view attrs) {
  body_ += "<rect x=\"" + num(x) + "\" y=\"" + num(y) + "\" width=\"" + num(w) + "\" height=\"" +
           num(h) + "\" " + std::string(attrs) + "/>\n";
}

void SvgDoc::marker(int model, double x, double y, double s, std::string_view attrs) {
  std::string tail = " stroke=\"" + std::string(model_colour(model)) + "\"";
  if (!attrs.empty()) {
    tail += ' ';
    tail += attrs;
  }
  tail += "/>\n";
  auto path = [&](const std::string& d) { body_ += "<path d=\"" + d + "\"" + tail; };
  switch ((model < 0 ? 0 : model) % 8) {
    case 0:  // circle
      body_ += "<circle cx=\"" + num(x) + "\" cy=\"" + num(y) + "\" r=\"" + num(s) + "\"" + tail;
      break;
    case 1:  // triangle, point up
      path("M" + num(x) + "," + num(y - 1.15 * s) + "l" + num(1.1 * s) + "," + num(1.9 * s) + "h" +
           num(-2.2 * s) + "z");
      break;
    case 2:  // square
      path("M" + num(x - 0.85 * s) + "," + num(y - 0.85 * s) + "h" + num(1.7 * s) + "v" +
           num(1.7 * s) + "h" + num(-1.7 * s) + "z");
      break;
    case 3:  // diamond
      path("M" + num(x) + "," + num(y - 1.2 * s) + "l" + num(1.2 * s) + "," + num(1.2 * s) + "l" +
           num(-1.2 * s) + "," + num(1.2 * s) + "l" + num(-1.2 * s) + "," + num(-1.2 * s) + "z");
      break;
    case 4:  // triangle, point down
      path("M" + num(x) + "," + num(y + 1.15 * s) + "l" + num(1.1 * s) + "," + num(-1.9 * s) + "h" +
           num(-2.2 * s) + "z");
      break;
    case 5:  // plus
      path("M" + num(x - 1.2 * s) + "," + num(y) + "h" + num(2.4 * s) + "M" + num(x) + "," +
           num(y - 1.2 * s) + "v" + num(2.4 * s));
      break;
    case 6:  // cross
      path("M" + num(x - s) + "," + num(y - s) + "l" + num(2 * s) + "," + num(2 * s) + "M" +
           num(x - s) + "," + num(y + s) + "l" + num(2 * s) + "," + num(-2 * s));
      break;
    default: {  // pentagon
      std::string d;
      for (int k = 0; k < 5; ++k) {
        const double a = (-90.0 + 72.0 * k) * 3.14159265358979323846 / 180.0;
        d += k == 0 ? 'M' : 'L';
        d += num(x + 1.1 * s * std::cos(a)) + "," + num(y + 1.1 * s * std::sin(a));
      }
      path(d + "z");
    }
  }
}

void SvgDoc::arrow(double x, double y, double dx, double dy, std::string_view colour) {
  // Tip at (x, y), base 8 px back, 7 px wide.
  const double bx = x - 8 * dx;
  const double by = y - 8 * dy;
  const double px = -dy * 3.5;
  const double py = dx * 3.5;
  body_ += "<path d=\"M" + num(x) + "," + num(y) + "L" + num(bx + px) + "," + num(by + py) + "L" +
           num(bx - px) + "," + num(by - py) + "z\" fill=\"" + std::string(colour) +
           "\" stroke=\"none\"/>\n";
}

SvgSize svg_size(std::string_view svg) {
  constexpr std::string_view kViewBox = " viewBox=\"0 0 ";
  const std::size_t root = svg.find("<svg");
  const std::size_t at = root == std::string_view::npos ? root : svg.find(kViewBox, root);
  if (at == std::string_view::npos) return {};
  const char* p = svg.data() + at + kViewBox.size();
  const char* end = svg.data() + svg.size();
  SvgSize size;
  auto [q, ec] = std::from_chars(p, end, size.width);
  if (ec != std::errc() || q == end || *q != ' ') return {};
  if (std::from_chars(q + 1, end, size.height).ec != std::errc()) return {};
  return size;
}

std::string SvgDoc::finish(double width, double height, std::string_view id_prefix,
                           std::string_view title, std::string_view description) {
  const std::string prefix = xml_escape(id_prefix);
  // Stated for print at the A4 text width, the height at the same scale; drawn in px.
  const double height_mm = width > 0 ? kPrintWidthMm * height / width : 0;
  std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  out += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(kPrintWidthMm) +
         "mm\" height=\"" + num(height_mm) + "mm\" viewBox=\"0 0 " + num(width) + " " +
         num(height) + "\" font-family=\"Helvetica, Arial, sans-serif\"";
  if (!title.empty()) {
    out += " role=\"img\" aria-labelledby=\"" + prefix + "title " + prefix + "desc\">\n";
    out += "<title id=\"" + prefix + "title\">" + xml_escape(title) + "</title>\n";
    out += "<desc id=\"" + prefix + "desc\">" + xml_escape(description) + "</desc>\n";
  } else {
    out += ">\n";
  }
  out += "<rect x=\"0\" y=\"0\" width=\"" + num(width) + "\" height=\"" + num(height) +
         "\" fill=\"white\"/>\n";
  out += body_;
  out += "</svg>\n";
  return out;
}

}  // namespace evaluate
