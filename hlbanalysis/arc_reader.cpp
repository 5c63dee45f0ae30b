#include "hlbanalysis/arc_reader.h"

#include <cmath>
#include <string>

namespace hlbanalysis {

namespace {

// Degrees to radians as the study's conversion has always used it.
constexpr float kDegToRad = 0.01745328f;

// Angle in radians from the degree difference, rounded to float.
float radians(float degrees) {
  return static_cast<float>(static_cast<double>(degrees) * static_cast<double>(kDegToRad));
}

std::string counts_text(const Counts& c) {
  return "N = " + std::to_string(c.N) + ", NFIRST = " + std::to_string(c.NFIRST) +
         ", NLAST = " + std::to_string(c.NLAST);
}

}  // namespace

Offset receptor_offset(int bearing, int radius) {
  const float theta = static_cast<float>(bearing);
  const float r = static_cast<float>(radius);
  Offset o;
  if (theta <= 90.0f) {
    const float a = radians(90.0f - theta);
    o.x = std::cos(a) * r;
    o.y = std::sin(a) * r;
  } else if (theta <= 180.0f) {
    const float a = radians(theta - 90.0f);
    o.x = std::cos(a) * r;
    o.y = -std::sin(a) * r;
  } else if (theta <= 270.0f) {
    const float a = radians(270.0f - theta);
    o.x = -std::cos(a) * r;
    o.y = -std::sin(a) * r;
  } else {
    const float a = radians(theta - 270.0f);
    o.x = -std::cos(a) * r;
    o.y = std::sin(a) * r;
  }
  return o;
}

bool counts_valid(const Counts& c) {
  return c.N >= c.NLAST && c.NFIRST >= 1 && c.NLAST >= c.NFIRST;
}

void write_counts_fault(records::OutputFile& report, const ReaderLayouts& layouts,
                        const Counts& c) {
  report.write(layouts.counts_fault, {c.N, c.NFIRST, c.NLAST});
}

void fetch(records::InputFile& arcs, records::OutputFile& report, const ReaderLayouts& layouts,
           SharedBlocks& blocks, Counts& counts, ReceptorArrays& samplers) {
  Mainn& mainn = blocks.mainn;
  records::read_list(arcs,
                     {&mainn.NEXP, &mainn.second_value, records::text(mainn.DATEKEY),
                      records::text(mainn.TIMEKEY), &blocks.main0.fifth_value},
                     {"experiment number", "second value", "date key", "time key", "fifth value"});
  blocks.key_line = arcs.line();

  int fourth_value = 0;
  arcstats::SourceSetting& main1 = blocks.main1;
  records::read_list(
      arcs,
      {&counts.N, &counts.NFIRST, &counts.NLAST, &fourth_value, &main1.DISTFAC, &main1.XSRC,
       &main1.YSRC, &blocks.main0.Q, &blocks.main0.ninth_value},
      {"N", "NFIRST", "NLAST", "fourth value", "DISTFAC", "XSRC", "YSRC", "Q", "ninth value"});

  if (!counts_valid(counts)) {
    write_counts_fault(report, layouts, counts);
    throw records::StopRun(records::kStatusBadInput,
                           arcs.name() + " line " + std::to_string(arcs.line()) +
                               ": invalid sampler counts " + counts_text(counts) +
                               " (need 1 <= NFIRST <= NLAST <= N)");
  }

  // Every record of the block is read, however many; the vectors keep their
  // capacity from block to block.
  samplers.XREC.clear();
  samplers.YREC.clear();
  samplers.CONC.clear();
  for (int i = 0; i < counts.N; ++i) {
    int bearing = 0;
    int radius = 0;
    float conc = 0.0f;
    arcs.read(layouts.receptor, {&bearing, &radius, &conc}, {"bearing", "radius", "concentration"});
    const Offset o = receptor_offset(bearing, radius);
    samplers.XREC.push_back(o.x);
    samplers.YREC.push_back(o.y);
    samplers.CONC.push_back(conc);
  }
}

}  // namespace hlbanalysis
