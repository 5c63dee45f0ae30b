// Layout strings parsed into a flat list of steps: repeat counts and groups are
// expanded here, once, so that writing and reading a record only walk a vector.
#include "records/layout.h"

#include <cctype>
#include <stdexcept>

namespace records {
namespace {

// A layout expanded past this many steps is certainly a mistake of its author.
constexpr std::size_t kMaxSteps = 1'000'000;
constexpr long kMaxNumber = 1'000'000;  // widths, columns and counts

Step make_step(Op op, int width = 0, int digits = -1) {
  Step s{op, 0, -1, {}};
  s.width = width;
  s.digits = digits;
  return s;
}

Step text_step(std::string text) {
  Step s = make_step(Op::text);
  s.text = std::move(text);
  return s;
}

class Parser {
 public:
  explicit Parser(std::string_view src) : src_(src) {}

  std::vector<Step> parse() {
    skip_blanks();
    if (!eat('(')) fail("a layout begins with '('");
    std::vector<Step> steps;
    parse_list(steps);
    if (!eat(')')) fail("missing ')'");
    skip_blanks();
    if (at_ != src_.size()) fail("text after the closing ')'");
    return steps;
  }

 private:
  [[noreturn]] void fail(const std::string& what) const {
    throw std::invalid_argument("layout \"" + std::string(src_) + "\": " + what + " at position " +
                                std::to_string(at_ + 1));
  }

  void skip_blanks() {
    while (at_ < src_.size() && src_[at_] == ' ') ++at_;
  }
  char peek() {
    skip_blanks();
    return at_ < src_.size()
               ? static_cast<char>(std::tolower(static_cast<unsigned char>(src_[at_])))
               : '\0';
  }
  bool eat(char c) {
    if (peek() != c) return false;
    ++at_;
    return true;
  }
  bool peek_digit() { return std::isdigit(static_cast<unsigned char>(peek())) != 0; }

  // An unsigned number; blanks inside are ignored as in the rest of the layout.
  long number() {
    if (!peek_digit()) fail("a number is expected");
    long n = 0;
    while (peek_digit()) {
      n = n * 10 + (src_[at_++] - '0');
      if (n > kMaxNumber) fail("number too large");
    }
    return n;
  }

  void add(std::vector<Step>& out, Step s) {
    if (out.size() >= kMaxSteps) fail("layout expands to too many steps");
    out.push_back(std::move(s));
  }

  // Items up to (not including) the ')' that closes the current list.
  void parse_list(std::vector<Step>& out) {
    if (peek() == ')') return;  // an empty list: "()"
    for (;;) {
      bool comma_optional = parse_item(out);
      char c = peek();
      if (c == ')') return;
      if (eat(',')) {
        if (peek() == ')') fail("an item is expected after ','");
        continue;
      }
      // The comma may be left out after a scale factor or a '/', and before a '/'.
      if (comma_optional || c == '/') continue;
      if (c == '\0') fail("missing ')'");
      fail("',' is expected");
    }
  }

  // Parses one item (with its repeat count) and appends its steps. Returns true
  // when the item may be followed by the next one without a comma.
  bool parse_item(std::vector<Step>& out) {
    char c = peek();
    if (c == '\'' || c == '"') {
      add(out, text_step(quoted()));
      return false;
    }
    if (c == '/') {
      ++at_;
      add(out, make_step(Op::slash));
      return true;
    }
    bool negative = false;
    if (c == '-' || c == '+') {  // only a scale factor may carry a sign
      negative = c == '-';
      ++at_;
      if (!peek_digit()) fail("a number is expected after the sign");
    }
    long count = -1;
    if (peek_digit()) count = number();
    c = peek();
    if (negative || (count >= 0 && c == 'p')) {
      if (!eat('p')) fail("a signed number must be a scale factor 'p'");
      long k = negative ? -count : count;
      if (k != 0 && k != 1) fail("only the scale factors 0p and 1p are supported");
      add(out, make_step(Op::scale, static_cast<int>(k)));
      return true;
    }
    if (count == 0) fail("a repeat count must be at least 1");
    long repeat = count < 0 ? 1 : count;
    if (c == '(') {
      ++at_;
      std::vector<Step> group;
      parse_list(group);
      if (!eat(')')) fail("missing ')'");
      if (static_cast<double>(group.size()) * static_cast<double>(repeat) +
              static_cast<double>(out.size()) >
          static_cast<double>(kMaxSteps))
        fail("layout expands to too many steps");
      for (long r = 0; r < repeat; ++r)
        for (const Step& s : group) add(out, s);
      return false;
    }
    if (c == '/') {  // "3/": three record ends
      ++at_;
      for (long r = 0; r < repeat; ++r) add(out, make_step(Op::slash));
      return true;
    }
    if (c == 'x') {  // "nx" (plain "x" is one column)
      ++at_;
      add(out, make_step(Op::skip, static_cast<int>(repeat)));
      return false;
    }
    ++at_;
    Step s = make_step(Op::text);
    switch (c) {
      case 't': {
        if (count >= 0) fail("'t' takes no repeat count");
        if (peek() == 'r') {  // trn: n columns right
          ++at_;
          s = make_step(Op::skip, positive_width());
        } else {
          s = make_step(Op::tab, positive_width());
        }
        add(out, s);
        return false;
      }
      case 'i':
        s.op = Op::i;
        s.width = positive_width();
        if (eat('.')) s.digits = static_cast<int>(number());
        break;
      case 'f':
      case 'e':
      case 'g':
        s.op = c == 'f' ? Op::f : c == 'e' ? Op::e : Op::g;
        s.width = positive_width();
        if (!eat('.')) fail(std::string("'") + c + "' needs its decimals: " + c + "w.d");
        s.digits = static_cast<int>(number());
        break;
      case 'a':
        s.op = Op::a;
        s.width = peek_digit() ? positive_width() : 0;
        break;
      default:
        --at_;
        fail("unknown descriptor");
    }
    if (s.digits > s.width) fail("more decimals than columns");
    for (long r = 0; r < repeat; ++r) add(out, s);
    return false;
  }

  int positive_width() {
    long w = number();
    if (w < 1) fail("a width must be at least 1");
    return static_cast<int>(w);
  }

  // A quoted text; a doubled quote stands for one. Blanks inside are kept.
  std::string quoted() {
    char q = src_[at_++];
    std::string s;
    for (;;) {
      if (at_ >= src_.size()) fail("unterminated quoted text");
      char c = src_[at_++];
      if (c == q) {
        if (at_ < src_.size() && src_[at_] == q) {
          s += q;
          ++at_;
          continue;
        }
        return s;
      }
      s += c;
    }
  }

  std::string_view src_;
  std::size_t at_ = 0;
};

}  // namespace

Layout::Layout(std::string_view source) : source_(source) {
  steps_ = Parser(source).parse();
  for (const Step& s : steps_)
    if (s.is_data()) ++data_count_;
}

std::vector<FieldColumns> field_columns(const Layout& layout) {
  std::vector<FieldColumns> out;
  std::size_t pos = 0;  // the current column, from 0
  for (const Step& s : layout.steps()) {
    if (s.op == Op::skip || s.op == Op::tab) {
      pos = s.column_after(pos);
    } else if (s.op == Op::text) {
      pos += s.text.size();
    } else if (s.is_data()) {
      const int first = static_cast<int>(pos) + 1;
      out.push_back({first, first + s.width - 1});
      pos += static_cast<std::size_t>(s.width);
    }
  }
  return out;
}

}  // namespace records
