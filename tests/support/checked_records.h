// The records of an output file read back by a test, each required to end with
// CR LF as every output record does: a record that does not fails the test,
// named after `name`.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "fuzz/harness.h"

namespace testsupport {

// Views into `text`, which must outlive them.
inline std::vector<std::string_view> checked_records(std::string_view name,
                                                     const std::string& text) {
  std::vector<std::string_view> records;
  EXPECT_EQ(fuzzing::split_records(name, text, records), "");
  return records;
}

}  // namespace testsupport
