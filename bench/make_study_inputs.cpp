// make_study_inputs table LINES FILE | pairs LINES MODELS FILE
// Writes a generated combined table of LINES lines, or a pairs file of LINES
// lines per quantity with MODELS models (1 to 8), for benchmarks run by hand and
// for comparing the outputs of two builds.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

#include "bench/study_inputs.h"

int main(int argc, char** argv) {
  const std::string kind = argc > 1 ? argv[1] : "";
  if (!((kind == "table" && argc == 4) || (kind == "pairs" && argc == 5))) {
    std::cerr << "usage: make_study_inputs table LINES FILE | pairs LINES MODELS FILE\n";
    return 2;
  }
  const int lines = std::atoi(argv[2]);
  const auto shapes = studyinputs::shapes(lines);
  const std::string text = kind == "table" ? studyinputs::table_text(shapes)
                                           : studyinputs::pairs_text(shapes, std::atoi(argv[3]));
  std::ofstream out(argv[argc - 1], std::ios::binary);
  out << text;
  out.close();
  if (!out) {
    std::cerr << "make_study_inputs: cannot write " << argv[argc - 1] << "\n";
    return 1;
  }
  return 0;
}
