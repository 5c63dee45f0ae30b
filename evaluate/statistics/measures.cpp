#include "evaluate/statistics/measures.h"

#include <cmath>
#include <vector>

#include "evaluate/statistics/high_end.h"

namespace evaluate {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

// ---- The measures, each of a PairStats ----

double mean_o(const PairStats& s) {
  return s.sums.n > 0 ? s.sums.co / s.sums.n : kNan;
}
double mean_p(const PairStats& s) {
  return s.sums.n > 0 ? s.sums.cp / s.sums.n : kNan;
}
double sd_o(const PairStats& s) {
  return s.sums.n > 0 ? std::sqrt(s.soo / s.sums.n) : kNan;
}
double sd_p(const PairStats& s) {
  return s.sums.n > 0 ? std::sqrt(s.spp / s.sums.n) : kNan;
}
double correlation(const PairStats& s) {
  if (!(s.sums.n > 0) || !(s.soo > 0.0) || !(s.spp > 0.0)) return kNan;
  return s.sop / (std::sqrt(s.soo) * std::sqrt(s.spp));
}

double fb(const PairStats& s) {
  if (!(s.sums.n > 0)) return kNan;
  const double mo = s.sums.co / s.sums.n;
  const double mp = s.sums.cp / s.sums.n;
  return (mo - mp) / (0.5 * (mo + mp));
}
double mg(const PairStats& s) {
  return s.sums.npos > 0 ? std::exp(log_mg(s.sums)) : kNan;
}
double ln_mg(const PairStats& s) {
  return log_mg(s.sums);
}
double nmse(const PairStats& s) {
  if (!(s.sums.n > 0)) return kNan;
  const double mo = s.sums.co / s.sums.n;
  const double mp = s.sums.cp / s.sums.n;
  return mp > 0.0 ? (s.sums.sq / s.sums.n) / (mo * mp) : kNan;
}
double vg(const PairStats& s) {
  return s.sums.npos > 0 ? std::exp(log_vg(s.sums)) : kNan;
}
double ln_vg(const PairStats& s) {
  return log_vg(s.sums);
}
double fac2(const PairStats& s) {
  return s.sums.n > 0 ? s.sums.fac2 / s.sums.n : kNan;
}
double nad(const PairStats& s) {
  if (!(s.sums.n > 0)) return kNan;
  const double mo = s.sums.co / s.sums.n;
  const double mp = s.sums.cp / s.sums.n;
  return mo + mp > 0.0 ? (s.sums.ad / s.sums.n) / (mo + mp) : kNan;
}
double rhc_o(const PairStats& s) {
  return s.rhc_o;
}
double rhc_p(const PairStats& s) {
  return s.rhc_p;
}
double ratio(const PairStats& s) {
  return rhc_ratio(s.rhc_p, s.rhc_o);
}
// On the same lines both models share RHCo, so ln(RHCp/RHCo) differs by ln RHCp.
double ln_rhc_p(const PairStats& s) {
  if (!(s.rhc_p > 0.0) || !std::isfinite(s.rhc_p)) return kNan;
  return std::log(s.rhc_p);
}

using F = Formed;
using D = Difference;

constexpr MeasureEntry kTable[] = {
    {"FB",
     "  FB   = (mean Co - mean Cp) / (0.5 (mean Co + mean Cp))   0 for a perfect model; positive: "
     "the model underpredicts, negative: it overpredicts",
     "fractional bias (mean Co - mean Cp) / (0.5 (mean Co + mean Cp)); positive: underprediction",
     F::sums, fb, true, D::plain, "dFB", nullptr, "", Written::real, false, false,
     Shown::acceptance},
    {"MG",
     "  MG   = exp(mean ln Co - mean ln Cp)                       1 for a perfect model; above 1: "
     "underprediction; over the Npos pairs with Co > 0 and Cp > 0",
     "geometric mean bias exp(mean ln Co - mean ln Cp); above 1: underprediction", F::sums, mg,
     true, D::log, "dlnMG", ln_mg, "", Written::real, false, false, Shown::acceptance},
    {"NMSE", "  NMSE = mean (Co - Cp)^2 / (mean Co * mean Cp)             0 for a perfect model",
     "normalised mean square error mean (Co - Cp)^2 / (mean Co mean Cp)", F::sums, nmse, true,
     D::plain, "dNMSE", nullptr, "", Written::real, false, false, Shown::acceptance},
    {"VG",
     "  VG   = exp(mean (ln Co - ln Cp)^2)                        1 for a perfect model; over the "
     "Npos pairs",
     "geometric variance exp(mean (ln Co - ln Cp)^2)", F::sums, vg, true, D::log, "dlnVG", ln_vg,
     "", Written::real, false, false, Shown::acceptance},
    {"FAC2", "  FAC2 = fraction of the N pairs with 0.5 <= Cp/Co <= 2     1 for a perfect model",
     "fraction of pairs with 0.5 <= Cp/Co <= 2", F::sums, fac2, true, D::plain, "dFAC2", nullptr,
     "", Written::real, false, false, Shown::acceptance},
    {"NAD", "  NAD  = mean |Co - Cp| / (mean Co + mean Cp)               0 for a perfect model",
     "normalised absolute difference mean |Co - Cp| / (mean Co + mean Cp)", F::sums, nad, true,
     D::plain, "dNAD", nullptr, "", Written::real, false, false, Shown::acceptance},
    {"RHCo",
     "  RHC  = C(R) + (Cbar - C(R)) ln((3R - 1)/2), R = min(26, N), C(R) the R-th largest value, "
     "Cbar the mean of the R - 1 largest; not formed for N < 3;\n"
     "         RHCo of the observed, RHCp of the predicted values of the N pairs, unpaired in "
     "time; RHCp/RHCo 1 for a perfect model, above 1: overprediction",
     "robust highest observed concentration", F::high_values, rhc_o, true, D::none, "", nullptr, "",
     Written::real, false, false, Shown::high_end},
    {"RHCp", "", "robust highest predicted concentration", F::high_values, rhc_p, true, D::none, "",
     nullptr, "", Written::real, false, false, Shown::high_end},
    {"RHCp/RHCo", "", "ratio of the predicted to the observed robust highest concentration",
     F::high_values, ratio, true, D::log, "dlnRHC", ln_rhc_p, "Ratio", Written::real, false, false,
     Shown::high_end, "ln(RHCp/RHCo) of the first model minus that of the second"},
    {"MeanO",
     "  MeanO, MeanP: means of Co and Cp; SdO, SdP: their standard deviations (divisor N); R: the "
     "correlation coefficient of Co and Cp",
     "mean of the observed values Co", F::sums, mean_o, false, D::none, "", nullptr, "",
     Written::real, false, false, Shown::means},
    {"MeanP", "", "mean of the predicted values Cp", F::sums, mean_p, false, D::none, "", nullptr,
     "", Written::real, false, false, Shown::means},
    {"SdO", "", "standard deviation of Co (divisor N)", F::about_means, sd_o, false, D::none, "",
     nullptr, "", Written::real, false, false, Shown::means},
    {"SdP", "", "standard deviation of Cp (divisor N)", F::about_means, sd_p, false, D::none, "",
     nullptr, "", Written::real, false, false, Shown::means},
    {"R", "", "correlation coefficient of Co and Cp", F::about_means, correlation, false, D::none,
     "", nullptr, "", Written::real, false, false, Shown::means},
};
static_assert(std::size(kTable) == kMeasures, "one table entry per measure identity");

}  // namespace

std::span<const MeasureEntry> measure_table() {
  return kTable;
}

const MeasureEntry& measure_entry(int measure) {
  return kTable[measure];
}

std::string_view measure_name(int measure) {
  return kTable[measure].name;
}

std::string measure_list(Shown where) {
  std::string out;
  for (const MeasureEntry& entry : kTable) {
    if (entry.shown != where) continue;
    if (!out.empty()) out += ", ";
    out += entry.name;
  }
  return out;
}

PairSums pair_terms(float co, float cp) {
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
    const double lo = std::log(o);
    const double lp = std::log(p);
    s.npos = 1;
    s.lnco = lo;
    s.lncp = lp;
    s.lnsq = (lo - lp) * (lo - lp);
  }
  return s;
}

void PairStats::add_deviations(float co, float cp, double w) {
  const double dop = static_cast<double>(co) - sums.co / sums.n;
  const double dpp = static_cast<double>(cp) - sums.cp / sums.n;
  const double wdo = w * dop;
  soo += wdo * dop;
  spp += w * dpp * dpp;
  sop += wdo * dpp;
}

double log_mg(const PairSums& s) {
  return s.npos > 0 ? (s.lnco - s.lncp) / s.npos : kNan;
}

double log_vg(const PairSums& s) {
  return s.npos > 0 ? s.lnsq / s.npos : kNan;
}

MeasureValues measures_of(const PairStats& stats) {
  MeasureValues v;
  for (int k = 0; k < kMeasures; ++k) v[k] = kTable[k].of(stats);
  return v;
}

double measure_difference(int measure, const PairStats& a, const PairStats& b) {
  const MeasureEntry& entry = kTable[measure];
  switch (entry.difference) {
    case Difference::none:
      return kNan;
    case Difference::plain:
      return entry.of(a) - entry.of(b);
    case Difference::log:
      return entry.log_of(a) - entry.log_of(b);
  }
  return kNan;
}

PairSummary summarize(std::span<const Pair> pairs) {
  PairSummary out;
  for (const Pair& p : pairs) out.stats.sums.add(pair_terms(p.co, p.cp));
  if (!pairs.empty()) {
    for (const Pair& p : pairs) out.stats.add_deviations(p.co, p.cp, 1.0);
  }
  std::vector<float> observed, predicted;
  for (const Pair& p : pairs) {
    observed.push_back(p.co);
    predicted.push_back(p.cp);
  }
  out.stats.rhc_o = rhc(observed);
  out.stats.rhc_p = rhc(predicted);
  out.n = static_cast<long>(out.stats.sums.n);
  out.npos = static_cast<long>(out.stats.sums.npos);
  out.measures = measures_of(out.stats);
  return out;
}

}  // namespace evaluate
