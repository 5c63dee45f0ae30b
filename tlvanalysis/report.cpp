#include "tlvanalysis/report.h"

#include <cmath>
#include <initializer_list>
#include <string>
#include <utility>

#include "arcstats/arcstats.h"
#include "formats/analysis_report.h"

namespace tlvanalysis {
namespace {

constexpr std::string_view kEmissionLayout = "('SO HOUREMIS',4i3,' STACK ',3F12.3)";

// A value that is not finite would be written as "Infinity" or "NaN", which no
// reader of the files takes: the run ends instead, naming the block it came from.
void require_finite(std::initializer_list<float> values, const records::Origin& block) {
  for (const float v : values) {
    if (!std::isfinite(v)) throw records::beyond_float_range(std::string(block.file), block.line);
  }
}

}  // namespace

Report::Report(records::OutputFile file)
    : file_(std::move(file)),
      header_(formats::kAnalysisReportHeader),
      line_(formats::kAnalysisReportLine) {}

Report Report::create(records::OutputFile file) {
  Report report(std::move(file));
  report.file_.write(report.header_, {});
  return report;
}

void Report::write_line(const ReportLine& l, const records::Origin& block) {
  const arcstats::ArcColumns& s = l.stats;
  require_finite({s.Dist, l.Arc, l.Q, l.OBK, s.OMAX, s.CMAX, s.CY, s.CMAXQ, s.CYQ, s.Sy, s.PHIC},
                 block);
  file_.write(line_, {l.NEXP, l.year, l.month, l.day, l.hour, l.minutes, l.DUR, s.Dist, l.Arc, l.Q,
                      l.OBK, s.OMAX, s.CMAX, s.CY, s.CMAXQ, s.CYQ, s.Sy, s.PHIC});
}

void Report::write_arc_size(int NUM) {
  using namespace std::string_view_literals;
  file_.write_list({"NUM  = : "sv, NUM});
  file_.write_list({"NMAX = : "sv, arcstats::NMAX});
}

Emissions::Emissions(records::OutputFile file) : file_(std::move(file)), layout_(kEmissionLayout) {}

Emissions Emissions::open(records::OutputFile file) {
  return Emissions(std::move(file));
}

void Emissions::write(const EmissionRecord& r, const records::Origin& block) {
  require_finite({r.rate, r.TS, r.VS}, block);
  file_.write(layout_, {r.year, r.month, r.day, r.hour, r.rate, r.TS, r.VS});
}

}  // namespace tlvanalysis
