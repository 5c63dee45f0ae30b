// make_study_inputs table LINES FILE | pairs LINES MODELS FILE
//                 | network LINES GROUPS MODELS FILE [QUANTITIES]
// Writes a generated combined table of LINES lines, a pairs file of LINES lines
// per quantity with MODELS models (1 to 8), or a network study: LINES hourly
// pairs per quantity of GROUPS stations with MODELS models and QUANTITIES
// quantities (default 1), for benchmarks run by hand and for comparing the
// outputs of two builds.
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "bench/study_inputs.h"

namespace {

constexpr const char* kUsage =
    "usage: make_study_inputs table LINES FILE | pairs LINES MODELS FILE\n"
    "                       | network LINES GROUPS MODELS FILE [QUANTITIES]\n";

// A whole number from `low` to `high`, or nothing.
std::optional<long long> whole(std::string_view text, long long low, long long high) {
  long long n = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
  if (ec != std::errc() || end != text.data() + text.size() || n < low || n > high)
    return std::nullopt;
  return n;
}

int write_network(int argc, char** argv) {
  const auto lines = whole(argv[2], 0, 1'000'000'000);
  const auto groups = whole(argv[3], 1, 9'999'999);  // labels of at most 8 characters
  const auto models = whole(argv[4], 1, 8);
  const auto quantities = argc == 7 ? whole(argv[6], 1, 99) : std::optional<long long>(1);
  if (!lines || !groups || !models || !quantities) {
    std::cerr << kUsage << "  LINES 0 to 10^9, GROUPS 1 to 9999999, MODELS 1 to 8, "
              << "QUANTITIES 1 to 99\n";
    return 2;
  }
  const char* name = argv[5];
  std::FILE* out = std::fopen(name, "wb");
  if (!out) {
    std::perror(name);
    return 1;
  }
  bool ok = true;
  studyinputs::NetworkShape shape{*lines, int(*groups), int(*models), int(*quantities)};
  studyinputs::network_pairs(shape, [&](const char* text, std::size_t size) {
    if (ok && std::fwrite(text, 1, size, out) != size) ok = false;
  });
  if (std::fclose(out) != 0) ok = false;
  if (!ok) {
    std::cerr << "make_study_inputs: cannot write " << name << "\n";
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string kind = argc > 1 ? argv[1] : "";
  if (kind == "network" && (argc == 6 || argc == 7)) return write_network(argc, argv);
  if (!((kind == "table" && argc == 4) || (kind == "pairs" && argc == 5))) {
    std::cerr << kUsage;
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
