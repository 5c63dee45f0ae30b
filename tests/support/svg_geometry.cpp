#include "support/svg_geometry.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstddef>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <utility>

namespace testsupport {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
constexpr double kTolerance = 0.5;  // px a drawn element may stand beyond its frame
constexpr double kMinFontShare = 0.0146;

// ---- The markup as a tree ----

struct Node {
  std::string name;  // "#text" for character data
  std::vector<std::pair<std::string, std::string>> attrs;
  std::string text;  // character data, entities decoded
  std::string tag;   // the start tag as written, for messages
  std::size_t parent = kNone;
  std::vector<std::size_t> kids;
};

void append_utf8(std::string& out, unsigned long cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

std::string decoded(std::string_view s) {
  static const std::map<std::string_view, std::string_view> named = {
      {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", "\xC2\xA0"}};
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const std::size_t semi = s[i] == '&' ? s.find(';', i) : std::string_view::npos;
    if (semi == std::string_view::npos || semi - i > 10) {
      out += s[i];
      continue;
    }
    const std::string_view ent = s.substr(i + 1, semi - i - 1);
    if (ent.starts_with('#')) {
      const bool hex = ent.size() > 1 && (ent[1] == 'x' || ent[1] == 'X');
      unsigned long cp = 0;
      const char* first = ent.data() + (hex ? 2 : 1);
      std::from_chars(first, ent.data() + ent.size(), cp, hex ? 16 : 10);
      append_utf8(out, cp);
    } else if (const auto it = named.find(ent); it != named.end()) {
      out += it->second;
    } else {
      out += s[i];
      continue;
    }
    i = semi;
  }
  return out;
}

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Reads the markup into nodes; node 0 is the document. Comments, declarations and
// processing instructions are passed over; an end tag closes up to its element.
std::vector<Node> parse(std::string_view s) {
  std::vector<Node> nodes(1);
  nodes[0].name = "#document";
  std::vector<std::size_t> open = {0};
  auto add = [&](Node n) {
    n.parent = open.back();
    nodes.push_back(std::move(n));
    nodes[open.back()].kids.push_back(nodes.size() - 1);
    return nodes.size() - 1;
  };
  std::size_t i = 0;
  while (i < s.size()) {
    if (s[i] != '<') {
      const std::size_t end = std::min(s.find('<', i), s.size());
      Node t;
      t.name = "#text";
      t.text = decoded(s.substr(i, end - i));
      add(std::move(t));
      i = end;
    } else if (s.substr(i).starts_with("<!--")) {
      i = std::min(s.find("-->", i), s.size()) + 3;
    } else if (s.substr(i).starts_with("<![CDATA[")) {
      const std::size_t end = std::min(s.find("]]>", i), s.size());
      Node t;
      t.name = "#text";
      t.text = std::string(s.substr(i + 9, end - i - 9));
      add(std::move(t));
      i = end + 3;
    } else if (i + 1 < s.size() && (s[i + 1] == '?' || s[i + 1] == '!')) {
      i = std::min(s.find('>', i), s.size()) + 1;
    } else if (i + 1 < s.size() && s[i + 1] == '/') {
      const std::size_t end = std::min(s.find('>', i), s.size());
      std::string name(s.substr(i + 2, end - i - 2));
      while (!name.empty() && is_space(name.back())) name.pop_back();
      for (std::size_t k = open.size(); k-- > 1;) {
        if (nodes[open[k]].name == name) {
          open.resize(k);
          break;
        }
      }
      i = end + 1;
    } else {
      Node n;
      std::size_t j = i + 1;
      while (j < s.size() && !is_space(s[j]) && s[j] != '>' && s[j] != '/') n.name += s[j++];
      bool closed = false;
      while (j < s.size()) {
        while (j < s.size() && is_space(s[j])) ++j;
        if (j >= s.size()) break;
        if (s[j] == '>') break;
        if (s[j] == '/') {
          closed = true;
          ++j;
          continue;
        }
        std::string key;
        while (j < s.size() && !is_space(s[j]) && s[j] != '=' && s[j] != '>' && s[j] != '/')
          key += s[j++];
        std::string value;
        if (j < s.size() && s[j] == '=') {
          ++j;
          const char quote = j < s.size() ? s[j] : '"';
          if (quote == '"' || quote == '\'') {
            const std::size_t end = std::min(s.find(quote, j + 1), s.size());
            value = decoded(s.substr(j + 1, end - j - 1));
            j = end + 1;
          } else {
            while (j < s.size() && !is_space(s[j]) && s[j] != '>') value += s[j++];
          }
        }
        if (!key.empty()) n.attrs.emplace_back(std::move(key), std::move(value));
      }
      n.tag = std::string(s.substr(i, std::min(j + 1, s.size()) - i));
      if (n.tag.size() > 160) n.tag = n.tag.substr(0, 157) + "...";
      const std::size_t at = add(std::move(n));
      if (!closed) open.push_back(at);
      i = j + 1;
    }
  }
  return nodes;
}

const std::string* attr(const Node& n, std::string_view key) {
  for (const auto& [k, v] : n.attrs) {
    if (k == key) return &v;
  }
  return nullptr;
}

bool has_class(const Node& n, std::string_view cls) {
  const std::string* c = attr(n, "class");
  if (!c) return false;
  std::string_view rest = *c;
  while (!rest.empty()) {
    const std::size_t sp = std::min(rest.find(' '), rest.size());
    if (rest.substr(0, sp) == cls) return true;
    rest.remove_prefix(std::min(sp + 1, rest.size()));
  }
  return false;
}

std::string all_text(const std::vector<Node>& nodes, std::size_t i) {
  if (nodes[i].name == "#text") return nodes[i].text;
  std::string out;
  for (const std::size_t k : nodes[i].kids) out += all_text(nodes, k);
  return out;
}

std::string trimmed(const std::string& s) {
  std::size_t a = 0, b = s.size();
  while (a < b && is_space(s[a])) ++a;
  while (b > a && is_space(s[b - 1])) --b;
  return s.substr(a, b - a);
}

std::size_t code_points(std::string_view s) {
  return static_cast<std::size_t>(std::count_if(
      s.begin(), s.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// ---- Numbers ----

// The next number of a list separated by blanks and commas ("1,2 -3.5.5" is 1 2 -3.5
// 0.5); false at the end or at anything that is not a number.
bool next_number(std::string_view& s, double& v) {
  while (!s.empty() && (is_space(s.front()) || s.front() == ',')) s.remove_prefix(1);
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (ec != std::errc()) return false;
  s.remove_prefix(static_cast<std::size_t>(end - s.data()));
  return true;
}

std::optional<double> number_attr(const Node& n, std::string_view key) {
  const std::string* a = attr(n, key);
  if (!a) return std::nullopt;
  std::string_view s = *a;
  double v = 0;
  if (!next_number(s, v)) return std::nullopt;
  return v;
}

std::string fixed(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return buf;
}

// ---- Geometry ----

struct Point {
  double x, y;
};

struct Box {
  double left, top, right, bottom;
  bool overlaps(const Box& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
  bool within(const Box& f) const {
    return left >= f.left - kTolerance && right <= f.right + kTolerance &&
           top >= f.top - kTolerance && bottom <= f.bottom + kTolerance;
  }
  std::string str() const {
    return "(" + fixed(left) + "," + fixed(top) + ")-(" + fixed(right) + "," + fixed(bottom) + ")";
  }
};

std::optional<Box> box_of(const std::vector<Point>& pts) {
  if (pts.empty()) return std::nullopt;
  Box b{pts[0].x, pts[0].y, pts[0].x, pts[0].y};
  for (const Point& p : pts) {
    b.left = std::min(b.left, p.x);
    b.right = std::max(b.right, p.x);
    b.top = std::min(b.top, p.y);
    b.bottom = std::max(b.bottom, p.y);
  }
  return b;
}

// Every coordinate pair of a path's data (end points and control points, absolute),
// relative commands resolved.
std::vector<Point> path_points(std::string_view d) {
  std::vector<Point> pts;
  Point cur{0, 0}, start{0, 0};
  char cmd = 0;
  for (;;) {
    while (!d.empty() && (is_space(d.front()) || d.front() == ',')) d.remove_prefix(1);
    if (d.empty()) break;
    if (std::isalpha(static_cast<unsigned char>(d.front())) && d.front() != 'e' &&
        d.front() != 'E') {
      cmd = d.front();
      d.remove_prefix(1);
      if (cmd == 'z' || cmd == 'Z') {
        cur = start;
        continue;
      }
    }
    const bool rel = std::islower(static_cast<unsigned char>(cmd));
    const char up = static_cast<char>(std::toupper(static_cast<unsigned char>(cmd)));
    auto pair = [&](Point& p) {
      double x = 0, y = 0;
      if (!next_number(d, x) || !next_number(d, y)) return false;
      p = rel ? Point{cur.x + x, cur.y + y} : Point{x, y};
      return true;
    };
    double v = 0;
    Point p{}, c1{}, c2{};
    bool ok = true;
    switch (up) {
      case 'M':
      case 'L':
      case 'T':
        ok = pair(p);
        if (ok && up == 'M') start = p, cmd = rel ? 'l' : 'L';
        break;
      case 'H':
        ok = next_number(d, v);
        p = {rel ? cur.x + v : v, cur.y};
        break;
      case 'V':
        ok = next_number(d, v);
        p = {cur.x, rel ? cur.y + v : v};
        break;
      case 'C':
        ok = pair(c1) && pair(c2) && pair(p);
        if (ok) pts.insert(pts.end(), {c1, c2});
        break;
      case 'S':
      case 'Q':
        ok = pair(c1) && pair(p);
        if (ok) pts.push_back(c1);
        break;
      case 'A': {
        double skip = 0;
        ok = next_number(d, skip) && next_number(d, skip) && next_number(d, skip) &&
             next_number(d, skip) && next_number(d, skip) && pair(p);
        break;
      }
      default:
        ok = false;
    }
    if (!ok) break;
    pts.push_back(p);
    cur = p;
  }
  return pts;
}

// ---- The picture ----

class Picture {
 public:
  explicit Picture(std::string_view svg) : nodes_(parse(svg)) {
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
      if (nodes_[i].name == "svg") {
        root_ = i;
        break;
      }
    }
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
      if (const std::string* id = attr(nodes_[i], "id")) by_id_.emplace(*id, i);
    }
  }

  std::vector<SvgProblem> problems() {
    if (root_ == kNone) return {{"accessible", "no <svg> element"}};
    accessible();
    fonts();
    overlaps();
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
      if (nodes_[i].name == "g" && has_class(nodes_[i], "plot") && rendered(i)) plot(i);
    }
    ids();
    return std::move(problems_);
  }

 private:
  void report(std::string rule, std::string what) {
    problems_.push_back({std::move(rule), std::move(what)});
  }

  // The element's text in quotes, or its start tag.
  std::string shown(std::size_t i) const {
    return nodes_[i].name == "text" ? "\"" + trimmed(all_text(nodes_, i)) + "\"" : nodes_[i].tag;
  }

  // Not a definition (clip path, defs, title, ...) that is never drawn as it stands.
  bool rendered(std::size_t i) const {
    for (std::size_t k = nodes_[i].parent; k != kNone; k = nodes_[k].parent) {
      const std::string& n = nodes_[k].name;
      if (n == "defs" || n == "clipPath" || n == "mask" || n == "marker" || n == "symbol" ||
          n == "pattern" || n == "title" || n == "desc" || n == "style" || n == "metadata")
        return false;
    }
    return true;
  }

  // The value of a property set on the element or an ancestor (as an attribute or in
  // its style).
  const std::string* inherited(std::size_t i, std::string_view key) const {
    for (std::size_t k = i; k != kNone; k = nodes_[k].parent) {
      if (const std::string* v = attr(nodes_[k], key)) return v;
      if (const std::string* style = attr(nodes_[k], "style")) {
        const std::size_t at = style->find(std::string(key) + ":");
        if (at != std::string::npos) {
          styled_ = style->substr(at + key.size() + 1);
          styled_ = trimmed(styled_.substr(0, styled_.find(';')));
          return &styled_;
        }
      }
    }
    return nullptr;
  }

  double font_size(std::size_t i) const {
    const std::string* v = inherited(i, "font-size");
    std::string_view s = v ? std::string_view(*v) : std::string_view();
    double size = 16;  // a browser's default
    if (v && !next_number(s, size)) size = 16;
    return size;
  }

  bool rotated(std::size_t i) const {
    for (std::size_t k = i; k != kNone; k = nodes_[k].parent) {
      const std::string* t = attr(nodes_[k], "transform");
      if (t && t->find("rotate") != std::string::npos) return true;
    }
    return false;
  }

  // The shift of the translate() transforms on the element and its ancestors.
  Point shift(std::size_t i) const {
    Point p{0, 0};
    for (std::size_t k = i; k != kNone; k = nodes_[k].parent) {
      const std::string* t = attr(nodes_[k], "transform");
      const std::size_t at = t ? t->find("translate(") : std::string::npos;
      if (at == std::string::npos) continue;
      std::string_view s = std::string_view(*t).substr(at + 10);
      double x = 0, y = 0;
      if (next_number(s, x)) p.x += x;
      if (next_number(s, y)) p.y += y;
    }
    return p;
  }

  std::optional<Box> text_box(std::size_t i) const {
    const std::string text = trimmed(all_text(nodes_, i));
    if (text.empty()) return std::nullopt;
    const double size = font_size(i);
    const double w = 0.6 * size * static_cast<double>(code_points(text));
    const Point at = shift(i);
    const double x = number_attr(nodes_[i], "x").value_or(0) + at.x;
    const double y = number_attr(nodes_[i], "y").value_or(0) + at.y;
    const std::string* anchor = inherited(i, "text-anchor");
    const double left = !anchor || *anchor == "start" ? x : *anchor == "end" ? x - w : x - w / 2;
    return Box{left, y - 0.8 * size, left + w, y + 0.2 * size};
  }

  // The extent of a drawn element by its geometry; none for what has none (a group).
  std::optional<Box> extent(std::size_t i) const {
    const Node& n = nodes_[i];
    auto num = [&](std::string_view key) { return number_attr(n, key).value_or(0); };
    std::vector<Point> pts;
    if (n.name == "line") {
      pts = {{num("x1"), num("y1")}, {num("x2"), num("y2")}};
    } else if (n.name == "rect") {
      pts = {{num("x"), num("y")}, {num("x") + num("width"), num("y") + num("height")}};
    } else if (n.name == "circle" || n.name == "ellipse") {
      const double rx = n.name == "circle" ? num("r") : num("rx");
      const double ry = n.name == "circle" ? num("r") : num("ry");
      pts = {{num("cx") - rx, num("cy") - ry}, {num("cx") + rx, num("cy") + ry}};
    } else if (n.name == "polygon" || n.name == "polyline") {
      const std::string* a = attr(n, "points");
      std::string_view s = a ? std::string_view(*a) : std::string_view();
      for (double x = 0, y = 0; next_number(s, x) && next_number(s, y);) pts.push_back({x, y});
    } else if (n.name == "path") {
      const std::string* d = attr(n, "d");
      if (d) pts = path_points(*d);
    } else if (n.name == "text") {
      return rotated(i) ? std::nullopt : text_box(i);
    }
    const Point at = shift(i);
    for (Point& p : pts) p.x += at.x, p.y += at.y;
    return box_of(pts);
  }

  void accessible() {
    const Node& root = nodes_[root_];
    const std::string* role = attr(root, "role");
    if (!role || *role != "img") report("accessible", "the <svg> has no role=\"img\"");
    const std::string* label = attr(root, "aria-labelledby");
    if (!label || trimmed(*label).empty()) report("accessible", "the <svg> has no aria-labelledby");
    for (const char* child : {"title", "desc"}) {
      bool found = false;
      for (const std::size_t k : root.kids) {
        found = found || (nodes_[k].name == child && !trimmed(all_text(nodes_, k)).empty());
      }
      if (!found) report("accessible", std::string("the <svg> has no <") + child + ">");
    }
  }

  double drawn_width() {
    if (const std::string* vb = attr(nodes_[root_], "viewBox")) {
      std::string_view s = *vb;
      double v[4];
      if (next_number(s, v[0]) && next_number(s, v[1]) && next_number(s, v[2])) return v[2];
    }
    if (const auto w = number_attr(nodes_[root_], "width")) return *w;
    report("font", "the <svg> has neither viewBox nor width");
    return 0;
  }

  // Every piece of text drawn at least kMinFontShare x the drawn width.
  void fonts() {
    const double least = kMinFontShare * drawn_width();
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
      const Node& t = nodes_[i];
      if (t.name != "#text" || trimmed(t.text).empty()) continue;
      const std::size_t p = t.parent;
      if ((nodes_[p].name != "text" && nodes_[p].name != "tspan") || !rendered(p)) continue;
      const double size = font_size(p);
      if (size < least) {
        std::size_t whole = p;
        while (nodes_[whole].name != "text" && nodes_[whole].parent != kNone)
          whole = nodes_[whole].parent;
        const std::string piece = "\"" + trimmed(t.text) + "\"";
        const std::string all = shown(whole);
        report("font", all + (all == piece ? "" : " (" + piece + ")") + " at " + fixed(size) +
                           " px, less than " + fixed(least) + " px");
      }
    }
  }

  void overlaps() {
    std::vector<std::pair<std::size_t, Box>> boxes;
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
      if (nodes_[i].name != "text" || !rendered(i) || rotated(i)) continue;
      if (const auto b = text_box(i)) boxes.emplace_back(i, *b);
    }
    for (std::size_t a = 0; a < boxes.size(); ++a) {
      for (std::size_t b = a + 1; b < boxes.size(); ++b) {
        if (boxes[a].second.overlaps(boxes[b].second)) {
          report("overlap", shown(boxes[a].first) + " " + boxes[a].second.str() + " and " +
                                shown(boxes[b].first) + " " + boxes[b].second.str());
        }
      }
    }
  }

  // A clip path whose every shape lies within the frame.
  bool clip_within(std::size_t i, const Box& frame) const {
    const std::string* c = attr(nodes_[i], "clip-path");
    if (!c || !c->starts_with("url(#") || !c->ends_with(")")) return false;
    const auto it = by_id_.find(c->substr(5, c->size() - 6));
    if (it == by_id_.end() || nodes_[it->second].name != "clipPath") return false;
    bool any = false;
    for (const std::size_t k : nodes_[it->second].kids) {
      if (nodes_[k].name == "#text") continue;
      const auto b = extent(k);
      if (!b || !b->within(frame)) return false;
      any = true;
    }
    return any;
  }

  void plot(std::size_t g) {
    std::size_t first = kNone;
    for (const std::size_t k : nodes_[g].kids) {
      if (nodes_[k].name != "#text") {
        first = k;
        break;
      }
    }
    if (first == kNone || nodes_[first].name != "rect" || !has_class(nodes_[first], "frame")) {
      report("frame", nodes_[g].tag + " does not open with a <rect class=\"frame\">");
      return;
    }
    const Box frame = *extent(first);
    std::vector<std::size_t> todo(nodes_[g].kids.rbegin(), nodes_[g].kids.rend());
    while (!todo.empty()) {
      const std::size_t i = todo.back();
      todo.pop_back();
      const Node& n = nodes_[i];
      if (i == first || n.name == "#text" || n.name == "clipPath" || n.name == "defs" ||
          clip_within(i, frame))
        continue;
      if (const auto b = extent(i); b && !b->within(frame)) {
        report("frame", shown(i) + " spans " + b->str() + ", beyond the frame " + frame.str());
      }
      if (n.name != "text") todo.insert(todo.end(), n.kids.rbegin(), n.kids.rend());
    }
  }

  void ids() {
    std::map<std::string, int> seen;
    for (const Node& n : nodes_) {
      if (const std::string* id = attr(n, "id"); id && ++seen[*id] == 2)
        report("id", "id \"" + *id + "\" given more than once");
    }
  }

  std::vector<Node> nodes_;
  std::size_t root_ = kNone;
  std::map<std::string, std::size_t> by_id_;
  std::vector<SvgProblem> problems_;
  mutable std::string styled_;
};

}  // namespace

std::vector<SvgProblem> svg_geometry_problems(std::string_view svg) {
  return Picture(svg).problems();
}

std::vector<std::string> inline_svgs(std::string_view page) {
  std::vector<std::string> out;
  for (std::size_t at = page.find("<svg"); at != std::string_view::npos;
       at = page.find("<svg", at + 1)) {
    const std::size_t end = page.find("</svg>", at);
    if (end == std::string_view::npos) break;
    out.emplace_back(page.substr(at, end + 6 - at));
    at = end;
  }
  return out;
}

std::vector<std::string> repeated_ids(std::string_view markup) {
  std::map<std::string, int> seen;
  std::vector<std::string> out;
  for (const Node& n : parse(markup)) {
    if (const std::string* id = attr(n, "id"); id && ++seen[*id] == 2) out.push_back(*id);
  }
  return out;
}

std::vector<std::string> missing_label_ids(std::string_view markup) {
  const std::vector<Node> nodes = parse(markup);
  std::set<std::string> ids;
  for (const Node& n : nodes) {
    if (const std::string* id = attr(n, "id")) ids.insert(*id);
  }
  std::vector<std::string> out;
  for (const Node& n : nodes) {
    const std::string* refs = attr(n, "aria-labelledby");
    std::string_view s = refs ? std::string_view(*refs) : std::string_view();
    while (!s.empty()) {
      const std::size_t sp = std::min(s.find(' '), s.size());
      const std::string id(s.substr(0, sp));
      if (!id.empty() && !ids.contains(id)) out.push_back(id);
      s.remove_prefix(std::min(sp + 1, s.size()));
    }
  }
  return out;
}

std::string describe(const std::vector<SvgProblem>& problems) {
  std::string out;
  for (const SvgProblem& p : problems) out += p.rule + ": " + p.what + "\n";
  return out;
}

}  // namespace testsupport
