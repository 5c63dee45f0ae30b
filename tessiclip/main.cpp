#include "records/records.h"
#include "tessiclip/tessiclip.h"

int main(int argc, char** argv) {
  return runframe::run_main(argc, argv, run_tessiclip);
}
