// The measures of paired values, Co observed and Cp predicted, and the one table
// that describes each of them: its name, its definition, how it is formed, how two
// models' values are compared, and how it is written. The table writer, the tidy
// rows, the page, the help text and the header read the table; adding a measure is
// one entry, its function (of a PairStats), its tests and its documentation.
// Everything is computed in double precision from the float values.
#pragma once

#include <array>
#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "evaluate/statistics/uncertainty.h"

namespace evaluate {

// Measure identities: the index of the measure in the table, in table order.
enum : int {
  kFb,
  kMg,
  kNmse,
  kVg,
  kFac2,
  kNad,
  kRhcO,      // robust highest concentration of the observations
  kRhcP,      // of the predictions
  kRhcRatio,  // RHCp / RHCo
  kMeanO,
  kMeanP,
  kSdO,
  kSdP,
  kR,
  // The operational statistics.
  kMb,
  kMge,
  kNmb,
  kNmge,
  kRmse,
  kCrmse,
  kSdr,
  kIoa,
  kCoe,
  kNse,
  kKge,
  // The modelling quality objective, formed only for a quantity given an uncertainty.
  kMqi,
  kMqiY,
  kMpiBias,
  kMpiR,
  kMpiSd,
  kMpiPerc,
  kMqi90,         // over the groups, on the group all
  kY90,           // over the groups, on the group all
  kGroupsAbove1,  // over the groups, on the group all; no limits
  kRmsU,          // RMS_U, not written (the target diagram's scale)
  // The exceedances of a threshold, formed per threshold of --threshold: the counts
  // (a to d), then the scores.
  kHits,
  kFalseAlarms,
  kMisses,
  kCorrectNegatives,
  kPod,
  kFar,
  kF,
  kCsi,
  kFbi,
  kEts,
  kMeasures  // the number of measures
};

// One value per measure, indexed by identity; NaN where a measure is not formed.
using MeasureValues = std::array<double, kMeasures>;

// Sums over a set of pairs; adding the sums of two sets gives the sums of their
// union. Counts are held as doubles (exact to 2^53).
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

  void add(const PairSums& other) { add_times(other, 1.0); }
  // Adds `w` times the sums of `other` (w a whole number of repetitions; w = 1 adds
  // exactly the sums).
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

// The contingency table of the pairs against a threshold T; counts held as doubles
// (exact to 2^53), a pair repeated w times counted w times.
struct Contingency {
  double a = 0;  // Co > T and Cp > T: hits
  double b = 0;  // Co <= T and Cp > T: false alarms
  double c = 0;  // Co > T and Cp <= T: misses
  double d = 0;  // neither: correct negatives
  double n() const { return a + b + c + d; }
  void add(const Contingency& o) {
    a += o.a;
    b += o.b;
    c += o.c;
    d += o.d;
  }
};

// The sums of the single pair (co, cp) with ln Co and ln Cp given (read only where
// both values are positive).
inline PairSums pair_terms(float co, float cp, double ln_co, double ln_cp) {
  const double o = co;
  const double p = cp;
  PairSums s;
  s.n = 1;
  s.co = o;
  s.cp = p;
  s.sq = (o - p) * (o - p);
  s.ad = std::fabs(o - p);
  // Cp/Co between 0.5 and 2 inclusive; the products are exact in double.
  s.fac2 = (p >= 0.5 * o && p <= 2.0 * o) ? 1 : 0;
  if (o > 0.0 && p > 0.0) {
    s.npos = 1;
    s.lnco = ln_co;
    s.lncp = ln_cp;
    s.lnsq = (ln_co - ln_cp) * (ln_co - ln_cp);
  }
  return s;
}

// The sums of the single pair (co, cp); co must be positive, cp not negative.
inline PairSums pair_terms(float co, float cp) {
  const bool logs = co > 0.0f && cp > 0.0f;
  return pair_terms(co, cp, logs ? std::log(static_cast<double>(co)) : 0.0,
                    logs ? std::log(static_cast<double>(cp)) : 0.0);
}

// Everything the measures of one set of pairs are formed from: the sums over the
// pairs, the sums of the deviations about the means (a second pass, so that a large
// common offset does not cancel) and the robust highest concentrations of the
// observed and the predicted values. A pair repeated w times counts w times.
struct PairStats {
  PairSums sums;
  double soo = 0;  // sum (Co - mean Co)^2
  double spp = 0;  // sum (Cp - mean Cp)^2
  double sop = 0;  // sum (Co - mean Co)(Cp - mean Cp)
  double sdd = 0;  // sum ((Cp - mean Cp) - (Co - mean Co))^2
  double sao = 0;  // sum |Co - mean Co|
  double rhc_o = std::numeric_limits<double>::quiet_NaN();
  double rhc_p = std::numeric_limits<double>::quiet_NaN();
  // The measurement uncertainty of the quantity (none: the objective is not formed)
  // and the P-th percentiles (type 7) of the observed and the predicted values.
  const Uncertainty* uncertainty = nullptr;
  double perc_o = std::numeric_limits<double>::quiet_NaN();
  double perc_p = std::numeric_limits<double>::quiet_NaN();
  // The pairs against the threshold whose measures are formed (see per_threshold).
  Contingency exceedance = {};

  // Adds w times the deviations of the pair (co, cp) about the means mo = sums.co /
  // sums.n and mp = sums.cp / sums.n (given, so that a pass divides once per set).
  void add_deviations(double mo, double mp, float co, float cp, double w) {
    add_squares(mo, mp, co, cp, w);
    const double dop = static_cast<double>(co) - mo;
    sao += w * (dop < 0.0 ? -dop : dop);
  }
  // The same without the absolute deviation (sao).
  void add_squares(double mo, double mp, float co, float cp, double w) {
    const double dop = static_cast<double>(co) - mo;
    const double dpp = static_cast<double>(cp) - mp;
    const double wdo = w * dop;
    soo += wdo * dop;
    spp += w * dpp * dpp;
    sop += wdo * dpp;
    sdd += w * (dpp - dop) * (dpp - dop);
  }
};

// How a measure is formed: from the sums alone, from the deviations about the means
// (a second pass over the pairs), or from a pass down the largest values.
enum class Formed { sums, about_means, high_values };

// How the values of two models on the same lines are compared: not at all, as a
// plain difference (first minus second), or as the difference of the natural
// logarithms (formed without exponentiating, see MeasureEntry::log_of).
enum class Difference { none, plain, log };

// How a value is written: a real, under 1pe11.3 in the table (the double rounded
// once to float; -99.0 when not formed, asterisks beyond the float range), in the
// shortest decimal form in the tidy file (empty when not formed or not finite), and
// with 3 significant figures on the page.
// A count (groups_above_1) is written as a real without limits: in the table its
// block's limits are -99.0 and its mark ".", in the tidy file its limits and mark
// are empty.
enum class Written { real, count };

// Where the page shows a measure of the first section: in the acceptance table
// (value, limits, the criteria's mark), in the high-end table (value and limits), or
// among the means (value only; also written, without limits, on the first section's
// measure lines); a measure of a later section is shown in that section's tables.
enum class Shown { acceptance, high_end, means, in_section };

// The sections of the statistics table, in writing order. The first holds the
// measure and difference lines of the tracer-study measures; each later section
// holds its measures with their limits (model lines) and their differences
// (difference lines), and is written only when it has a measure. A measure lands in
// its section by its entry's `section`; a measure shown among the means of the first
// section (R) keeps its plain column there and its tidy row, and is written with its
// limits in its own section too.
// The exceedance section, last, is written only with --threshold, in a layout of
// its own (a line per threshold).
enum class Section { statistics, operational, objective, exceedances };

// What a measure needs of the run: nothing, an uncertainty of the quantity
// (--uncertainty), or one with NP and NNP.
enum class Needs { nothing, uncertainty, uncertainty_of_means };

struct SectionEntry {
  Section section;
  std::string_view id;           // the page's element id: "operational"
  std::string_view title;        // "Operational statistics": the table's and page's title
  std::string_view description;  // one line: what the section holds (header and page)
};
// The later sections (not the first), in writing order.
std::span<const SectionEntry> later_sections();

struct MeasureEntry {
  std::string_view name;  // "FB": the table's column title and the tidy file's measure
  // The header's definition line(s) after the name ('\n' between lines); empty where
  // an earlier entry's text defines the measure too.
  std::string_view header = {};
  std::string_view title = {};  // the page's text of what the measure is
  Formed formed = Formed::sums;
  double (*of)(const PairStats&) = nullptr;
  bool limits = true;  // given with bootstrap limits and a mark
  Difference difference = Difference::plain;
  std::string_view difference_name = {};  // "dFB", "dlnMG"; empty without a difference
  // For a log difference: the natural logarithm of the measure, or of its part that
  // differs between two models on the same lines.
  double (*log_of)(const PairStats&) = nullptr;
  std::string_view limit_title = {};  // the .lo/.hi titles' stem where the name is too long
  Written written = Written::real;
  // A measure given once per threshold of --threshold, formed from the pairs'
  // contingency table (PairStats::exceedance) by the exceedance counter rather than
  // by the evaluator; its tidy names are made at run time ("POD@200", "dPOD@200").
  bool per_threshold = false;
  // A measure formed over the groups' values (a percentile of them, for the group
  // "all") rather than per group: the evaluator forms it from the groups' values.
  bool over_groups = false;
  Shown shown = Shown::in_section;
  // The page's text of what the difference is, where the entry's name and kind of
  // difference do not say it ("ln X of the first model minus ln X of the second").
  std::string_view difference_title = {};
  Section section = Section::statistics;  // where its value with limits is written
  Needs needs = Needs::nothing;
  // Judged against the modelling quality objective: met when |value| <= 1, whatever
  // the criteria set.
  bool objective = false;
  std::string_view column = {};  // the table's column title where it is not the name
  // In the quantity's units (a mean, a spread, an error, a high value); otherwise a
  // ratio or score without dimension, or a count. A plain difference keeps the units.
  bool in_units = false;
};

// Whether measure `id` is formed for a quantity with the uncertainty `u` (none: not
// given) on a group (`all`: the group all).
bool formed_with(int id, const Uncertainty* u, bool all);

// The table, in table order (the order of the identities above).
std::span<const MeasureEntry> measure_table();
const MeasureEntry& measure_entry(int measure);
std::string_view measure_name(int measure);  // "FB" ... "R"

// The measures written with limits in `section` (model lines), or those with a
// difference (difference lines), in table order. For the first section: the blocks
// of today's lines (FB ... RHCp/RHCo; dFB ... dlnRHC).
std::vector<int> section_measures(Section section, bool differences);
// The measures written as plain values on the first section's measure lines (the
// means: MeanO, MeanP, SdO, SdP, R).
std::vector<int> plain_measures();

// The names of the measures shown in `where`, in table order: "FB, MG, ..., NAD".
std::string measure_list(Shown where);

// Every measure of `stats` (MeanO ... R of a set without pairs: NaN).
MeasureValues measures_of(const PairStats& stats);
// The difference of measure `measure` between a and b, formed as its entry says
// (NaN for a measure without a difference).
double measure_difference(int measure, const PairStats& a, const PairStats& b);

// ln MG and ln VG, formed from the sums without exponentiating (NaN when npos is 0).
double log_mg(const PairSums& sums);
double log_vg(const PairSums& sums);

struct Pair {
  float co;
  float cp;
};

// Every measure of a set of pairs, each pair once.
struct PairSummary {
  long n = 0;
  long npos = 0;
  PairStats stats;
  MeasureValues measures{};
};
PairSummary summarize(std::span<const Pair> pairs);

// 95% limits. NaN when not formed.
struct Limits {
  double lower;
  double upper;
};

}  // namespace evaluate
