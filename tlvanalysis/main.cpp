#include "records/records.h"
#include "tlvanalysis/tlvanalysis.h"

int main(int argc, char** argv) {
  return runframe::run_main(argc, argv, run_tlvanalysis);
}
