// The observation file of the elevated-release study: a sequence of blocks, one per
// sampling arc of an experiment hour. The driver reads each block's key record
// itself; `fetch` reads the rest of the block (stability, source and arc records
// and one record per sampler).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "records/records.h"
#include "tlvanalysis/shared_blocks.h"

namespace tlvanalysis {

inline constexpr std::string_view kObservationFileName = "TolvernSF611052011.txt";

// Sampler positions (km, plane coordinates) and concentrations of one block,
// entries 0..n-1 (`XREC`(i) is XREC[i - 1]). The arrays grow to the largest block
// read and are reused, so a block of any size is held whole.
struct SamplerArrays {
  std::vector<float> XREC;
  std::vector<float> YREC;
  std::vector<float> CONC;
};

class ObservationReader {
 public:
  // Reads from `file`, which must outlive the reader.
  explicit ObservationReader(records::InputFile& file);

  // `fetch`: reads records 2 to 6 + n of the current block, the key record having
  // just been read. Returns n (the sampler count of the arc record), first = 1 and
  // last = n, and fills entries 1..n of the sampler arrays, positive concentrations
  // multiplied by the block's concentration factor (zero and negative values as
  // read). Sets `IARC`, `OBK`, `TS`, `VS`, `Q`, and 1000.0 in `DISTFAC`. With n of
  // zero or less no sampler record is read. A file ending inside the block or a
  // field that does not convert ends the run (records::RunError, naming the file's
  // line and columns).
  void fetch(int& n, int& first, int& last, SamplerArrays& samplers, SharedBlocks& blocks);

 private:
  // Reads the next record whole as a 120-column text into record_.
  void read_record_text();

  records::InputFile& file_;
  const records::Layout record_text_{"(a120)"};
  const records::Layout stability_{"(t30,f9.2)"};
  const records::Layout source_{"(t30,f8.2,t47,f9.2,t67,f9.2,t87,g11.4)"};
  const records::Layout arc_{"(t12,f5.1,t32,i5)"};
  const records::Layout sampler_{"(t5,f8.2,f10.2,t33,f10.2)"};
  std::string record_ = std::string(120, ' ');
};

}  // namespace tlvanalysis
