// tlvstats: model-performance statistics. Reads "TLV-Combined-NoFill-Results.txt"
// (or, with --pairs, a CSV pairs file of any study) and writes the fixed-column
// table "<stem>-Model-Statistics.txt" (FB, MG, NMSE, VG, FAC2, NAD and the robust
// highest concentrations of every model against the observations, with bootstrap
// limits, acceptance marks and the significance of the paired differences between
// the models), the same in tidy form "<stem>-Model-Statistics.csv", the pictures and
// the page "<stem>-Evaluation.html" (the list of the files is kOutputFiles in
// evaluate/pictures/diagrams.h). The stem is "TLV", or the pairs file's name without
// its extension.
#pragma once

#include "records/records.h"
#include "runframe/run.h"

// The program's run in `ctx.dir`. Arguments: --help, --version, --resamples N
// (1 to 100000, default 1000), --seed N (0 to 2^64-1, default 1), --criteria
// rural|urban (default rural), --pairs FILE, --uncertainty, --beta, --percentile,
// --threshold, --units, --max-memory BYTES (the bound of the run's estimated
// memory); anything else is a usage error (status 2). With ctx.err_is_terminal a
// run longer than 2 s shows its progress on ctx.err. Returns 0, or 1 / 2 after a run-ending
// failure, whose message goes to ctx.err. Nothing is written before the whole input is read and
// evaluated.
int run_tlvstats(const runframe::RunContext& ctx);
