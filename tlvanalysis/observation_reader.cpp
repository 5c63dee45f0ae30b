#include "tlvanalysis/observation_reader.h"

#include <cstddef>

#include "tlvanalysis/arc_bands.h"

namespace tlvanalysis {

ObservationReader::ObservationReader(records::InputFile& file) : file_(file) {}

void ObservationReader::read_record_text() {
  file_.read(record_text_, {records::text(record_)});
}

void ObservationReader::fetch(int& n, int& first, int& last, SamplerArrays& samplers,
                              SharedBlocks& blocks) {
  blocks.main1.DISTFAC = 1000.0f;

  read_record_text();  // stability record
  records::read_text(stability_, record_, {&blocks.met.OBK}, file_.origin(), {"Obukhov length"});

  read_record_text();  // record 3: not used

  read_record_text();  // source record
  float factor = 0.0f;
  records::read_text(
      source_, record_, {&blocks.met.TS, &blocks.met.VS, &blocks.main0.Q, &factor}, file_.origin(),
      {"exit temperature", "exit velocity", "emission rate", "concentration factor"});

  read_record_text();  // arc record
  float distance = 0.0f;
  records::read_text(arc_, record_, {&distance, &n}, file_.origin(),
                     {"arc distance", "sampler count"});
  first = 1;
  last = n;
  blocks.mainn.IARC = definearc(distance);

  read_record_text();  // record 6: not used

  if (n <= 0) return;
  const auto count = static_cast<std::size_t>(n);
  if (samplers.CONC.size() < count) {
    samplers.XREC.resize(count);
    samplers.YREC.resize(count);
    samplers.CONC.resize(count);
  }
  for (std::size_t i = 0; i < count; ++i) {
    float& conc = samplers.CONC[i];
    file_.read(sampler_, {&samplers.XREC[i], &samplers.YREC[i], &conc},
               {"easting", "northing", "concentration"});
    if (conc > 0.0f) conc = conc * factor;
  }
}

}  // namespace tlvanalysis
