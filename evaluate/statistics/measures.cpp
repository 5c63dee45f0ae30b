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

// ---- The operational statistics ----

double mb(const PairStats& s) {
  return s.sums.n > 0 ? (s.sums.cp - s.sums.co) / s.sums.n : kNan;
}
double mge(const PairStats& s) {
  return s.sums.n > 0 ? s.sums.ad / s.sums.n : kNan;
}
double nmb(const PairStats& s) {
  return s.sums.n > 0 && s.sums.co != 0.0 ? (s.sums.cp - s.sums.co) / s.sums.co : kNan;
}
double nmge(const PairStats& s) {
  return s.sums.n > 0 && s.sums.co != 0.0 ? s.sums.ad / s.sums.co : kNan;
}
double rmse(const PairStats& s) {
  return s.sums.n > 0 ? std::sqrt(s.sums.sq / s.sums.n) : kNan;
}
double crmse(const PairStats& s) {
  return s.sums.n > 0 ? std::sqrt(s.sdd / s.sums.n) : kNan;
}
double sdr(const PairStats& s) {
  if (!(s.sums.n > 0) || !(s.soo > 0.0) || !(s.spp > 0.0)) return kNan;
  return std::sqrt(s.spp / s.sums.n) / std::sqrt(s.soo / s.sums.n);
}
double ln_sdr(const PairStats& s) {
  const double r = sdr(s);
  return r > 0.0 && std::isfinite(r) ? std::log(r) : kNan;
}
// Willmott et al. (2012): A = sum |Cp - Co|, B = 2 sum |Co - mean Co|.
double ioa(const PairStats& s) {
  if (!(s.sums.n > 0) || !(s.sao > 0.0)) return kNan;
  const double a = s.sums.ad;
  const double b = 2.0 * s.sao;
  return a <= b ? 1.0 - a / b : b / a - 1.0;
}
double coe(const PairStats& s) {
  if (!(s.sums.n > 0) || !(s.sao > 0.0)) return kNan;
  return 1.0 - s.sums.ad / s.sao;
}
double nse(const PairStats& s) {
  if (!(s.sums.n > 0) || !(s.sao > 0.0) || !(s.soo > 0.0)) return kNan;
  return 1.0 - s.sums.sq / s.soo;
}
double kge(const PairStats& s) {
  const double r = correlation(s);
  const double ratio = sdr(s);
  if (std::isnan(r) || std::isnan(ratio) || s.sums.co == 0.0) return kNan;
  const double beta = s.sums.cp / s.sums.co;  // mean Cp / mean Co
  return 1.0 - std::sqrt((r - 1.0) * (r - 1.0) + (ratio - 1.0) * (ratio - 1.0) +
                         (beta - 1.0) * (beta - 1.0));
}

// ---- The modelling quality objective: NaN without an uncertainty ----

// beta RMS_U, RMS_U = sqrt(mean U(Oi)^2), with mean Oi^2 = soo/n + (mean Co)^2.
double rms_u(const PairStats& s) {
  if (s.uncertainty == nullptr || !(s.sums.n > 0)) return kNan;
  const double mo = s.sums.co / s.sums.n;
  return std::sqrt(mean_square_uncertainty(*s.uncertainty, s.soo / s.sums.n + mo * mo));
}
double scale(const PairStats& s) {
  return s.uncertainty == nullptr ? kNan : s.uncertainty->beta * rms_u(s);
}
double mqi(const PairStats& s) {
  return s.sums.n > 0 ? std::sqrt(s.sums.sq / s.sums.n) / scale(s) : kNan;
}
double mpi_bias(const PairStats& s) {
  return s.sums.n > 0 ? (s.sums.cp - s.sums.co) / s.sums.n / scale(s) : kNan;
}
double mpi_r(const PairStats& s) {
  const double r = correlation(s);
  const double k = scale(s);
  return 2.0 * sd_o(s) * sd_p(s) * (1.0 - r) / (k * k);
}
double mpi_sd(const PairStats& s) {
  return (sd_p(s) - sd_o(s)) / scale(s);
}
double mpi_perc(const PairStats& s) {
  if (s.uncertainty == nullptr) return kNan;
  return (s.perc_p - s.perc_o) / (s.uncertainty->beta * uncertainty_of(*s.uncertainty, s.perc_o));
}
double mqi_y(const PairStats& s) {
  if (s.uncertainty == nullptr || !s.uncertainty->of_means() || !(s.sums.n > 0)) return kNan;
  const double mo = s.sums.co / s.sums.n;
  const double mp = s.sums.cp / s.sums.n;
  return std::fabs(mo - mp) / (s.uncertainty->beta * uncertainty_of_mean(*s.uncertainty, mo));
}
// Formed by the evaluator over the groups' values.
double over_groups(const PairStats&) {
  return kNan;
}

using F = Formed;
using D = Difference;
using N = Needs;
constexpr auto kObj = Section::objective;

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
    {"R",
     "",
     "correlation coefficient of Co and Cp",
     F::about_means,
     correlation,
     true,
     D::plain,
     "dR",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::means,
     {},
     Section::operational},
    {"MB",
     "  MB    = mean (Cp - Co): mean bias, in the quantity's units; 0 for a perfect model, "
     "positive: overprediction",
     "mean bias mean (Cp - Co), in the quantity's units; positive: overprediction",
     F::sums,
     mb,
     true,
     D::plain,
     "dMB",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     Section::operational},
    {"MGE",
     "  MGE   = mean |Cp - Co|: mean gross error, in the quantity's units; 0 for a perfect model",
     "mean gross error mean |Cp - Co|, in the quantity's units",
     F::sums,
     mge,
     true,
     D::plain,
     "dMGE",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     Section::operational},
    {"NMB",
     "  NMB   = sum (Cp - Co) / sum Co: normalised mean bias; 0 for a perfect model, positive: "
     "overprediction",
     "normalised mean bias sum (Cp - Co) / sum Co",
     F::sums,
     nmb,
     true,
     D::plain,
     "dNMB",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     Section::operational},
    {"NMGE",
     "  NMGE  = sum |Cp - Co| / sum Co: normalised mean gross error; 0 for a perfect model",
     "normalised mean gross error sum |Cp - Co| / sum Co",
     F::sums,
     nmge,
     true,
     D::plain,
     "dNMGE",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     Section::operational},
    {"RMSE",
     "  RMSE  = sqrt(mean (Cp - Co)^2): root mean square error, in the quantity's units; 0 for a "
     "perfect model",
     "root mean square error sqrt(mean (Cp - Co)^2), in the quantity's units",
     F::sums,
     rmse,
     true,
     D::plain,
     "dRMSE",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     Section::operational},
    {"CRMSE",
     "  CRMSE = sqrt(mean ((Cp - mean Cp) - (Co - mean Co))^2): centred root mean square error, in "
     "the quantity's units; RMSE^2 = MB^2 + CRMSE^2",
     "centred root mean square error sqrt(mean ((Cp - mean Cp) - (Co - mean Co))^2), in the "
     "quantity's units",
     F::about_means,
     crmse,
     true,
     D::plain,
     "dCRMSE",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     Section::operational},
    {"SDR",
     "  SDR   = SdP / SdO: ratio of the standard deviations (divisor N); 1 for a perfect model",
     "ratio of the standard deviations SdP / SdO",
     F::about_means,
     sdr,
     true,
     D::log,
     "dlnSDR",
     ln_sdr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     Section::operational},
    {"IOA",
     "  IOA   = 1 - A/B when A <= B, else B/A - 1, A = sum |Cp - Co|, B = 2 sum |Co - mean Co|: "
     "refined index of agreement (Willmott et al. 2012); 1 for a perfect model",
     "refined index of agreement of Willmott et al. (2012)",
     F::about_means,
     ioa,
     true,
     D::plain,
     "dIOA",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     Section::operational},
    {"COE",
     "  COE   = 1 - sum |Cp - Co| / sum |Co - mean Co|: coefficient of efficiency (Legates and "
     "McCabe 1999); 1 for a perfect model",
     "coefficient of efficiency of Legates and McCabe (1999)",
     F::about_means,
     coe,
     true,
     D::plain,
     "dCOE",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     Section::operational},
    {"NSE",
     "  NSE   = 1 - sum (Cp - Co)^2 / sum (Co - mean Co)^2: model efficiency (Nash and Sutcliffe "
     "1970); 1 for a perfect model",
     "model efficiency of Nash and Sutcliffe (1970)",
     F::about_means,
     nse,
     true,
     D::plain,
     "dNSE",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     Section::operational},
    {"KGE",
     "  KGE   = 1 - sqrt((R - 1)^2 + (SDR - 1)^2 + (mean Cp / mean Co - 1)^2): Kling-Gupta "
     "efficiency (Gupta et al. 2009); 1 for a perfect model",
     "Kling-Gupta efficiency of Gupta et al. (2009)",
     F::about_means,
     kge,
     true,
     D::plain,
     "dKGE",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     Section::operational},
    {"MQI",
     "  Modelling quality objective (FAIRMODE guidance document version 3.3), with --uncertainty:\n"
     "  MQI   = RMSE / (beta RMS_U), U(O) = U sqrt((1 - alpha^2) O^2 + alpha^2 RV^2), RMS_U = "
     "sqrt(mean U(Oi)^2); RV in the quantity's units; met when <= 1",
     "model quality indicator RMSE / (beta RMS_U)",
     F::about_means,
     mqi,
     true,
     D::plain,
     "dMQI",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     kObj,
     N::uncertainty,
     true},
    {"MQI_Y",
     "  MQI_Y = |mean Co - mean Cp| / (beta U(mean Co)), U(mean) = U sqrt((1 - alpha^2) mean^2/NP "
     "+ alpha^2 RV^2/NNP); met when <= 1; only with NP and NNP",
     "quality indicator of the means |mean Co - mean Cp| / (beta U(mean Co))",
     F::sums,
     mqi_y,
     true,
     D::plain,
     "dMQI_Y",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     kObj,
     N::uncertainty_of_means,
     true},
    {"MPI_bias",
     "  MPI_bias = (mean Cp - mean Co) / (beta RMS_U); each |MPI| met when <= 1",
     "bias indicator (mean Cp - mean Co) / (beta RMS_U)",
     F::about_means,
     mpi_bias,
     true,
     D::plain,
     "dMPI_bias",
     nullptr,
     "MPIb",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     kObj,
     N::uncertainty,
     true},
    {"MPI_R",
     "  MPI_R = 2 SdO SdP (1 - R) / (beta RMS_U)^2",
     "correlation indicator 2 SdO SdP (1 - R) / (beta RMS_U)^2",
     F::about_means,
     mpi_r,
     true,
     D::plain,
     "dMPI_R",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     kObj,
     N::uncertainty,
     true},
    {"MPI_sd",
     "  MPI_sd = (SdP - SdO) / (beta RMS_U)",
     "standard deviation indicator (SdP - SdO) / (beta RMS_U)",
     F::about_means,
     mpi_sd,
     true,
     D::plain,
     "dMPI_sd",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     kObj,
     N::uncertainty,
     true},
    {"MPI_perc",
     "  MPI_perc = (Cp_P - Co_P) / (beta U(Co_P)), Cp_P and Co_P the P-th percentiles (type 7) of "
     "the predicted and the observed values",
     "high-percentile indicator (Cp_P - Co_P) / (beta U(Co_P))",
     F::high_values,
     mpi_perc,
     true,
     D::plain,
     "dMPI_perc",
     nullptr,
     "MPIp",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     kObj,
     N::uncertainty,
     true},
    {"MQI90",
     "  MQI90 = 90th percentile of the MQI of the S arc or label groups with N >= 3 (ascending, "
     "k = floor(0.9 S), d = 0.9 S - k: MQI(k) + d (MQI(k+1) - MQI(k)); S = 1: MQI(1)); group all",
     "90th percentile of the groups' MQI",
     F::sums,
     over_groups,
     true,
     D::none,
     "",
     nullptr,
     "",
     Written::real,
     false,
     true,
     Shown::in_section,
     {},
     kObj,
     N::uncertainty,
     true},
    {"Y90",
     "  Y90   = the same of the groups' MQI_Y; MQI90 and Y90 met when <= 1",
     "90th percentile of the groups' MQI_Y",
     F::sums,
     over_groups,
     true,
     D::none,
     "",
     nullptr,
     "",
     Written::real,
     false,
     true,
     Shown::in_section,
     {},
     kObj,
     N::uncertainty_of_means,
     true},
    {"groups_above_1",
     "  groups_above_1 = how many of the S groups have an MQI above 1 (no limits: -99.0)",
     "groups whose MQI is above 1",
     F::sums,
     over_groups,
     true,
     D::none,
     "",
     nullptr,
     "",
     Written::count,
     false,
     true,
     Shown::in_section,
     {},
     kObj,
     N::uncertainty,
     false},
    {"RMS_U",
     "",
     "root mean square of the measurement uncertainty",
     F::about_means,
     rms_u,
     false,
     D::none,
     "",
     nullptr,
     "",
     Written::real,
     false,
     false,
     Shown::in_section,
     {},
     kObj,
     N::uncertainty,
     false},
};
static_assert(std::size(kTable) == kMeasures, "one table entry per measure identity");

constexpr SectionEntry kLaterSections[] = {
    {Section::operational, "operational", "Operational statistics",
     "the operational statistics of air-quality model evaluation, each with 95% limits; "
     "MB, MGE, RMSE and CRMSE in the quantity's units"},
    {Section::objective, "objective", "Modelling quality objective",
     "the modelling quality objective (FAIRMODE guidance document version 3.3) against the "
     "measurement uncertainty given with --uncertainty; RV in the quantity's units (the presets: "
     "ug/m3)"},
};

}  // namespace

std::span<const SectionEntry> later_sections() {
  return kLaterSections;
}

std::vector<int> section_measures(Section section, bool differences) {
  std::vector<int> out;
  for (int id = 0; id < kMeasures; ++id) {
    const MeasureEntry& entry = kTable[id];
    if (entry.section != section) continue;
    if (differences ? entry.difference != Difference::none : entry.limits) out.push_back(id);
  }
  return out;
}

bool formed_with(int id, const Uncertainty* u, bool all) {
  const MeasureEntry& entry = kTable[id];
  if (entry.needs == Needs::nothing) return true;
  if (u == nullptr) return false;
  if (entry.needs == Needs::uncertainty_of_means && !u->of_means()) return false;
  return !entry.over_groups || all;
}

std::vector<int> plain_measures() {
  std::vector<int> out;
  for (int id = 0; id < kMeasures; ++id) {
    if (kTable[id].shown == Shown::means) out.push_back(id);
  }
  return out;
}

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
    const double mo = out.stats.sums.co / out.stats.sums.n;
    const double mp = out.stats.sums.cp / out.stats.sums.n;
    for (const Pair& p : pairs) out.stats.add_deviations(mo, mp, p.co, p.cp, 1.0);
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
