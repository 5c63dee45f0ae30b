// libFuzzer target: the pairs file of tlvstats (see pairs_file_cases.h).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/pairs_file_cases.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  fuzzing::report_finding(fuzzing::pairs_file_case(input));
  return 0;
}
