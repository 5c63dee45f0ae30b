// TLVCombineAll: joins the observed arc statistics of the elevated-release study
// with the AERMOD and ISCST3 results, hour by hour and arc by arc, into the table
// "TLV-Combined-NoFill-Results.txt", with the hourly Obukhov length of the cut
// AERMET surface file in the OBK column and three counts at its end.
#pragma once

#include "records/records.h"
#include "runframe/run.h"

// The program's run in `ctx.dir`: takes --help / --version only, reads its four
// input files, writes the combined table; returns the exit status (0, or 1 / 2
// after a run-ending failure, whose message goes to ctx.err).
int run_combine(const runframe::RunContext& ctx);
