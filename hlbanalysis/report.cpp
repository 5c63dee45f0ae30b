#include "hlbanalysis/report.h"

#include <cmath>
#include <initializer_list>

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

Columns report_columns(const arcstats::ArcFit& fit, float Q) {
  const arcstats::FitResults& r = fit.results;
  const double divisor = static_cast<double>(kConcDivisor);
  const double per_rate = static_cast<double>(Q) * divisor;
  const bool reached = fit.reached();
  const bool rated = reached && Q != 0.0f;
  // Marks go to the line as they stand: neither divided nor turned.
  Columns c;
  c.Dist = r.RMEAN;
  c.OMAX = quotient(r.OMAX, divisor);
  c.CMAX = reached ? quotient(r.CMAX, divisor) : r.CMAX;
  c.CY = reached ? quotient(r.CY, divisor) : r.CY;
  c.CMAXQ = rated && fit.cmax_formed() ? quotient(r.CMAX, per_rate) : arcstats::kPeakNotFormed;
  c.CYQ = rated ? quotient(r.CY, per_rate) : arcstats::kPeakNotFormed;
  c.Sy = r.Sy;
  c.PHIC = reached ? turn_direction(r.PHIC) : r.PHIC;
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
                float Q, const Columns& c, const records::Origin& block) {
  // "Infinity" or "NaN" in a report field is read by nothing: the run ends instead.
  for (const float v : {c.Dist, Q, c.OMAX, c.CMAX, c.CY, c.CMAXQ, c.CYQ, c.Sy, c.PHIC}) {
    if (!std::isfinite(v)) throw records::beyond_float_range(std::string(block.file), block.line);
  }
  report.write_record(format_line(layouts, NEXP, s, Q, c));
}

}  // namespace hlbanalysis
