// libFuzzer target: list_form (see record_cases.h for the cut of the input).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/record_cases.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  fuzzing::report_finding(fuzzing::list_form_case(input));
  return 0;
}
