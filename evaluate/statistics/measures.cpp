#include "evaluate/statistics/measures.h"

#include <cmath>
#include <limits>

namespace evaluate {
namespace {

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();

}  // namespace

std::string_view measure_name(int measure) {
  static constexpr std::string_view names[kMeasures] = {"FB", "MG", "NMSE", "VG", "FAC2", "NAD"};
  return names[measure];
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

double log_mg(const PairSums& s) {
  return s.npos > 0 ? (s.lnco - s.lncp) / s.npos : kNan;
}

double log_vg(const PairSums& s) {
  return s.npos > 0 ? s.lnsq / s.npos : kNan;
}

MeasureValues measures_of(const PairSums& s) {
  MeasureValues v;
  v.fill(kNan);
  if (s.n > 0) {
    const double mo = s.co / s.n;
    const double mp = s.cp / s.n;
    v[kFb] = (mo - mp) / (0.5 * (mo + mp));
    if (mp > 0.0) v[kNmse] = (s.sq / s.n) / (mo * mp);
    v[kFac2] = s.fac2 / s.n;
    if (mo + mp > 0.0) v[kNad] = (s.ad / s.n) / (mo + mp);
  }
  if (s.npos > 0) {
    v[kMg] = std::exp(log_mg(s));
    v[kVg] = std::exp(log_vg(s));
  }
  return v;
}

MeasureValues measure_differences(const PairSums& a, const PairSums& b) {
  const MeasureValues ma = measures_of(a);
  const MeasureValues mb = measures_of(b);
  MeasureValues d;
  d[kFb] = ma[kFb] - mb[kFb];
  d[kMg] = log_mg(a) - log_mg(b);
  d[kNmse] = ma[kNmse] - mb[kNmse];
  d[kVg] = log_vg(a) - log_vg(b);
  d[kFac2] = ma[kFac2] - mb[kFac2];
  d[kNad] = ma[kNad] - mb[kNad];
  return d;
}

PairSummary summarize(std::span<const Pair> pairs) {
  PairSummary out;
  PairSums sums;
  for (const Pair& p : pairs) sums.add(pair_terms(p.co, p.cp));
  out.sums = sums;
  out.n = static_cast<long>(sums.n);
  out.npos = static_cast<long>(sums.npos);
  out.measures = measures_of(sums);
  if (pairs.empty()) {
    out.mean_o = out.mean_p = out.sd_o = out.sd_p = out.r = kNan;
    return out;
  }
  const double n = sums.n;
  out.mean_o = sums.co / n;
  out.mean_p = sums.cp / n;
  // Second pass about the means, so that a large common offset does not cancel.
  double soo = 0, spp = 0, sop = 0;
  for (const Pair& p : pairs) {
    const double dop = static_cast<double>(p.co) - out.mean_o;
    const double dpp = static_cast<double>(p.cp) - out.mean_p;
    soo += dop * dop;
    spp += dpp * dpp;
    sop += dop * dpp;
  }
  out.sd_o = std::sqrt(soo / n);
  out.sd_p = std::sqrt(spp / n);
  out.r = (soo > 0.0 && spp > 0.0) ? sop / (std::sqrt(soo) * std::sqrt(spp)) : kNan;
  return out;
}

std::string_view criteria_name(Criteria criteria) {
  return criteria == Criteria::urban ? "urban" : "rural";
}

namespace {
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr Criterion kRural[] = {{kFac2, 0.5, kInf, "FAC2 >= 0.5"},
                                {kFb, -kInf, 0.3, "|FB| <= 0.3"},
                                {kMg, 0.7, 1.3, "0.7 <= MG <= 1.3"},
                                {kNmse, -kInf, 1.5, "NMSE <= 1.5"},
                                {kVg, -kInf, 4.0, "VG <= 4"}};
constexpr Criterion kUrban[] = {{kFac2, 0.30, kInf, "FAC2 >= 0.30"},
                                {kFb, -kInf, 0.67, "|FB| <= 0.67"},
                                {kNmse, -kInf, 6.0, "NMSE <= 6"},
                                {kNad, -kInf, 0.50, "NAD <= 0.50"}};
}  // namespace

std::span<const Criterion> criteria_of(Criteria criteria) {
  if (criteria == Criteria::urban) return kUrban;
  return kRural;
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
    const double value = c.measure == kFb ? std::fabs(v[kFb]) : v[c.measure];
    if (std::isnan(value))
      out[c.measure] = Verdict::not_formed;
    else
      out[c.measure] = value >= c.lower && value <= c.upper ? Verdict::met : Verdict::not_met;
  }
  return out;
}

}  // namespace evaluate
