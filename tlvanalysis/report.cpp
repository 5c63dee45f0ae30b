#include "tlvanalysis/report.h"

#include <utility>

#include "arcstats/arcstats.h"

namespace tlvanalysis {
namespace {

constexpr std::string_view kHeaderLayout =
    "(20x,'  DUR     Dist         Arc           Q    Hanna-Paine-OBK       OMAX           CMAX"
    "           CY            CMAX/Q          CY/Q            Sy         PHIC',/,4x,' Exp  "
    "YYMMDDHHMM (min)    (km)         (km)        (g/s)         (m)    ','   (gx10^-6/m^3)  "
    "(gx10^-6/m^3)  (sx10^-6/m^2)  (sx10^-6/m^3)  (sx10^-6/m^2)        (m)      (degrees)')";

constexpr std::string_view kLineLayout =
    "(3x,i5,2x,5i2.2,2x,i2,4(f10.2,3x),5(3x,1pe12.4),2x,0pf12.3,f12.2)";

constexpr std::string_view kEmissionLayout = "('SO HOUREMIS',4i3,' STACK ',3F12.3)";

}  // namespace

Report::Report(records::OutputFile file)
    : file_(std::move(file)), header_(kHeaderLayout), line_(kLineLayout) {}

Report Report::create(const std::filesystem::path& dir) {
  Report report(records::OutputFile::open(dir, kReportFileName));
  report.file_.write(report.header_, {});
  return report;
}

void Report::write_line(const ReportLine& l) {
  file_.write(line_, {l.NEXP, l.year, l.month, l.day, l.hour, l.minutes, l.DUR, l.Dist, l.Arc, l.Q,
                      l.OBK, l.OMAX, l.CMAX, l.CY, l.CMAXQ, l.CYQ, l.Sy, l.PHIC});
}

void Report::write_arc_size(int NUM) {
  using namespace std::string_view_literals;
  file_.write_list({"NUM  = : "sv, NUM});
  file_.write_list({"NMAX = : "sv, arcstats::NMAX});
}

Emissions::Emissions(records::OutputFile file) : file_(std::move(file)), layout_(kEmissionLayout) {}

Emissions Emissions::open(const std::filesystem::path& dir) {
  return Emissions(records::OutputFile::open(dir, kEmissionsFileName));
}

void Emissions::write(const EmissionRecord& r) {
  file_.write(layout_, {r.year, r.month, r.day, r.hour, r.rate, r.TS, r.VS});
}

}  // namespace tlvanalysis
