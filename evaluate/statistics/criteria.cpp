#include "evaluate/statistics/criteria.h"

#include <cmath>
#include <limits>
#include <vector>

namespace evaluate {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// The value of written digits such as "0.30" or "4": the whole digits over a power
// of ten, one correctly rounded division, as the compiler reads the literal.
double digits_value(std::string_view digits, double open) {
  if (digits.empty()) return open;
  double whole = 0.0;
  double scale = 1.0;
  bool after_point = false;
  for (const char c : digits) {
    if (c == '.') {
      after_point = true;
      continue;
    }
    whole = whole * 10.0 + (c - '0');
    if (after_point) scale *= 10.0;
  }
  return whole / scale;
}

struct Bounds {
  int measure;
  std::string_view lower;
  std::string_view upper;
  bool symmetric = false;
};

Criterion criterion(const Bounds& b) {
  Criterion c{b.measure,
              b.lower,
              b.upper,
              b.symmetric,
              digits_value(b.lower, -kInf),
              digits_value(b.upper, kInf),
              {}};
  const std::string name(measure_name(b.measure));
  if (b.symmetric) {
    c.text = "|" + name + "| <= " + std::string(b.upper);
  } else if (b.lower.empty()) {
    c.text = name + " <= " + std::string(b.upper);
  } else if (b.upper.empty()) {
    c.text = name + " >= " + std::string(b.lower);
  } else {
    c.text = std::string(b.lower) + " <= " + name + " <= " + std::string(b.upper);
  }
  return c;
}

std::vector<Criterion> criteria(std::initializer_list<Bounds> bounds) {
  std::vector<Criterion> out;
  for (const Bounds& b : bounds) out.push_back(criterion(b));
  return out;
}

}  // namespace

std::string_view criteria_name(Criteria criteria) {
  return criteria == Criteria::urban ? "urban" : "rural";
}

std::span<const Criterion> criteria_of(Criteria set) {
  static const std::vector<Criterion> rural = criteria({{kFac2, "0.5", ""},
                                                        {kFb, "", "0.3", true},
                                                        {kMg, "0.7", "1.3"},
                                                        {kNmse, "", "1.5"},
                                                        {kVg, "", "4"}});
  static const std::vector<Criterion> urban = criteria(
      {{kFac2, "0.30", ""}, {kFb, "", "0.67", true}, {kNmse, "", "6"}, {kNad, "", "0.50"}});
  return set == Criteria::urban ? urban : rural;
}

const Criterion* criterion_of(Criteria criteria, int measure) {
  for (const Criterion& c : criteria_of(criteria)) {
    if (c.measure == measure) return &c;
  }
  return nullptr;
}

std::string criteria_text(Criteria criteria) {
  std::string text;
  for (const Criterion& c : criteria_of(criteria)) {
    if (!text.empty()) text += ", ";
    text += c.text;
  }
  return text;
}

bool judged(Criteria criteria, int measure) {
  return criterion_of(criteria, measure) != nullptr;
}

std::array<Verdict, kMeasures> acceptance(const MeasureValues& v, Criteria criteria) {
  std::array<Verdict, kMeasures> out;
  out.fill(Verdict::not_judged);
  for (const Criterion& c : criteria_of(criteria)) {
    const double value = c.symmetric ? std::fabs(v[c.measure]) : v[c.measure];
    if (std::isnan(value))
      out[c.measure] = Verdict::not_formed;
    else
      out[c.measure] = value >= c.lower && value <= c.upper ? Verdict::met : Verdict::not_met;
  }
  // The modelling quality objective, whatever the set: met when |value| <= 1.
  for (int id = 0; id < kMeasures; ++id) {
    if (!measure_entry(id).objective) continue;
    const double value = std::fabs(v[id]);
    out[id] = std::isnan(value) ? Verdict::not_formed
              : value <= 1.0    ? Verdict::met
                                : Verdict::not_met;
  }
  return out;
}

bool significant(const Limits& limits) {
  return limits.lower > 0.0 || limits.upper < 0.0;
}

char acceptance_mark(Verdict verdict, const Limits& limits) {
  if (verdict == Verdict::not_judged) return kMarkNotJudged;
  if (std::isnan(limits.lower) || std::isnan(limits.upper)) return kMarkNone;
  return static_cast<char>(verdict);
}

char significance_mark(const Limits& limits) {
  if (std::isnan(limits.lower) || std::isnan(limits.upper)) return kMarkNone;
  return significant(limits) ? kMarkYes : kMarkNo;
}

}  // namespace evaluate
