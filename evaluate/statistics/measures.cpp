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

// ---- The exceedances of a threshold: the contingency table and its scores ----

double ratio(double num, double den) {
  return den == 0.0 ? kNan : num / den;
}
double hits(const PairStats& s) {
  return s.exceedance.a;
}
double false_alarms(const PairStats& s) {
  return s.exceedance.b;
}
double misses(const PairStats& s) {
  return s.exceedance.c;
}
double correct_negatives(const PairStats& s) {
  return s.exceedance.d;
}
double pod(const PairStats& s) {
  return ratio(s.exceedance.a, s.exceedance.a + s.exceedance.c);
}
double far(const PairStats& s) {
  return ratio(s.exceedance.b, s.exceedance.a + s.exceedance.b);
}
double false_alarm_rate(const PairStats& s) {
  return ratio(s.exceedance.b, s.exceedance.b + s.exceedance.d);
}
double csi(const PairStats& s) {
  const Contingency& t = s.exceedance;
  return ratio(t.a, t.a + t.b + t.c);
}
double fbi(const PairStats& s) {
  const Contingency& t = s.exceedance;
  return ratio(t.a + t.b, t.a + t.c);
}
double ets(const PairStats& s) {
  const Contingency& t = s.exceedance;
  const double n = t.n();
  if (n == 0.0) return kNan;
  const double ar = (t.a + t.b) * (t.a + t.c) / n;
  return ratio(t.a - ar, t.a + t.b + t.c - ar);
}

constexpr MeasureEntry kTable[] = {
    {.name = "FB",
     .header = "  FB   = (mean Co - mean Cp) / (0.5 (mean Co + mean Cp))   0 for a perfect model; "
               "positive: the model underpredicts, negative: it overpredicts",
     .title = "fractional bias (mean Co - mean Cp) / (0.5 (mean Co + mean Cp)); positive: "
              "underprediction",
     .of = fb,
     .difference_name = "dFB",
     .shown = Shown::acceptance},
    {.name = "MG",
     .header = "  MG   = exp(mean ln Co - mean ln Cp)                       1 for a perfect model; "
               "above 1: underprediction; over the Npos pairs with Co > 0 and Cp > 0",
     .title = "geometric mean bias exp(mean ln Co - mean ln Cp); above 1: underprediction",
     .of = mg,
     .difference = Difference::log,
     .difference_name = "dlnMG",
     .log_of = ln_mg,
     .shown = Shown::acceptance},
    {.name = "NMSE",
     .header = "  NMSE = mean (Co - Cp)^2 / (mean Co * mean Cp)             0 for a perfect model",
     .title = "normalised mean square error mean (Co - Cp)^2 / (mean Co mean Cp)",
     .of = nmse,
     .difference_name = "dNMSE",
     .shown = Shown::acceptance},
    {.name = "VG",
     .header = "  VG   = exp(mean (ln Co - ln Cp)^2)                        1 for a perfect model; "
               "over the Npos pairs",
     .title = "geometric variance exp(mean (ln Co - ln Cp)^2)",
     .of = vg,
     .difference = Difference::log,
     .difference_name = "dlnVG",
     .log_of = ln_vg,
     .shown = Shown::acceptance},
    {.name = "FAC2",
     .header = "  FAC2 = fraction of the N pairs with 0.5 <= Cp/Co <= 2     1 for a perfect model",
     .title = "fraction of pairs with 0.5 <= Cp/Co <= 2",
     .of = fac2,
     .difference_name = "dFAC2",
     .shown = Shown::acceptance},
    {.name = "NAD",
     .header = "  NAD  = mean |Co - Cp| / (mean Co + mean Cp)               0 for a perfect model",
     .title = "normalised absolute difference mean |Co - Cp| / (mean Co + mean Cp)",
     .of = nad,
     .difference_name = "dNAD",
     .shown = Shown::acceptance},
    {.name = "RHCo",
     .header = "  RHC  = C(R) + (Cbar - C(R)) ln((3R - 1)/2), R = min(26, N), C(R) the R-th "
               "largest value, Cbar the mean of the R - 1 largest; not formed for N < 3;\n         "
               "RHCo of the observed, RHCp of the predicted values of the N pairs, unpaired in "
               "time; RHCp/RHCo 1 for a perfect model, above 1: overprediction",
     .title = "robust highest observed concentration",
     .formed = Formed::high_values,
     .of = rhc_o,
     .difference = Difference::none,
     .shown = Shown::high_end,
     .in_units = true},
    {.name = "RHCp",
     .header = "",
     .title = "robust highest predicted concentration",
     .formed = Formed::high_values,
     .of = rhc_p,
     .difference = Difference::none,
     .shown = Shown::high_end,
     .in_units = true},
    {.name = "RHCp/RHCo",
     .header = "",
     .title = "ratio of the predicted to the observed robust highest concentration",
     .formed = Formed::high_values,
     .of = ratio,
     .difference = Difference::log,
     .difference_name = "dlnRHC",
     .log_of = ln_rhc_p,
     .limit_title = "Ratio",
     .shown = Shown::high_end,
     .difference_title = "ln(RHCp/RHCo) of the first model minus that of the second"},
    {.name = "MeanO",
     .header = "  MeanO, MeanP: means of Co and Cp; SdO, SdP: their standard deviations (divisor "
               "N); R: the correlation coefficient of Co and Cp",
     .title = "mean of the observed values Co",
     .of = mean_o,
     .limits = false,
     .difference = Difference::none,
     .shown = Shown::means,
     .in_units = true},
    {.name = "MeanP",
     .header = "",
     .title = "mean of the predicted values Cp",
     .of = mean_p,
     .limits = false,
     .difference = Difference::none,
     .shown = Shown::means,
     .in_units = true},
    {.name = "SdO",
     .header = "",
     .title = "standard deviation of Co (divisor N)",
     .formed = Formed::about_means,
     .of = sd_o,
     .limits = false,
     .difference = Difference::none,
     .shown = Shown::means,
     .in_units = true},
    {.name = "SdP",
     .header = "",
     .title = "standard deviation of Cp (divisor N)",
     .formed = Formed::about_means,
     .of = sd_p,
     .limits = false,
     .difference = Difference::none,
     .shown = Shown::means,
     .in_units = true},
    {.name = "R",
     .header = "",
     .title = "correlation coefficient of Co and Cp",
     .formed = Formed::about_means,
     .of = correlation,
     .difference_name = "dR",
     .shown = Shown::means,
     .section = Section::operational},
    {.name = "MB",
     .header = "  MB    = mean (Cp - Co): mean bias, in the quantity's units; 0 for a perfect "
               "model, positive: overprediction",
     .title = "mean bias mean (Cp - Co), in the quantity's units; positive: overprediction",
     .of = mb,
     .difference_name = "dMB",
     .section = Section::operational,
     .in_units = true},
    {.name = "MGE",
     .header = "  MGE   = mean |Cp - Co|: mean gross error, in the quantity's units; 0 for a "
               "perfect model",
     .title = "mean gross error mean |Cp - Co|, in the quantity's units",
     .of = mge,
     .difference_name = "dMGE",
     .section = Section::operational,
     .in_units = true},
    {.name = "NMB",
     .header = "  NMB   = sum (Cp - Co) / sum Co: normalised mean bias; 0 for a perfect model, "
               "positive: overprediction",
     .title = "normalised mean bias sum (Cp - Co) / sum Co",
     .of = nmb,
     .difference_name = "dNMB",
     .section = Section::operational},
    {.name = "NMGE",
     .header =
         "  NMGE  = sum |Cp - Co| / sum Co: normalised mean gross error; 0 for a perfect model",
     .title = "normalised mean gross error sum |Cp - Co| / sum Co",
     .of = nmge,
     .difference_name = "dNMGE",
     .section = Section::operational},
    {.name = "RMSE",
     .header = "  RMSE  = sqrt(mean (Cp - Co)^2): root mean square error, in the quantity's units; "
               "0 for a perfect model",
     .title = "root mean square error sqrt(mean (Cp - Co)^2), in the quantity's units",
     .of = rmse,
     .difference_name = "dRMSE",
     .section = Section::operational,
     .in_units = true},
    {.name = "CRMSE",
     .header = "  CRMSE = sqrt(mean ((Cp - mean Cp) - (Co - mean Co))^2): centred root mean square "
               "error, in the quantity's units; RMSE^2 = MB^2 + CRMSE^2",
     .title = "centred root mean square error sqrt(mean ((Cp - mean Cp) - (Co - mean Co))^2), in "
              "the quantity's units",
     .formed = Formed::about_means,
     .of = crmse,
     .difference_name = "dCRMSE",
     .section = Section::operational,
     .in_units = true},
    {.name = "SDR",
     .header =
         "  SDR   = SdP / SdO: ratio of the standard deviations (divisor N); 1 for a perfect model",
     .title = "ratio of the standard deviations SdP / SdO",
     .formed = Formed::about_means,
     .of = sdr,
     .difference = Difference::log,
     .difference_name = "dlnSDR",
     .log_of = ln_sdr,
     .section = Section::operational},
    {.name = "IOA",
     .header = "  IOA   = 1 - A/B when A <= B, else B/A - 1, A = sum |Cp - Co|, B = 2 sum |Co - "
               "mean Co|: refined index of agreement (Willmott et al. 2012); 1 for a perfect model",
     .title = "refined index of agreement of Willmott et al. (2012)",
     .formed = Formed::about_means,
     .of = ioa,
     .difference_name = "dIOA",
     .section = Section::operational},
    {.name = "COE",
     .header = "  COE   = 1 - sum |Cp - Co| / sum |Co - mean Co|: coefficient of efficiency "
               "(Legates and McCabe 1999); 1 for a perfect model",
     .title = "coefficient of efficiency of Legates and McCabe (1999)",
     .formed = Formed::about_means,
     .of = coe,
     .difference_name = "dCOE",
     .section = Section::operational},
    {.name = "NSE",
     .header = "  NSE   = 1 - sum (Cp - Co)^2 / sum (Co - mean Co)^2: model efficiency (Nash and "
               "Sutcliffe 1970); 1 for a perfect model",
     .title = "model efficiency of Nash and Sutcliffe (1970)",
     .formed = Formed::about_means,
     .of = nse,
     .difference_name = "dNSE",
     .section = Section::operational},
    {.name = "KGE",
     .header = "  KGE   = 1 - sqrt((R - 1)^2 + (SDR - 1)^2 + (mean Cp / mean Co - 1)^2): "
               "Kling-Gupta efficiency (Gupta et al. 2009); 1 for a perfect model",
     .title = "Kling-Gupta efficiency of Gupta et al. (2009)",
     .formed = Formed::about_means,
     .of = kge,
     .difference_name = "dKGE",
     .section = Section::operational},
    {.name = "MQI",
     .header =
         "  Modelling quality objective (FAIRMODE guidance document version 3.3), with "
         "--uncertainty:\n  MQI   = RMSE / (beta RMS_U), U(O) = U sqrt((1 - alpha^2) O^2 + alpha^2 "
         "RV^2), RMS_U = sqrt(mean U(Oi)^2); RV in the quantity's units; met when <= 1",
     .title = "model quality indicator RMSE / (beta RMS_U)",
     .formed = Formed::about_means,
     .of = mqi,
     .difference_name = "dMQI",
     .section = Section::objective,
     .needs = Needs::uncertainty,
     .objective = true},
    {.name = "MQI_Y",
     .header = "  MQI_Y = |mean Co - mean Cp| / (beta U(mean Co)), U(mean) = U sqrt((1 - alpha^2) "
               "mean^2/NP + alpha^2 RV^2/NNP); met when <= 1; only with NP and NNP",
     .title = "quality indicator of the means |mean Co - mean Cp| / (beta U(mean Co))",
     .of = mqi_y,
     .difference_name = "dMQI_Y",
     .section = Section::objective,
     .needs = Needs::uncertainty_of_means,
     .objective = true},
    {.name = "MPI_bias",
     .header = "  MPI_bias = (mean Cp - mean Co) / (beta RMS_U); each |MPI| met when <= 1",
     .title = "bias indicator (mean Cp - mean Co) / (beta RMS_U)",
     .formed = Formed::about_means,
     .of = mpi_bias,
     .difference_name = "dMPI_bias",
     .limit_title = "MPIb",
     .section = Section::objective,
     .needs = Needs::uncertainty,
     .objective = true},
    {.name = "MPI_R",
     .header = "  MPI_R = 2 SdO SdP (1 - R) / (beta RMS_U)^2",
     .title = "correlation indicator 2 SdO SdP (1 - R) / (beta RMS_U)^2",
     .formed = Formed::about_means,
     .of = mpi_r,
     .difference_name = "dMPI_R",
     .section = Section::objective,
     .needs = Needs::uncertainty,
     .objective = true},
    {.name = "MPI_sd",
     .header = "  MPI_sd = (SdP - SdO) / (beta RMS_U)",
     .title = "standard deviation indicator (SdP - SdO) / (beta RMS_U)",
     .formed = Formed::about_means,
     .of = mpi_sd,
     .difference_name = "dMPI_sd",
     .section = Section::objective,
     .needs = Needs::uncertainty,
     .objective = true},
    {.name = "MPI_perc",
     .header = "  MPI_perc = (Cp_P - Co_P) / (beta U(Co_P)), Cp_P and Co_P the P-th percentiles "
               "(type 7) of the predicted and the observed values",
     .title = "high-percentile indicator (Cp_P - Co_P) / (beta U(Co_P))",
     .formed = Formed::high_values,
     .of = mpi_perc,
     .difference_name = "dMPI_perc",
     .limit_title = "MPIp",
     .section = Section::objective,
     .needs = Needs::uncertainty,
     .objective = true},
    {.name = "MQI90",
     .header = "  MQI90 = 90th percentile of the MQI of the S arc or label groups with N >= 3 "
               "(ascending, k = floor(0.9 S), d = 0.9 S - k: MQI(k) + d (MQI(k+1) - MQI(k)); S = "
               "1: MQI(1)); group all",
     .title = "90th percentile of the groups' MQI",
     .of = over_groups,
     .difference = Difference::none,
     .over_groups = true,
     .section = Section::objective,
     .needs = Needs::uncertainty,
     .objective = true},
    {.name = "Y90",
     .header = "  Y90   = the same of the groups' MQI_Y; MQI90 and Y90 met when <= 1",
     .title = "90th percentile of the groups' MQI_Y",
     .of = over_groups,
     .difference = Difference::none,
     .over_groups = true,
     .section = Section::objective,
     .needs = Needs::uncertainty_of_means,
     .objective = true},
    {.name = "groups_above_1",
     .header = "  groups_above_1 = how many of the S groups have an MQI above 1 (no limits: -99.0)",
     .title = "groups whose MQI is above 1",
     .of = over_groups,
     .difference = Difference::none,
     .written = Written::count,
     .over_groups = true,
     .section = Section::objective,
     .needs = Needs::uncertainty},
    {.name = "RMS_U",
     .header = "",
     .title = "root mean square of the measurement uncertainty",
     .formed = Formed::about_means,
     .of = rms_u,
     .limits = false,
     .difference = Difference::none,
     .section = Section::objective,
     .needs = Needs::uncertainty,
     .in_units = true},
    // The counts, without limits and differences; the table's columns a to d.
    {.name = "hits",
     .header =
         "  Exceedances of a threshold T, counted over the valid pairs: a = Co > T and Cp > T "
         "(hits), b = Co <= T and Cp > T (false alarms), c = Co > T and Cp <= T (misses), d "
         "= neither:",
     .title = "hits, Co > T and Cp > T",
     .of = hits,
     .limits = false,
     .difference = Difference::none,
     .written = Written::count,
     .per_threshold = true,
     .section = Section::exceedances,
     .column = "a"},
    {.name = "false_alarms",
     .title = "false alarms, Co <= T and Cp > T",
     .of = false_alarms,
     .limits = false,
     .difference = Difference::none,
     .written = Written::count,
     .per_threshold = true,
     .section = Section::exceedances,
     .column = "b"},
    {.name = "misses",
     .title = "misses, Co > T and Cp <= T",
     .of = misses,
     .limits = false,
     .difference = Difference::none,
     .written = Written::count,
     .per_threshold = true,
     .section = Section::exceedances,
     .column = "c"},
    {.name = "correct_negatives",
     .title = "correct negatives, Co <= T and Cp <= T",
     .of = correct_negatives,
     .limits = false,
     .difference = Difference::none,
     .written = Written::count,
     .per_threshold = true,
     .section = Section::exceedances,
     .column = "d"},
    // The scores of forecast verification, each not formed when its denominator is 0.
    {.name = "POD",
     .header = "  POD   = a / (a + c): probability of detection",
     .title = "probability of detection, a/(a+c)",
     .of = pod,
     .difference_name = "dPOD",
     .per_threshold = true,
     .section = Section::exceedances},
    {.name = "FAR",
     .header = "  FAR   = b / (a + b): false-alarm ratio",
     .title = "false-alarm ratio, b/(a+b)",
     .of = far,
     .difference_name = "dFAR",
     .per_threshold = true,
     .section = Section::exceedances},
    {.name = "F",
     .header = "  F     = b / (b + d): false-alarm rate",
     .title = "false-alarm rate, b/(b+d)",
     .of = false_alarm_rate,
     .difference_name = "dF",
     .per_threshold = true,
     .section = Section::exceedances},
    {.name = "CSI",
     .header = "  CSI   = a / (a + b + c): critical success index",
     .title = "critical success index, a/(a+b+c)",
     .of = csi,
     .difference_name = "dCSI",
     .per_threshold = true,
     .section = Section::exceedances},
    {.name = "FBI",
     .header = "  FBI   = (a + b) / (a + c): frequency bias",
     .title = "frequency bias, (a+b)/(a+c)",
     .of = fbi,
     .difference_name = "dFBI",
     .per_threshold = true,
     .section = Section::exceedances},
    {.name = "ETS",
     .header = "  ETS   = (a - ar) / (a + b + c - ar), ar = (a + b)(a + c) / N, N = a + b + c + d "
               "(N.both on a difference line): equitable threat score",
     .title = "equitable threat score, (a-ar)/(a+b+c-ar) with ar = (a+b)(a+c)/N",
     .of = ets,
     .difference_name = "dETS",
     .per_threshold = true,
     .section = Section::exceedances},
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

double log_mg(const PairSums& s) {
  return s.npos > 0 ? (s.lnco - s.lncp) / s.npos : kNan;
}

double log_vg(const PairSums& s) {
  return s.npos > 0 ? s.lnsq / s.npos : kNan;
}

MeasureValues measures_of(const PairStats& stats) {
  MeasureValues v;
  for (int k = 0; k < kMeasures; ++k) v[k] = kTable[k].per_threshold ? kNan : kTable[k].of(stats);
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
