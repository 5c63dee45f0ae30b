// libFuzzer target: tessiclip (see program_cases.h for the cut of the input).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/program_cases.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  fuzzing::report_finding(fuzzing::tessiclip_case(input));
  return 0;
}
