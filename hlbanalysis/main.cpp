#include "hlbanalysis/hlbanalysis.h"
#include "records/run.h"

int main(int argc, char** argv) {
  return records::run_main(argc, argv, run_hlbanalysis);
}
