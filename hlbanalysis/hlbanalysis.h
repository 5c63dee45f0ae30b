// hlbanalysis: plume statistics of the near-surface release study.
//
// Reads the arc file "hbarcs.txt" (a header record, then exactly 340 arc blocks:
// experiment and keys, sampler counts and source setting, one record per sampler
// given by bearing and radius), fits every arc and writes one line per block to
// the report "HolmbyOBSAnalysis.txt". Nothing goes to the console on success.
#pragma once

#include "runframe/run.h"

// Runs the program in ctx.dir with ctx.args; returns the exit status (0 normal end;
// 1 a file could not be opened or created; 2 a read failure, an unexpected end of
// the arc file, invalid sampler counts, or a usage error).
int run_hlbanalysis(const runframe::RunContext& ctx);
