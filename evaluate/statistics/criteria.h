// Acceptance criteria sets and the marks of the table and the tidy file. rural (the
// customary set for rural tracer studies): FAC2 >= 0.5, |FB| <= 0.3,
// 0.7 <= MG <= 1.3, NMSE <= 1.5, VG <= 4; NAD not judged. urban: FAC2 >= 0.30,
// |FB| <= 0.67, NMSE <= 6, NAD <= 0.50; MG and VG not judged. Each bound is held
// with its written digits, and every text of a criterion is made from them.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "evaluate/statistics/measures.h"

namespace evaluate {

enum class Criteria { rural, urban };
std::string_view criteria_name(Criteria criteria);  // "rural", "urban"

// One judged measure of a set: met when lower <= value <= upper, where value is
// |measure| for a symmetric bound (FB); an open side is an infinity.
struct Criterion {
  int measure;
  std::string_view lower_digits;  // as written ("0.30"); empty: open
  std::string_view upper_digits;
  bool symmetric;  // one bound on the magnitude: -upper <= measure <= upper
  double lower;    // the digits' values
  double upper;
  std::string text;  // "FAC2 >= 0.30", "|FB| <= 0.3", "0.7 <= MG <= 1.3"
};
// The judged measures of a set, in the order its text names them.
std::span<const Criterion> criteria_of(Criteria criteria);
// The criterion of `measure`, or nothing when the set does not judge it.
const Criterion* criterion_of(Criteria criteria, int measure);
// The criteria as text, e.g. "FAC2 >= 0.5, |FB| <= 0.3, ..., VG <= 4".
std::string criteria_text(Criteria criteria);
bool judged(Criteria criteria, int measure);

// The marks, written once: an acceptance mark (Y met, N not met, - not formed or no
// limits, . not judged) and a significance mark (Y the limits exclude zero, N they
// do not, - not formed or no limits).
inline constexpr char kMarkYes = 'Y';
inline constexpr char kMarkNo = 'N';
inline constexpr char kMarkNone = '-';
inline constexpr char kMarkNotJudged = '.';

enum class Verdict : char {
  met = kMarkYes,
  not_met = kMarkNo,
  not_formed = kMarkNone,
  not_judged = kMarkNotJudged
};
// The verdicts of the criteria set's measures, and of the modelling quality
// objective's (met when |value| <= 1); the others not judged.
std::array<Verdict, kMeasures> acceptance(const MeasureValues& values,
                                          Criteria criteria = Criteria::rural);

// A difference is significant when its 95% limits exclude zero (both formed).
bool significant(const Limits& limits);

// The mark of a judged value with its limits: the verdict, "-" without limits, "."
// when not judged.
char acceptance_mark(Verdict verdict, const Limits& limits);
char significance_mark(const Limits& limits);

}  // namespace evaluate
