#include "combine/combine.h"

int main(int argc, char** argv) {
  return runframe::run_main(argc, argv, run_combine);
}
