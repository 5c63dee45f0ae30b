// The values of the current observation block that the reader, the driver and the
// arc fit pass between them. One SharedBlocks lives for the whole run and is handed
// around by reference; each field keeps the last block's value until the next
// block replaces it.
#pragma once

#include <string>

#include "arcstats/arcstats.h"

namespace tlvanalysis {

// `mainn`: experiment number, arc number and the two keys of the block.
struct MainnBlock {
  int NEXP = 0;
  int IARC = 0;
  std::string DATEKEY = std::string(10, ' ');
  std::string TIMEKEY = std::string(10, ' ');
};

// `met`: Obukhov length (m), stack gas exit temperature (K) and velocity (m/s).
struct MetBlock {
  float OBK = 0.0f;
  float TS = 0.0f;
  float VS = 0.0f;
};

// `main0`: tracer emission rate (g/s); a negative rate marks a missing one.
struct Main0Block {
  float Q = 0.0f;
};

struct SharedBlocks {
  MainnBlock mainn;
  MetBlock met;
  arcstats::SourceSetting main1;  // `main1`: DISTFAC, XSRC, YSRC, read by the arc fit
  Main0Block main0;
};

}  // namespace tlvanalysis
