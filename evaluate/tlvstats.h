// tlvstats: model-performance statistics of the combined table. Reads
// "TLV-Combined-NoFill-Results.txt" and writes the fixed-column table
// "TLV-Model-Statistics.txt" (FB, MG, NMSE, VG, FAC2 of AERMOD and ISCST3 against
// the observations, with bootstrap limits and the significance of their
// differences) and the pictures "TLV-Scatter.svg" and "TLV-QQ.svg".
#pragma once

#include "records/records.h"

// The program's run in `ctx.dir`. Arguments: --help, --version, --resamples N
// (1 to 100000, default 1000), --seed N (0 to 2^64-1, default 1); anything else is
// a usage error (status 2). Returns 0, or 1 / 2 after a run-ending failure, whose
// message goes to ctx.err. Nothing is written before the whole table is read.
int run_tlvstats(const records::RunContext& ctx);
