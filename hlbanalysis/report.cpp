#include "hlbanalysis/report.h"

namespace hlbanalysis {

namespace {

// num / den evaluated in double from float operands, rounded once to float.
float quotient(float num, double den) {
  return static_cast<float>(static_cast<double>(num) / den);
}

}  // namespace

float turn_direction(float PHIC) {
  float phic = PHIC - kDirectionOffset;
  while (phic > 360.0f) {
    const float next = phic - 360.0f;
    if (next == phic) break;  // no turn changes a value this large (or infinite)
    phic = next;
  }
  return phic;
}

Columns report_columns(const arcstats::FitResults& fit, bool fit_reached, float Q) {
  const double divisor = static_cast<double>(kConcDivisor);
  Columns c;
  c.OMAX = quotient(fit.OMAX, divisor);
  if (!fit_reached) {
    c.Dist = kNoDistance;
    c.CMAX = kNoPeak;
    c.CY = kNoSpread;
    c.CMAXQ = kNoPeak;
    c.CYQ = kNoPeak;
    c.Sy = kNoSpread;
    c.PHIC = kNoDirection;
    return c;
  }
  c.Dist = fit.RMEAN;
  c.CMAX = quotient(fit.CMAX, divisor);
  c.CY = quotient(fit.CY, divisor);
  if (Q == 0.0f) {
    c.CMAXQ = kNoPeak;
    c.CYQ = kNoPeak;
  } else {
    const double per_rate = static_cast<double>(Q) * divisor;
    // A profile without width or area forms no CMAX; its ratio is not formed either,
    // rather than the mark divided by the rate.
    const bool cmax_formed = fit.Sy > 0.0f && fit.CY > 0.0f;
    c.CMAXQ = cmax_formed ? quotient(fit.CMAX, per_rate) : kNoPeak;
    c.CYQ = quotient(fit.CY, per_rate);
  }
  c.Sy = fit.Sy;
  c.PHIC = turn_direction(fit.PHIC);
  return c;
}

Stamp read_stamp(const ReportLayouts& layouts, const Mainn& mainn, std::string_view arc_file,
                 long key_line) {
  Stamp s;
  const records::Origin origin{arc_file, key_line};
  records::read_text(layouts.date_key, mainn.DATEKEY, {&s.month, &s.day, &s.year}, origin,
                     {"month of the date key", "day of the date key", "year of the date key"});
  records::read_text(layouts.time_key, mainn.TIMEKEY, {&s.hour, &s.minute}, origin,
                     {"hour of the time key", "minutes of the time key"});
  return s;
}

void write_header(records::OutputFile& report, const ReportLayouts& layouts) {
  report.write(layouts.header, {});
}

std::string format_line(const ReportLayouts& layouts, int NEXP, const Stamp& s, float Q,
                        const Columns& c) {
  return records::format(
      layouts.line, {NEXP, s.year, s.month, s.day, s.hour, s.minute, kDuration, c.Dist, Q, c.OMAX,
                     c.CMAX, c.CY, c.CMAXQ, c.CYQ, c.Sy, c.PHIC});
}

void write_line(records::OutputFile& report, const ReportLayouts& layouts, int NEXP, const Stamp& s,
                float Q, const Columns& c) {
  report.write_record(format_line(layouts, NEXP, s, Q, c));
}

}  // namespace hlbanalysis
