// Model-performance measures of paired values, Co observed and Cp predicted, means
// over the pairs. Everything is computed in double precision from the float values:
//   FB   = (mean Co - mean Cp) / (0.5 (mean Co + mean Cp))  (positive: underprediction)
//   MG   = exp(mean ln Co - mean ln Cp)                      (over pairs with Co, Cp > 0)
//   NMSE = mean (Co - Cp)^2 / (mean Co * mean Cp)
//   VG   = exp(mean (ln Co - ln Cp)^2)                       (over pairs with Co, Cp > 0)
//   FAC2 = fraction of pairs with 0.5 <= Cp/Co <= 2
//   NAD  = mean |Co - Cp| / (mean Co + mean Cp)
// A measure that cannot be formed (no pairs, no positive pairs for MG and VG, mean
// Cp zero for NMSE) is NaN.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

namespace evaluate {

inline constexpr int kFb = 0;
inline constexpr int kMg = 1;
inline constexpr int kNmse = 2;
inline constexpr int kVg = 3;
inline constexpr int kFac2 = 4;
inline constexpr int kNad = 5;
inline constexpr int kMeasures = 6;

std::string_view measure_name(int measure);  // "FB", "MG", "NMSE", "VG", "FAC2", "NAD"

using MeasureValues = std::array<double, kMeasures>;

// Sums over a set of pairs from which every measure follows; adding the sums of two
// sets gives the sums of their union. Counts are held as doubles (exact to 2^53).
struct PairSums {
  double n = 0;     // pairs
  double co = 0;    // sum Co
  double cp = 0;    // sum Cp
  double sq = 0;    // sum (Co - Cp)^2
  double ad = 0;    // sum |Co - Cp|
  double fac2 = 0;  // pairs with 0.5 <= Cp/Co <= 2
  double npos = 0;  // pairs with both values positive
  double lnco = 0;  // sum ln Co over those
  double lncp = 0;  // sum ln Cp over those
  double lnsq = 0;  // sum (ln Co - ln Cp)^2 over those

  void add(const PairSums& other) {
    n += other.n;
    co += other.co;
    cp += other.cp;
    sq += other.sq;
    ad += other.ad;
    fac2 += other.fac2;
    npos += other.npos;
    lnco += other.lnco;
    lncp += other.lncp;
    lnsq += other.lnsq;
  }
  // Adds `w` times the sums of `other` (w a whole number of repetitions).
  void add_times(const PairSums& other, double w) {
    n += w * other.n;
    co += w * other.co;
    cp += w * other.cp;
    sq += w * other.sq;
    ad += w * other.ad;
    fac2 += w * other.fac2;
    npos += w * other.npos;
    lnco += w * other.lnco;
    lncp += w * other.lncp;
    lnsq += w * other.lnsq;
  }
};

// The sums of the single pair (co, cp); co must be positive, cp not negative.
PairSums pair_terms(float co, float cp);

MeasureValues measures_of(const PairSums& sums);

// ln MG and ln VG, formed from the sums without exponentiating (NaN when npos is 0).
double log_mg(const PairSums& sums);
double log_vg(const PairSums& sums);

// Differences a minus b of two models' measures on the same lines: FB, NMSE, FAC2
// and NAD as plain differences, MG and VG as differences of their natural logarithms.
MeasureValues measure_differences(const PairSums& a, const PairSums& b);

struct Pair {
  float co;
  float cp;
};

// Everything the table states about one set of pairs: the measures and the means,
// standard deviations (divisor N) and correlation coefficient. Means, standard
// deviations and r are NaN without pairs; r is NaN when either deviation is 0.
struct PairSummary {
  long n = 0;
  long npos = 0;
  PairSums sums;
  double mean_o = 0, mean_p = 0, sd_o = 0, sd_p = 0, r = 0;
  MeasureValues measures{};
};

PairSummary summarize(std::span<const Pair> pairs);

// Acceptance criteria sets. rural (the customary set for rural tracer studies):
// FAC2 >= 0.5, |FB| <= 0.3, 0.7 <= MG <= 1.3, NMSE <= 1.5, VG <= 4; NAD not judged.
// urban: FAC2 >= 0.30, |FB| <= 0.67, NMSE <= 6, NAD <= 0.50; MG and VG not judged.
enum class Criteria { rural, urban };
std::string_view criteria_name(Criteria criteria);  // "rural", "urban"

// One judged measure of a set: met when lower <= value <= upper (|value| for FB);
// an open side is an infinity.
struct Criterion {
  int measure;
  double lower;
  double upper;
  std::string_view text;  // e.g. "|FB| <= 0.3"
};
// The judged measures of a set, in the order its text names them.
std::span<const Criterion> criteria_of(Criteria criteria);
// The criterion of `measure`, or nothing when the set does not judge it.
const Criterion* criterion_of(Criteria criteria, int measure);
// The criteria as text, e.g. "FAC2 >= 0.5, |FB| <= 0.3, ..., VG <= 4".
std::string criteria_text(Criteria criteria);
bool judged(Criteria criteria, int measure);

enum class Verdict : char { met = 'Y', not_met = 'N', not_formed = '-', not_judged = '.' };
std::array<Verdict, kMeasures> acceptance(const MeasureValues& values,
                                          Criteria criteria = Criteria::rural);

}  // namespace evaluate
