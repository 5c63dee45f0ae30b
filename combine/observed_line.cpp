#include "combine/observed_line.h"

namespace combine {

ObservedArc read_observed_arc(const Layouts& layouts, std::string_view line,
                              const records::Origin& origin) {
  ObservedArc a;
  const records::Dest fields[] = {&a.exp,      &a.year, &a.month,  &a.day,  &a.hour, &a.minute,
                                  &a.duration, &a.dist, &a.arc,    &a.q,    &a.obk,  &a.omax,
                                  &a.cmax,     &a.cy,   &a.cmax_q, &a.cy_q, &a.sy,   &a.phic};
  records::read_text(layouts.report_line, line, fields, origin, formats::kAnalysisReportFields);
  return a;
}

void write_observed_arc(const Layouts& layouts, const ObservedArc& a, float obk,
                        std::string& text) {
  text.assign(kObservedWidth, ' ');
  records::write_text(layouts.report_line,
                      {a.exp, a.year, a.month, a.day, a.hour, a.minute, a.duration, a.dist, a.arc,
                       a.q, obk, a.omax, a.cmax, a.cy, a.cmax_q, a.cy_q, a.sy, a.phic},
                      text);
}

}  // namespace combine
