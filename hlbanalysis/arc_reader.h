// The arc file reader: one arc block of "hbarcs.txt" per fetch() call.
//
// A block is a list-form record of five values (experiment number, an integer,
// date key, time key, a real), a list-form record of nine values (N, NFIRST,
// NLAST, an integer, DISTFAC, XSRC, YSRC, Q, a real) and N sampler records
// "(t18,i3,7x,i3,f10.0)" holding bearing (degrees), radius (m) and concentration.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "arcstats/arcstats.h"
#include "records/records.h"

namespace hlbanalysis {

inline constexpr std::string_view kArcFileName = "hbarcs.txt";

// Experiment number and keys of the block last read.
struct Mainn {
  int NEXP = 0;
  int second_value = 0;  // read and not used
  std::string DATEKEY = std::string(10, ' ');
  std::string TIMEKEY = std::string(10, ' ');
};

// Emission rate of the block last read, with the two reals read beside it.
struct Main0 {
  float fifth_value = 0.0f;  // of the first block record; read and not used
  float Q = 0.0f;            // g/s
  float ninth_value = 0.0f;  // of the second block record; read and not used
};

// The values one block hands from the reader to the driver and the arc fit.
struct SharedBlocks {
  Mainn mainn;
  arcstats::SourceSetting main1;  // DISTFAC, XSRC, YSRC of the arc fit
  Main0 main0;
  long key_line = 0;  // arc-file line on which the block's first record ended
};

// Sampler counts of a block: N records, of which NFIRST..NLAST form the arc.
struct Counts {
  int N = 0;
  int NFIRST = 0;
  int NLAST = 0;
};

// Samplers of the block last read, entries 0..N-1 (sampler i+1). Grown as needed;
// a block may hold any number of samplers.
struct ReceptorArrays {
  std::vector<float> XREC;  // m east of the release point
  std::vector<float> YREC;  // m north of the release point
  std::vector<float> CONC;  // as read; negative marks a missing measurement
};

// Layouts of the reader, parsed once per run.
struct ReaderLayouts {
  records::Layout receptor{"(t18,i3,7x,i3,f10.0)"};
  records::Layout counts_fault{
      "(5X,'*** FATAL ERROR ENCOUNTERED ***',5X,'    NUMBER OF DATA VALUES (N) MUST BE GE. "
      "NLAST',5X,'    AND NLAST MUST BE GREATER THAN NFIRST',/,5X,'    INPUT VALUES ARE:',5X,'"
      "                 N = ',I3,/,5X,'            NFIRST = ',I3,/,5X,'             NLAST = "
      "',I3,//)"};
};

// East and north offset of a sampler from the release point, in m.
struct Offset {
  float x = 0.0f;
  float y = 0.0f;
};

// Converts a whole-degree bearing (clockwise from north) and a radius in m to the
// sampler's offset, in single precision: the angle from the nearer east-west axis
// is (degrees)·0.01745328 rounded to float, its sine and cosine are float
// functions, and each product with the radius is rounded to float.
Offset receptor_offset(int bearing, int radius);

// True when the counts describe a usable arc: 1 <= NFIRST <= NLAST <= N.
bool counts_valid(const Counts& counts);

// Writes the six-line invalid-counts message (N, NFIRST, NLAST in I3 fields).
void write_counts_fault(records::OutputFile& report, const ReaderLayouts& layouts,
                        const Counts& counts);

// Reads the next arc block from `arcs`: replaces every field of `blocks`, sets
// `counts`, and fills `samplers` with the N converted sampler records. Invalid
// counts write the six-line message to `report` and end the run (StopRun,
// status 2, a console line naming the file and the counts); no sampler record is
// read then. A short file or a bad field ends the run with the reader's RunError.
void fetch(records::InputFile& arcs, records::OutputFile& report, const ReaderLayouts& layouts,
           SharedBlocks& blocks, Counts& counts, ReceptorArrays& samplers);

}  // namespace hlbanalysis
