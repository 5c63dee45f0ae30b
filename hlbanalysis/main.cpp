#include "hlbanalysis/hlbanalysis.h"
#include "runframe/run.h"

int main(int argc, char** argv) {
  return runframe::run_main(argc, argv, run_hlbanalysis);
}
