// tlvanalysis: plume statistics of the elevated-release tracer study.
//
// Run in the folder holding "tolvernsf6-max11052011.txt" (quality flags) and
// "TolvernSF611052011.txt" (observation blocks); writes one line per admitted arc to
// "TolvernOBSAnalysis.txt" and the hourly emission records to "TLVemissions.txt".
#pragma once

#include "records/records.h"
#include "runframe/run.h"

// Runs the analysis in ctx.dir. No arguments (--help and --version aside); returns
// the exit status: 0 done, 1 a file could not be opened or created, 2 a read failure,
// an input ending inside a block, or a usage error.
int run_tlvanalysis(const runframe::RunContext& ctx);
