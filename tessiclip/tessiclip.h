// tessiclip: cuts the AERMET surface and profile files down to the hours of a
// dates file and writes the ISCST3 meteorology of those hours.
//
// Asks on the console for the dates, surface and profile file names; writes
// "cutsurf.txt", "cutprof.txt", "cutiscst3.txt" and, one line per hour that could
// not be written, "CutmetSummary.txt" in the working directory.
#pragma once

#include "records/records.h"
#include "runframe/run.h"

int run_tessiclip(const runframe::RunContext& ctx);
